#include "controls/file_list_ctrl.h"

#include <QtGui/QActionGroup>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QMenu>
#include <QtWidgets/QStyle>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>

#include "app/string_table.h"
#include "controls/breviary_image_list_ctrl.h"
#include "controls/file_tree_ctrl.h"
#include "controls/list_ctrl_plus.h"
#include "filemodel/file_system_node.h"
#include "platform/log.h"

namespace qm {
namespace {

// The picture of a button: a check box drawn ticked or empty, or the
// state icon.
QIcon ButtonIcon(int id) {
  QPixmap pixmap(20, 20);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  if (id == CFileListCtrl::kButtonView) {
    // Four small pictures.
    painter.setPen(QPen(QColor(60, 90, 150), 1));
    painter.setBrush(QColor(200, 218, 245));
    for (const QPointF at : {QPointF(3.5, 3.5), QPointF(11.5, 3.5), QPointF(3.5, 11.5), QPointF(11.5, 11.5)})
      painter.drawRect(QRectF(at, QSizeF(5, 5)));
    return QIcon(pixmap);
  }
  if (id == CFileListCtrl::kButtonState) {
    painter.setPen(QPen(QColor(60, 90, 150), 1.5));
    painter.setBrush(QColor(220, 232, 250));
    painter.drawEllipse(QRectF(2.5, 2.5, 15, 15));
    painter.setPen(QPen(QColor(40, 70, 140), 2));
    painter.drawPoint(QPointF(10, 6.5));
    painter.drawLine(QPointF(10, 9.5), QPointF(10, 14.5));
    return QIcon(pixmap);
  }
  painter.setPen(QPen(QColor(90, 100, 115), 1.2));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(3.5, 3.5, 13, 13));
  if (id == CFileListCtrl::kButtonSelect) {
    painter.setPen(QPen(QColor(30, 120, 40), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(6, 10), QPointF(9, 13.5), QPointF(14.5, 6.5)}));
  }
  return QIcon(pixmap);
}

QToolButton* MakeButton(int id, unsigned tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QStringLiteral("listButton%1").arg(id));
  button->setIcon(ButtonIcon(id));
  button->setAutoRaise(true);
  button->setToolTip(LoadAppString(tip));
  return button;
}

} // namespace

