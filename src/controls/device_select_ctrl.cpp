#include "controls/device_select_ctrl.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QScrollBar>

#include <algorithm>

#include "app/format_text.h"
#include "controls/device_icons.h"

namespace {

const QColor kSelectedFill(0xD8, 0xFB, 0xFC);
constexpr int kHeaderHeight = 20;

QFont ViewFont(const QFont& base) {
  QFont f = base;
  f.setPixelSize(15);
  f.setWeight(QFont::Normal);
  return f;
}

} // namespace

DEVICE_BITMAP DefaultDeviceBitmaps() {
  DEVICE_BITMAP b;
  for (int i = 0; i < qm::kDeviceIconKinds; ++i)
    b[static_cast<std::size_t>(i)] = qm::DeviceIconPixmap(i, 32);
  return b;
}

int CDeviceSelectView::Row::Width() const {
  int w = 0;
  for (const Cell& c : cells)
    w += c.width;
  return w;
}

CDeviceSelectView::CDeviceSelectView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(ViewFont(font()));
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::NoFrame);
  viewport()->setAutoFillBackground(false);
  horizontalScrollBar()->setSingleStep(10);
  verticalScrollBar()->setSingleStep(10);
}

void CDeviceSelectView::SetDeviceBitmap(const DEVICE_BITMAP& bitmaps) {
  m_bitmaps = bitmaps;
  viewport()->update();
}

void CDeviceSelectView::AddItem(const DEVICE_ITEM& item, const std::array<int, 3>& widths) {
  Row row;
  const int kind = item.iconKind < m_bitmaps.size() && !m_bitmaps[item.iconKind].isNull()
                       ? static_cast<int>(item.iconKind)
                       : -1;
  row.cells.reserve(3);
  row.cells.push_back({kind, item.name, widths[0]});
  QString capacity;
  if (item.sectorCount != 0)
    capacity = QString::fromStdString(FormatSectorsSize(item.sectorCount, item.bytesPerSector));
  row.cells.push_back({-1, capacity, widths[1]});
  row.cells.push_back({-1, item.information, widths[2]});
  row.top = ContentSize().height();
  row.data = item.itemData;

  const QFontMetrics fm(font());
  int height = 0;
  for (const Cell& c : row.cells) {
    if (c.bitmap >= 0) height = std::max(height, m_bitmaps[static_cast<std::size_t>(c.bitmap)].height() + 10);
    const QRect r = fm.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, c.text);
    height = std::max(height, r.height());
  }
  row.height = height;
  m_rows.push_back(std::move(row));
  UpdateScrollSizes();
  viewport()->update();
}

void CDeviceSelectView::DeleteItem(int i) {
  if (i < 0 || i >= Count()) return;
  m_rows.erase(m_rows.begin() + i);
  RecomputeTops();
  UpdateScrollSizes();
  viewport()->update();
}

void CDeviceSelectView::DeleteAllItems() {
  m_rows.clear();
  UpdateScrollSizes();
  viewport()->update();
}

int CDeviceSelectView::GetCurSel() const {
  for (int i = 0; i < Count(); ++i)
    if (m_rows[static_cast<std::size_t>(i)].selected) return i;
  return -1;
}

void* CDeviceSelectView::GetItemData(int i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return m_rows[static_cast<std::size_t>(i)].data;
}

void CDeviceSelectView::SetNotice(const QString& text) {
  m_notice = text;
  viewport()->update();
}

void CDeviceSelectView::ClearSelection() {
  const int i = GetCurSel();
  if (i >= 0) m_rows[static_cast<std::size_t>(i)].selected = false;
  viewport()->update();
}

void CDeviceSelectView::SetColumnWidth(int column, int width) {
  if (column < 0) return;
  for (Row& r : m_rows)
    if (static_cast<std::size_t>(column) < r.cells.size())
      r.cells[static_cast<std::size_t>(column)].width = width;
  UpdateScrollSizes();
  viewport()->update();
}

QSize CDeviceSelectView::ContentSize() const {
  int h = 0;
  for (const Row& r : m_rows)
    h += r.height;
  return {m_rows.empty() ? 0 : m_rows.front().Width(), h};
}

int CDeviceSelectView::ContentWidth(int column) const {
  if (column < 0) return 0;
  const QFontMetrics fm(font());
  int widest = 0;
  for (const Row& row : m_rows) {
    if (static_cast<std::size_t>(column) >= row.cells.size()) continue;
    const Cell& cell = row.cells[static_cast<std::size_t>(column)];
    // As paintEvent lays a cell out: 4 pixels before the text, the icon
    // and 4 more after it; a few pixels to spare at the right.
    int width = 4 + 6;
    if (cell.bitmap >= 0) width += m_bitmaps[static_cast<std::size_t>(cell.bitmap)].width() + 4;
    int text = 0;
    for (const QString& line : cell.text.split(QLatin1Char('\n')))
      text = std::max(text, fm.horizontalAdvance(line));
    widest = std::max(widest, width + text);
  }
  return widest;
}

