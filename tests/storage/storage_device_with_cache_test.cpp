#include "storage/storage_device_with_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/disk_table.h"
#include "storage/disk_device.h"
#include "storage/image_file_device.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace {

using qm::MemoryDevice;

constexpr std::uint32_t kBlock = 8192; // 4 MiB of 512-byte sectors

// Points the configuration folder at a scratch folder holding the given
// config.ini text (none when empty) for the life of the object.
class ConfigFolder {
public:
  explicit ConfigFolder(const std::string& ini) {
    const auto home = qm::ScratchPath("config-home");
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home / "Quenmark");
    if (!ini.empty()) std::ofstream(home / "Quenmark" / "config.ini") << ini;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old != nullptr) old_ = old;
    hadOld_ = old != nullptr;
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  }
  ~ConfigFolder() {
    if (hadOld_)
      ::setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
  }

private:
  std::string old_;
  bool hadOld_ = false;
};

TEST(StorageDeviceWithCache, EveryBlockOfAnImageReadsAsDirectReads) {
  ConfigFolder config("");
  // 64 MiB and 3 sectors: 16 whole blocks and a short last one.
  const std::uint64_t sectors = 16 * kBlock + 3;
  const auto path = qm::MakeSparseImage("cache64.img", sectors * 512);
  qm::WriteFileBytes(path, 0, qm::MakePatternBytes(sectors, 512));
  CImageFileDevice image(path.c_str());
  CImageFileDevice direct(path.c_str());
  CStorageDeviceWithCache cache(&image);
  ASSERT_EQ(cache.SetBlockSize(kBlock), 1);
  EXPECT_EQ(cache.GetSectorCount(), sectors);
  EXPECT_EQ(cache.IsValidBlock(16), 1);
  EXPECT_EQ(cache.IsValidBlock(17), 0);
  cache.StartCache();
  std::vector<std::uint8_t> expected(kBlock * 512), got(kBlock * 512);
  for (std::uint64_t block = 0; block < 17; ++block) {
    ASSERT_EQ(cache.SetCurCacheBlock(block), 1) << block;
    const std::uint64_t first = block * kBlock;
    const std::uint64_t n = std::min<std::uint64_t>(kBlock, sectors - first);
    ASSERT_EQ(direct.ReadSectors(expected.data(), first, n), 1);
    std::uint64_t blockFirst = 0, blockSectors = 0;
    const std::uint8_t* inPlace = cache.GetCurBlockData(&blockFirst, &blockSectors);
    ASSERT_NE(inPlace, nullptr);
    EXPECT_EQ(blockFirst, first);
    EXPECT_EQ(blockSectors, n);
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(n * 512), inPlace)) << block;
    ASSERT_EQ(cache.ReadSectors(got.data(), first, n), 1);
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(n * 512), got.begin())) << block;
  }
  // Requests that start before the block, or run past its end, mix memory
  // and the device and still read right; past the device's end they fail.
  struct Case {
    std::uint64_t first, count;
    int result;
  } cases[] = {{16 * kBlock - 5, 8, 1}, {16 * kBlock + 1, 2, 1}, {16 * kBlock + 1, 3, 0}, {100, 10, 1}, {sectors, 1, 0}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> a(c.count * 512), b(c.count * 512);
    ASSERT_EQ(cache.ReadSectors(a.data(), c.first, c.count), c.result) << c.first;
    if (c.result) {
      ASSERT_EQ(direct.ReadSectors(b.data(), c.first, c.count), 1);
      EXPECT_EQ(a, b) << c.first;
    }
  }
  cache.StopCache();
}

TEST(StorageDeviceWithCache, OverADiskDeviceReadFromBothThreads) {
  ConfigFolder config("");
  const std::uint64_t sectors = 6 * 256 + 7;
  const auto path = qm::MakeSparseImage("cache_disk.img", sectors * 512);
  const auto pattern = qm::MakePatternBytes(sectors, 512);
  qm::WriteFileBytes(path, 0, pattern);
  const int index = qm::AddDiskOverride(path.string());
  CDiskDevice disk(index);
  CStorageDeviceWithCache cache(&disk);
  cache.SetBlockSize(256);
  cache.StartCache();
  std::vector<std::uint8_t> out(300 * 512);
  for (std::uint64_t block = 0; cache.IsValidBlock(block); ++block) {
    ASSERT_EQ(cache.SetCurCacheBlock(block), 1);
    // Straddles the block's end: memory, then the disk, while the
    // read-ahead thread reads the disk too.
    const std::uint64_t first = block * 256 + (block * 256 + 200 < sectors ? 200 : 2);
    const std::uint64_t count = std::min<std::uint64_t>(100, sectors - first);
    ASSERT_EQ(cache.ReadSectors(out.data(), first, count), 1) << block;
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(count * 512),
                           pattern.begin() + static_cast<std::ptrdiff_t>(first * 512)));
  }
  cache.StopCache();
  qm::ClearDiskOverrides();
}