CFileListCtrl::CFileListCtrl(QWidget* parent)
    : QWidget(parent), list_(new CListCtrlPlus(this)), thumbs_(new CBreviaryImageListCtrl(this)),
      viewMenu_(new QMenu(this)), view_(MakeButton(kButtonView, 293, this)),
      select_(MakeButton(kButtonSelect, 294, this)), deselect_(MakeButton(kButtonDeselect, 295, this)),
      state_(MakeButton(kButtonState, 296, this)) {
  rows_.reserve(3000);
  list_->SetRows(&rows_);
  list_->SetToggle([this](CFileNode* node) { ToggleNodeCheck(node); });
  thumbs_->SetToggle([this](CFileNode* node) { ToggleNodeCheck(node); });
  thumbs_->hide();
  auto* views = new QActionGroup(viewMenu_);
  listAction_ = viewMenu_->addAction(LoadAppString(392), this, [this] { OnViewCommand(kCommandList); });
  thumbnailAction_ =
      viewMenu_->addAction(LoadAppString(393), this, [this] { OnViewCommand(kCommandThumbnail); });
  for (QAction* action : {listAction_, thumbnailAction_}) {
    action->setCheckable(true);
    views->addAction(action);
  }
  listAction_->setChecked(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(3, 0, 0, 0);
  buttons->setSpacing(0);
  buttons->addWidget(view_);
  buttons->addWidget(select_);
  buttons->addWidget(deselect_);
  buttons->addWidget(state_);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->addWidget(list_, 1);
  layout->addWidget(thumbs_, 1);
  connect(view_, &QToolButton::clicked, this,
          [this] { viewMenu_->popup(view_->mapToGlobal(QPoint(0, view_->height() + 1))); });
  connect(select_, &QToolButton::clicked, this, [this] { SetAllChecks(true); });
  connect(deselect_, &QToolButton::clicked, this, [this] { SetAllChecks(false); });
  connect(state_, &QToolButton::clicked, this, &CFileListCtrl::StatesWanted);
  connect(list_, &CListCtrlPlus::RowDoubleClicked, this, [this] { Q_EMIT CommandSent(kCommandPreview); });
  connect(list_, &CListCtrlPlus::ContextMenuWanted, this, &CFileListCtrl::ShowContextMenu);
  connect(thumbs_, &CBreviaryImageListCtrl::Activated, this, [this] { Q_EMIT CommandSent(kCommandPreview); });
  connect(thumbs_, &CBreviaryImageListCtrl::ContextMenuAt, this, [this](const QPoint& at) {
    if (thumbs_->SelectedRow() >= 0) ShowContextMenu(at);
  });
}

CFileListCtrl::~CFileListCtrl() = default;

CFileListCtrl& CFileListCtrl::SetSource(IStorageDevice* source) {
  source_ = source;
  thumbs_->SetSource(source);
  return *this;
}

QAbstractItemView* CFileListCtrl::GetActiveList() const {
  return mode_ == kViewReport ? static_cast<QAbstractItemView*>(list_) : thumbs_;
}

void CFileListCtrl::OnViewCommand(int id) {
  if (id == kCommandList) {
    listAction_->setChecked(true);
    const int selected = thumbs_->SelectedRow();
    thumbs_->hide();
    // No thumbnail is made while the pictures are not shown.
    thumbs_->SetRows({});
    list_->show();
    mode_ = kViewReport;
    if (selected >= 0) {
      list_->SelectNode(GetItemNode(selected));
      list_->setFocus();
    }
  } else if (id == kCommandThumbnail) {
    thumbnailAction_->setChecked(true);
    if (mode_ == kViewThumbnail) return;
    const int selected = list_->GetSelectedRow();
    // The pictures start again from nothing, in the rows' present order
    // (the report may have sorted them).
    thumbs_->SetRows(rows_);
    list_->hide();
    thumbs_->show();
    mode_ = kViewThumbnail;
    if (selected >= 0) {
      thumbs_->SelectRow(selected);
      thumbs_->setFocus();
    }
    thumbs_->RequestVisibleRows();
  }
}

QToolButton* CFileListCtrl::Button(int id) const {
  switch (id) {
  case kButtonView:
    return view_;
  case kButtonSelect:
    return select_;
  case kButtonDeselect:
    return deselect_;
  case kButtonState:
    return state_;
  default:
    return nullptr;
  }
}

void CFileListCtrl::ShowFolder(CFileNode* root, CFileNode* folder) {
  root_ = root;
  FillFromFolder(folder);
}

void CFileListCtrl::FillFromFolder(CFileNode* folder) {
  if (folder == nullptr || folder->GetProperties() == nullptr || !folder->GetProperties()->IsFolder()) return;
  folder_ = folder;
  rows_.clear();
  for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
    const IFileProperties* properties = child->GetProperties();
    if (properties == nullptr || !properties->IsFolder()) rows_.push_back(child);
  }
  list_->RowsChanged();
  if (!rows_.empty()) list_->SelectRow(0);
  list_->scrollToTop();
  if (mode_ == kViewThumbnail) thumbs_->SetRows(rows_);
}

void CFileListCtrl::SetFileNodes(CFileNode* root, const std::vector<CFileNode*>& nodes) {
  root_ = root;
  folder_ = nullptr;
  rows_ = nodes;
  list_->RowsChanged();
  if (!rows_.empty()) list_->SelectRow(0);
  list_->scrollToTop();
  if (mode_ == kViewThumbnail) thumbs_->SetRows(rows_);
}

void CFileListCtrl::ResetItems() {
  rows_.clear();
  rows_.reserve(3000);
  root_ = nullptr;
  folder_ = nullptr;
  list_->RowsChanged();
  OnViewCommand(kCommandList);
}

