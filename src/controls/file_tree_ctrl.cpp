#include "controls/file_tree_ctrl.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>
#include <QtCore/QTimer>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QStyle>
#include <QtWidgets/QTreeView>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>

#include "controls/file_list_ctrl.h"
#include "controls/file_state_marks.h"
#include "filemodel/file_system_node.h"
#include "platform/log.h"
#include "platform/worker_thread.h"

namespace qm {
namespace {

// A wait notice for a toggle that is over at once would only flicker.
constexpr int kWaitNoticeDelayMs = 200;

QIcon FolderImage(int index) {
  static std::array<QIcon, 5> images;
  QIcon& image = images[static_cast<std::size_t>(std::clamp(index, 0, 4))];
  if (!image.isNull()) return image;
  QStyle* style = QApplication::style();
  if (index == 0) return image = style->standardIcon(QStyle::SP_DriveHDIcon);
  QPixmap pixmap = style->standardIcon(QStyle::SP_DirIcon).pixmap(16, 16);
  if (index > 1) {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (index == 2) {
      // Deleted: the red cross of the file lists.
      painter.setPen(QPen(QColor(210, 40, 40), 2, Qt::SolidLine, Qt::RoundCap));
      painter.drawLine(QPointF(8, 8), QPointF(15, 15));
      painter.drawLine(QPointF(15, 8), QPointF(8, 15));
    } else {
      // Damaged (3) or temporary (4): a small coloured dot.
      painter.setPen(Qt::NoPen);
      painter.setBrush(index == 3 ? DamagedMarkColour() : QColor(60, 110, 200));
      painter.drawEllipse(QRectF(8.5, 8.5, 7, 7));
    }
  }
  return image = QIcon(pixmap);
}

std::uint64_t ChildCount(const CFileNode* folder) {
  std::uint64_t count = 0;
  for (const CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    ++count;
  return count;
}

bool IsFolderNode(const CFileNode* node) {
  const IFileProperties* properties = node->GetProperties();
  return properties != nullptr && properties->IsFolder();
}

} // namespace

int FolderImageIndex(const IFileProperties* properties, bool fileSystemNode) {
  const std::uint16_t state = properties != nullptr ? properties->GetState() : 0;
  if (state & 0x8) return 4;
  if (state & 0x10) return 3;
  if (state & 0x1) return 2;
  return fileSystemNode ? 0 : 1;
}

QString FolderDisplayName(const CFileNode* folder) {
  // The folder the deleted-file road gathers its finds in keeps its English
  // name in the tree (saved scans and recovered paths use it); it is shown
  // in the language in use.
  static constexpr const char* kDeletedFiles = QT_TRANSLATE_NOOP("FoundTree", "Deleted Files");
  const IFileProperties* properties = folder != nullptr ? folder->GetProperties() : nullptr;
  if (properties == nullptr) return {};
  const char* name = properties->GetName();
  if (folder->IsFileSystemNode() && std::string_view(name) == kDeletedFiles)
    return QCoreApplication::translate("FoundTree", kDeletedFiles);
  return QString::fromUtf8(name);
}

QString FolderLabel(const CFileNode* folder) {
  const QString name = FolderDisplayName(folder);
  return QStringLiteral("%1 (%2)").arg(name).arg(ChildCount(folder));
}

bool SortsSubFolders(const CFileNode* folder, const CFileNode* root) {
  if (folder == nullptr || folder == root) return false;
  // Every folder between the top level and this one's parent must let the
  // sorting through; this folder's own bit does not matter to its children.
  for (const CFileNode* up = folder->GetParent(); up != nullptr && up != root; up = up->GetParent()) {
    const IFileProperties* properties = up->GetProperties();
    if (properties != nullptr && (properties->GetState() & 0x10) != 0) return false;
  }
  return true;
}

CFileTreeModel::CFileTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void CFileTreeModel::SetRoot(CFileNode* root) {
  beginResetModel();
  root_ = root;
  folders_.clear();
  rows_.clear();
  endResetModel();
}

const std::vector<CFileNode*>& CFileTreeModel::FoldersOf(const CFileNode* folder) const {
  auto it = folders_.find(folder);
  if (it != folders_.end()) return it->second;
  std::vector<CFileNode*> list;
  for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    if (IsFolderNode(child)) list.push_back(child);
  // A node's children run newest first: reversed, they stand in the order
  // they were added.
  std::reverse(list.begin(), list.end());
  if (SortsSubFolders(folder, root_)) {
    std::stable_sort(list.begin(), list.end(), [](const CFileNode* a, const CFileNode* b) {
      return QString::compare(QString::fromUtf8(a->GetProperties()->GetName()),
                              QString::fromUtf8(b->GetProperties()->GetName()), Qt::CaseInsensitive) < 0;
    });
  }
  for (std::size_t i = 0; i < list.size(); ++i)
    rows_[list[i]] = static_cast<int>(i);
  return folders_.emplace(folder, std::move(list)).first->second;
}

CFileNode* CFileTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<CFileNode*>(index.internalPointer()) : nullptr;
}

QModelIndex CFileTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (root_ == nullptr || column != 0 || row < 0) return {};
  const CFileNode* folder = parent.isValid() ? NodeOf(parent) : root_;
  const std::vector<CFileNode*>& list = FoldersOf(folder);
  if (static_cast<std::size_t>(row) >= list.size()) return {};
  return createIndex(row, 0, list[static_cast<std::size_t>(row)]);
}

