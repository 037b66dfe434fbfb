#include "controls/shell_tree_ctrl.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFileIconProvider>
#include <QtWidgets/QStyle>
#include <QtWidgets/QTreeWidgetItemIterator>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/log.h"

namespace qm {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

// mountinfo writes blanks, tabs, newlines and backslashes as \ooo.
QString Unescape(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t blank = line.find(' ', at);
    const std::size_t end = blank == std::string_view::npos ? line.size() : blank;
    if (end > at) fields.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return fields;
}

bool Skipped(const QString& mountPoint, std::string_view type) {
  static const std::set<std::string_view> kTypes = {"iso9660", "udf",      "squashfs", "proc",
                                                    "sysfs",   "devtmpfs", "devpts",   "cgroup",
                                                    "cgroup2", "tmpfs",    "overlay"};
  if (kTypes.count(type) != 0) return true;
  for (const char* system : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot"}) {
    const QString prefix = QString::fromLatin1(system);
    if ((mountPoint == prefix || mountPoint.startsWith(prefix + QLatin1Char('/'))) &&
        !mountPoint.startsWith(QStringLiteral("/run/media/")))
      return true;
  }
  return false;
}

QIcon FolderIcon(const QTreeWidget& tree) { return tree.style()->standardIcon(QStyle::SP_DirIcon); }

bool HasChildren(const QString& path, bool foldersOnly) {
  QDir::Filters filters = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden;
  if (!foldersOnly) filters |= QDir::Files;
  return !QDir(path).entryList(filters).isEmpty();
}

} // namespace

std::vector<ShellVolume> ShellVolumesFromMountInfo(std::string_view mountinfo,
                                                   const std::function<bool(const QString&)>& removable) {
  std::vector<ShellVolume> volumes;
  bool haveRoot = false;
  std::size_t at = 0;
  while (at < mountinfo.size()) {
    const std::size_t newline = mountinfo.find('\n', at);
    const std::size_t end = newline == std::string_view::npos ? mountinfo.size() : newline;
    const std::vector<std::string_view> fields = Fields(mountinfo.substr(at, end - at));
    at = end + 1;
    // id parent major:minor root mount-point options [optional...] - type source super-options
    const auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
    if (fields.size() < 5 || dash == fields.end() || fields.end() - dash < 3) continue;
    const QString mountPoint = Unescape(fields[4]);
    const std::string_view type = dash[1];
    const QString source = Unescape(dash[2]);
    const bool isRoot = mountPoint == QStringLiteral("/");
    if (!isRoot && (!source.startsWith(QStringLiteral("/dev/")) || Skipped(mountPoint, type))) continue;
    if (isRoot && haveRoot) continue;
    haveRoot = haveRoot || isRoot;
    // A later mount on the same point covers the earlier one.
    const bool isRemovable = source.startsWith(QStringLiteral("/dev/")) && removable && removable(source);
    auto same = std::find_if(volumes.begin(), volumes.end(),
                             [&](const ShellVolume& v) { return v.mountPoint == mountPoint; });
    if (same != volumes.end())
      same->removable = isRemovable;
    else
      volumes.push_back({mountPoint, isRemovable});
  }
  return volumes;
}

bool IsRemovableBlockDevice(const QString& source) {
  const QFileInfo node(source);
  const QString name = QFileInfo(node.canonicalFilePath()).fileName();
  if (name.isEmpty() || name.contains(QLatin1Char('/'))) return false;
  QString sys = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
  if (sys.isEmpty()) return false;
  if (QFileInfo::exists(sys + QStringLiteral("/partition"))) sys = QFileInfo(sys).path();
  QFile file(sys + QStringLiteral("/removable"));
  return file.open(QIODevice::ReadOnly) && file.read(1) == "1";
}

QString ShellVolumeText(const ShellVolume& volume) {
  return volume.removable ? QStringLiteral("Removable (%1)").arg(volume.mountPoint) : volume.mountPoint;
}

CShellTreeCtrl::CShellTreeCtrl(QWidget* parent) : QTreeWidget(parent), home_(QDir::homePath()) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  volumes_ = [] {
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    return ShellVolumesFromMountInfo(text.str(), IsRemovableBlockDevice);
  };
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (!item->data(0, kFilledRole).toBool()) Fill(item);
  });
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnSelectionChanged(current); });
}