int CFileListCtrl::GetSelectedIndex() const {
  return mode_ == kViewReport ? list_->GetSelectedRow() : thumbs_->SelectedRow();
}

void CFileListCtrl::SelectRow(int row) {
  if (GetItemNode(row) == nullptr) return;
  if (mode_ == kViewReport)
    list_->SelectRow(row);
  else
    thumbs_->SelectRow(row);
}

bool CFileListCtrl::SelectNodeInView(const CFileNode* node) {
  if (mode_ == kViewReport) return list_->SelectNode(node);
  const auto at = std::find(rows_.begin(), rows_.end(), node);
  if (at == rows_.end()) return false;
  thumbs_->SelectRow(static_cast<int>(at - rows_.begin()));
  thumbs_->setFocus();
  return true;
}

void CFileListCtrl::RedrawActive() { GetActiveList()->viewport()->update(); }

CFileNode* CFileListCtrl::GetItemNode(int row) const { return list_->Model()->NodeAt(row); }

bool CFileListCtrl::LocateNode(CFileNode* node) {
  if (node == nullptr) return false;
  if (SelectNodeInView(node)) {
    if (tree_ != nullptr) tree_->SelectNode(node->GetParent());
    return true;
  }
  if (tree_ != nullptr && node->GetParent() != nullptr) {
    // Selecting the folder in the tree shows it here.
    tree_->SelectNode(node->GetParent());
    if (folder_ != node->GetParent()) ShowFolder(root_, node->GetParent());
  }
  return SelectNodeInView(node);
}

CFileSystemNode* CFileListCtrl::RootFileSystem() const {
  return root_ != nullptr && root_->IsFileSystemNode() ? static_cast<CFileSystemNode*>(root_) : nullptr;
}

void CFileListCtrl::ToggleNodeCheck(CFileNode* node) {
  CFileSystemNode* root = RootFileSystem();
  if (root == nullptr || node == nullptr) return;
  root->ToggleCheck(node, 0);
  if (tree_ != nullptr) tree_->RefreshItem(folder_);
  Q_EMIT ChecksChanged();
}

void CFileListCtrl::SetAllChecks(bool checked) {
  CFileSystemNode* root = RootFileSystem();
  if (root == nullptr) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::uint8_t wanted = checked ? kChecked : kUnchecked;
  bool changed = false;
  for (CFileNode* node : rows_) {
    const IFileProperties* properties = node->GetProperties();
    const std::uint8_t state = properties != nullptr ? properties->GetCheckState() : kUnchecked;
    if (state != wanted) {
      root->ToggleCheck(node, 1);
      changed = true;
    }
  }
  // Only the files themselves were flipped: the folders above them and the
  // counts are worked out again from the leaves.
  if (changed) root->RefreshCheckStates();
  RedrawActive();
  if (tree_ != nullptr) tree_->RefreshItem(folder_);
  Q_EMIT ChecksChanged();
  QApplication::restoreOverrideCursor();
}

void CFileListCtrl::RedrawRows() {
  ++redraws_;
  RedrawActive();
}

void CFileListCtrl::FillContextMenu(QMenu& menu) {
  menu.addAction(LoadAppString(330), this, [this] { Q_EMIT CommandSent(kCommandPreviewMenu); });
  menu.addAction(LoadAppString(329), this, [this] { Q_EMIT CommandSent(kCommandRecover); });
  if (tree_ == nullptr)
    menu.addAction(LoadAppString(291), this, [this] { Q_EMIT CommandSent(kCommandLocate); });
  menu.addSeparator();
  menu.addAction(tr("Properties"), this, [this] { Q_EMIT CommandSent(kCommandProperties); });
}

void CFileListCtrl::ShowContextMenu(const QPoint& globalPos) {
  QMenu menu(this);
  FillContextMenu(menu);
  menu.exec(globalPos);
}

} // namespace qm
