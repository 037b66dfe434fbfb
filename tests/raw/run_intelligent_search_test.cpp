#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "raw/search_controllers.h"
#include "storage/partition_search_callbacks.h"
#include "storage/search_statistics.h"
#include "storage/searched_partition_info.h"
#include "support/memory_device.h"

namespace {

struct Candidate {
  std::uint64_t start;
  std::uint64_t count;
  std::uint64_t score;
  std::uint32_t tag;
};

// Sees the blocks and, when the sweep ends, reports the candidates it was
// given, as a deep-scan controller reports what it found.
class SweepController : public IFileSystemSearchController {
public:
  SweepController(int kind, std::vector<Candidate> candidates) : kind_(kind), candidates_(std::move(candidates)) {}

  void SetDevice(IStorageDevice*) override {}
  void SetSectorsPerBlock(std::uint32_t) override {}
  int PrepareSearch() override { return 1; }
  int AnalyzeBlock(std::uint64_t first, std::uint64_t, SearchStatistics* statistics) override {
    blocks.push_back(first);
    statistics->TotalFilesFound += 1;
    return 1;
  }
  void EndSearch() override { ended = true; }
  void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions) override {
    for (const auto& c : candidates_) {
      auto p = std::make_unique<CSearchedPartitionInfo>();
      p->SetStartSector(c.start);
      p->SetSectorCount(c.count);
      p->SetScore(c.score);
      p->SetAuxValue(c.tag);
      partitions.push_back(p.release());
    }
    candidates_.clear();
  }
  void SetRawFileCollection(CRawFileCollection*) override {}
  int Save(IRSData*) override { return 1; }
  int Load(IRSData*) override { return 1; }
  int GetKind() override { return kind_; }

  std::vector<std::uint64_t> blocks;
  bool ended = false;

private:
  int kind_;
  std::vector<Candidate> candidates_;
};

class Progress : public IIntelligentSearchCallback {
public:
  void SetPos(std::uint64_t blockIndex) override { positions.push_back(blockIndex); }
  void SetRange(std::uint64_t, std::uint64_t high) override { range = high; }
  int IsCancelled() override { return positions.size() >= cancelAfter ? 1 : 0; }
  void PumpMessages() override {}
  void GetStatistics(SearchStatistics* statistics) override { *statistics = last; }
  void UpdateStatistics(const SearchStatistics* statistics) override { last = *statistics; }
  void SetFinished() override { blocksWhenFinished = static_cast<int>(positions.size()); }

  std::vector<std::uint64_t> positions;
  SearchStatistics last;
  std::uint64_t range = 0;
  std::size_t cancelAfter = ~std::size_t{0};
  int blocksWhenFinished = -1;
};

class OwnedPartitions {
public:
  ~OwnedPartitions() {
    for (auto* p : list) std::unique_ptr<CSearchedPartitionInfo> owned(p);
  }
  std::vector<std::uint32_t> Tags() const {
    std::vector<std::uint32_t> tags;
    for (auto* p : list) tags.push_back(p->GetAuxValue());
    return tags;
  }
  std::vector<CSearchedPartitionInfo*> list;
};

constexpr std::uint64_t kSectors = 131072; // 64 MiB

SearchControllerList MakeControllers() {
  SearchControllerList list;
  // Evidence 100, 1000, 10 and 0: weights 2/3, 1, 1/3 and 0.
  list.push_back(std::make_unique<SweepController>(kFatSearchController, std::vector<Candidate>{{0, 4000, 100, 1}}));
  list.push_back(std::make_unique<SweepController>(
      kNtfsSearchController, std::vector<Candidate>{{100, 1000, 1000, 2}, {50000, 4000, 10, 3}}));
  list.push_back(std::make_unique<SweepController>(kExt2SearchController, std::vector<Candidate>{{0, kSectors, 0, 4}}));
  return list;
}

TEST(RunIntelligentSearch, SweepsCollectsWeighsSortsAndRanks) {
  qm::MemoryDevice device(kSectors, 512);
  SearchControllerList list = MakeControllers();
  Progress progress;
  OwnedPartitions found;
  ASSERT_EQ(RunIntelligentSearch(&device, list, found.list, &progress), 1);

  std::vector<std::uint64_t> blocks;
  for (std::uint64_t first = 0; first < kSectors; first += 8192) blocks.push_back(first);
  for (auto& controller : list) {
    auto& sweep = static_cast<SweepController&>(*controller);
    EXPECT_EQ(sweep.blocks, blocks);
    EXPECT_TRUE(sweep.ended);
  }
  EXPECT_EQ(progress.range, 16u);
  EXPECT_EQ(progress.blocksWhenFinished, 16);
  EXPECT_EQ(progress.last.TotalFilesFound, 48u);

  // Sorted: NTFS 2 (1), FAT 1 (2/3, overlaps 2), NTFS 3 (1/3), EXT2 4 (0).
  // Ranked: 2 chosen; 1 dropped; 3 chosen and moved up; 4 spans the disk.
  EXPECT_EQ(found.Tags(), (std::vector<std::uint32_t>{2, 4, 3, 1}));
  ASSERT_EQ(found.list.size(), 4u);
  EXPECT_EQ(found.list[0]->GetChosen(), 1u);
  EXPECT_EQ(found.list[1]->GetChosen(), 1u);
  EXPECT_EQ(found.list[1]->GetWholeDisk(), 1u);
  EXPECT_EQ(found.list[2]->GetChosen(), 1u);
  EXPECT_EQ(found.list[3]->GetChosen(), 0u);
  EXPECT_DOUBLE_EQ(found.list[0]->GetWeight(), 1.0);
  EXPECT_DOUBLE_EQ(found.list[1]->GetWeight(), 2.0 / 3.0);
  EXPECT_DOUBLE_EQ(found.list[2]->GetWeight(), 2.0 / 3.0);
}

TEST(RunIntelligentSearch, ACancelledSweepStillHandsOverItsCandidates) {
  qm::MemoryDevice device(kSectors, 512);
  SearchControllerList list = MakeControllers();
  Progress progress;
  progress.cancelAfter = 2;
  OwnedPartitions found;
  ASSERT_EQ(RunIntelligentSearch(&device, list, found.list, &progress), 1);
  for (auto& controller : list) EXPECT_EQ(static_cast<SweepController&>(*controller).blocks.size(), 2u);
  EXPECT_EQ(progress.blocksWhenFinished, 2);
  EXPECT_EQ(found.list.size(), 4u);
  EXPECT_EQ(found.list[0]->GetAuxValue(), 2u);
}

} // namespace
