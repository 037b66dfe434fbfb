#include "wizard/pages/file_select_page.h"

#include <QtCore/QFileInfo>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>
#include <QtWidgets/QStyle>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeView>

#include <cstdio>

#include "app/format_text.h"
#include "app/language.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "controls/file_list_ctrl.h"
#include "controls/file_select_ctrl_container.h"
#include "controls/file_tree_ctrl.h"
#include "controls/tab_ctrl_plus.h"
#include "dialogs/find_file_dlg.h"
#include "dialogs/preview_chain.h"
#include "dialogs/properties_dlg.h"
#include "dialogs/search_file_dlg.h"
#include "dialogs/small_dialogs.h"
#include "filemodel/file_system_node.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "wizard/pages/file_list_find_view.h"
#include "wizard/services/found_tree.h"
#include "wizard/services/save_target_check.h"
#include "wizard/services/scan_result_export.h"
#include "wizard/services/wizard_services.h"
#include "wizard/steps/file_select_step.h"

namespace qm {
namespace {

QToolButton* MakePageButton(const QString& text, QStyle::StandardPixmap icon, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setIcon(QApplication::style()->standardIcon(icon));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(true);
  button->setFixedHeight(28);
  return button;
}

// The usage event of a command in the recovery mode in use.
void ReportModeEvent(const WizardShared* context, int mode0, int mode1, int mode2) {
  if (context == nullptr) return;
  const int events[] = {mode0, mode1, mode2};
  const int mode = context->settings.nRecoveryMode;
  if (mode >= 0 && mode <= 2) ReportUsageEvent(events[mode]);
}

Prompter& PagePrompter(const WizardShared* context) {
  return context != nullptr ? context->prompter : DefaultPrompter();
}

} // namespace

QString SearchTabCaption(const QString& pattern) {
  const QString head = LoadAppString(163);
  const QString caption = head + QLatin1Char('(') + pattern + QLatin1Char(')');
  if (caption.size() <= 30) return caption;
  return head + QLatin1Char('(') + pattern.left(26) + QStringLiteral("...)");
}

QString FormatFilesStatus(unsigned stringId, std::uint64_t bytes, std::uint32_t files) {
  // The texts carry printf conversions: %s for the size, %d for the count.
  QString text = LoadAppString(stringId);
  text.replace(QStringLiteral("%s"),
               QString::fromStdString(FormatSizeText(static_cast<std::int64_t>(bytes))));
  text.replace(QStringLiteral("%d"), QString::number(files));
  return text;
}

CFileSelectPage::CFileSelectPage(QWidget* parent)
    : CWizardPage(parent), tabs_(new CTabCtrlPlus(this)), container_(new CFileSelectCtrlContainer),
      searchList_(new CFileListCtrl),
      searchButton_(MakePageButton(tr("Search File"), QStyle::SP_FileDialogContentsView, this)),
      previewButton_(MakePageButton(tr("File Preview"), QStyle::SP_FileDialogInfoView, this)),
      exportButton_(MakePageButton(tr("Export Scan Result"), QStyle::SP_DialogSaveButton, this)),
      searchMenu_(new QMenu(this)) {
  setObjectName(QStringLiteral("page9"));
  regularFont_ = font();
  regularFont_.setFamilies({QString::fromLatin1(GetUIFontName()), regularFont_.family()});
  regularFont_.setPixelSize(15);
  regularFont_.setWeight(QFont::Normal);
  searchButton_->setObjectName(QStringLiteral("searchFile"));
  previewButton_->setObjectName(QStringLiteral("filePreview"));
  exportButton_->setObjectName(QStringLiteral("exportScanResult"));
  exportButton_->hide();
  tabs_->setObjectName(QStringLiteral("fileTabs"));
  tabs_->AddChildWindow(container_);
  tabs_->AddChildWindow(searchList_);
  tabs_->setGeometry(0, 0, 600, 300);
  tabs_->AddItem(LoadAppString(397), 0);
  tabs_->SetCurSel(0);

  CFileTreeCtrl& tree = Tree();
  CFileListCtrl& list = MainList();
  connect(&tree, &CFileTreeCtrl::ChecksChanged, this, [this] { OnCommand(kChecksChanged); });
  connect(&list, &CFileListCtrl::ChecksChanged, this, [this] { OnCommand(kChecksChanged); });
  connect(searchList_, &CFileListCtrl::ChecksChanged, this, [this] { OnCommand(kChecksChanged); });
  connect(&list, &CFileListCtrl::CommandSent, this, [this](int id) { OnCommand(id); });
  connect(searchList_, &CFileListCtrl::CommandSent, this, [this](int id) { OnCommand(id); });
  for (CFileListCtrl* each : {&list, searchList_}) {
    connect(each, &CFileListCtrl::StatesWanted, this, [this] {
      CAttributesStates dialog(this);
      dialog.exec();
    });
  }
  tree.SetWaitNoticeFactory([](QWidget* owner) {
    auto notice = std::make_unique<CWaitingDlg>(owner);
    notice->SetText(LoadAppString(391));
    return std::unique_ptr<QWidget>(std::move(notice));
  });
  connect(tabs_, &CTabCtrlPlus::SelectionChanged, this, [this] { OnCommand(kTabChanged); });
  // The button finds by name; its arrow also offers the full search.
  searchMenu_->addAction(tr("Find file by name..."), this, [this] { OnCommand(kSearchFile); });
  searchMenu_->addAction(tr("Search files..."), this, [this] { OnCommand(kSearchFiles); });
  searchButton_->setMenu(searchMenu_);
  searchButton_->setPopupMode(QToolButton::MenuButtonPopup);
  QTreeView* folders = tree.GetTreeCtrl();
  folders->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(folders, &QWidget::customContextMenuRequested, this, &CFileSelectPage::ShowTreeMenu);
  connect(searchButton_, &QToolButton::clicked, this, [this] { OnCommand(kSearchFile); });
  connect(previewButton_, &QToolButton::clicked, this, [this] { OnCommand(kFilePreview); });
  connect(exportButton_, &QToolButton::clicked, this, [this] { OnCommand(kSaveScanResult); });
}

CFileSelectPage::~CFileSelectPage() {
  // The lists point into the trees: they go empty first.
  ReleaseTrees();
}

IWizardPageController* CFileSelectPage::GetController() { return controller_; }

CFileTreeCtrl& CFileSelectPage::Tree() const { return *container_->GetTreePane(); }

CFileListCtrl& CFileSelectPage::MainList() const { return *container_->GetListPane(); }

void CFileSelectPage::ReleaseTrees() {
  // Nothing may still show a node when it is freed.
  Tree().SetRootNode(nullptr);
  MainList().ResetItems();
  searchList_->ResetItems();
  FreeFileTree(root_);
  FreeFileTree(secondRoot_);
  root_ = nullptr;
  secondRoot_ = nullptr;
  totalText_.clear();
  selectedText_.clear();
  update();
}

void CFileSelectPage::SetRootNode(CFileNode* root) {
  LogInfo("------------------------ParmInfo:CFileNode *pRootNode=%p", static_cast<void*>(root));
  ReleaseTrees();
  if (root == nullptr) return;
  IStorageDevice* source = controller_ != nullptr ? controller_->GetSourceDevice() : nullptr;
  MainList().SetSource(source);
  searchList_->SetSource(source);
  root_ = root;
  Tree().SetRootNode(root);
  container_->FitTreePane();
  SelectionSummary summary;
  if (root->IsFileSystemNode()) static_cast<CFileSystemNode*>(root)->GetSelectionSummary(&summary);
  totalText_ = FormatFilesStatus(385, summary.bytes, summary.files);
  selectedText_ = LoadAppString(272);
  if (tabs_->GetItemCount() > 1) tabs_->DeleteItem(1);
  const int kind = controller_ != nullptr ? controller_->GetSearchKind() : 0;
  exportButton_->setVisible(kind == 1 || kind == 2);
  update();
}

void CFileSelectPage::UpdateStatusTexts() {
  SelectionSummary summary;
  if (root_ != nullptr && root_->IsFileSystemNode())
    static_cast<CFileSystemNode*>(root_)->GetSelectionSummary(&summary);
  totalText_ = FormatFilesStatus(385, summary.bytes, summary.files);
  selectedText_ = FormatFilesStatus(386, summary.checkedBytes, summary.checkedFiles);
  update();
}

int CFileSelectPage::OnCommand(int id) {
  switch (id) {
  case kChecksChanged:
    UpdateStatusTexts();
    return 0;
  case kTabChanged:
    UpdateStatusTexts();
    if (tabs_->GetCurSel() == 0) Tree().RefreshCheckStates();
    return 0;
  case kSaveScanResult:
    if (shared_ != nullptr)
      ExportScanResult(this, controller_ != nullptr ? controller_->GetSearchKind() : 0, *shared_);
    UpdateStatusTexts();
    return 0;
  case kSearchFile:
    FindFiles();
    return 0;
  case kSearchFiles:
    SearchFiles();
    return 0;
  case kFilePreview:
    PreviewFile();
    return 0;
  case kPreviewMenu:
    return OnCommand(kFilePreview);
  case kRecoverOne:
    RecoverOneFile();
    return 0;
  case kLocate:
    return LocateInMainList() ? 1 : 0;
  case kProperties:
    ShowProperties(GetSelectedFile());
    return 0;
  case kFolderProperties:
    ShowProperties(Tree().GetSelectedNode());
    return 0;
  default:
    LogInfo("The file page's command %d is not built yet", id);
    return 0;
  }
}

IStorageDevice* CFileSelectPage::Source() const {
  return controller_ != nullptr ? controller_->GetSourceDevice() : nullptr;
}

int CFileSelectPage::RunDialog(QWidget& dialog) {
  if (seams_.runDialog) return seams_.runDialog(dialog);
  auto* modal = qobject_cast<QDialog*>(&dialog);
  return modal != nullptr ? modal->exec() : 0;
}

CFileListCtrl& CFileSelectPage::ShownList() const {
  return tabs_->GetCurSel() == 1 ? *searchList_ : MainList();
}

CFileNode* CFileSelectPage::GetSelectedFile() const {
  const CFileListCtrl& list = ShownList();
  return list.GetItemNode(list.GetSelectedIndex());
}

void CFileSelectPage::FindFiles() {
  ReportModeEvent(shared_, 8199, 8226, 8248);
  // The main list is searched with the folders of its tree; the search
  // list has no tree of its own, only its rows.
  const bool mainList = tabs_->GetCurSel() != 1;
  CFileListCtrl& list = mainList ? MainList() : *searchList_;
  FileListFindView view(list, mainList && root_ != nullptr ? &Tree() : nullptr);
  CFindFileDlg dialog(view, this);
  dialog.SetPrompter(PagePrompter(shared_));
  RunDialog(dialog);
}

void CFileSelectPage::SearchFiles() {
  ReportModeEvent(shared_, 8200, 8227, 8249);
  if (root_ == nullptr || !root_->IsFileSystemNode()) {
    UpdateStatusTexts();
    return;
  }
  auto* root = static_cast<CFileSystemNode*>(root_);
  CFileNode* current = MainList().GetFolderNode();
  if (current == nullptr) current = Tree().GetSelectedNode();
  if (current == nullptr) current = root_;
  SearchFilterSet matches;
  // "Auto select files" ticks each match; the views follow once, after
  // the dialog.
  CSearchFileDlg dialog([root](CFileNode* node) { root->ToggleCheck(node, 0); }, current, matches, this);
  dialog.SetPrompter(PagePrompter(shared_));
  if (RunDialog(dialog) == QDialog::Accepted && matches.GetCount() > 0) {
    if (tabs_->GetItemCount() > 1) tabs_->DeleteItem(1);
    // In a narrow window the caption is cut to the room left, so that the
    // results are not lost for want of a tab.
    const QString caption = tabs_->FitItemText(SearchTabCaption(dialog.GetNamePattern()));
    if (!caption.isEmpty() && tabs_->AddItem(caption, 1)) {
      tabs_->SetCurSel(1);
      searchList_->SetFileNodes(root_, matches.GetItems());
    } else {
      PagePrompter(shared_).Inform(
          this,
          tr("The window is too narrow to show the search results. Please make it wider "
             "and search again."),
          LoadAppString(346), PromptIcon::Information);
    }
  }
  Tree().RefreshCheckStates();
  MainList().RedrawRows();
  searchList_->RedrawRows();
  UpdateStatusTexts();
}

void CFileSelectPage::PreviewFile() {
  ReportModeEvent(shared_, 8201, 8228, 8256);
  PreviewServices services;
  services.prompter = &PagePrompter(shared_);
  services.viewer = seams_.viewer;
  services.runDialog = [this](QWidget& dialog) { return RunDialog(dialog); };
  // OK in the preview dialog recovers the file shown.
  services.recover = [this] { OnCommand(kRecoverOne); };
  PreviewFoundFile(this, services, Source(), GetSelectedFile());
}

void CFileSelectPage::RecoverOneFile() {
  IStorageDevice* source = Source();
  RecoverOneServices services;
  services.prompter = &PagePrompter(shared_);
  services.chooseSaveFile = seams_.chooseSaveFile;
  services.isOnSource = [source](const QString& path) {
    return FindTargetPlace(QFileInfo(path).absolutePath().toStdString(), source) != TargetPlace::kElsewhere;
  };
  services.isOnSourceVolume = [source](const QString& path) {
    return FindTargetPlace(QFileInfo(path).absolutePath().toStdString(), source) == TargetPlace::kSameVolume;
  };
  services.freeSpace = seams_.freeSpace;
  services.runDialog = [this](QWidget& dialog) { return RunDialog(dialog); };
  RecoverOneFoundFile(this, services, source, GetSelectedFile());
}

bool CFileSelectPage::LocateInMainList() {
  if (tabs_->GetCurSel() != 1) return false;
  CFileNode* node = searchList_->GetItemNode(searchList_->GetSelectedIndex());
  if (node == nullptr) return false;
  Tree().SelectNode(node->GetParent());
  Tree().RefreshCheckStates();
  Tree().GetTreeCtrl()->setFocus();
  tabs_->SetCurSel(0);
  return MainList().LocateNode(node);
}

void CFileSelectPage::ShowProperties(CFileNode* node) {
  if (node == nullptr) return;
  CPropertiesDlg dialog(this);
  dialog.SetNode(node);
  RunDialog(dialog);
}

void CFileSelectPage::FillTreeMenu(QMenu& menu) {
  menu.addAction(tr("Properties"), this, [this] { OnCommand(kFolderProperties); });
}

void CFileSelectPage::ShowTreeMenu(const QPoint& at) {
  QTreeView* folders = Tree().GetTreeCtrl();
  const QModelIndex index = folders->indexAt(at);
  if (!index.isValid()) return;
  // The folder under the pointer is the one the menu is about.
  folders->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  QMenu menu(this);
  FillTreeMenu(menu);
  menu.exec(folders->viewport()->mapToGlobal(at));
}

void CFileSelectPage::OnSizeContent(int, int) {
  LogInfo("------------------------ParmInfo:int iClientWidth=%x, int iClientHeight=%x", width(), height());
  const QRect& sub = rects_.subtitle;
  const QRect& bottom = rects_.bottom;
  tabs_->setGeometry(QRect(QPoint(sub.left(), sub.bottom() + 1), QPoint(sub.right(), bottom.top() - 1)));
  const int buttonTop = sub.top() + (sub.height() - searchButton_->height()) / 2;
  searchButton_->adjustSize();
  previewButton_->adjustSize();
  searchButton_->move(sub.left(), buttonTop);
  // A little room, so that the Search File button's arrow is seen as its own.
  previewButton_->move(searchButton_->geometry().right() + 7, buttonTop);
  exportButton_->adjustSize();
  exportButton_->move(previewButton_->geometry().right() + 1, buttonTop);
}

void CFileSelectPage::OnDrawContent(QPainter& painter) {
  painter.save();
  const QRect& sub = rects_.subtitle;
  const QRect& bottom = rects_.bottom;
  painter.setPen(QColor(203, 212, 219));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(QPoint(sub.left() - 1, sub.top() - 1), QPoint(sub.right() + 1, bottom.top() - 1)));
  painter.setFont(regularFont_);
  painter.setPen(QColor(0x33, 0x33, 0x33));
  const QFontMetrics metrics(regularFont_);
  const int half = bottom.width() / 2;
  painter.drawText(QRect(bottom.left(), bottom.top(), half, bottom.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, metrics.elidedText(totalText_, Qt::ElideRight, half));
  painter.drawText(QRect(bottom.left() + half, bottom.top(), bottom.width() - half, bottom.height()),
                   Qt::AlignRight | Qt::AlignVCenter,
                   metrics.elidedText(selectedText_, Qt::ElideRight, half));
  painter.restore();
}

} // namespace qm