QPoint CDeviceSelectView::ScrollPosition() const {
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CDeviceSelectView::RecomputeTops() {
  int top = 0;
  for (Row& r : m_rows) {
    r.top = top;
    top += r.height;
  }
}

void CDeviceSelectView::UpdateScrollSizes() {
  const QSize content = ContentSize();
  const QSize page = viewport()->size();
  horizontalScrollBar()->setPageStep(std::max(1, page.width()));
  verticalScrollBar()->setPageStep(std::max(1, page.height()));
  horizontalScrollBar()->setRange(0, std::max(0, content.width() - page.width()));
  verticalScrollBar()->setRange(0, std::max(0, content.height() - page.height()));
}

void CDeviceSelectView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollSizes();
}

void CDeviceSelectView::scrollContentsBy(int dx, int dy) {
  viewport()->update();
  if (dx != 0) Q_EMIT HorizontalScrolled(horizontalScrollBar()->value());
  (void)dy;
}

void CDeviceSelectView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.fillRect(viewport()->rect(), Qt::white);
  p.setFont(font());
  const QPoint scroll = ScrollPosition();
  p.translate(-scroll);
  const int visibleTop = scroll.y();
  const int visibleBottom = scroll.y() + viewport()->height();
  const QFontMetrics fm(font());
  for (const Row& row : m_rows) {
    if (row.top + row.height < visibleTop) continue;
    if (row.top > visibleBottom) break;
    int x = 0;
    for (const Cell& cell : row.cells) {
      const QRect rc(x, row.top, cell.width, row.height);
      x += cell.width;
      p.fillRect(rc, row.selected ? kSelectedFill : QColor(Qt::white));
      QRect text = rc.adjusted(4, 0, 0, 0);
      if (cell.bitmap >= 0) {
        const QPixmap& pm = m_bitmaps[static_cast<std::size_t>(cell.bitmap)];
        p.save();
        p.setClipRect(rc);
        p.drawPixmap(rc.left() + 2, row.top + (row.height - pm.height()) / 2, pm);
        p.restore();
        text.setLeft(text.left() + pm.width() + 4);
      }
      if (text.left() >= text.right()) continue;
      p.setPen(Qt::black);
      if (!cell.text.contains(QLatin1Char('\n'))) {
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   fm.elidedText(cell.text, Qt::ElideRight, text.width()));
      } else {
        const QRect need = fm.boundingRect(QRect(0, 0, text.width(), 100000), Qt::AlignLeft, cell.text);
        QRect block = text;
        block.setTop(text.top() + (text.height() - need.height()) / 2);
        p.save();
        p.setClipRect(text);
        p.drawText(block, Qt::AlignLeft | Qt::AlignTop, cell.text);
        p.restore();
      }
    }
  }
  if (!m_notice.isEmpty()) {
    const int top = ContentSize().height() + 12;
    const QRect box(12, top, std::max(100, viewport()->width() - 24 + scroll.x()), 200);
    p.setPen(QColor(150, 60, 30));
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_notice);
  }
}

void CDeviceSelectView::EnsureVisible(int i) {
  if (i < 0 || i >= Count()) return;
  const Row& r = m_rows[static_cast<std::size_t>(i)];
  const int top = verticalScrollBar()->value();
  const int height = viewport()->height();
  if (r.top < top)
    verticalScrollBar()->setValue(r.top);
  else if (r.top + r.height > top + height)
    verticalScrollBar()->setValue(r.top + r.height - height);
}

void CDeviceSelectView::RepaintRow(int i) {
  if (i < 0 || i >= Count()) return;
  const Row& r = m_rows[static_cast<std::size_t>(i)];
  viewport()->update(QRect(0, r.top, r.Width(), r.height).translated(-ScrollPosition()));
}

void CDeviceSelectView::ClickAt(QPoint viewportPoint) {
  const QPoint pt = viewportPoint + ScrollPosition();
  int newRow = -1, oldRow = -1;
  for (int i = 0; i < Count(); ++i) {
    Row& r = m_rows[static_cast<std::size_t>(i)];
    const bool hit = pt.x() >= 0 && pt.x() < r.Width() && pt.y() >= r.top && pt.y() < r.top + r.height;
    if (hit) {
      // A click on the row already chosen changes nothing and tells nothing.
      if (r.selected) return;
      r.selected = true;
      newRow = i;
    } else if (r.selected) {
      r.selected = false;
      oldRow = i;
    }
  }
  if (newRow < 0 && oldRow >= 0) {
    // A click beside the rows keeps the selection.
    m_rows[static_cast<std::size_t>(oldRow)].selected = true;
    return;
  }
  if (newRow >= 0) {
    EnsureVisible(newRow);
    RepaintRow(newRow);
    if (oldRow >= 0) RepaintRow(oldRow);
    Q_EMIT SelectionChanged();
  }
}

