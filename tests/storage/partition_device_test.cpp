#include "storage/partition_device.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/memory_device.h"

namespace {

using qm::MemoryDevice;

bool SameAsParent(const std::vector<std::uint8_t>& out, std::size_t outSector, MemoryDevice& parent,
                  std::uint64_t parentSector, std::uint64_t sectors) {
  const std::size_t size = static_cast<std::size_t>(parent.GetSectorSize());
  return std::equal(out.begin() + static_cast<std::ptrdiff_t>(outSector * size),
                    out.begin() + static_cast<std::ptrdiff_t>((outSector + sectors) * size),
                    parent.sector(parentSector));
}

TEST(BasicPartitionDevice, ReadsAcrossTheEndOfTheWindow) {
  MemoryDevice parent(qm::MakePatternBytes(300, 512), 512);
  CBasicPartitionDevice window(&parent, 50, 100);
  EXPECT_EQ(window.GetSectorCount(), 100u);
  EXPECT_EQ(window.GetSectorSize(), 512);
  EXPECT_EQ(window.GetStartSector(), 50u);
  EXPECT_EQ(window.GetExtraInfo(), nullptr);

  std::vector<std::uint8_t> out(10 * 512, 0xEE);
  ASSERT_EQ(window.ReadSectors(out.data(), 95, 10), 1);
  EXPECT_TRUE(SameAsParent(out, 0, parent, 145, 5));
  EXPECT_TRUE(std::all_of(out.begin() + 5 * 512, out.end(), [](std::uint8_t b) { return b == 0; }));

  struct Case {
    std::uint64_t first, count;
    int result;
  } cases[] = {{0, 100, 1}, {99, 1, 1}, {100, 1, 0}, {0, 101, 0}, {~0ull, 1, 0}, {5, 0, 1}};
  std::vector<std::uint8_t> big(101 * 512);
  for (const Case& c : cases) EXPECT_EQ(window.ReadSectors(big.data(), c.first, c.count), c.result) << c.first << "+" << c.count;
}

TEST(BasicPartitionDevice, AWindowThatDoesNotFitItsParentIsRefused) {
  MemoryDevice parent(300, 4096);
  struct Case {
    std::uint64_t first, count, expected;
  } cases[] = {{0, 300, 300}, {100, 200, 200}, {100, 201, 0}, {301, 0, 0}, {1, ~0ull, 0}, {~0ull, 2, 0}};
  for (const Case& c : cases) {
    CBasicPartitionDevice window(&parent, c.first, c.count);
    EXPECT_EQ(window.GetSectorCount(), c.expected) << c.first << "+" << c.count;
    EXPECT_EQ(window.GetSectorSize(), 4096);
  }
  CBasicPartitionDevice orphan(nullptr, 0, 10);
  EXPECT_EQ(orphan.GetSectorSize(), 512);
  std::vector<std::uint8_t> out(512);
  EXPECT_EQ(orphan.ReadSectors(out.data(), 0, 1), 0);
}

TEST(BasicPartitionDevice, AFailedParentReadStillZeroFillsTheTail) {
  MemoryDevice parent(200, 512);
  parent.AddFailingRange(148, 149);
  CBasicPartitionDevice window(&parent, 50, 100);
  std::vector<std::uint8_t> out(10 * 512, 0xEE);
  EXPECT_EQ(window.ReadSectors(out.data(), 95, 10), 0);
  EXPECT_TRUE(std::all_of(out.begin() + 5 * 512, out.end(), [](std::uint8_t b) { return b == 0; }));
}

} // namespace
