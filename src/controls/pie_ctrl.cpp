#include "controls/pie_ctrl.h"

#include <QtGui/QPainter>

#include <vector>

#include "controls/pie_geometry.h"
#include "platform/log.h"

namespace qm {
namespace {

// Colours of the free, required and used slices: top and side.
const QColor kTop[3] = {QColor(0xFF, 0x00, 0xFF), QColor(0xD3, 0xC9, 0x05), QColor(0x00, 0x00, 0xFF)};
const QColor kSide[3] = {QColor(0x80, 0x00, 0x80), QColor(0x7E, 0x78, 0x03), QColor(0x00, 0x00, 0x80)};

// Fills the white-able area around (x, y) white, bounded by black pixels
// (four-way, so a one-pixel diagonal line holds).
void FloodFillWhite(QImage& image, int x, int y) {
  const QRgb black = qRgb(0, 0, 0);
  const QRgb white = qRgb(255, 255, 255);
  if (!image.rect().contains(x, y)) return;
  std::vector<QPoint> stack{{x, y}};
  while (!stack.empty()) {
    const QPoint p = stack.back();
    stack.pop_back();
    if (!image.rect().contains(p)) continue;
    const QRgb here = image.pixel(p) | 0xFF000000u;
    if (here == black || here == white) continue;
    image.setPixel(p, white);
    stack.push_back({p.x() + 1, p.y()});
    stack.push_back({p.x() - 1, p.y()});
    stack.push_back({p.x(), p.y() + 1});
    stack.push_back({p.x(), p.y() - 1});
  }
}

} // namespace

CPieCtrl::CPieCtrl(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void CPieCtrl::Create(const QRect& rect) {
  LogInfo("------------------------ParmInfo:RECT rect=(%d,%d,%d,%d)", rect.left(), rect.top(), rect.right(),
          rect.bottom());
  QRect r = rect;
  if (r.width() < kMinWidth) r.setWidth(kMinWidth);
  if (r.height() < kMinHeight) r.setHeight(kMinHeight);
  setGeometry(r);
}

CPieCtrl& CPieCtrl::SetSpaceInfo(std::int64_t freeSpace, std::int64_t required, std::int64_t used) {
  LogInfo(
      "------------------------ParmInfo:LONGLONG llFreeSpace=%lld, LONGLONG llRequiredSpace=%lld, LONGLONG "
      "llUsedSpace=%lld",
      static_cast<long long>(freeSpace), static_cast<long long>(required), static_cast<long long>(used));
  free_ = freeSpace;
  required_ = required;
  used_ = used;
  update();
  return *this;
}

CPieCtrl& CPieCtrl::SetMode(int mode) {
  mode_ = mode;
  return *this;
}

QImage CPieCtrl::Render(const QSize& size) const {
  QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(background_);
  if (!legend_.isEmpty()) {
    QPainter painter(&image);
    painter.setFont(font());
    const int line = painter.fontMetrics().height() + 4;
    for (int i = 0; i < legend_.size() && i < 3; ++i) {
      const QRect key(4, 6 + i * line, 12, 12);
      painter.fillRect(key, kTop[i]);
      painter.setPen(Qt::black);
      painter.drawRect(key);
      painter.drawText(QRect(key.right() + 8, key.top() - 3, size.width(), line),
                       Qt::AlignLeft | Qt::AlignTop, legend_[i]);
    }
  }
  const PieGeometry g = ComputePieGeometry(size.width(), size.height(), free_, required_, used_);
  if (g.empty || g.rx <= 0 || g.ry <= 0) return image;
  const QPoint origin(size.width() / 2, size.height() - size.height() / 3);
  const QRect ellipse(-g.rx, -g.ry, 2 * g.rx, 2 * g.ry);
  const QPen pen(Qt::black, 1);
  {
    QPainter painter(&image);
    painter.translate(origin);
    painter.setPen(pen);
    int cumulative = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      const PieSlice& slice = g.slices[i];
      if (PieSliceDrawn(slice.angle)) {
        painter.setBrush(kTop[i]);
        // Qt counts angles counter-clockwise in sixteenths; the slices run clockwise.
        painter.drawPie(ellipse, -cumulative * 16, -slice.angle * 16);
      }
      cumulative += slice.angle;
    }
    // The rim closes the band below even where a thin slice has no wedge.
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(ellipse);
    painter.drawArc(ellipse.translated(0, kPieSideHeight), 180 * 16, 180 * 16);
    painter.drawLine(-g.rx, 0, -g.rx, kPieSideHeight);
    painter.drawLine(g.rx, 0, g.rx, kPieSideHeight);
  }
  FloodFillWhite(image, origin.x(), origin.y() + g.ry + 1);
  {
    QPainter painter(&image);
    painter.translate(origin);
    painter.setPen(pen);
    for (const PieSlice& slice : g.slices)
      if (slice.end.y > 0)
        painter.drawLine(slice.end.x, slice.end.y, slice.end.x, slice.end.y + kPieSideHeight);
  }
  const QRgb white = qRgb(255, 255, 255);
  for (std::size_t i = 0; i < 3; ++i) {
    const PieBox& box = g.slices[i].side;
    const QRgb side = kSide[i].rgb();
    for (int y = box.top; y <= box.bottom; ++y) {
      for (int x = box.left; x <= box.right; ++x) {
        const QPoint p(origin.x() + x, origin.y() + y);
        if (image.rect().contains(p) && (image.pixel(p) | 0xFF000000u) == white) image.setPixel(p, side);
      }
    }
  }
  return image;
}

void CPieCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, Render(size()));
}

} // namespace qm
