#include "wizard/file_select_page.h"

#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QStyle>
#include <QtWidgets/QToolButton>

#include <cstdio>

#include "app/format_text.h"
#include "app/language.h"
#include "app/string_table.h"
#include "controls/file_list_ctrl.h"
#include "controls/file_select_ctrl_container.h"
#include "controls/file_tree_ctrl.h"
#include "controls/tab_ctrl_plus.h"
#include "dialogs/small_dialogs.h"
#include "filemodel/file_system_node.h"
#include "platform/log.h"
#include "wizard/file_select_controller.h"
#include "wizard/found_tree.h"
#include "wizard/scan_result_export.h"

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

} // namespace

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
      exportButton_(MakePageButton(tr("Export Scan Result"), QStyle::SP_DialogSaveButton, this)) {
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
    ExportScanResult(this, controller_ != nullptr ? controller_->GetSearchKind() : 0);
    UpdateStatusTexts();
    return 0;
  default:
    LogInfo("The file page's command %d is not built yet", id);
    return 0;
  }
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
  previewButton_->move(searchButton_->geometry().right() + 1, buttonTop);
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
