#include "storage/storage_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/memory_device.h"

namespace {

using qm::MemoryDevice;

// The bytes a 512-byte view must return for its sectors [first, first+count).
std::vector<std::uint8_t> Expected(const std::vector<std::uint8_t>& bytes, std::uint64_t first, std::uint64_t count) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(first * 512),
          bytes.begin() + static_cast<std::ptrdiff_t>((first + count) * 512)};
}

TEST(Get512ByteSectorDevice, A512ByteDeviceIsItsOwnView) {
  MemoryDevice device(16, 512);
  EXPECT_EQ(device.Get512ByteSectorDevice(), &device);
  EXPECT_EQ(device.GetExtraInfo(), nullptr);
}

TEST(Get512ByteSectorDevice, A4096ByteDeviceGetsOneKeptView) {
  MemoryDevice device(qm::MakePatternBytes(10, 4096), 4096);
  IStorageDevice* view = device.Get512ByteSectorDevice();
  ASSERT_NE(view, &device);
  EXPECT_EQ(device.Get512ByteSectorDevice(), view);
  EXPECT_EQ(view->GetSectorSize(), 512);
  EXPECT_EQ(view->GetSectorCount(), 80u);
  EXPECT_EQ(view->GetExtraInfo(), &device);

  // Sectors 7 and 8 lie in wrapped sectors 0 and 1; reading 8 again is
  // served from the kept wrapped sector.
  std::vector<std::uint8_t> out(1024);
  device.ResetCounters();
  ASSERT_EQ(view->ReadSectors(out.data(), 7, 2), 1);
  EXPECT_EQ(out, Expected(device.bytes(), 7, 2));
  EXPECT_EQ(device.sectorsRead(), 2u);
  ASSERT_EQ(view->ReadSectors(out.data(), 8, 1), 1);
  EXPECT_EQ(device.sectorsRead(), 2u);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 512, device.bytes().begin() + 8 * 512));
}

TEST(Get512ByteSectorDevice, EveryAlignmentReadsTheRightBytesWithFewRequests) {
  MemoryDevice device(qm::MakePatternBytes(10, 4096), 4096);
  IStorageDevice* view = device.Get512ByteSectorDevice();
  struct Case {
    std::uint64_t first, count;
  } cases[] = {{0, 0}, {0, 1}, {0, 8}, {0, 80}, {3, 5}, {3, 6}, {5, 30}, {79, 1}, {1, 78}};
  for (const auto& c : cases) {
    std::vector<std::uint8_t> out(c.count * 512);
    device.ResetCounters();
    ASSERT_EQ(view->ReadSectors(out.data(), c.first, c.count), 1) << c.first << "+" << c.count;
    EXPECT_EQ(out, Expected(device.bytes(), c.first, c.count)) << c.first << "+" << c.count;
    EXPECT_LE(device.readCalls(), 3u) << "whole wrapped sectors are read in one request";
  }
  std::vector<std::uint8_t> out(512);
  EXPECT_EQ(view->ReadSectors(out.data(), 80, 1), 0);
}

TEST(Get512ByteSectorDevice, AFailedWrappedReadFailsAndIsNotRemembered) {
  MemoryDevice device(qm::MakePatternBytes(4, 4096), 4096);
  IStorageDevice* view = device.Get512ByteSectorDevice();
  device.AddFailingRange(2, 3);
  std::vector<std::uint8_t> out(32 * 512, 0xEE);
  EXPECT_EQ(view->ReadSectors(out.data(), 4, 16), 0);
  // The sectors before the unreadable one were delivered.
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 12 * 512, device.bytes().begin() + 4 * 512));

  EXPECT_EQ(view->ReadSectors(out.data(), 17, 1), 0);
  device.ClearFailingRanges();
  // The failed read must not have left wrapped sector 2 marked as buffered.
  ASSERT_EQ(view->ReadSectors(out.data(), 17, 1), 1);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 512, device.bytes().begin() + 17 * 512));
}

TEST(Get512ByteSectorDevice, UnusableSectorSizesGiveAnEmptyFailingView) {
  for (std::int32_t size : {0, 1000, -4096}) {
    MemoryDevice device(std::vector<std::uint8_t>(8192), size);
    IStorageDevice* view = device.Get512ByteSectorDevice();
    EXPECT_EQ(view->GetSectorCount(), 0u) << size;
    std::vector<std::uint8_t> out(512);
    EXPECT_EQ(view->ReadSectors(out.data(), 0, 1), 0) << size;
  }
  CSimulateStorageDevice orphan(nullptr);
  EXPECT_EQ(orphan.GetSectorCount(), 0u);
}

} // namespace