void CShellTreeCtrl::SetSelChangedCallback(LPFUNTREESELCHANGED callback, QWidget* client) {
  if (callback && client != nullptr)
    LogInfo("------------------------ParmInfo:LPFUNTREESELCHANGED lpFunSelChanged=set, CWnd* pWndClient=%p",
            static_cast<void*>(client));
  callback_ = std::move(callback);
  client_ = client;
}

QString CShellTreeCtrl::ItemPath(const QTreeWidgetItem* item) {
  return item == nullptr ? QString() : item->data(0, kPathRole).toString();
}

QTreeWidgetItem* CShellTreeCtrl::AddFolder(QTreeWidgetItem* parent, const QString& text, const QString& path,
                                           bool folder) {
  auto* item = parent != nullptr ? new QTreeWidgetItem(parent, QStringList(text))
                                 : new QTreeWidgetItem(this, QStringList(text));
  item->setData(0, kPathRole, path);
  if (folder) {
    item->setIcon(0, FolderIcon(*this));
    item->setChildIndicatorPolicy(HasChildren(path, foldersOnly_) ? QTreeWidgetItem::ShowIndicator
                                                                  : QTreeWidgetItem::DontShowIndicator);
  } else {
    static const QFileIconProvider provider;
    item->setIcon(0, provider.icon(QFileInfo(path)));
    item->setData(0, kFilledRole, true);
  }
  return item;
}

void CShellTreeCtrl::Refresh(bool foldersOnly) {
  foldersOnly_ = foldersOnly;
  clear();
  computer_ = nullptr;
  if (!home_.isEmpty() && QFileInfo(home_).isDir()) {
    QTreeWidgetItem* home = AddFolder(nullptr, tr("Home (%1)").arg(home_), home_, true);
    home->setIcon(0, style()->standardIcon(QStyle::SP_DirHomeIcon));
  }
  computer_ = new QTreeWidgetItem(this, QStringList(tr("Computer")));
  computer_->setIcon(0, style()->standardIcon(QStyle::SP_ComputerIcon));
  computer_->setData(0, kFilledRole, true);
  for (const ShellVolume& volume : volumes_ ? volumes_() : std::vector<ShellVolume>{}) {
    QTreeWidgetItem* item = AddFolder(computer_, ShellVolumeText(volume), volume.mountPoint, true);
    item->setIcon(0,
                  style()->standardIcon(volume.removable ? QStyle::SP_DriveFDIcon : QStyle::SP_DriveHDIcon));
  }
  computer_->setChildIndicatorPolicy(computer_->childCount() > 0 ? QTreeWidgetItem::ShowIndicator
                                                                 : QTreeWidgetItem::DontShowIndicator);
}

void CShellTreeCtrl::ExpandMyComputer() {
  if (computer_ != nullptr) computer_->setExpanded(true);
}

void CShellTreeCtrl::Fill(QTreeWidgetItem* item) {
  const QString path = ItemPath(item);
  item->setData(0, kFilledRole, true);
  if (path.isEmpty()) return;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  setUpdatesEnabled(false);
  qDeleteAll(item->takeChildren());
  const QDir dir(path);
  for (const QFileInfo& entry :
       dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase))
    AddFolder(item, entry.fileName(), entry.filePath(), true);
  if (!foldersOnly_) {
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase)) {
      // A document the user could open is no place to save into.
      if (!entry.suffix().isEmpty() && QFile(entry.filePath()).open(QIODevice::ReadOnly)) continue;
      AddFolder(item, entry.fileName(), entry.filePath(), false);
    }
  }
  if (item->childCount() == 0) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
  setUpdatesEnabled(true);
  QGuiApplication::restoreOverrideCursor();
}

QTreeWidgetItem* CShellTreeCtrl::FindPathItem(const QString& path) const {
  for (QTreeWidgetItemIterator it(const_cast<CShellTreeCtrl*>(this)); *it != nullptr; ++it)
    if (ItemPath(*it) == path) return *it;
  return nullptr;
}

void CShellTreeCtrl::OnSelectionChanged(QTreeWidgetItem* current) {
  if (current == nullptr) return;
  QString text = ItemPath(current);
  // An item without a path (Computer) passes its name.
  if (text.isEmpty()) text = current->text(0);
  if (callback_ && client_ != nullptr) callback_(client_, text);
}

} // namespace qm
