#include "controls/extend_header_ctrl.h"

#include <QtGui/QPainter>
#include <QtGui/QStandardItemModel>

CExtendHeaderCtrl::CExtendHeaderCtrl(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), m_model(new QStandardItemModel(0, 0, this)) {
  setModel(m_model);
  setSectionsMovable(false);
  setSectionsClickable(false);
  setStretchLastSection(false);
  setMinimumSectionSize(8);
  setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QFont f = font();
  f.setPixelSize(12);
  setFont(f);
}

void CExtendHeaderCtrl::AddColumn(const QString& text, int width, int alignment) {
  const int column = m_model->columnCount();
  m_model->insertColumn(column);
  m_model->setHeaderData(column, Qt::Horizontal, text);
  const Qt::Alignment align = alignment == 1   ? Qt::AlignRight
                              : alignment == 2 ? Qt::AlignHCenter
                                               : Qt::AlignLeft;
  m_model->setHeaderData(column, Qt::Horizontal, static_cast<int>(align | Qt::AlignVCenter),
                         Qt::TextAlignmentRole);
  resizeSection(column, width);
}

void CExtendHeaderCtrl::SetColumnText(int column, const QString& text) {
  m_model->setHeaderData(column, Qt::Horizontal, text);
}

int CExtendHeaderCtrl::ColumnCount() const { return m_model->columnCount(); }

int CExtendHeaderCtrl::GetColumnWidth(int column) const {
  return column >= 0 && column < count() ? sectionSize(column) : 0;
}

int CExtendHeaderCtrl::GetTotalWidth() const {
  int total = 0;
  for (int i = 0; i < count(); ++i)
    total += sectionSize(i);
  return total;
}

int CExtendHeaderCtrl::HeaderHeight() const { return sizeHint().height(); }

QSize CExtendHeaderCtrl::sizeHint() const {
  QSize s = QHeaderView::sizeHint();
  s.setHeight(std::max(20, fontMetrics().height() + 9));
  return s;
}

void CExtendHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  painter->save();
  painter->fillRect(rect, m_background);
  painter->setPen(QColor(0xDB, 0xD4, 0xCB).darker(115));
  painter->drawLine(rect.topRight(), rect.bottomRight());
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());
  painter->setPen(m_text);
  painter->setFont(font());
  const int align = m_model->headerData(logicalIndex, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
  const QString text = m_model->headerData(logicalIndex, Qt::Horizontal).toString();
  const QRect textRect = rect.adjusted(5, 0, -5, 0);
  painter->drawText(textRect, align, fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
  painter->restore();
}
