#include "controls/partition_layout_rows.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qm {
namespace {

LAYOUT_PARTITION Part(std::uint64_t first, std::uint64_t last, std::uint32_t bps = 512, double rank = 1.0,
                      const char* name = "p") {
  LAYOUT_PARTITION p;
  std::strncpy(p.name, name, sizeof p.name - 1);
  p.firstSector = first;
  p.lastSector = last;
  p.bytesPerSector = bps;
  p.rank = rank;
  p.fileSystem = 3;
  return p;
}

TEST(PartitionLayoutRows, OverlapTable) {
  struct Case {
    std::uint64_t a0, a1, b0, b1;
    std::uint32_t abps, bbps;
    bool overlap;
  } cases[] = {
      {0, 99, 100, 199, 512, 512, false},  // touching, not overlapping
      {0, 100, 100, 199, 512, 512, true},  // last sector shared (inclusive)
      {50, 60, 0, 1000, 512, 512, true},   // inside
      {0, 1000, 50, 60, 512, 512, true},   // around
      {0, 1000, 50, 60, 512, 4096, false}, // different sector sizes never clash
      {200, 300, 0, 199, 512, 512, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a0 << "-" << c.a1 << " vs " << c.b0 << "-" << c.b1);
    EXPECT_EQ(PartitionsOverlap(Part(c.a0, c.a1, c.abps), Part(c.b0, c.b1, c.bbps)), c.overlap);
    EXPECT_EQ(PartitionsOverlap(Part(c.b0, c.b1, c.bbps), Part(c.a0, c.a1, c.abps)), c.overlap);
  }
}

TEST(PartitionLayoutRows, FirstFitPutsOverlapsOnNewRowsAndFillsEarlierRowsFirst) {
  PartitionLayoutRows rows;
  rows.SetDiskSectors(10000);
  rows.Layout(1000);
  EXPECT_TRUE(rows.Add(Part(0, 4999)));
  EXPECT_TRUE(rows.Add(Part(4000, 6000)));  // overlaps the first: second row
  EXPECT_FALSE(rows.Add(Part(7000, 9999))); // overlaps neither: first row
  ASSERT_EQ(rows.Rows().size(), 2u);
  EXPECT_EQ(rows.Rows()[0].size(), 2u);
  EXPECT_EQ(rows.Rows()[1].size(), 1u);
  EXPECT_EQ(rows.ContentHeight(), 160);
  // The second row's block lies 80 pixels lower.
  EXPECT_EQ(rows.Rows()[1][0].rect.top, 83);
  EXPECT_EQ(rows.Rows()[1][0].rect.bottom, 157);
}

TEST(PartitionLayoutRows, RemovalMatchesAllButTheNameAndDropsEmptyRows) {
  PartitionLayoutRows rows;
  rows.SetDiskSectors(10000);
  rows.Add(Part(0, 4999, 512, 0.5, "a"));
  rows.Add(Part(4000, 6000, 512, 0.5, "b"));
  // Another rank is another partition.
  EXPECT_FALSE(rows.Remove(Part(4000, 6000, 512, 0.7, "b")));
  EXPECT_EQ(rows.Rows().size(), 2u);
  // The name is not compared.
  EXPECT_TRUE(rows.Remove(Part(4000, 6000, 512, 0.5, "renamed")));
  ASSERT_EQ(rows.Rows().size(), 1u);
  EXPECT_EQ(rows.ContentHeight(), 80);
  // Checked again: back on the second row, since it still overlaps the first block.
  EXPECT_TRUE(rows.Add(Part(4000, 6000, 512, 0.5, "b")));
  EXPECT_FALSE(rows.Add(Part(6001, 9000)));
  EXPECT_EQ(rows.Rows()[0].size(), 2u);
}

TEST(PartitionLayoutRows, BlockGeometryTable) {
  struct Case {
    std::uint64_t first, last, disk;
    int width;
    LayoutRect expected;
  } cases[] = {
      {0, 4999, 10000, 1000, {3, 3, 496, 77}},    // wide: narrowed 3 each side
      {5000, 5001, 1000000, 1000, {5, 3, 5, 77}}, // a few sectors: not narrowed sideways
      {0, 4, 1000, 1000, {0, 3, 4, 77}},          // exactly 4 wide stays
      {0, 5, 1000, 1000, {3, 3, 2, 77}},          // 5 wide is narrowed
      {0, 9999, 10000, 0, {0, 3, 0, 3}},          // no width
      {0, 9999, 0, 1000, {0, 3, 0, 3}},           // disk of 0 sectors: no scale, nothing drawn
      {0, 50000, 10000, 1000, {3, 3, 997, 77}},   // past the disk's end: stops at the edge
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << "-" << c.last << " of " << c.disk << " in " << c.width);
    const LayoutRect r = BlockRect(Part(c.first, c.last), c.disk, 0, c.width);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
  // A tiny block has no room for its title band.
  const LayoutRect tiny = BlockRect(Part(5000, 5001), 1000000, 0, 1000);
  const LayoutRect title = BlockTitleRect(tiny);
  EXPECT_GE(title.left, title.right);
}

TEST(PartitionLayoutRows, ZeroSectorDiskLaysOutWithoutDividing) {
  PartitionLayoutRows rows;
  rows.Add(Part(0, 100));
  rows.Layout(500);
  ASSERT_EQ(rows.Rows().size(), 1u);
  EXPECT_EQ(rows.Rows()[0][0].rect.Width(), 0);
  rows.SetDiskSectors(200);
  rows.Layout(500);
  EXPECT_EQ(rows.Rows()[0][0].rect, (LayoutRect{3, 3, 247, 77}));
}

} // namespace
} // namespace qm
