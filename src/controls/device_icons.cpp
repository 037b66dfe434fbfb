#include "controls/device_icons.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

namespace qm {
namespace {

void DrawDrive(QPainter& p, const QRectF& r, const QColor& body, const QColor& stripe) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, body.lighter(130));
  g.setColorAt(1, body.darker(115));
  p.setPen(QPen(body.darker(170), 1));
  p.setBrush(g);
  p.drawRoundedRect(r, 3, 3);
  const QRectF band(r.left() + 3, r.bottom() - r.height() * 0.38, r.width() - 6, r.height() * 0.2);
  p.setPen(Qt::NoPen);
  p.setBrush(stripe);
  p.drawRoundedRect(band, 1.5, 1.5);
  p.setBrush(QColor(90, 220, 90));
  const double d = r.height() * 0.14;
  p.drawEllipse(QRectF(r.right() - 4 - d, r.top() + 4, d, d));
}

} // namespace

QPixmap DeviceIconPixmap(unsigned kind, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  const QRectF drive(s * 0.06, s * 0.28, s * 0.88, s * 0.48);
  switch (kind) {
  case 0:
    DrawDrive(p, drive, QColor(150, 160, 175), QColor(70, 80, 95));
    break;
  case 1:
    DrawDrive(p, drive, QColor(170, 176, 186), QColor(60, 66, 78));
    break;
  case 2:
    DrawDrive(p, drive, QColor(120, 160, 210), QColor(40, 80, 140));
    break;
  case 3: {
    DrawDrive(p, drive, QColor(170, 176, 186), QColor(60, 66, 78));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 150, 40));
    p.drawPie(QRectF(s * 0.5, s * 0.05, s * 0.45, s * 0.45), 90 * 16, -120 * 16);
    break;
  }
  case 4: {
    QPainterPath page;
    page.moveTo(s * 0.2, s * 0.06);
    page.lineTo(s * 0.62, s * 0.06);
    page.lineTo(s * 0.82, s * 0.26);
    page.lineTo(s * 0.82, s * 0.94);
    page.lineTo(s * 0.2, s * 0.94);
    page.closeSubpath();
    p.setPen(QPen(QColor(110, 110, 120), 1));
    p.setBrush(QColor(250, 250, 252));
    p.drawPath(page);
    p.setBrush(QColor(70, 130, 200));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(s * 0.51, s * 0.6), s * 0.2, s * 0.2);
    p.setBrush(QColor(250, 250, 252));
    p.drawEllipse(QPointF(s * 0.51, s * 0.6), s * 0.05, s * 0.05);
    break;
  }
  case 5: {
    p.setPen(QPen(QColor(40, 130, 60), s * 0.1, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF arc(s * 0.18, s * 0.18, s * 0.64, s * 0.64);
    p.drawArc(arc, 100 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(s * 0.36, s * 0.06);
    head.lineTo(s * 0.56, s * 0.2);
    head.lineTo(s * 0.34, s * 0.32);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 130, 60));
    p.drawPath(head);
    p.setPen(QPen(QColor(40, 130, 60), s * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.5, s * 0.32));
    p.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.63, s * 0.58));
    break;
  }
  case 6: {
    const QRectF body(s * 0.08, s * 0.34, s * 0.62, s * 0.32);
    p.setPen(QPen(QColor(50, 60, 80), 1));
    p.setBrush(QColor(60, 110, 190));
    p.drawRoundedRect(body, 3, 3);
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(QRectF(body.right(), s * 0.39, s * 0.22, s * 0.22));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(body.right() + s * 0.05, s * 0.43, s * 0.05, s * 0.05));
    p.drawRect(QRectF(body.right() + s * 0.13, s * 0.43, s * 0.05, s * 0.05));
    break;
  }
  default:
    break;
  }
  return pm;
}

} // namespace qm
