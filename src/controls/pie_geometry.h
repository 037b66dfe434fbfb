// The geometry of the tilted space pie: the angle of each slice, where its
// radials meet the rim, and the part of the side band each slice colours.
// Plain numbers, so that the drawing can be checked without a window. All
// points are relative to the pie's centre, y growing downwards; angles
// grow clockwise on the screen from the 3 o'clock position.
#pragma once

#include <array>
#include <cstdint>

namespace qm {

// Thickness of the pie's side band, in pixels.
inline constexpr int kPieSideHeight = 12;

struct PiePoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const PiePoint&, const PiePoint&) = default;
};

// Inclusive bounds.
struct PieBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const PieBox&, const PieBox&) = default;
};

struct PieSlice {
  int angle = 0; // whole degrees
  PiePoint start;
  PiePoint end;
  PieBox side; // zero when the slice starts above the centre line
};

struct PieGeometry {
  int rx = 0;
  int ry = 0;
  bool empty = true; // all three values 0: nothing is drawn
  std::array<PieSlice, 3> slices{};
};

// Angles of free, required and used space: each value's share of 360
// rounded to whole degrees, the used slice taking what rounding left over
// so that they add up to 360. Negative values count as 0; all 0 gives 0,
// 0, 0.
std::array<int, 3> PieSliceAngles(std::int64_t freeSpace, std::int64_t required, std::int64_t used);

// The half axes of the pie in a control of that client size.
int PieRadiusX(int width);
int PieRadiusY(int height);

// Everything the drawing needs for a control of that client size.
PieGeometry ComputePieGeometry(int width, int height, std::int64_t freeSpace, std::int64_t required,
                               std::int64_t used);

// Whether a slice gets its top wedge (slices of 2 degrees or less do not).
inline bool PieSliceDrawn(int angle) { return angle > 2; }

} // namespace qm
