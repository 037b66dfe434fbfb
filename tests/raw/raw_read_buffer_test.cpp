#include "raw/raw_read_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "support/memory_device.h"

namespace {

using qm::MemoryDevice;

// The device's bytes at a file offset, for comparing with what the reader
// hands out.
bool SameAsDevice(MemoryDevice& device, std::uint64_t firstSector, std::uint64_t offset, qm::ByteView view,
                  std::size_t length) {
  const std::uint64_t at = firstSector * static_cast<std::uint64_t>(device.GetSectorSize()) + offset;
  return view.size() >= length && at + length <= device.bytes().size() &&
         std::memcmp(view.data(), device.bytes().data() + at, length) == 0;
}

TEST(RawReadBuffer, HandsOutTheFileBytesAtEveryOffsetForBothSectorSizes) {
  for (std::int32_t sectorSize : {512, 4096}) {
    SCOPED_TRACE(sectorSize);
    MemoryDevice device(qm::MakePatternBytes(1000, sectorSize), sectorSize);
    const std::uint64_t first = 7;
    CRawReadBuffer reader(&device, first);
    const std::uint64_t window = reader.GetWindowSize();
    EXPECT_EQ(window, 128u * sectorSize);
    for (std::uint64_t offset :
         {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t(sectorSize) - 1, window - 1, window, window + 17,
          3 * window + 100, 2 * window - 8, std::uint64_t{0}}) {
      SCOPED_TRACE(offset);
      const qm::ByteView view = reader.GetPointer(offset);
      ASSERT_FALSE(view.empty());
      EXPECT_TRUE(SameAsDevice(device, first, offset, view, view.size()));
    }
  }
}

TEST(RawReadBuffer, ARecordNearAWindowEndIsSeenWholeAndLongerOnesToo) {
  MemoryDevice device(qm::MakePatternBytes(600, 512), 512);
  CRawReadBuffer reader(&device, 3);
  const std::uint64_t window = reader.GetWindowSize();
  // The extra sector of a load covers a short record that starts just
  // before the window's end...
  qm::ByteView view = reader.GetPointer(window - 10);
  EXPECT_GE(view.size(), 10u + 512u);
  // ...and a longer one makes the reader load from the record's sector.
  view = reader.GetPointer(window - 10, 4000);
  ASSERT_GE(view.size(), 4000u);
  EXPECT_TRUE(SameAsDevice(device, 3, window - 10, view, 4000));
  // A whole window's worth is the most that can be asked for.
  EXPECT_FALSE(reader.GetPointer(100, window).empty());
  EXPECT_TRUE(reader.GetPointer(100, window + 1).empty());
}

TEST(RawReadBuffer, WalkingOneWindowReadsTheDeviceOnce) {
  MemoryDevice device(qm::MakePatternBytes(600, 512), 512);
  CRawReadBuffer reader(&device, 0);
  for (std::uint64_t offset = 0; offset < reader.GetWindowSize(); offset += 97)
    reader.GetPointer(offset);
  // The window's extra sector is served from the same load.
  reader.GetPointer(reader.GetWindowSize() + 511);
  EXPECT_EQ(device.readCalls(), 1u);
  reader.GetPointer(reader.GetWindowSize() + 512);
  EXPECT_EQ(device.readCalls(), 2u);
}

TEST(RawReadBuffer, NearTheDeviceEndTheRemainingSectorsAreServed) {
  // Sectors left after the last window's start: fewer than a window, and
  // exactly one window (a load of 129 sectors fails there, and a remainder
  // taken modulo 128 would be nothing).
  for (std::uint64_t left : {std::uint64_t{50}, std::uint64_t{128}, std::uint64_t{1}}) {
    SCOPED_TRACE(left);
    const std::uint64_t first = 5;
    MemoryDevice device(qm::MakePatternBytes(first + 2 * 128 + left, 512), 512);
    CRawReadBuffer reader(&device, first);
    const std::uint64_t lastByte = (2 * 128 + left) * 512 - 1;
    qm::ByteView view = reader.GetPointer(lastByte);
    ASSERT_EQ(view.size(), 1u);
    EXPECT_TRUE(SameAsDevice(device, first, lastByte, view, 1));
    EXPECT_TRUE(reader.GetPointer(lastByte + 1).empty());
    EXPECT_TRUE(reader.GetPointer(lastByte - 3, 5).empty()); // runs past the end
    EXPECT_EQ(reader.GetPointer(lastByte - 3, 4).size(), 4u);
  }
}

// A device that knows only part of its sectors, as the carving ring does:
// its count says nothing about where reading ends.
class ShortCountDevice : public IStorageDevice {
public:
  explicit ShortCountDevice(MemoryDevice& inner) : inner_(inner) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    return inner_.ReadSectors(buffer, first, count);
  }
  std::uint64_t GetSectorCount() override { return 4; }
  std::int32_t GetSectorSize() override { return inner_.GetSectorSize(); }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  MemoryDevice& inner_;
};

