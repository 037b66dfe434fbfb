#include "controls/list_ctrl_plus.h"

#include <QtCore/QHash>
#include <QtCore/QMimeDatabase>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QStyle>

#include <algorithm>

#include "app/string_table.h"
#include "controls/file_state_marks.h"
#include "filemodel/file_node.h"

namespace qm {
namespace {

int g_arrowColumn = 0;

QPixmap WithDeletedMark(const QPixmap& icon) {
  QPixmap out = icon;
  QPainter painter(&out);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = out.width() / out.devicePixelRatio();
  painter.setPen(QPen(QColor(210, 40, 40), s / 8.0, Qt::SolidLine, Qt::RoundCap));
  const QRectF mark(s * 0.45, s * 0.45, s * 0.5, s * 0.5);
  painter.drawLine(mark.topLeft(), mark.bottomRight());
  painter.drawLine(mark.topRight(), mark.bottomLeft());
  return out;
}

} // namespace

QIcon FileTypeIcon(const QString& name, bool deleted, bool damaged) {
  static QHash<QString, QIcon> cache;
  const QString extension = NameExtension(name).toLower();
  const QString key = QString::number((deleted ? 1 : 0) | (damaged ? 2 : 0)) + extension;
  auto it = cache.constFind(key);
  if (it != cache.constEnd()) return *it;
  QIcon icon;
  if (!extension.isEmpty()) {
    static const QMimeDatabase mimes;
    const QMimeType type =
        mimes.mimeTypeForFile(QStringLiteral("x.") + extension, QMimeDatabase::MatchExtension);
    icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
  }
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  if (deleted) icon = QIcon(WithDeletedMark(icon.pixmap(16, 16)));
  if (damaged) {
    // At the lower left, where the deleted cross leaves room.
    QPixmap pixmap = icon.pixmap(16, 16);
    QPainter painter(&pixmap);
    const qreal s = pixmap.width() / pixmap.devicePixelRatio();
    PaintDamagedMark(painter, QRectF(0, s * 0.44, s * 0.56, s * 0.56));
    painter.end();
    icon = QIcon(pixmap);
  }
  cache.insert(key, icon);
  return icon;
}

QColor FileRowColour(std::uint16_t attributes) {
  if (attributes & kAttrCompressed) return QColor(0, 0, 0xFF);
  if (attributes & kAttrEncrypted) return QColor(0, 0xA0, 0);
  return {};
}

CFileListModel::CFileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CFileListModel::SetRows(std::vector<CFileNode*>* rows) {
  beginResetModel();
  rows_ = rows;
  endResetModel();
}

void CFileListModel::Reload() {
  beginResetModel();
  endResetModel();
}

CFileNode* CFileListModel::NodeAt(int row) const {
  if (rows_ == nullptr || row < 0 || static_cast<std::size_t>(row) >= rows_->size()) return nullptr;
  return (*rows_)[static_cast<std::size_t>(row)];
}

int CFileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || rows_ == nullptr ? 0 : static_cast<int>(rows_->size());
}

int CFileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kFileListColumnCount;
}

QVariant CFileListModel::data(const QModelIndex& index, int role) const {
  const CFileNode* node = NodeAt(index.row());
  if (node == nullptr) return {};
  const IFileProperties* properties = node->GetProperties();
  switch (role) {
  case Qt::DisplayRole:
    return FileListCellText(node, index.column());
  case Qt::CheckStateRole:
    if (index.column() != 0) return {};
    return properties != nullptr && properties->GetCheckState() != kUnchecked ? Qt::Checked : Qt::Unchecked;
  case Qt::DecorationRole:
    if (index.column() != 0 || properties == nullptr) return {};
    return FileTypeIcon(QString::fromUtf8(properties->GetName()),
                        (properties->GetState() & kStateDeleted) != 0,
                        (properties->GetState() & kStateDamaged) != 0);
  case Qt::ForegroundRole: {
    if (properties == nullptr) return {};
    const QColor colour = FileRowColour(properties->GetAttributes());
    return colour.isValid() ? QVariant(colour) : QVariant();
  }
  default:
    return {};
  }
}

bool CFileListModel::setData(const QModelIndex& index, const QVariant&, int role) {
  CFileNode* node = NodeAt(index.row());
  if (role != Qt::CheckStateRole || index.column() != 0 || node == nullptr) return false;
  if (toggle_) toggle_(node);
  Q_EMIT dataChanged(this->index(index.row(), 0), this->index(index.row(), kFileListColumnCount - 1));
  return true;
}

