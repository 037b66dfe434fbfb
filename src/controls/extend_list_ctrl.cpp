#include "controls/extend_list_ctrl.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyleOptionButton>

#include <algorithm>

namespace {

const QColor kSelectedFill(0xD8, 0xFB, 0xFC);

// Walks the parts of a cell as they are drawn: the box or icon or text of
// each part while room remains. `draw` paints when a painter is given.
void PlaceParts(ExtendListCell& cell, const QRect& rc, QPainter* painter, const QFontMetrics& fm,
                QWidget* w) {
  int x = rc.left();
  int drawn = 0;
  for (int i = 0; i < cell.partCount && i < 4; ++i) {
    ExtendListPart& part = cell.parts[static_cast<std::size_t>(i)];
    if (x + 2 >= rc.right()) break;
    if (part.hasCheckBox) {
      const QRect box(x + 2, rc.top() + (rc.height() - 14) / 2, 14, 14);
      if (box.right() >= rc.right()) break; // no room for the whole box
      part.checkRect = box;
      if (painter) {
        QStyleOptionButton opt;
        opt.initFrom(w);
        opt.rect = box;
        opt.state = QStyle::State_Enabled | (part.checked ? QStyle::State_On : QStyle::State_Off);
        w->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, painter, w);
      }
      x += 18;
      if (x + 2 >= rc.right()) {
        ++drawn;
        break;
      }
    } else {
      part.checkRect = QRect();
    }
    if (!part.icon.isNull()) {
      if (painter) part.icon.paint(painter, QRect(x + 2, rc.top() + (rc.height() - 20) / 2, 20, 20));
      x += 24;
      if (x + 4 >= rc.right()) {
        ++drawn;
        break;
      }
    }
    if (!part.text.isEmpty()) {
      const QRect tr(x + 2, rc.top(), rc.right() - 4 - (x + 2), rc.height());
      if (painter && tr.width() > 0)
        painter->drawText(tr, cell.flags | Qt::AlignVCenter | Qt::TextSingleLine,
                          fm.elidedText(part.text, Qt::ElideRight, tr.width()));
      x += fm.horizontalAdvance(part.text) + 2;
    }
    x += 4;
    ++drawn;
  }
  for (int i = drawn; i < 4; ++i)
    cell.parts[static_cast<std::size_t>(i)].checkRect = QRect();
}

} // namespace

CExtendListCtrl::CExtendListCtrl(QWidget* parent)
    : QAbstractScrollArea(parent), m_header(new CExtendHeaderCtrl(this)) {
  m_lines.reserve(2000);
  m_formats.reserve(7);
  QFont f = font();
  f.setPixelSize(12);
  setFont(f);
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::NoFrame);
  horizontalScrollBar()->setSingleStep(10);
  verticalScrollBar()->setSingleStep(10);
  connect(m_header, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
    SetCellWidthForAll(column, width);
    UpdateScrollSizes();
    viewport()->update();
  });
}

void CExtendListCtrl::AddColumn(const QString& text, int width, int alignment) {
  m_header->AddColumn(text, width, alignment);
  m_formats.push_back(alignment);
  UpdateScrollSizes();
}

int CExtendListCtrl::AddLine(int height) {
  ExtendListLine line;
  line.top = TotalHeight();
  line.height = height;
  line.ownerValue = m_lines.size();
  line.cells.reserve(7);
  m_lines.push_back(std::move(line));
  UpdateScrollSizes();
  viewport()->update();
  return static_cast<int>(m_lines.size()) - 1;
}

bool CExtendListCtrl::AddCell(int line, const ExtendListCell& cell) {
  if (line < 0 || line >= GetLineCount()) return false;
  ExtendListLine& l = m_lines[static_cast<std::size_t>(line)];
  if (static_cast<int>(l.cells.size()) >= m_header->ColumnCount()) return false;
  ExtendListCell copy = cell;
  const int format = m_formats[l.cells.size()];
  copy.flags = format == 1 ? Qt::AlignRight : format == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
  copy.partCount = std::clamp(copy.partCount, 0, 4);
  l.cells.push_back(std::move(copy));
  viewport()->update();
  return true;
}

void CExtendListCtrl::SetCellWidthForAll(int column, int width) {
  for (ExtendListLine& l : m_lines)
    if (column >= 0 && static_cast<std::size_t>(column) < l.cells.size())
      l.cells[static_cast<std::size_t>(column)].width = width;
}

ExtendListLine* CExtendListCtrl::GetLine(int i) {
  return i >= 0 && i < GetLineCount() ? &m_lines[static_cast<std::size_t>(i)] : nullptr;
}

int CExtendListCtrl::GetSelectedLine() const {
  for (int i = 0; i < GetLineCount(); ++i)
    if (m_lines[static_cast<std::size_t>(i)].selected) return i;
  return -1;
}

bool CExtendListCtrl::IsLineChecked(int line) const {
  if (line < 0 || line >= GetLineCount()) return false;
  const ExtendListLine& l = m_lines[static_cast<std::size_t>(line)];
  return !l.cells.empty() && l.cells[0].parts[0].checked;
}