TEST(RawReadBuffer, ADeviceWhoseCountTellsNothingIsReadUpToItsRealEnd) {
  MemoryDevice inner(qm::MakePatternBytes(300, 512), 512);
  ShortCountDevice device(inner);
  CRawReadBuffer reader(&device, 200);
  const qm::ByteView view = reader.GetPointer(99 * 512);
  ASSERT_EQ(view.size(), 512u);
  EXPECT_TRUE(SameAsDevice(inner, 200, 99 * 512, view, 512));
  EXPECT_TRUE(reader.GetPointer(100 * 512).empty());
}

TEST(RawReadBuffer, NothingIsReadableWithoutAUsableDeviceOrPastTheLastSectorNumber) {
  CRawReadBuffer none(nullptr, 0);
  EXPECT_TRUE(none.GetPointer(0).empty());
  EXPECT_EQ(none.GetWindowSize(), 512u * 128u);

  for (std::int32_t sectorSize : {0, -512, 131072}) {
    MemoryDevice odd(std::vector<std::uint8_t>(1 << 20), sectorSize);
    EXPECT_TRUE(CRawReadBuffer(&odd, 0).GetPointer(0).empty()) << sectorSize;
  }

  MemoryDevice device(qm::MakePatternBytes(300, 512), 512);
  const std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
  EXPECT_TRUE(CRawReadBuffer(&device, top - 3).GetPointer(0).empty());
  EXPECT_TRUE(CRawReadBuffer(&device, 0).GetPointer(top).empty());
  EXPECT_TRUE(CRawReadBuffer(&device, 0).GetPointer(top - 10, 5).empty());
}

TEST(RawReadBuffer, AFailingAreaGivesNothingWhereItLiesAndBytesAroundIt) {
  MemoryDevice device(qm::MakePatternBytes(1000, 512), 512);
  device.AddFailingRange(300, 310);
  CRawReadBuffer reader(&device, 0);
  const qm::ByteView before = reader.GetPointer(2 * reader.GetWindowSize() + 10);
  EXPECT_FALSE(before.empty()); // sectors 256-299 still come, one by one
  EXPECT_TRUE(reader.GetPointer(305 * 512).empty());
  const qm::ByteView after = reader.GetPointer(320 * 512);
  ASSERT_FALSE(after.empty());
  EXPECT_TRUE(SameAsDevice(device, 0, 320 * 512, after, after.size()));
}

TEST(RawReadBuffer, TwoReadersAliveAtOnceKeepTheirOwnBytes) {
  MemoryDevice device(qm::MakePatternBytes(2000, 512), 512);
  CRawReadBuffer a(&device, 0);
  CRawReadBuffer b(&device, 1000);
  const qm::ByteView first = a.GetPointer(100);
  b.GetPointer(100);
  b.GetPointer(b.GetWindowSize() * 3);
  EXPECT_TRUE(SameAsDevice(device, 0, 100, first, first.size()));
  EXPECT_TRUE(SameAsDevice(device, 0, 200, a.GetPointer(200), 64));
}

} // namespace