QModelIndex CFileTreeModel::parent(const QModelIndex& index) const {
  const CFileNode* node = NodeOf(index);
  if (node == nullptr) return {};
  CFileNode* up = node->GetParent();
  if (up == nullptr || up == root_ || up->GetParent() == nullptr) return {};
  FoldersOf(up->GetParent());
  auto it = rows_.find(up);
  return it == rows_.end() ? QModelIndex() : createIndex(it->second, 0, up);
}

QModelIndex CFileTreeModel::IndexOf(const CFileNode* folder) const {
  if (root_ == nullptr || folder == nullptr || folder == root_) return {};
  // The chain from the root down to the folder.
  std::vector<const CFileNode*> chain;
  for (const CFileNode* node = folder; node != root_; node = node->GetParent()) {
    if (node == nullptr) return {};
    chain.push_back(node);
  }
  QModelIndex at;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const CFileNode* up = (*it)->GetParent();
    FoldersOf(up);
    auto row = rows_.find(*it);
    if (row == rows_.end()) return {};
    at = index(row->second, 0, at);
  }
  return at;
}

void CFileTreeModel::FolderChanged(const CFileNode* folder) {
  for (QModelIndex at = IndexOf(folder); at.isValid(); at = at.parent())
    Q_EMIT dataChanged(at, at, {Qt::CheckStateRole});
}

int CFileTreeModel::rowCount(const QModelIndex& parent) const {
  if (root_ == nullptr || parent.column() > 0) return 0;
  return static_cast<int>(FoldersOf(parent.isValid() ? NodeOf(parent) : root_).size());
}

int CFileTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool CFileTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant CFileTreeModel::data(const QModelIndex& index, int role) const {
  const CFileNode* node = NodeOf(index);
  if (node == nullptr) return {};
  const IFileProperties* properties = node->GetProperties();
  switch (role) {
  case Qt::DisplayRole:
    return FolderLabel(node);
  case Qt::CheckStateRole: {
    const std::uint8_t state = properties != nullptr ? properties->GetCheckState() : kUnchecked;
    return state == kChecked ? Qt::Checked : state == kPartlyChecked ? Qt::PartiallyChecked : Qt::Unchecked;
  }
  case Qt::DecorationRole:
    return FolderImage(FolderImageIndex(properties, node->IsFileSystemNode() != 0));
  default:
    return {};
  }
}

bool CFileTreeModel::setData(const QModelIndex& index, const QVariant&, int role) {
  if (role != Qt::CheckStateRole || NodeOf(index) == nullptr) return false;
  // The toggle waits for its worker: it runs after the click has been
  // handled, not inside it.
  if (toggle_) {
    const QPersistentModelIndex at(index);
    QTimer::singleShot(0, this, [this, at] {
      if (at.isValid() && toggle_) toggle_(at);
    });
  }
  return true;
}

Qt::ItemFlags CFileTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