Qt::ItemFlags CFileListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == 0) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

QVariant CFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kFileListColumnCount)
    return {};
  return LoadAppString(FileListColumnAt(section).headerString);
}

CListCtrlPlus::CListCtrlPlus(QWidget* parent) : QTreeView(parent), model_(new CFileListModel(this)) {
  setModel(model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  header()->setSectionsClickable(true);
  header()->setSortIndicatorShown(false);
  header()->setStretchLastSection(false);
  // A full date and time must fit its column whatever the desktop's font.
  const int timeWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 16;
  for (int c = 0; c < kFileListColumnCount; ++c)
    header()->resizeSection(c, c >= kColumnModified ? std::max(FileListColumnAt(c).width, timeWidth)
                                                    : FileListColumnAt(c).width);
  nameWidth_ = header()->sectionSize(kColumnName);
  connect(header(), &QHeaderView::sectionClicked, this, &CListCtrlPlus::OnColumnClick);
  connect(header(), &QHeaderView::sectionResized, this, [this] {
    if (!fitting_) userSized_ = true;
  });
}

CListCtrlPlus& CListCtrlPlus::SetRows(std::vector<CFileNode*>* rows) {
  model_->SetRows(rows);
  return *this;
}

void CListCtrlPlus::RowsChanged() {
  model_->Reload();
  FitNameColumn();
}

int CListCtrlPlus::NameContentWidth() const {
  constexpr int kRowsMeasured = 4000;
  const QFontMetrics metrics(font());
  const int rows = std::min(model_->rowCount(), kRowsMeasured);
  int widest = 0;
  for (int row = 0; row < rows; ++row)
    widest = std::max(widest, metrics.horizontalAdvance(model_->index(row, kColumnName).data().toString()));
  // The check box, the icon and the cell's margins beside the text.
  const int box = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
  return widest + box + style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this) + 28;
}

void CListCtrlPlus::resizeEvent(QResizeEvent* event) {
  QTreeView::resizeEvent(event);
  FitNameColumn();
}

void CListCtrlPlus::FitNameColumn() {
  if (userSized_ || model_->rowCount() == 0) return;
  const int width = std::clamp(NameContentWidth(), nameWidth_, std::max(nameWidth_, viewport()->width() / 2));
  fitting_ = true;
  header()->resizeSection(kColumnName, width);
  fitting_ = false;
}

int CListCtrlPlus::GetSelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  int first = -1;
  for (const QModelIndex& index : rows)
    if (first < 0 || index.row() < first) first = index.row();
  return first;
}

void CListCtrlPlus::SelectRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const QModelIndex index = model_->index(row, 0);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(index);
}

bool CListCtrlPlus::SelectNode(const CFileNode* node) {
  const std::vector<CFileNode*>* rows = model_->Rows();
  if (rows == nullptr || node == nullptr) return false;
  for (std::size_t i = 0; i < rows->size(); ++i) {
    if ((*rows)[i] == node) {
      SelectRow(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

bool CListCtrlPlus::NextSortDescending(int column) const {
  return column >= 0 && column < static_cast<int>(descending_.size()) &&
         descending_[static_cast<std::size_t>(column)];
}

int CListCtrlPlus::ArrowColumn() { return g_arrowColumn; }

void CListCtrlPlus::OnColumnClick(int column) {
  if (column < 0 || column >= static_cast<int>(descending_.size())) return;
  bool& flag = descending_[static_cast<std::size_t>(column)];
  const FileListSortKey key{column, flag};
  flag = !flag;
  std::vector<CFileNode*>* rows = model_->Rows();
  // The selection follows its node through the sort.
  const CFileNode* selected = model_->NodeAt(GetSelectedRow());
  if (rows != nullptr) {
    Q_EMIT model_->layoutAboutToBeChanged();
    SortFileRows(*rows, key);
    Q_EMIT model_->layoutChanged();
  }
  header()->setSortIndicatorShown(true);
  header()->setSortIndicator(column, key.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
  g_arrowColumn = column;
  if (selected != nullptr) SelectNode(selected);
  viewport()->update();
}

void CListCtrlPlus::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  if (GetSelectedRow() >= 0) Q_EMIT RowDoubleClicked();
}

void CListCtrlPlus::contextMenuEvent(QContextMenuEvent* event) {
  if (GetSelectedRow() >= 0) Q_EMIT ContextMenuWanted(event->globalPos());
}

} // namespace qm
