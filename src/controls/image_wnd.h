// A small shaped child window that plays a frame animation over the main
// window while a long step runs. Only the frame's opaque pixels show.
#pragma once

#include <QtGui/QPixmap>
#include <QtWidgets/QWidget>

#include <vector>

class QTimer;

class CImageWnd : public QWidget {
  Q_OBJECT
public:
  explicit CImageWnd(QWidget* parent = nullptr);

  // The frames of a horizontal strip: `frameCount` frames of equal width.
  // A null strip draws the built-in spinner.
  void LoadFrames(const QPixmap& strip, int frameCount, int intervalMs, bool loop);
  void Play();
  void Stop();
  // Centres one frame on (x, y) of the parent; -1 centres it on the parent.
  void CenterAt(int x, int y);

  bool IsStopped() const { return m_stopped; }
  int CurrentFrame() const { return m_frame; }
  int FrameCount() const { return m_frameCount; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void Tick();

  std::vector<QPixmap> m_frames;
  int m_frameCount = 0;
  int m_frame = 0;
  int m_interval = 50;
  bool m_loop = true;
  bool m_stopped = false;
  QTimer* m_timer;
};

// The spinner the device pages show: `frames` frames of 12 dots, one dot
// brighter per frame.
QPixmap BusySpinnerStrip(int frames, int size);
