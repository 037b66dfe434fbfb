#include "controls/image_wnd.h"

#include <QtCore/QTimer>
#include <QtGui/QBitmap>
#include <QtGui/QPainter>

#include <cmath>
#include <numbers>

QPixmap BusySpinnerStrip(int frames, int size) {
  QPixmap strip(size * frames, size);
  strip.fill(Qt::transparent);
  QPainter p(&strip);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  const int dots = 12;
  const double radius = size * 0.38, dot = size * 0.085;
  for (int f = 0; f < frames; ++f) {
    const QPointF centre(f * size + size / 2.0, size / 2.0);
    for (int d = 0; d < dots; ++d) {
      const double angle = 2 * std::numbers::pi * d / dots - std::numbers::pi / 2;
      const int age = ((f - d) % dots + dots) % dots; // 0 = the leading dot
      const int alpha = 255 - age * 17;
      p.setBrush(QColor(40, 110, 190, std::max(40, alpha)));
      p.drawEllipse(centre + QPointF(std::cos(angle) * radius, std::sin(angle) * radius), dot, dot);
    }
  }
  return strip;
}

CImageWnd::CImageWnd(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this)) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  connect(m_timer, &QTimer::timeout, this, &CImageWnd::Tick);
}

void CImageWnd::LoadFrames(const QPixmap& stripIn, int frameCount, int intervalMs, bool loop) {
  m_frames.clear();
  m_frameCount = 0;
  const QPixmap strip = stripIn.isNull() ? BusySpinnerStrip(std::max(1, frameCount), 48) : stripIn;
  if (frameCount > 0 && strip.width() >= frameCount) {
    const int w = strip.width() / frameCount;
    for (int i = 0; i < frameCount; ++i)
      m_frames.push_back(strip.copy(i * w, 0, w, strip.height()));
    m_frameCount = frameCount;
    resize(w, strip.height());
  }
  m_interval = intervalMs > 0 ? intervalMs : 50;
  m_loop = loop;
  m_frame = 0;
  update();
}

void CImageWnd::Play() {
  if (m_frameCount == 0) return;
  m_stopped = false;
  m_timer->start(m_interval);
}

void CImageWnd::Stop() {
  m_timer->stop();
  m_frame = 0;
  m_stopped = true;
  update();
}

void CImageWnd::CenterAt(int x, int y) {
  if (m_frames.empty()) return;
  if ((x == -1 || y == -1) && parentWidget()) {
    x = parentWidget()->width() / 2;
    y = parentWidget()->height() / 2;
  }
  move(x - width() / 2, y - height() / 2);
  raise();
}

void CImageWnd::Tick() {
  ++m_frame;
  if (m_frame >= m_frameCount && !m_loop) {
    Stop();
    return;
  }
  if (m_frameCount) m_frame %= m_frameCount;
  update();
}

void CImageWnd::paintEvent(QPaintEvent*) {
  if (m_frame < 0 || m_frame >= static_cast<int>(m_frames.size())) return;
  QPainter p(this);
  p.drawPixmap(0, 0, m_frames[static_cast<std::size_t>(m_frame)]);
}
