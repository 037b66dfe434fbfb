#include "controls/breviary_image_list_ctrl.h"

#include <QtCore/QMimeDatabase>
#include <QtCore/QTimer>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionButton>
#include <QtWidgets/QStyledItemDelegate>

#include "controls/file_state_marks.h"
#include "controls/thumbnail_loader.h"
#include "filemodel/file_node.h"

namespace qm {
namespace {

constexpr int kItemWidth = 112;
constexpr int kItemHeight = 122;
constexpr int kPictureArea = 88; // the top of an item, where the picture sits
constexpr int kTypeIconSide = 42;

class ThumbnailDelegate : public QStyledItemDelegate {
public:
  ThumbnailDelegate(ThumbnailLoader& loader, ThumbnailRowsModel& model, QObject* parent)
      : QStyledItemDelegate(parent), loader_(loader), model_(model) {}

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {kItemWidth, kItemHeight};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    CFileNode* node = model_.NodeAt(index.row());
    IFileProperties* properties = node != nullptr ? node->GetProperties() : nullptr;
    if (properties == nullptr) return;
    painter->save();
    const QRect item = option.rect.adjusted(2, 2, -2, -2);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    if (selected) painter->fillRect(item, option.palette.color(QPalette::Highlight).lighter(175));
    const QRect pictureArea(item.left(), item.top(), item.width(), kPictureArea);
    const QImage picture = loader_.Thumbnail(index.row());
    const QString name = QString::fromUtf8(properties->GetName());
    if (!picture.isNull()) {
      const QPoint at(pictureArea.center().x() - picture.width() / 2 + 1,
                      pictureArea.center().y() - picture.height() / 2 + 1);
      painter->drawImage(at, picture);
      painter->setPen(QColor(0xC0, 0xC0, 0xC0));
      painter->drawRect(QRect(at, picture.size()).adjusted(-1, -1, 0, 0));
    } else {
      const QRect icon(pictureArea.center().x() - kTypeIconSide / 2 + 1,
                       pictureArea.center().y() - kTypeIconSide / 2 + 1, kTypeIconSide, kTypeIconSide);
      LargeTypeIcon(name).paint(painter, icon);
    }
    // The deleted mark at the top right.
    if ((properties->GetState() & kStateDeleted) != 0) {
      const QRect mark(item.right() - 15, item.top() + 5, 11, 11);
      painter->setRenderHint(QPainter::Antialiasing);
      painter->setPen(QPen(QColor(0xD0, 0x20, 0x20), 2));
      painter->drawLine(mark.topLeft(), mark.bottomRight());
      painter->drawLine(mark.topRight(), mark.bottomLeft());
      painter->setRenderHint(QPainter::Antialiasing, false);
    }
    // The damaged sign beside it.
    if ((properties->GetState() & kStateDamaged) != 0)
      PaintDamagedMark(*painter, QRectF(item.right() - 33, item.top() + 3, 15, 15));
    // The name under the picture; encrypted files in green.
    const QRect textArea(item.left() + 18, item.top() + kPictureArea, item.width() - 20,
                         item.height() - kPictureArea);
    painter->setPen((properties->GetAttributes() & kAttrEncrypted) != 0 ? QColor(0x00, 0xC8, 0x00)
                                                                        : QColor(Qt::black));
    const QStringList lines = ThumbnailCaptionLines(name, option.fontMetrics, textArea.width());
    painter->drawText(textArea, Qt::AlignHCenter | Qt::AlignTop, lines.join(QLatin1Char('\n')));
    // The check box at the bottom left.
    QStyleOptionButton box;
    box.rect = CBreviaryImageListCtrl::CheckBoxRect(option.rect);
    box.state = QStyle::State_Enabled |
                (properties->GetCheckState() == kChecked ? QStyle::State_On : QStyle::State_Off);
    QApplication::style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter);
    if ((option.state & QStyle::State_HasFocus) != 0) {
      painter->setPen(QPen(QColor(51, 94, 168, 200), 2));
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(item.adjusted(1, 1, -1, -1));
    }
    painter->restore();
  }

private:
  ThumbnailLoader& loader_;
  ThumbnailRowsModel& model_;
};

} // namespace

QStringList ThumbnailCaptionLines(const QString& name, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(name) <= width) return {name};
  const auto breaksAfter = [](QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.');
  };
  for (qsizetype end = name.size() - 1; end > 0; --end) {
    if (!breaksAfter(name[end - 1])) continue;
    const QString first = name.left(end).trimmed();
    if (first.isEmpty() || metrics.horizontalAdvance(first) > width) continue;
    return {first, metrics.elidedText(name.mid(end).trimmed(), Qt::ElideMiddle, width)};
  }
  return {metrics.elidedText(name, Qt::ElideMiddle, width)};
}

