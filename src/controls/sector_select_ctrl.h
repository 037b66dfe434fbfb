// A horizontal bar on which the user picks a range of sectors of a disk by
// dragging two handles or the band between them (the imaging wizard's
// region step). The geometry is plain arithmetic over edge coordinates
// (right and bottom exclusive), kept in SectorBarLayout so that it is
// tested without a window.
#pragma once

#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QWidget>

#include <cstdint>

namespace qm {

struct EdgeRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Where the track, the selection and the handles lie, and how sectors map
// to pixels.
class SectorBarLayout {
public:
  enum Drag { kNone = 0, kLeftHandle = 1, kRightHandle = 2, kBand = 4 };

  // The track inside a client area of w x h pixels.
  void Lay(int width, int height);
  void SetTotal(std::uint64_t count);
  // An invalid range (first > last, past the largest sector) selects the
  // whole disk; true when that happened.
  bool SetSelection(std::uint64_t first, std::uint64_t last);
  // The selection the pixels stand for; in a band drag the length is kept.
  void GetSelection(Drag mode, std::uint64_t& first, std::uint64_t& last) const;
  void StoreSelection(std::uint64_t first, std::uint64_t last) {
    first_ = first;
    last_ = last;
  }
  // What a press at (x, y) starts dragging.
  Drag HitTest(int x, int y) const;
  // One drag step by dx pixels.
  void DragBy(Drag mode, int dx);

  const EdgeRect& Track() const { return track_; }
  const EdgeRect& Selection() const { return sel_; }
  const EdgeRect& LeftHandle() const { return h1_; }
  const EdgeRect& RightHandle() const { return h2_; }
  std::uint64_t Largest() const { return largest_; }
  std::uint64_t StoredFirst() const { return first_; }
  std::uint64_t StoredLast() const { return last_; }
  double SectorsPerPixel() const { return perPixel_; }

private:
  void PlaceHandles();

  EdgeRect track_, sel_, h1_, h2_;
  std::uint64_t largest_ = 0, first_ = 0, last_ = 0;
  double perPixel_ = 0;
};

class CSectorSelectCtrl : public QWidget {
  Q_OBJECT

public:
  explicit CSectorSelectCtrl(QWidget* parent = nullptr);

  void SetTotalSectors(std::uint64_t count);
  void SetSelection(std::uint64_t first, std::uint64_t last);
  // The selection the bar shows; it also becomes the stored selection.
  void GetSelection(std::uint64_t& first, std::uint64_t& last);
  // Colours are 0x00BBGGRR values.
  CSectorSelectCtrl& SetSelColour(std::uint32_t colour);
  CSectorSelectCtrl& SetTrackColour(std::uint32_t colour);
  const SectorBarLayout& Layout() const { return layout_; }
  QSize sizeHint() const override { return {560, 60}; }

Q_SIGNALS:
  // After each drag step and after SetSelection corrected a range.
  void SelectionChanged();

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  SectorBarLayout layout_;
  SectorBarLayout::Drag mode_ = SectorBarLayout::kNone;
  int lastX_ = 0;
  bool dragging_ = false;
  std::uint32_t selColour_ = 0x64DE64;
  std::uint32_t trackColour_ = 0xF3ECE7;
};

// A progress bar on the pages' white background.
class CPublicPorgress : public QProgressBar {
  Q_OBJECT

public:
  explicit CPublicPorgress(QWidget* parent = nullptr);
};

// The platform's push button with a picture; no behaviour of its own.
class CMyBitmapButton : public QPushButton {
  Q_OBJECT

public:
  using QPushButton::QPushButton;
};

// 0x00BBGGRR to a colour.
QColor ColorRef(std::uint32_t value);

} // namespace qm