void CExtendListCtrl::SelectLine(int line) {
  if (line < 0 || line >= GetLineCount()) return;
  for (ExtendListLine& l : m_lines)
    l.selected = false;
  ExtendListLine& l = m_lines[static_cast<std::size_t>(line)];
  l.selected = true;
  const int top = verticalScrollBar()->value();
  const int page = viewport()->height();
  if (l.top < top)
    verticalScrollBar()->setValue(l.top);
  else if (l.top + l.height > top + page)
    verticalScrollBar()->setValue(l.top + l.height - page);
  viewport()->update();
  setFocus();
}

void CExtendListCtrl::DeleteAllLines() {
  m_lines.clear();
  UpdateScrollSizes();
  viewport()->update();
}

int CExtendListCtrl::TotalWidth() const { return m_header->GetTotalWidth(); }

int CExtendListCtrl::TotalHeight() const {
  return m_lines.empty() ? 0 : m_lines.back().top + m_lines.back().height;
}

void CExtendListCtrl::UpdateScrollSizes() {
  const int headerHeight = m_header->HeaderHeight();
  setViewportMargins(0, headerHeight, 0, 0);
  const QSize page = viewport()->size();
  horizontalScrollBar()->setPageStep(std::max(1, page.width()));
  verticalScrollBar()->setPageStep(std::max(1, page.height()));
  horizontalScrollBar()->setRange(0, std::max(0, TotalWidth() - page.width()));
  verticalScrollBar()->setRange(0, std::max(0, TotalHeight() - page.height()));
  const QRect vg = viewport()->geometry();
  m_header->setGeometry(vg.left(), vg.top() - headerHeight, vg.width(), headerHeight);
  m_header->setOffset(horizontalScrollBar()->value());
}

void CExtendListCtrl::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollSizes();
}

void CExtendListCtrl::scrollContentsBy(int, int) {
  m_header->setOffset(horizontalScrollBar()->value());
  viewport()->update();
}

void CExtendListCtrl::LayoutParts() {
  const QFontMetrics fm(font());
  for (ExtendListLine& l : m_lines) {
    int x = 0;
    for (ExtendListCell& c : l.cells) {
      PlaceParts(c, QRect(x, l.top, c.width, l.height), nullptr, fm, this);
      x += c.width;
    }
  }
}

void CExtendListCtrl::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.fillRect(viewport()->rect(), palette().base());
  p.setFont(font());
  const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
  p.translate(-scroll);
  const QFontMetrics fm(font());
  const int pageBottom = scroll.y() + viewport()->height();
  for (ExtendListLine& l : m_lines) {
    const bool visible = l.top + l.height >= scroll.y() && l.top <= pageBottom;
    int x = 0;
    for (ExtendListCell& c : l.cells) {
      const QRect rc(x, l.top, c.width, l.height);
      x += c.width;
      if (visible) {
        p.fillRect(rc, l.selected ? kSelectedFill : QColor(Qt::white));
        p.setPen(c.textColour);
      }
      PlaceParts(c, rc, visible ? &p : nullptr, fm, this);
    }
  }
}

QPoint CExtendListCtrl::CheckBoxCentre(int line, int cell, int part) const {
  const_cast<CExtendListCtrl*>(this)->LayoutParts();
  if (line < 0 || line >= GetLineCount()) return {-1, -1};
  const ExtendListLine& l = m_lines[static_cast<std::size_t>(line)];
  if (cell < 0 || static_cast<std::size_t>(cell) >= l.cells.size() || part < 0 || part > 3) return {-1, -1};
  const QRect r = l.cells[static_cast<std::size_t>(cell)].parts[static_cast<std::size_t>(part)].checkRect;
  if (r.isEmpty()) return {-1, -1};
  return r.center() - QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

bool CExtendListCtrl::Click(QPoint viewportPoint) {
  LayoutParts();
  bool toggled = false;
  const QPoint pt = viewportPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
  for (int i = 0; i < GetLineCount(); ++i) {
    ExtendListLine& l = m_lines[static_cast<std::size_t>(i)];
    if (pt.y() < l.top || pt.y() >= l.top + l.height) continue;
    for (std::size_t c = 0; c < l.cells.size(); ++c) {
      for (int k = 0; k < l.cells[c].partCount; ++k) {
        ExtendListPart& part = l.cells[c].parts[static_cast<std::size_t>(k)];
        if (!part.hasCheckBox || part.checkRect.isEmpty() || !part.checkRect.contains(pt)) continue;
        part.checked = !part.checked;
        toggled = true;
        if (part.notify) part.notify->OnCheck(part.checked ? 1 : 0, l.ownerValue, static_cast<int>(c), k);
      }
    }
    SelectLine(i);
    break;
  }
  return toggled;
}

void CExtendListCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Click(event->position().toPoint());
  QAbstractScrollArea::mousePressEvent(event);
}

void CExtendListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Click(event->position().toPoint());
  QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void CExtendListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    const bool toggled = Click(event->position().toPoint());
    Q_EMIT CheckStatesChanged();
    if (const int line = GetSelectedLine(); line >= 0 && !toggled) Q_EMIT LineRightClicked(line);
  }
  QAbstractScrollArea::mouseReleaseEvent(event);
}

void CExtendListCtrl::keyPressEvent(QKeyEvent* event) {
  const int sel = GetSelectedLine();
  if (event->key() == Qt::Key_Up) {
    if (sel > 0) SelectLine(sel - 1);
    return;
  }
  if (event->key() == Qt::Key_Down) {
    if (sel + 1 < GetLineCount()) SelectLine(sel + 1);
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}