QIcon LargeTypeIcon(const QString& name) {
  static QMimeDatabase mimes;
  const QMimeType type = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
  QIcon icon = QIcon::fromTheme(type.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  return icon;
}

void ThumbnailRowsModel::SetRows(std::vector<CFileNode*> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

CFileNode* ThumbnailRowsModel::NodeAt(int row) const {
  return row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? rows_[static_cast<std::size_t>(row)]
                                                                  : nullptr;
}

void ThumbnailRowsModel::RowChanged(int row) {
  if (NodeAt(row) == nullptr) return;
  const QModelIndex at = index(row);
  Q_EMIT dataChanged(at, at);
}

int ThumbnailRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ThumbnailRowsModel::data(const QModelIndex& index, int role) const {
  CFileNode* node = NodeAt(index.row());
  if (node == nullptr || node->GetProperties() == nullptr) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return QString::fromUtf8(node->GetProperties()->GetName());
  return {};
}

CBreviaryImageListCtrl::CBreviaryImageListCtrl(QWidget* parent)
    : QListView(parent), model_(new ThumbnailRowsModel(this)), loader_(new ThumbnailLoader(this)) {
  setObjectName(QStringLiteral("thumbnailList"));
  setModel(model_);
  setItemDelegate(new ThumbnailDelegate(*loader_, *model_, this));
  setViewMode(QListView::IconMode);
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  setUniformItemSizes(true);
  setGridSize(QSize(kItemWidth + 4, kItemHeight + 4));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWrapping(true);
  setSpacing(0);
  // Rows arrive from the worker; the view redraws them on its own thread.
  connect(
      loader_, &ThumbnailLoader::ThumbnailReady, this, [this](int row) { model_->RowChanged(row); },
      Qt::QueuedConnection);
}

CBreviaryImageListCtrl::~CBreviaryImageListCtrl() = default;

QRect CBreviaryImageListCtrl::CheckBoxRect(const QRect& item) {
  // Left of the name, under the picture.
  return QRect(item.left() + 5, item.top() + 2 + kPictureArea + 1, 13, 13);
}

void CBreviaryImageListCtrl::SetRows(const std::vector<CFileNode*>& rows) {
  loader_->SetRows(rows);
  model_->SetRows(rows);
  if (!rows.empty()) SelectRow(0);
  scrollToTop();
  RequestVisibleRows();
}

void CBreviaryImageListCtrl::SetSource(IStorageDevice* source) { loader_->SetSource(source); }

void CBreviaryImageListCtrl::ClearThumbnails() {
  loader_->ClearThumbnails();
  viewport()->update();
  RequestVisibleRows();
}

int CBreviaryImageListCtrl::SelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedIndexes();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void CBreviaryImageListCtrl::SelectRow(int row) {
  if (model_->NodeAt(row) == nullptr) return;
  const QModelIndex at = model_->index(row);
  selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
  scrollTo(at);
}

void CBreviaryImageListCtrl::RequestVisibleRows() {
  if (!isVisible() || model_->rowCount() == 0) return;
  // The rows in view, from the grid: items are all one size and laid out
  // row by row.
  const QSize grid = gridSize();
  const int columns = std::max(1, viewport()->width() / std::max(1, grid.width()));
  const int top = verticalScrollBar()->value();
  const int firstLine = top / std::max(1, grid.height());
  const int lastLine = (top + viewport()->height()) / std::max(1, grid.height());
  const int first = firstLine * columns;
  const int last = std::min(model_->rowCount() - 1, (lastLine + 1) * columns - 1);
  if (first <= last) loader_->Request(first, last);
}

void CBreviaryImageListCtrl::mousePressEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  if (at.isValid() && event->button() == Qt::LeftButton &&
      CheckBoxRect(visualRect(at)).adjusted(-2, -2, 2, 2).contains(event->position().toPoint())) {
    if (toggle_) toggle_(model_->NodeAt(at.row()));
    model_->RowChanged(at.row());
    return;
  }
  QListView::mousePressEvent(event);
}

void CBreviaryImageListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  if (at.isValid() &&
      CheckBoxRect(visualRect(at)).adjusted(-2, -2, 2, 2).contains(event->position().toPoint())) {
    mousePressEvent(event);
    return;
  }
  QListView::mouseDoubleClickEvent(event);
  if (at.isValid()) Q_EMIT Activated(at.row());
}

void CBreviaryImageListCtrl::contextMenuEvent(QContextMenuEvent* event) {
  const QModelIndex at = indexAt(event->pos());
  if (at.isValid()) SelectRow(at.row());
  Q_EMIT ContextMenuAt(event->globalPos());
}

void CBreviaryImageListCtrl::scrollContentsBy(int dx, int dy) {
  QListView::scrollContentsBy(dx, dy);
  RequestVisibleRows();
}

void CBreviaryImageListCtrl::resizeEvent(QResizeEvent* event) {
  QListView::resizeEvent(event);
  QTimer::singleShot(0, this, &CBreviaryImageListCtrl::RequestVisibleRows);
}

void CBreviaryImageListCtrl::showEvent(QShowEvent* event) {
  QListView::showEvent(event);
  QTimer::singleShot(0, this, &CBreviaryImageListCtrl::RequestVisibleRows);
}

} // namespace qm
