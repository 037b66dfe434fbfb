#include "storage/intelligent_search.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/log.h"
#include "storage/storage_device_with_cache.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace {

using qm::MemoryDevice;

// Points the configuration folder at a scratch folder holding the given
// config.ini text (none when empty) for the life of the object.
class ConfigFolder {
public:
  explicit ConfigFolder(const std::string& ini) {
    const auto home = qm::ScratchPath("intelligent-search-config");
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

class LogLines {
public:
  LogLines()
      : id_(qm::AddLogObserver([this](LogKind, std::string_view text) {
          std::lock_guard<std::mutex> guard(lock_);
          lines_.emplace_back(text);
        })) {}
  ~LogLines() { qm::RemoveLogObserver(id_); }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> guard(lock_);
    return lines_;
  }
  bool Has(const std::string& text) {
    for (const auto& line : Lines())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

private:
  std::mutex lock_;
  std::vector<std::string> lines_;
  int id_;
};

struct Block {
  std::uint64_t first;
  std::uint64_t count;
  bool operator==(const Block&) const = default;
};

// Records what the sweep asks of it and checks that each block is the
// cache's current block, in memory, with the device's bytes.
class RecordingController : public IFileSystemSearchController {
public:
  RecordingController(int kind, std::vector<std::string>* journal, MemoryDevice* source)
      : kind_(kind), journal_(journal), source_(source) {}

  void SetDevice(IStorageDevice* device) override {
    device_ = device;
    Note("device");
  }
  void SetSectorsPerBlock(std::uint32_t sectors) override {
    sectorsPerBlock = sectors;
    Note("sectors");
  }
  int PrepareSearch() override {
    Note("prepare");
    if (throwInPrepare) throw std::runtime_error("no memory");
    return 1;
  }
  void EndSearch() override {
    Note("end");
    if (throwInEnd) throw std::runtime_error("damaged evidence");
  }
  int AnalyzeBlock(std::uint64_t first, std::uint64_t count, SearchStatistics* statistics) override {
    Note("block " + std::to_string(first));
    blocks.push_back({first, count});
    auto* cache = dynamic_cast<CStorageDeviceWithCache*>(device_);
    std::uint64_t cacheFirst = 0, cacheCount = 0;
    const std::uint8_t* data = cache == nullptr ? nullptr : cache->GetCurBlockData(&cacheFirst, &cacheCount);
    const std::size_t sectorSize = static_cast<std::size_t>(source_->GetSectorSize());
    inPlace = inPlace && data != nullptr && cacheFirst == first && cacheCount == count &&
              std::memcmp(data, source_->sector(first), sectorSize) == 0 &&
              std::memcmp(data + (count - 1) * sectorSize, source_->sector(first + count - 1), sectorSize) == 0;
    statistics->FATBootRecords += 1;
    statistics->Counter9 += 7;
    statistics->Counter10 += 1;
    statistics->Counter12 += 1;
    statistics->Counter13 += 1; // runs on like the named counters
    statistics->Counter15 += 1;
    statistics->Counter16 += 1;
    if (throwAt == first) throw std::runtime_error("bad block");
    return 1;
  }
  void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>&) override {}
  void SetRawFileCollection(CRawFileCollection*) override {}
  int Save(IRSData*) override { return 1; }
  int Load(IRSData*) override { return 1; }
  int GetKind() override { return kind_; }

  std::vector<Block> blocks;
  std::uint32_t sectorsPerBlock = 0;
  bool inPlace = true;
  std::uint64_t throwAt = ~std::uint64_t{0};
  bool throwInPrepare = false;
  bool throwInEnd = false;

private:
  void Note(const std::string& what) { journal_->push_back(std::string(SearchControllerKindName(kind_)) + " " + what); }

  int kind_;
  std::vector<std::string>* journal_;
  MemoryDevice* source_;
  IStorageDevice* device_ = nullptr;
};

// Records the progress calls and cancels when asked to after some blocks.
class RecordingCallback : public IIntelligentSearchCallback {
public:
  void SetPos(std::uint64_t blockIndex) override { positions.push_back(blockIndex); }
  void SetRange(std::uint64_t low, std::uint64_t high) override {
    rangeLow = low;
    rangeHigh = high;
  }
  int IsCancelled() override { return positions.size() >= cancelAfter ? 1 : 0; }
  void PumpMessages() override { ++pumps; }
  void GetStatistics(SearchStatistics* statistics) override { *statistics = last; }
  void UpdateStatistics(const SearchStatistics* statistics) override {
    last = *statistics;
    updates.push_back(*statistics);
  }
  void SetFinished() override { finished = true; }

