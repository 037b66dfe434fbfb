// The space pie: the slice angles and rim points, which slices get a top
// wedge, the side band's colours, and the control's smallest size.
#include <QtWidgets/QWidget>
#include <gtest/gtest.h>

#include "controls/pie_ctrl.h"
#include "controls/pie_geometry.h"
#include "support_ui/gallery.h"

namespace qm {
namespace {

struct AngleCase {
  std::int64_t free, required, used;
  std::array<int, 3> angles;
};

TEST(PieSliceAngles, ShareOf360RoundedWithTheRestOnTheUsedSlice) {
  const AngleCase cases[] = {
      {0, 0, 0, {0, 0, 0}},
      {1, 1, 1, {120, 120, 120}},
      {1, 2, 0, {120, 240, 0}},
      {0, 0, 5, {0, 0, 360}},
      {1, 0, 0, {360, 0, 0}},
      {1, 1, 0, {180, 180, 0}},
      {1000, 1, 1000, {180, 0, 180}},
      {2, 1, 1000, {1, 0, 359}},
      // Values near the 64-bit limit are shared out, not wrapped.
      {INT64_MAX, INT64_MAX, INT64_MAX, {120, 120, 120}},
      // Negative amounts count as nothing.
      {-5, 1, 1, {0, 180, 180}},
  };
  for (const AngleCase& c : cases) {
    EXPECT_EQ(PieSliceAngles(c.free, c.required, c.used), c.angles)
        << c.free << " " << c.required << " " << c.used;
    const auto a = PieSliceAngles(c.free, c.required, c.used);
    if (c.free > 0 || c.required > 0 || c.used > 0) {
      EXPECT_EQ(a[0] + a[1] + a[2], 360);
    }
  }
}

TEST(PieSliceAngles, NoSliceEverNegativeWhatTheRounding) {
  for (std::int64_t f = 0; f < 40; ++f)
    for (std::int64_t r = 0; r < 40; ++r)
      for (std::int64_t u : {0, 1, 2, 3, 997}) {
        if (f + r + u == 0) continue;
        const auto a = PieSliceAngles(f, r, u);
        EXPECT_GE(a[2], 0) << f << " " << r << " " << u;
        EXPECT_EQ(a[0] + a[1] + a[2], 360);
      }
}

TEST(PieGeometry, RadiiRimPointsAndSideBoxesOfA180By130Control) {
  const PieGeometry g = ComputePieGeometry(180, 130, 1, 1, 1);
  EXPECT_EQ(g.rx, 63);
  EXPECT_EQ(g.ry, 22);
  ASSERT_FALSE(g.empty);
  // Slice 0 runs from 3 o'clock clockwise to 120 degrees (below, left).
  EXPECT_EQ(g.slices[0].start, (PiePoint{63, 0}));
  EXPECT_EQ(g.slices[0].end, (PiePoint{-32, 19}));
  EXPECT_EQ(g.slices[1].start, g.slices[0].end);
  EXPECT_EQ(g.slices[1].end, (PiePoint{-32, -19}));
  EXPECT_EQ(g.slices[2].end, (PiePoint{63, 0}));
  // Slice 0 starts on the centre line, ends below: its side box spans
  // the band from its end to its start.
  EXPECT_EQ(g.slices[0].side, (PieBox{-32, 0, 63, 22 + kPieSideHeight}));
  // Slice 1 starts below (y 19 >= 0) on the left and ends above.
  EXPECT_EQ(g.slices[1].side, (PieBox{-63, 0, -32, 19 + kPieSideHeight}));
  // Slice 2 starts above the centre line: no side box.
  EXPECT_EQ(g.slices[2].side, (PieBox{}));
}

TEST(PieGeometry, AllZeroIsEmptyAndThinSlicesGetNoWedge) {
  EXPECT_TRUE(ComputePieGeometry(180, 130, 0, 0, 0).empty);
  EXPECT_FALSE(PieSliceDrawn(0));
  EXPECT_FALSE(PieSliceDrawn(2));
  EXPECT_TRUE(PieSliceDrawn(3));
  const PieGeometry g = ComputePieGeometry(180, 130, 2, 1, 1000);
  EXPECT_EQ(g.slices[0].angle, 1);
  EXPECT_FALSE(PieSliceDrawn(g.slices[0].angle));
}

TEST(PieCtrl, ASmallRectangleIsWidenedTo180By130) {
  QWidget parent;
  CPieCtrl pie(&parent);
  pie.Create(QRect(7, 9, 100, 50));
  EXPECT_EQ(pie.geometry(), QRect(7, 9, 180, 130));
  pie.Create(QRect(0, 0, 300, 200));
  EXPECT_EQ(pie.size(), QSize(300, 200));
}

TEST(PieCtrl, PaintsTopAndSideColoursOfEachSliceAndNothingWhenEmpty) {
  CPieCtrl pie;
  pie.SetBackground(QColor(240, 240, 240));
  const QSize size(180, 130);
  const QImage empty = pie.Render(size);
  EXPECT_EQ(empty.pixelColor(90, 87), QColor(240, 240, 240));
  pie.SetSpaceInfo(1, 1, 1);
  const QImage image = pie.Render(size);
  const QPoint centre(90, 130 - 130 / 3);
  // Tops: free below right of the centre, required on the left, used above right.
  EXPECT_EQ(image.pixelColor(centre + QPoint(10, 8)), QColor(0xFF, 0x00, 0xFF));
  EXPECT_EQ(image.pixelColor(centre + QPoint(-30, 0)), QColor(0xD3, 0xC9, 0x05));
  EXPECT_EQ(image.pixelColor(centre + QPoint(20, -12)), QColor(0x00, 0x00, 0xFF));
  // The band under the free slice takes its side colour.
  EXPECT_EQ(image.pixelColor(centre + QPoint(10, 22 + 6)), QColor(0x80, 0x00, 0x80));
  // Outside the pie the background stays.
  EXPECT_EQ(image.pixelColor(2, 2), QColor(240, 240, 240));
}

TEST(PieCtrl, Gallery) {
  QWidget frame;
  frame.resize(3 * 190, 140);
  frame.setStyleSheet(QStringLiteral("background: rgb(240,240,240);"));
  const std::int64_t values[3][3] = {{70, 5, 25}, {1, 2, 0}, {2, 1, 1000}};
  for (int i = 0; i < 3; ++i) {
    auto* pie = new CPieCtrl(&frame);
    pie->Create(QRect(i * 190, 5, 180, 130));
    pie->SetSpaceInfo(values[i][0], values[i][1], values[i][2]);
  }
  EXPECT_FALSE(test::SaveToGallery(frame, QStringLiteral("pie_ctrl")).isEmpty());
}

} // namespace
} // namespace qm
