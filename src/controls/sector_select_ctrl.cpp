#include "controls/sector_select_ctrl.h"

#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr int kBandMargin = 15; // above and below the band
constexpr int kTrackInset = 12; // left and right of the track
constexpr int kHandleWidth = 8;
constexpr std::uint32_t kBackground = 0xF4DAB1;

std::uint64_t ToSector(double pixels, double perPixel, std::uint64_t largest) {
  if (pixels <= 0) {
    return 0;
  }
  const double value = std::floor(pixels * perPixel + 1e-6);
  return value >= static_cast<double>(largest) ? largest : static_cast<std::uint64_t>(value);
}

} // namespace

QColor ColorRef(std::uint32_t value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

void SectorBarLayout::Lay(int width, int height) {
  track_ = {kTrackInset, kBandMargin, std::max(kTrackInset + 1, width - kTrackInset),
            std::max(kBandMargin + 1, height - kBandMargin)};
  perPixel_ = static_cast<double>(largest_) / track_.Width();
  SetSelection(first_, last_);
}

void SectorBarLayout::SetTotal(std::uint64_t count) {
  largest_ = count == 0 ? 0 : count - 1;
  perPixel_ = static_cast<double>(largest_) / std::max(1, track_.Width());
  first_ = 0;
  last_ = largest_;
  SetSelection(0, largest_);
}

bool SectorBarLayout::SetSelection(std::uint64_t first, std::uint64_t last) {
  const bool reset = first > last || first > largest_ || last > largest_;
  if (reset) {
    first = 0;
    last = largest_;
  }
  first_ = first;
  last_ = last;
  sel_ = track_;
  if (!reset && perPixel_ > 0) {
    sel_.left = track_.left + static_cast<int>(static_cast<double>(first) / perPixel_);
    sel_.right = track_.left + static_cast<int>(static_cast<double>(last) / perPixel_);
  }
  sel_.left = std::clamp(sel_.left, track_.left, track_.right);
  sel_.right = std::clamp(sel_.right, sel_.left, track_.right);
  PlaceHandles();
  return reset;
}

void SectorBarLayout::PlaceHandles() {
  const int h = track_.Height();
  h1_ = {sel_.left - kHandleWidth, track_.top + h / 5, sel_.left, track_.top + 4 * h / 5};
  h2_ = {sel_.right, track_.top + h / 5, sel_.right + kHandleWidth, track_.top + 4 * h / 5};
}

void SectorBarLayout::GetSelection(Drag mode, std::uint64_t& first, std::uint64_t& last) const {
  first = ToSector(sel_.left - track_.left, perPixel_, largest_);
  if (mode == kBand) {
    const std::uint64_t length = last_ - first_;
    first = std::min(first, largest_ - length);
    last = first + length;
  } else {
    last = sel_.right >= track_.right ? largest_ : ToSector(sel_.right - track_.left, perPixel_, largest_);
    last = std::max(last, first);
  }
}

SectorBarLayout::Drag SectorBarLayout::HitTest(int x, int y) const {
  if (sel_.Contains(x, y)) {
    return kBand;
  }
  if (h1_.Contains(x, y)) {
    return kLeftHandle;
  }
  if (h2_.Contains(x, y)) {
    return kRightHandle;
  }
  return kNone;
}

void SectorBarLayout::DragBy(Drag mode, int dx) {
  switch (mode) {
  case kBand: {
    if (track_.Width() < sel_.Width()) {
      return;
    }
    const int width = sel_.Width();
    const int left = std::clamp(sel_.left + dx, track_.left, track_.right - width);
    sel_.left = left;
    sel_.right = left + width;
    break;
  }
  case kLeftHandle:
    sel_.left = std::clamp(sel_.left + dx, track_.left, sel_.right);
    break;
  case kRightHandle:
    sel_.right = std::clamp(sel_.right + dx, sel_.left, track_.right);
    break;
  case kNone:
    return;
  }
  PlaceHandles();
}

CSectorSelectCtrl::CSectorSelectCtrl(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Zorv_Sector_Select"));
  setMouseTracking(true);
  setMinimumHeight(50);
  layout_.Lay(width(), height());
}

void CSectorSelectCtrl::SetTotalSectors(std::uint64_t count) {
  layout_.Lay(width(), height());
  layout_.SetTotal(count);
  update();
}

void CSectorSelectCtrl::SetSelection(std::uint64_t first, std::uint64_t last) {
  const bool reset = layout_.SetSelection(first, last);
  update();
  if (reset) {
    Q_EMIT SelectionChanged();
  }
}

void CSectorSelectCtrl::GetSelection(std::uint64_t& first, std::uint64_t& last) {
  layout_.GetSelection(mode_, first, last);
  // What the bar shows becomes the stored selection; the pixels stay.
  layout_.StoreSelection(first, last);
}

CSectorSelectCtrl& CSectorSelectCtrl::SetSelColour(std::uint32_t colour) {
  selColour_ = colour;
  update();
  return *this;
}

CSectorSelectCtrl& CSectorSelectCtrl::SetTrackColour(std::uint32_t colour) {
  trackColour_ = colour;
  update();
  return *this;
}

void CSectorSelectCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layout_.Lay(width(), height());
}

void CSectorSelectCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    return;
  }
  const QPoint at = event->position().toPoint();
  mode_ = layout_.HitTest(at.x(), at.y());
  lastX_ = at.x();
  dragging_ = true;
}

void CSectorSelectCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  lastX_ = event->position().toPoint().x();
  dragging_ = true;
}

void CSectorSelectCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const EdgeRect& s = layout_.Selection();
  const EdgeRect inner{s.left + 1, s.top + 1, s.right - 1, s.bottom - 1};
  if (inner.Contains(at.x(), at.y())) {
    setCursor(Qt::SizeAllCursor);
  } else if (layout_.LeftHandle().Contains(at.x(), at.y()) ||
             layout_.RightHandle().Contains(at.x(), at.y())) {
    setCursor(Qt::SizeHorCursor);
  } else {
    setCursor(Qt::ArrowCursor);
  }
  if (!dragging_) {
    return;
  }
  if (mode_ != SectorBarLayout::kNone) {
    layout_.DragBy(mode_, at.x() - lastX_);
    update();
  }
  lastX_ = at.x();
  Q_EMIT SelectionChanged();
}

void CSectorSelectCtrl::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

void CSectorSelectCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor background = ColorRef(kBackground);
  painter.fillRect(rect(), background);
  painter.setPen(Qt::black);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  const EdgeRect& r = layout_.Track();
  painter.drawRect(r.left, r.top, r.Width() - 1, r.Height() - 1);
  painter.fillRect(r.left + 1, r.top + 1, r.Width() - 2, r.Height() - 2, ColorRef(trackColour_));

  const EdgeRect& s = layout_.Selection();
  if (s.Width() > 0) {
    int left = s.left, top = s.top, right = s.right, bottom = s.bottom;
    if (s.Width() > 1) {
      ++left, ++top, --right, --bottom;
    }
    const QPalette& palette = QApplication::palette();
    painter.setPen(palette.color(QPalette::Highlight));
    painter.drawLine(left, top, right - 1, top);
    painter.drawLine(left, top, left, bottom - 1);
    painter.setPen(palette.color(QPalette::Shadow));
    painter.drawLine(right - 1, top, right - 1, bottom - 1);
    painter.drawLine(left, bottom - 1, right - 1, bottom - 1);
    if (right - left > 1) {
      ++left, ++top, --right, --bottom;
    }
    painter.fillRect(left, top, right - left, bottom - top, ColorRef(selColour_));
  }

  for (int side = 0; side < 2; ++side) {
    const EdgeRect& h = side == 0 ? layout_.LeftHandle() : layout_.RightHandle();
    painter.fillRect(h.left, h.top, h.Width(), h.Height(), background);
    painter.setPen(Qt::black);
    painter.drawRect(h.left, h.top, h.Width() - 1, h.Height() - 1);
    // An arrow pointing out of the selection, widening over 8 columns.
    const int middle = (h.top + h.bottom) / 2;
    for (int i = 0; i < 8; ++i) {
      const int x = side == 0 ? h.left + i : h.right - 1 - i;
      if (i > 0) {
        painter.drawLine(x, middle - (i - 1), x, middle + (i - 1));
      }
    }
  }
}

CPublicPorgress::CPublicPorgress(QWidget* parent) : QProgressBar(parent) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Base, ColorRef(0xFDFCFB));
  palette.setColor(QPalette::Window, ColorRef(0xFDFCFB));
  setPalette(palette);
  setTextVisible(false);
}

} // namespace qm