void CDeviceSelectView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
    ClickAt(event->position().toPoint());
  QAbstractScrollArea::mousePressEvent(event);
}

void CDeviceSelectView::mouseReleaseEvent(QMouseEvent* event) {
  QAbstractScrollArea::mouseReleaseEvent(event);
  if (event->button() == Qt::RightButton && GetCurSel() >= 0) Q_EMIT RightClicked();
}

void CDeviceSelectView::mouseDoubleClickEvent(QMouseEvent* event) {
  QAbstractScrollArea::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && GetCurSel() >= 0) Q_EMIT DoubleClicked();
}

void CDeviceSelectView::SelectIndex(int i) {
  if (i < 0 || i >= Count()) return;
  const int old = GetCurSel();
  if (old >= 0 && old != i) {
    m_rows[static_cast<std::size_t>(old)].selected = false;
    RepaintRow(old);
  }
  m_rows[static_cast<std::size_t>(i)].selected = true;
  RepaintRow(i);
  EnsureVisible(i);
}

void CDeviceSelectView::keyPressEvent(QKeyEvent* event) {
  const int sel = GetCurSel();
  if (sel >= 0 && event->key() == Qt::Key_Up) {
    if (sel > 0) SelectIndex(sel - 1);
    return;
  }
  if (sel >= 0 && event->key() == Qt::Key_Down) {
    if (sel < Count() - 1) SelectIndex(sel + 1);
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

CDeviceSelectCtrl::CDeviceSelectCtrl(QWidget* parent)
    : QWidget(parent), m_header(new CExtendHeaderCtrl(this)), m_view(new CDeviceSelectView(this)) {
  m_header->AddColumn(tr("Device"), 320);
  m_header->AddColumn(tr("Capacity"), 120);
  m_header->AddColumn(tr(" Information"), 440);
  m_view->SetDeviceBitmap(DefaultDeviceBitmaps());
  connect(m_view, &CDeviceSelectView::HorizontalScrolled, this, [this] { AlignHeader(); });
  connect(m_view, &CDeviceSelectView::SelectionChanged, this, &CDeviceSelectCtrl::SelectionChanged);
  connect(m_view, &CDeviceSelectView::DoubleClicked, this, &CDeviceSelectCtrl::DoubleClicked);
  connect(m_view, &CDeviceSelectView::RightClicked, this, &CDeviceSelectCtrl::RightClicked);
  connect(m_header, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
    if (!m_fitting) m_userSized = true;
    m_view->SetColumnWidth(column, width);
    AlignHeader();
  });
}

void CDeviceSelectCtrl::AddItem(const DEVICE_ITEM& item) {
  m_view->AddItem(item,
                  {m_header->GetColumnWidth(0), m_header->GetColumnWidth(1), m_header->GetColumnWidth(2)});
  FitColumns();
}

void CDeviceSelectCtrl::FitColumns() {
  // The rows' own width: without the vertical scroll bar when it shows.
  const int shown = m_view->viewport()->width();
  if (m_userSized || shown <= 0) return;
  constexpr int kNameAtLeast = 320;
  constexpr int kInformationAtLeast = 200;
  const int capacity = m_header->GetColumnWidth(1);
  const int room = shown - capacity - kInformationAtLeast;
  const int name = std::max(kNameAtLeast, std::min(m_view->ContentWidth(0), room));
  const int information = std::max({kInformationAtLeast, shown - name - capacity, m_view->ContentWidth(2)});
  m_fitting = true;
  if (m_header->GetColumnWidth(0) != name) m_header->resizeSection(0, name);
  if (m_header->GetColumnWidth(2) != information) m_header->resizeSection(2, information);
  m_fitting = false;
}

void CDeviceSelectCtrl::SetCtrlStyle(int style) {
  // Only three captions exist; any other style keeps the general one.
  static const char* const kCaptions[] = {QT_TRANSLATE_NOOP("CDeviceSelectCtrl", "Device"),
                                          QT_TRANSLATE_NOOP("CDeviceSelectCtrl", "Disk"),
                                          QT_TRANSLATE_NOOP("CDeviceSelectCtrl", "Partition")};
  const char* caption = style >= 0 && style <= 2 ? kCaptions[style] : kCaptions[0];
  m_header->SetColumnText(0, tr(caption));
}

void CDeviceSelectCtrl::AlignHeader() { m_header->setOffset(m_view->ScrollPosition().x()); }

void CDeviceSelectCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_header->setGeometry(0, 0, width(), kHeaderHeight);
  m_view->setGeometry(0, kHeaderHeight, width(), std::max(0, height() - kHeaderHeight));
  FitColumns();
  AlignHeader();
}
