// A small tilted pie of three amounts of space: free, required and used,
// with a 12-pixel side band. The page that owns it hands it the numbers.
#pragma once

#include <QtCore/QStringList>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>

#include <cstdint>

namespace qm {

class CPieCtrl : public QWidget {
  Q_OBJECT

public:
  static constexpr int kMinWidth = 180;
  static constexpr int kMinHeight = 130;

  explicit CPieCtrl(QWidget* parent = nullptr);

  // Widens a rectangle narrower than 180 pixels to 180 and raises one lower
  // than 130 to 130 (left and top stay), then takes it as the geometry.
  void Create(const QRect& rect);
  CPieCtrl& SetSpaceInfo(std::int64_t freeSpace, std::int64_t required, std::int64_t used);
  CPieCtrl& SetMode(int mode);
  void SetBackground(const QColor& colour) { background_ = colour; }
  // A key of the three colours, a line each, drawn in the top left corner
  // (none when empty).
  void SetLegend(const QStringList& lines) {
    legend_ = lines;
    update();
  }

  std::int64_t FreeSpace() const { return free_; }
  std::int64_t RequiredSpace() const { return required_; }
  std::int64_t UsedSpace() const { return used_; }

  // The picture of the pie at that size (what the control paints).
  QImage Render(const QSize& size) const;

  QSize sizeHint() const override { return {kMinWidth, kMinHeight}; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::int64_t free_ = 0;
  std::int64_t required_ = 0;
  std::int64_t used_ = 0;
  int mode_ = 0;
  QColor background_{240, 240, 240};
  QStringList legend_;
};

} // namespace qm