  std::vector<std::uint64_t> positions;
  std::vector<SearchStatistics> updates;
  SearchStatistics last;
  std::uint64_t rangeLow = 99, rangeHigh = 0;
  std::size_t cancelAfter = ~std::size_t{0};
  int pumps = 0;
  bool finished = false;
};

std::vector<Block> ExpectedBlocks(std::uint64_t total, std::uint64_t blockSectors, std::uint64_t firstBlock = 0) {
  std::vector<Block> blocks;
  for (std::uint64_t first = firstBlock * blockSectors; first < total; first += blockSectors)
    blocks.push_back({first, std::min(blockSectors, total - first)});
  return blocks;
}

TEST(IntelligentSearch, EveryBlockReachesEveryControllerInOrderThroughTheCache) {
  ConfigFolder config("");
  // 64 MiB of 512-byte sectors, and devices whose last block is short,
  // also with larger sectors (the block stays 4 MiB).
  struct Case {
    std::uint64_t sectors;
    std::int32_t sectorSize;
    std::uint32_t blockSectors;
  };
  for (const Case c : {Case{131072, 512, 8192}, Case{10000, 512, 8192}, Case{2500, 4096, 1024}, Case{5, 512, 8192}}) {
    SCOPED_TRACE(c.sectors);
    MemoryDevice device(qm::MakePatternBytes(c.sectors, c.sectorSize), c.sectorSize);
    std::vector<std::string> journal;
    RecordingController fat(kFatSearchController, &journal, &device);
    RecordingController ntfs(kNtfsSearchController, &journal, &device);
    RecordingController raw(kRawSearchController, &journal, &device);
    RecordingCallback callback;
    CIntelligentSearchController search;
    search.SetDevice(&device);
    search.AddEntry(&fat);
    search.AddEntry(&ntfs);
    search.AddEntry(&raw);
    ASSERT_EQ(search.Start(&callback), 1);
    EXPECT_EQ(search.IsDone(), 1);

    const auto expected = ExpectedBlocks(c.sectors, c.blockSectors);
    for (auto* controller : {&fat, &ntfs, &raw}) {
      EXPECT_EQ(controller->blocks, expected);
      EXPECT_EQ(controller->sectorsPerBlock, c.blockSectors);
      EXPECT_TRUE(controller->inPlace);
    }
    // Set-up in three rounds over the list, each block to all controllers
    // in list order, then the ends.
    std::vector<std::string> order = {"FAT device",  "NTFS device",  "RAW device",  "FAT sectors", "NTFS sectors",
                                      "RAW sectors", "FAT prepare", "NTFS prepare", "RAW prepare"};
    for (const auto& block : expected)
      for (const char* kind : {"FAT", "NTFS", "RAW"}) order.push_back(std::string(kind) + " block " + std::to_string(block.first));
    for (const char* kind : {"FAT", "NTFS", "RAW"}) order.push_back(std::string(kind) + " end");
    EXPECT_EQ(journal, order);

    EXPECT_EQ(callback.rangeLow, 0u);
    EXPECT_EQ(callback.rangeHigh, expected.size());
    std::vector<std::uint64_t> indexes;
    for (std::uint64_t i = 0; i < expected.size(); ++i) indexes.push_back(i);
    EXPECT_EQ(callback.positions, indexes);
    EXPECT_EQ(callback.pumps, static_cast<int>(expected.size()));
  }
}

TEST(IntelligentSearch, PerBlockCountersStartFromZeroAndTheOthersRunOn) {
  ConfigFolder config("");
  MemoryDevice device(qm::MakePatternBytes(40000, 512), 512);
  std::vector<std::string> journal;
  RecordingController fat(kFatSearchController, &journal, &device);
  RecordingController ext2(kExt2SearchController, &journal, &device);
  RecordingCallback callback;
  CIntelligentSearchController search;
  search.SetDevice(&device);
  search.AddEntry(&fat);
  search.AddEntry(&ext2);
  LogLines log;
  ASSERT_EQ(search.Start(&callback), 1);

  ASSERT_EQ(callback.updates.size(), 5u);
  for (std::size_t i = 0; i < callback.updates.size(); ++i) {
    EXPECT_EQ(callback.updates[i].FATBootRecords, 2 * (i + 1));
    EXPECT_EQ(callback.updates[i].Counter9, 14u);
    for (auto counter : {callback.updates[i].Counter10, callback.updates[i].Counter12, callback.updates[i].Counter15,
                         callback.updates[i].Counter16})
      EXPECT_EQ(counter, 2u);
    EXPECT_EQ(callback.updates[i].Counter13, 2 * (i + 1));
  }
  EXPECT_EQ(search.GetStatistics().FATBootRecords, 10u);

  const auto lines = log.Lines();
  const std::vector<std::string> summary = {"---------------------------------\n",
                                            "Intelligent search result summary:\n",
                                            "FATBootRecords = 10\n",
                                            "FATFolderParts = 0\n",
                                            "FATFolders = 0\n",
                                            "FilesIdentified = 0\n",
                                            "NTFSBootRecords = 0\n",
                                            "NTFSFileRecords = 0\n",
                                            "TotalFilesFound = 0\n",
                                            "---------------------------------\n"};
  auto start = std::find(lines.begin(), lines.end(), summary[0]);
  ASSERT_NE(start, lines.end());
  ASSERT_GE(lines.end() - start, static_cast<std::ptrdiff_t>(summary.size()));
  EXPECT_EQ(std::vector<std::string>(start, start + summary.size()), summary);
  EXPECT_TRUE(log.Has("Call File system EXT2 AnalyzeBlock time = "));
}

TEST(IntelligentSearch, CancelStopsBeforeTheNextBlockAndStillEndsEveryController) {
  ConfigFolder config("");
  MemoryDevice device(qm::MakePatternBytes(131072, 512), 512);
  std::vector<std::string> journal;
  RecordingController fat(kFatSearchController, &journal, &device);
  RecordingController ntfs(kNtfsSearchController, &journal, &device);
  for (std::size_t cancelAfter : {0u, 3u}) {
    SCOPED_TRACE(cancelAfter);
    journal.clear();
    fat.blocks.clear();
    ntfs.blocks.clear();
    RecordingCallback callback;
    callback.cancelAfter = cancelAfter;
    CIntelligentSearchController search;
    search.SetDevice(&device);
    search.AddEntry(&fat);
    search.AddEntry(&ntfs);
    LogLines log;
    ASSERT_EQ(search.Start(&callback), 1);
    EXPECT_EQ(fat.blocks.size(), cancelAfter);
    EXPECT_EQ(ntfs.blocks.size(), cancelAfter);
    EXPECT_EQ(callback.positions.size(), cancelAfter);
    EXPECT_TRUE(log.Has("Intelligent search was cancelled by user!"));
    EXPECT_TRUE(log.Has("Intelligent search result summary:"));
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(journal[journal.size() - 2], "FAT end");
    EXPECT_EQ(journal.back(), "NTFS end");
    EXPECT_EQ(search.IsDone(), 1);
  }
}

TEST(IntelligentSearch, AThrowingControllerLosesTheBlockForItselfAndThoseBehind) {
  ConfigFolder config("");
  MemoryDevice device(qm::MakePatternBytes(3 * 8192, 512), 512);
  std::vector<std::string> journal;
  RecordingController fat(kFatSearchController, &journal, &device);
  RecordingController ntfs(kNtfsSearchController, &journal, &device);
  fat.throwAt = 8192;
  CIntelligentSearchController search;
  search.SetDevice(&device);
  search.AddEntry(&fat);
  search.AddEntry(&ntfs);
  ASSERT_EQ(search.Start(nullptr), 1); // no callback at all
  EXPECT_EQ(fat.blocks, ExpectedBlocks(3 * 8192, 8192));
  EXPECT_EQ(ntfs.blocks, (std::vector<Block>{{0, 8192}, {16384, 8192}}));
  EXPECT_EQ(journal.back(), "NTFS end");
}

TEST(IntelligentSearch, AControllerThatThrowsWhilePreparingOrEndingDoesNotStopTheOthers) {
  ConfigFolder config("");
  MemoryDevice device(qm::MakePatternBytes(10000, 512), 512);
  std::vector<std::string> journal;
  RecordingController fat(kFatSearchController, &journal, &device);
  RecordingController ntfs(kNtfsSearchController, &journal, &device);
  fat.throwInPrepare = true;
  fat.throwInEnd = true;
  CIntelligentSearchController search;
  search.SetDevice(&device);
  search.AddEntry(&fat);
  search.AddEntry(&ntfs);
  LogLines log;
  ASSERT_EQ(search.Start(nullptr), 1);
  EXPECT_EQ(ntfs.blocks, ExpectedBlocks(10000, 8192));
  EXPECT_EQ(journal.back(), "NTFS end");
  EXPECT_TRUE(log.Has("Intelligent search result summary:"));
  EXPECT_EQ(search.IsDone(), 1);
}

TEST(IntelligentSearch, TheDebugStartPositionSkipsTheBlocksBeforeIt) {
  ConfigFolder config("[main]\npos=20000\n");
  MemoryDevice device(qm::MakePatternBytes(131072, 512), 512);
  std::vector<std::string> journal;
  RecordingController fat(kFatSearchController, &journal, &device);
  RecordingCallback callback;
  CIntelligentSearchController search;
  search.SetDevice(&device);
  search.AddEntry(&fat);
  ASSERT_EQ(search.Start(&callback), 1);
  EXPECT_EQ(fat.blocks, ExpectedBlocks(131072, 8192, 2));
  EXPECT_TRUE(fat.inPlace);
  EXPECT_EQ(callback.rangeHigh, 16u);
  ASSERT_FALSE(callback.positions.empty());
  EXPECT_EQ(callback.positions.front(), 2u);
}

} // namespace
