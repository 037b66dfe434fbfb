#include "wizard/pages/save_file_page.h"

#include <QtCore/QFileInfo>
#include <QtCore/QStorageInfo>
#include <QtGui/QPainter>

#include <algorithm>
#include <cstdint>

#include "app/format_text.h"
#include "app/language.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "controls/explore_tree.h"
#include "controls/pie_ctrl.h"
#include "controls/shell_tree_ctrl.h"
#include "dialogs/partition_dialogs.h"
#include "platform/log.h"
#include "wizard/services/save_target_check.h"
#include "wizard/steps/save_file_step.h"

namespace qm {
namespace {

const QColor kPageColour(240, 240, 240);

} // namespace

TargetSpace QueryTargetSpace(const QString& path) {
  if (path.isEmpty() || !path.startsWith(QLatin1Char('/'))) return {};
  const QStorageInfo storage(QString::fromStdString(NearestExistingFolder(path.toStdString())));
  if (!storage.isValid() || !storage.isReady()) return {};
  return {static_cast<std::uint64_t>(std::max<qint64>(storage.bytesAvailable(), 0)),
          static_cast<std::uint64_t>(std::max<qint64>(storage.bytesTotal(), 0)),
          static_cast<std::uint64_t>(std::max<qint64>(storage.bytesFree(), 0))};
}

CSaveFilePage::CSaveFilePage(QWidget* parent) : CWizardPage(parent), spaceQuery_(QueryTargetSpace) {
  setObjectName(QStringLiteral("page6"));
  font_ = font();
  font_.setFamilies({QString::fromLatin1(GetUIFontName()), font_.family()});
  font_.setPointSize(9);
  edit_ = new CEditPlus(this);
  edit_->setObjectName(QStringLiteral("targetPath"));
  edit_->setFont(font_);
  tree_ = new CShellTreeCtrl(this);
  tree_->setObjectName(QStringLiteral("folderTree"));
  tree_->setStyleSheet(QStringLiteral("QTreeWidget { background: white; }"));
  tree_->SetSelChangedCallback(
      [](QWidget* client, const QString& path) {
        static_cast<CSaveFilePage*>(client)->OnFolderSelected(path);
      },
      this);
  pie_ = new CPieCtrl(this);
  pie_->setObjectName(QStringLiteral("spacePie"));
  pie_->SetBackground(kPageColour);
  pie_->SetSpaceInfo(0, 0, 0);
  connect(edit_, &QLineEdit::textEdited, this, &CSaveFilePage::OnPathTyped);
}

IWizardPageController* CSaveFilePage::GetController() {
  return controller_ != nullptr ? static_cast<IWizardPageController*>(controller_) : nullptr;
}

void CSaveFilePage::SetSelectionSize(std::uint64_t count, std::uint64_t size) {
  count_ = count;
  size_ = size;
  update();
}

QString CSaveFilePage::SelectionText() const {
  const QString size = QString::fromStdString(FormatSizeText(
      static_cast<std::int64_t>(std::min<std::uint64_t>(size_, static_cast<std::uint64_t>(INT64_MAX)))));
  // The string's %s and %d, filled in that order.
  QString text = LoadAppString(387);
  if (const qsizetype at = text.indexOf(QStringLiteral("%s")); at >= 0) text.replace(at, 2, size);
  if (const qsizetype at = text.indexOf(QStringLiteral("%d")); at >= 0)
    text.replace(at, 2, QString::number(count_));
  return text;
}

QString CSaveFilePage::GetTargetPath() {
  QString text = edit_->text();
  while (!text.isEmpty() && text.back().isSpace())
    text.chop(1);
  target_ = text;
  return target_;
}

void CSaveFilePage::OnPathTyped() {
  GetTargetPath();
  // A half-typed path asks nothing; the chart waits until the box names a
  // folder.
  const bool folder = !target_.isEmpty() && QFileInfo(target_).isDir();
  UpdateSpaceOf(folder ? target_ : QString());
}

void CSaveFilePage::UpdateFreeSpace() { UpdateSpaceOf(target_); }

void CSaveFilePage::UpdateSpaceOf(const QString& path) {
  space_ = path.isEmpty() ? TargetSpace{} : spaceQuery_(path);
  const auto clamp = [](std::uint64_t v) {
    return static_cast<std::int64_t>(std::min<std::uint64_t>(v, INT64_MAX));
  };
  // The free slice is what the user may write: blocks kept for the system
  // count as used.
  const std::uint64_t used = space_.total >= space_.available ? space_.total - space_.available : 0;
  pie_->SetSpaceInfo(clamp(space_.available), clamp(size_), clamp(used));
  auto size = [](std::uint64_t bytes) {
    return QString::fromStdString(
        FormatSizeText(static_cast<std::int64_t>(std::min<std::uint64_t>(bytes, INT64_MAX))));
  };
  pie_->SetLegend(path.isEmpty() ? QStringList()
                                    : QStringList{tr("Free space: %1").arg(size(space_.available)),
                                                  tr("Required space: %1").arg(size(size_)),
                                                  tr("Used space: %1").arg(size(used))});
  pie_->update();
}

bool CSaveFilePage::CheckFreeSpace(Prompter& prompter) {
  GetTargetPath();
  UpdateFreeSpace();
  if (space_.available >= size_) return true;
  prompter.Inform(window(), LoadAppString(208), LoadAppString(346), PromptIcon::Warning);
  return false;
}

void CSaveFilePage::OnFolderSelected(const QString& path) {
  target_ = path;
  edit_->setText(path);
  UpdateFreeSpace();
  update();
}

void CSaveFilePage::ReleaseResources() {
  target_.clear();
  edit_->clear();
  update();
  UpdateFreeSpace();
  tree_->Refresh(true);
  tree_->ExpandMyComputer();
}

void CSaveFilePage::OnSizeContent(int width, int height) {
  LogInfo("------------------------ParmInfo:int iClientWidth=%x, int iClientHeight=%x", width, height);
  // The tree keeps clear of the pie on narrow windows.
  const int treeRight = std::min(498, width / 2 - 10);
  tree_->setGeometry(QRect(QPoint(10, 90), QPoint(treeRight - 1, height - 5 - 1)));
  pie_->Create(QRect(QPoint(width / 2, 90), QPoint(width - 5 - 1, height - 5 - 1)));
  edit_->setGeometry(QRect(QPoint(60, 60), QPoint(width - 5 - 1, 80 - 1)));
}

void CSaveFilePage::OnDrawContent(QPainter& painter) {
  painter.fillRect(rect(), kPageColour);
  painter.setFont(font_);
  painter.setPen(Qt::black);
  painter.drawText(QRect(QPoint(10, 60), QPoint(120 - 1, 100 - 1)), 0, LoadAppString(205));
  painter.drawText(QRect(QPoint(10, 35), QPoint(600 - 1, 80 - 1)), 0, LoadAppString(206));
  painter.drawText(QRect(QPoint(10, 10), QPoint(500 - 1, 50 - 1)), 0, SelectionText());
}

void RunSaveFileDialog(QWidget& owner, CSaveFilePage& page) {
  CSaveFilePathDlg dialog(&owner);
  dialog.setWindowTitle(LoadAppString(346));
  dialog.resize(780, 500);
  dialog.SetPage(&page);
  page.ReleaseResources();
  ISaveFileController* controller = page.Controller();
  dialog.SetAcceptHandler(
      [controller] { return controller != nullptr && controller->ValidateTargetFolder(); },
      [controller] {
        if (controller != nullptr) controller->Next();
      });
  dialog.exec();
}

} // namespace qm
