// The ring of the last blocks of a sweep, read as a device: held sectors
// come from memory in device order (also across the ring's end), the rest
// from the source; a block that could not be read keeps its place.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "raw/buffer_storage_device.h"
#include "storage/storage_device_with_cache.h"
#include "support/memory_device.h"

namespace {

constexpr std::uint32_t kPerBlock = 4;
constexpr std::int32_t kBlocks = 3;

struct Ring {
  qm::MemoryDevice source{qm::MakePatternBytes(64, 512), 512};
  CBufferStorageDevice ring;
  Ring() { EXPECT_EQ(ring.Setup(&source, 0, 512, kPerBlock, kBlocks), 1); }
  void AppendBlock(std::uint64_t block, std::uint64_t sectors = kPerBlock) {
    ring.Append(source.sector(block * kPerBlock), sectors);
  }
  // Reads through the ring; true when the bytes are the source's and
  // whether the source was asked is as expected.
  void ExpectRead(std::uint64_t first, std::uint64_t count, bool fromMemory) {
    SCOPED_TRACE(::testing::Message() << "sectors " << first << "+" << count);
    std::vector<std::uint8_t> buffer(count * 512, 0xEE);
    source.ResetCounters();
    ASSERT_EQ(ring.ReadSectors(buffer.data(), first, count), 1);
    EXPECT_EQ(std::memcmp(buffer.data(), source.sector(first), buffer.size()), 0);
    EXPECT_EQ(source.readCalls() == 0, fromMemory);
  }
};

TEST(BufferStorageDevice, HeldSectorsComeFromMemoryInDeviceOrderAlsoAcrossTheEnd) {
  Ring r;
  EXPECT_FALSE(r.ring.IsFull());
  r.AppendBlock(0);
  r.AppendBlock(1);
  // Not full yet: the held sectors run from the window start in order.
  EXPECT_EQ(r.ring.GetSectorCount(), 8u);
  r.ExpectRead(0, 8, true);
  r.ExpectRead(6, 3, false); // runs past what is held
  r.AppendBlock(2);
  EXPECT_TRUE(r.ring.IsFull());
  r.AppendBlock(3); // takes block 0's slot
  r.AppendBlock(4); // takes block 1's slot
  EXPECT_EQ(r.ring.GetWindowStart(), 8u);
  EXPECT_EQ(r.ring.GetSectorCount(), 12u);
  EXPECT_EQ(r.ring.GetNextSector(), 20u);
  const struct {
    std::uint64_t first, count;
    bool memory;
  } reads[] = {
      {8, 12, true}, // all of it: block 2 at the ring's end, then 3 and 4 from its start
      {11, 2, true}, // across the ring's end
      {8, 1, true},   {19, 1, true}, {12, 5, true}, {7, 2, false}, // starts before the window
      {19, 2, false},                                              // ends after it
      {40, 4, false},                                              // far behind it
  };
  for (const auto& read : reads)
    r.ExpectRead(read.first, read.count, read.memory);
}

TEST(BufferStorageDevice, AnUnreadBlockKeepsItsPlaceAndItsSectorsComeFromTheSource) {
  Ring r;
  r.AppendBlock(0);
  r.ring.Commit(0); // block 1 could not be read
  r.AppendBlock(2);
  r.AppendBlock(3);
  EXPECT_EQ(r.ring.GetWindowStart(), 4u);
  r.ExpectRead(8, 8, true); // blocks 2 and 3 in their right places
  r.ExpectRead(4, 4, false);
  r.ExpectRead(7, 2, false);
  // A short block holds only its sectors.
  r.AppendBlock(4, 2);
  r.ExpectRead(16, 2, true);
  r.ExpectRead(17, 2, false);
}

// Blocks the read-ahead cache keeps are not copied: the ring finds them in
// the cache, mixed with blocks in its own slots, and reads of a block the
// cache no longer keeps (or never read well) go to the source.
TEST(BufferStorageDevice, BlocksKeptByTheCacheAreReadInPlace) {
  for (const std::uint32_t keep : {3u, 1u}) {
    SCOPED_TRACE(::testing::Message() << "cache keeps " << keep);
    Ring r;
    r.source.AddFailingRange(5 * kPerBlock + 1, 5 * kPerBlock + 2);
    CStorageDeviceWithCache cache(&r.source);
    cache.SetBlockSize(kPerBlock);
    cache.KeepPastBlocks(keep);
    for (std::uint64_t block = 0; block < 7; ++block) {
      ASSERT_EQ(cache.SetCurCacheBlock(block), 1);
      if (block == 3)
        r.AppendBlock(block); // copied into the ring's own slot
      else
        r.ring.CommitKept(&cache, cache.GetCurBlockData(nullptr, nullptr) != nullptr ? kPerBlock : 0);
    }
    // The ring holds blocks 4 (kept), 5 (unread) and 6 (current).
    EXPECT_EQ(r.ring.GetWindowStart(), 4 * kPerBlock);
    r.ExpectRead(6 * kPerBlock, 4, true);
    r.ExpectRead(4 * kPerBlock, 2, keep >= 2);
    r.ExpectRead(4 * kPerBlock + 3, 2, false); // runs into the unread block
    std::vector<std::uint8_t> buffer(512);
    EXPECT_EQ(r.ring.ReadSectors(buffer.data(), 5 * kPerBlock + 1, 1), 0) << "the source's failure";
    ASSERT_EQ(cache.SetCurCacheBlock(7), 1);
    r.ring.CommitKept(&cache, kPerBlock);
    ASSERT_EQ(cache.SetCurCacheBlock(8), 1);
    r.AppendBlock(8);
    r.ExpectRead(6 * kPerBlock, 12, keep >= 2); // block 6 has left a cache that keeps 1
    r.ExpectRead(7 * kPerBlock, 8, true);   // kept block 7 then the ring's own slot
    r.ring.CommitKept(nullptr, kPerBlock);  // no cache: nothing of it is held
    r.ExpectRead(9 * kPerBlock, 1, false);
  }
}

TEST(BufferStorageDevice, WithoutSetupOrSourceNothingUnheldIsServed) {
  CBufferStorageDevice ring;
  std::vector<std::uint8_t> buffer(512);
  EXPECT_EQ(ring.ReadSectors(buffer.data(), 0, 1), 0);
  EXPECT_EQ(ring.GetSectorSize(), 512);
  qm::MemoryDevice source(qm::MakePatternBytes(16, 512), 512);
  ASSERT_EQ(ring.Setup(nullptr, 0, 512, 2, 2), 1);
  ring.Append(source.sector(0), 2);
  EXPECT_EQ(ring.ReadSectors(buffer.data(), 1, 1), 1);
  EXPECT_EQ(std::memcmp(buffer.data(), source.sector(1), 512), 0);
  EXPECT_EQ(ring.ReadSectors(buffer.data(), 2, 1), 0);
  EXPECT_EQ(ring.ReadSectors(buffer.data(), 1, ~std::uint64_t{0}), 0); // no wrap of first + count
  EXPECT_EQ(ring.Setup(&source, 0, 512, 0, 20), 0);
  EXPECT_EQ(ring.Close(), 1);
  EXPECT_EQ(ring.ReadSectors(buffer.data(), 0, 1), 0);
}

} // namespace