CFileTreeCtrl::CFileTreeCtrl(QWidget* parent)
    : QWidget(parent), tree_(new CTriStateTreeView(this)), model_(new CFileTreeModel(this)) {
  tree_->setObjectName(QStringLiteral("fileTree"));
  tree_->setModel(model_);
  tree_->setHeaderHidden(true);
  tree_->setUniformRowHeights(true);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tree_->header()->setStretchLastSection(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tree_);
  model_->SetToggle([this](const QModelIndex& index) { ToggleCheck(index); });
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &CFileTreeCtrl::OnSelectionChanged);
}

CFileTreeCtrl::~CFileTreeCtrl() = default;

CFileSystemNode* CFileTreeCtrl::RootFileSystem() const {
  CFileNode* root = model_->Root();
  return root != nullptr && root->IsFileSystemNode() ? static_cast<CFileSystemNode*>(root) : nullptr;
}

void CFileTreeCtrl::SetRootNode(CFileNode* root) {
  LogInfo("------------------------ParmInfo:CFileNode *pRootNode=%p", static_cast<void*>(root));
  model_->SetRoot(root);
  const int top = model_->rowCount();
  if (top == 0) return;
  const QModelIndex first = model_->index(0, 0);
  tree_->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
  tree_->setFocus();
  if (top == 1) tree_->expand(first);
}

CFileNode* CFileTreeCtrl::GetSelectedNode() const { return model_->NodeOf(tree_->currentIndex()); }

bool CFileTreeCtrl::SelectNode(const CFileNode* folder) {
  const QModelIndex at = model_->IndexOf(folder);
  if (!at.isValid()) return false;
  tree_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
  tree_->scrollTo(at);
  return true;
}

void CFileTreeCtrl::OnSelectionChanged() {
  CFileNode* node = GetSelectedNode();
  if (model_->Root() != nullptr && node != nullptr && list_ != nullptr)
    list_->ShowFolder(model_->Root(), node);
}

void CFileTreeCtrl::RefreshItem(const CFileNode* folder) {
  if (folder != nullptr) model_->FolderChanged(folder);
  // The descendants shown read their states when they are drawn.
  tree_->viewport()->update();
}

void CFileTreeCtrl::RefreshCheckStates() {
  const int top = model_->rowCount();
  if (top > 0)
    Q_EMIT model_->dataChanged(model_->index(0, 0), model_->index(top - 1, 0), {Qt::CheckStateRole});
  tree_->viewport()->update();
}

void CFileTreeCtrl::ToggleCheck(const QModelIndex& index) {
  CFileNode* node = model_->NodeOf(index);
  CFileSystemNode* root = RootFileSystem();
  if (node == nullptr || root == nullptr) return;
  QWidget* main = window();
  main->setEnabled(false);
  // Nothing draws the nodes while the worker changes them.
  tree_->setUpdatesEnabled(false);
  QWidget* listView = list_ != nullptr ? static_cast<QWidget*>(list_) : nullptr;
  if (listView != nullptr) listView->setUpdatesEnabled(false);
  std::unique_ptr<QWidget> wait = waitNotice_ ? waitNotice_(main) : nullptr;
  QTimer notice;
  notice.setSingleShot(true);
  connect(&notice, &QTimer::timeout, this, [&wait] {
    if (wait != nullptr) wait->show();
  });
  notice.start(kWaitNoticeDelayMs);

  std::atomic<bool> done{false};
  std::thread worker;
  try {
    worker = StartWorker([&] {
      root->ToggleCheck(node, 0);
      done = true;
    });
  } catch (const std::system_error&) {
    LogError("The check toggle could not start its thread");
    done = true;
  }
  if (worker.joinable()) {
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
      if (done) loop.quit();
    });
    poll.start(10);
    if (!done) loop.exec();
    worker.join();
  }
  notice.stop();
  tree_->setUpdatesEnabled(true);
  if (listView != nullptr) listView->setUpdatesEnabled(true);
  RefreshItem(node);
  Q_EMIT ChecksChanged();
  main->setEnabled(true);
  wait.reset();
  // The list is drawn again only when the folder it shows took part.
  if (list_ != nullptr) {
    for (const CFileNode* at = list_->GetFolderNode(); at != nullptr; at = at->GetParent()) {
      if (at == node) {
        list_->RedrawRows();
        break;
      }
    }
  }
}

} // namespace qm