TEST(StorageDeviceWithCache, BlocksAreTakenStrictlyInOrder) {
  ConfigFolder config("");
  MemoryDevice parent(qm::MakePatternBytes(5 * 64, 512), 512);
  CStorageDeviceWithCache cache(&parent);
  cache.SetBlockSize(64);
  cache.StartCache();
  ASSERT_EQ(cache.SetCurCacheBlock(0), 1);
  EXPECT_EQ(cache.SetCurCacheBlock(2), 0) << "block 1 comes first";
  EXPECT_EQ(cache.SetCurCacheBlock(0), 1) << "the current block again";
  EXPECT_EQ(cache.GetCurCacheBlock(), 0u);
  ASSERT_EQ(cache.SetCurCacheBlock(1), 1);
  EXPECT_EQ(cache.SetCurCacheBlock(0), 0);
  EXPECT_EQ(cache.SetCurCacheBlock(5), 0) << "past the end";
  EXPECT_EQ(cache.SetBlockSize(32), 0) << "not while reading ahead";
  cache.StopCache(); // with blocks still queued
  EXPECT_EQ(cache.SetBlockSize(32), 1);
}

TEST(StorageDeviceWithCache, AFailedReadAheadGoesToTheParent) {
  ConfigFolder config("");
  MemoryDevice parent(qm::MakePatternBytes(4 * 64, 512), 512);
  parent.AddFailingRange(64 + 10, 64 + 11); // one bad sector in block 1
  CStorageDeviceWithCache cache(&parent);
  cache.SetBlockSize(64);
  cache.StartCache();
  ASSERT_EQ(cache.SetCurCacheBlock(0), 1);
  ASSERT_EQ(cache.SetCurCacheBlock(1), 1);
  EXPECT_EQ(cache.GetCurBlockData(nullptr, nullptr), nullptr);
  std::vector<std::uint8_t> out(512, 0xEE);
  EXPECT_EQ(cache.ReadSectors(out.data(), 64 + 10, 1), 0) << "the parent's failure reaches the caller";
  ASSERT_EQ(cache.ReadSectors(out.data(), 64 + 20, 1), 1) << "a good sector of the failed block is read again";
  EXPECT_TRUE(std::equal(out.begin(), out.end(), parent.sector(64 + 20)));
  ASSERT_EQ(cache.SetCurCacheBlock(2), 1);
  EXPECT_NE(cache.GetCurBlockData(nullptr, nullptr), nullptr);
  cache.StopCache();
}

TEST(StorageDeviceWithCache, ReadAheadStopsAtTheEndOfTheDevice) {
  ConfigFolder config("");
  MemoryDevice parent(10000, 512);
  CStorageDeviceWithCache cache(&parent);
  cache.SetBlockSize(8192);
  EXPECT_EQ(cache.IsValidBlock(1), 1);
  EXPECT_EQ(cache.IsValidBlock(2), 0);
  cache.StartCache();
  ASSERT_EQ(cache.SetCurCacheBlock(0), 1);
  ASSERT_EQ(cache.SetCurCacheBlock(1), 1);
  std::uint64_t first = 0, count = 0;
  ASSERT_NE(cache.GetCurBlockData(&first, &count), nullptr);
  EXPECT_EQ(count, 10000u - 8192u);
  cache.StopCache();
  EXPECT_EQ(parent.sectorsRead(), 10000u) << "nothing is asked past the end";
  EXPECT_EQ(parent.readCalls(), 2u);
}

TEST(StorageDeviceWithCache, TheDebugStartPositionFromConfigIni) {
  {
    ConfigFolder config("; debug\n[other]\npos=5\n[Main]\n pos = 200 \n");
    EXPECT_EQ(CStorageDeviceWithCache::ReadDebugConfig(), 200u);
    MemoryDevice parent(qm::MakePatternBytes(6 * 64, 512), 512);
    CStorageDeviceWithCache cache(&parent);
    cache.SetBlockSize(64);
    cache.StartCache();
    // 200 lies in block 3: the read-ahead starts on that block's boundary.
    EXPECT_EQ(cache.SetCurCacheBlock(0), 0);
    ASSERT_EQ(cache.SetCurCacheBlock(3), 1);
    std::uint64_t first = 0;
    ASSERT_NE(cache.GetCurBlockData(&first, nullptr), nullptr);
    EXPECT_EQ(first, 192u);
    cache.StopCache();
  }
  for (const char* ini : {"", "[main]\n", "[main]\npos=-5\n", "[main]\npos=abc\n", "[other]\npos=9\n"}) {
    ConfigFolder config(ini);
    EXPECT_EQ(CStorageDeviceWithCache::ReadDebugConfig(), 0u) << ini;
  }
}

