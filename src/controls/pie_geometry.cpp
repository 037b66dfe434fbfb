#include "controls/pie_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qm {

std::array<int, 3> PieSliceAngles(std::int64_t freeSpace, std::int64_t required, std::int64_t used) {
  const std::array<std::int64_t, 3> values{std::max<std::int64_t>(freeSpace, 0),
                                           std::max<std::int64_t>(required, 0),
                                           std::max<std::int64_t>(used, 0)};
  // Summed as floating point: three values near the 64-bit limit must not wrap.
  const double sum =
      static_cast<double>(values[0]) + static_cast<double>(values[1]) + static_cast<double>(values[2]);
  std::array<int, 3> angles{};
  if (sum <= 0) return angles;
  int total = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const float share = static_cast<float>(static_cast<double>(values[i]) / sum);
    angles[i] = static_cast<int>(share * 360.0f + 0.5f);
    total += angles[i];
  }
  angles[2] += 360 - total;
  // Rounding can push the first two past 360 by a degree; the largest of
  // them gives it back rather than leaving a negative slice.
  if (angles[2] < 0) {
    const std::size_t larger = angles[0] >= angles[1] ? 0 : 1;
    angles[larger] += angles[2];
    angles[2] = 0;
  }
  return angles;
}

int PieRadiusX(int width) { return static_cast<int>(static_cast<double>(width) / 100.0 * 35.0); }
int PieRadiusY(int height) { return static_cast<int>(static_cast<double>(height) / 35.0 * 6.0); }

namespace {

PiePoint RimPoint(int cumulativeDegrees, int rx, int ry) {
  const double r = cumulativeDegrees * std::numbers::pi / 180.0;
  int x = static_cast<int>(std::cos(r) * rx);
  x = x < 0 ? x - 1 : x + 1;
  x = std::clamp(x, -rx, rx);
  return {x, static_cast<int>(std::sin(r) * ry)};
}

PieBox SideBox(const PieSlice& slice, int rx, int ry) {
  const PiePoint s = slice.start;
  const PiePoint e = slice.end;
  PiePoint p;
  int bottom = 0;
  if (s.x >= 1 && e.x >= 1) {
    if (e.y > 0 || slice.angle < 2) {
      p = {e.x, s.y};
      bottom = e.y;
    } else {
      p = {-rx, 0};
      bottom = ry;
    }
  } else if (s.x > 0 || e.x > 0) {
    p = e.y > 0 ? PiePoint{e.x, std::min(s.y, e.y)} : PiePoint{-rx, 0};
    bottom = ry;
  } else {
    p = e.y > 0 ? PiePoint{e.x, e.y} : PiePoint{-rx, 0};
    bottom = s.y;
  }
  return {p.x, p.y, s.x, bottom + kPieSideHeight};
}

} // namespace

PieGeometry ComputePieGeometry(int width, int height, std::int64_t freeSpace, std::int64_t required,
                               std::int64_t used) {
  PieGeometry g;
  g.rx = PieRadiusX(width);
  g.ry = PieRadiusY(height);
  g.empty = freeSpace == 0 && required == 0 && used == 0;
  if (g.empty) return g;
  const std::array<int, 3> angles = PieSliceAngles(freeSpace, required, used);
  PiePoint start{g.rx, 0};
  int cumulative = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    PieSlice& slice = g.slices[i];
    slice.angle = angles[i];
    cumulative += angles[i];
    slice.start = start;
    slice.end = RimPoint(cumulative, g.rx, g.ry);
    start = slice.end;
    if (slice.start.y >= 0) slice.side = SideBox(slice, g.rx, g.ry);
  }
  return g;
}

} // namespace qm
