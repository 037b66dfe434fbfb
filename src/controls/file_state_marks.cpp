#include "controls/file_state_marks.h"

#include <QtGui/QPainter>

#include <algorithm>

namespace qm {

void PaintDamagedMark(QPainter& painter, const QRectF& box) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal side = std::min(box.width(), box.height());
  const QRectF disc(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
  // A white rim keeps the sign apart from any icon under it.
  painter.setPen(QPen(Qt::white, std::max<qreal>(1.0, side / 10)));
  painter.setBrush(DamagedMarkColour());
  painter.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));
  const qreal x = disc.center().x();
  painter.setPen(QPen(Qt::white, std::max<qreal>(1.2, side / 6), Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(x, disc.top() + side * 0.24), QPointF(x, disc.top() + side * 0.56));
  painter.drawPoint(QPointF(x, disc.top() + side * 0.76));
  painter.restore();
}

} // namespace qm