TEST(StorageDeviceWithCache, WithoutReadAheadOrCurrentBlock) {
  ConfigFolder config("");
  MemoryDevice parent(qm::MakePatternBytes(256, 512), 512);
  CStorageDeviceWithCache cache(&parent);
  cache.SetBlockSize(64);
  std::vector<std::uint8_t> out(4 * 512);
  ASSERT_EQ(cache.ReadSectors(out.data(), 10, 4), 1);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), parent.sector(10)));
  // Not started: blocks are read when asked for.
  ASSERT_EQ(cache.SetCurCacheBlock(2), 1);
  parent.ResetCounters();
  ASSERT_EQ(cache.ReadSectors(out.data(), 130, 4), 1);
  EXPECT_EQ(parent.readCalls(), 0u);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), parent.sector(130)));

  CStorageDeviceWithCache orphan(nullptr);
  EXPECT_EQ(orphan.Open(), 0);
  EXPECT_EQ(orphan.GetSectorSize(), 512);
  EXPECT_EQ(orphan.SetCurCacheBlock(0), 0);
  EXPECT_EQ(orphan.ReadSectors(out.data(), 0, 1), 0);
  CStorageDeviceWithCache zero(&parent);
  zero.SetBlockSize(0);
  EXPECT_EQ(zero.IsValidBlock(0), 0);
  zero.StartCache(); // nothing to do
}

// Blocks kept behind the search stay readable in place, with and without
// the read-ahead, while the oldest ones give their buffers back; the kept
// number never shrinks.
TEST(StorageDeviceWithCache, PastBlocksKeptInPlace) {
  ConfigFolder config("");
  MemoryDevice parent(qm::MakePatternBytes(40 * 64, 512), 512);
  parent.AddFailingRange(7 * 64 + 3, 7 * 64 + 4); // block 7 cannot be read
  for (const bool readAhead : {true, false}) {
    CStorageDeviceWithCache cache(&parent);
    cache.SetBlockSize(64);
    cache.KeepPastBlocks(5);
    cache.KeepPastBlocks(2);
    EXPECT_EQ(cache.GetKeptPastBlocks(), 5u);
    if (readAhead) cache.StartCache();
    std::vector<const std::uint8_t*> seen;
    for (std::uint64_t block = 0; block < 40; ++block) {
      ASSERT_EQ(cache.SetCurCacheBlock(block), 1);
      seen.push_back(cache.GetCurBlockData(nullptr, nullptr));
      for (std::uint64_t back = 0; back <= 7 && back <= block; ++back) {
        const std::uint64_t first = (block - back) * 64;
        std::uint64_t count = 0;
        const std::uint8_t* data = cache.GetKeptBlockData(first, &count);
        const bool kept = back <= 5 && block - back != 7;
        ASSERT_EQ(data != nullptr, kept) << block << " back " << back << " read ahead " << readAhead;
        if (!kept) continue;
        EXPECT_EQ(data, seen[block - back]) << "in place, never copied";
        EXPECT_EQ(count, 64u);
        EXPECT_TRUE(std::equal(data, data + 64 * 512, parent.sector(first)));
      }
      EXPECT_EQ(cache.GetKeptBlockData(block * 64 + 1, nullptr), nullptr) << "blocks are found by their start";
    }
    cache.StopCache();
    EXPECT_NE(cache.GetKeptBlockData(39 * 64, nullptr), nullptr) << "kept after the read-ahead stopped";
  }
}

// Buffers are reused without zeroing: the bytes past a short last block,
// and a whole block whose read failed, must still read as zeros when the
// buffer held another block before.
TEST(StorageDeviceWithCache, ReusedBuffersShowNoOlderBytes) {
  ConfigFolder config("");
  const std::uint64_t sectors = 30 * 64 + 5;
  std::vector<std::uint8_t> bytes(sectors * 512, 0xA5);
  MemoryDevice parent(bytes, 512);
  parent.AddFailingRange(20 * 64, 20 * 64 + 1);
  for (const bool readAhead : {true, false}) {
    CStorageDeviceWithCache cache(&parent);
    cache.SetBlockSize(64);
    if (readAhead) cache.StartCache();
    for (std::uint64_t block = 0; block <= 30; ++block) {
      ASSERT_EQ(cache.SetCurCacheBlock(block), 1);
      std::uint64_t count = 0;
      const std::uint8_t* data = cache.GetCurBlockData(nullptr, &count);
      if (block == 20) {
        EXPECT_EQ(data, nullptr);
        continue;
      }
      ASSERT_NE(data, nullptr);
      EXPECT_EQ(count, block == 30 ? 5u : 64u);
      EXPECT_TRUE(std::all_of(data + count * 512, data + 64 * 512, [](std::uint8_t b) { return b == 0; }))
          << "block " << block;
    }
    cache.StopCache();
  }
}

TEST(StorageDeviceWithCache, DestroyedWhileReadingAhead) {
  ConfigFolder config("");
  MemoryDevice parent(64 * 64, 512);
  auto cache = std::make_unique<CStorageDeviceWithCache>(&parent);
  cache->SetBlockSize(64);
  cache->StartCache();
  ASSERT_EQ(cache->SetCurCacheBlock(0), 1);
  cache.reset(); // joins the thread
}

} // namespace
