// The carving controller block by block over small in-memory devices
// (blocks of 8 sectors, so the ring of 20 blocks holds 160 sectors), with
// stand-in analysers that match a tag and measure a file by reading its
// first sector back through the device they are given.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "filemodel/raw_file_collection.h"
#include "raw/raw_search_controller.h"
#include "raw/raw_search_type_list.h"
#include "storage/app_settings.h"
#include "storage/search_statistics.h"
#include "support/memory_device.h"

namespace {

constexpr std::uint32_t kPerBlock = 8;

// Accepts a sector with its tag at offset 4; the header length is the
// 32-bit value at 12 (0: measured later from the value at 16 of the file's
// first sector, read through the device).
class TagAnalyser : public IRawFileAnalyser {
public:
  TagAnalyser(std::string tag, int type, bool throws = false) : tag_(std::move(tag)), throws_(throws) {
    typeId = type;
  }
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override {
    if (throws_) throw std::runtime_error("hostile header");
    if (!sector.matches(4, tag_)) return 0;
    info->SetType(typeId);
    info->SetLength(sector.le32(12));
    return 1;
  }
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override {
    ++walks;
    deviceSectors = device->GetSectorCount();
    std::vector<std::uint8_t> sector(512);
    if (device->ReadSectors(sector.data(), info->GetStartSector(), 1) == 0) return 0;
    info->SetLength(qm::ByteView(sector.data(), sector.size()).le32(16));
    return 1;
  }
  int walks = 0;
  std::uint64_t deviceSectors = 0;

private:
  std::string tag_;
  bool throws_;
};

// Puts a tagged header at a sector: first word, tag, header length and
// the length the walk finds.
void Plant(qm::MemoryDevice& device, std::uint64_t sector, const char* tag, std::uint32_t headerLength,
           std::uint32_t walkLength, std::uint32_t firstWord = 1) {
  std::uint8_t* at = device.sector(sector);
  std::memcpy(at, &firstWord, 4);
  std::memcpy(at + 4, tag, 4);
  std::memcpy(at + 12, &headerLength, 4);
  std::memcpy(at + 16, &walkLength, 4);
}

class RawSearchControllerTest : public ::testing::Test {
protected:
  void TearDown() override {
    controller_.reset(); // before the analysers it points at
    RawSearchTypeList& list = RawSearchTypeList::Get();
    list.Clear();
    RegisterRawAnalysersA(list.Analysers());
  }

  // A controller over the device whose analysers are those the test made.
  void Prepare(qm::MemoryDevice& device, std::vector<TagAnalyser*>& analysers,
               std::vector<std::unique_ptr<TagAnalyser>> made) {
    for (auto& a : made)
      analysers.push_back(a.get());
    auto shared = std::make_shared<std::vector<std::unique_ptr<TagAnalyser>>>(std::move(made));
    controller_ = std::make_unique<CRAWSearchController>();
    controller_->SetAnalyserRefill([shared](RawSearchTypeList& list) {
      list.Clear();
      for (auto& a : *shared)
        list.Analysers().push_back(std::move(a));
    });
    controller_->SetRawFileCollection(&collection_);
    controller_->SetDevice(&device);
    controller_->SetSectorsPerBlock(kPerBlock);
    ASSERT_EQ(controller_->PrepareSearch(), 1);
  }
  void Block(std::uint64_t index, qm::MemoryDevice& device) {
    const std::uint64_t first = index * kPerBlock;
    const std::uint64_t count = std::min<std::uint64_t>(kPerBlock, device.GetSectorCount() - first);
    EXPECT_EQ(controller_->AnalyzeBlock(first, count, &statistics_), 1);
  }
  const CRawFileInfo* At(std::uint64_t sector) const { return collection_.FindByStartSector(sector); }

  std::unique_ptr<CRAWSearchController> controller_;
  CRawFileCollection collection_;
  SearchStatistics statistics_;
};

std::vector<std::unique_ptr<TagAnalyser>> Analysers(std::initializer_list<TagAnalyser*> list) {
  std::vector<std::unique_ptr<TagAnalyser>> made;
  for (TagAnalyser* a : list)
    made.emplace_back(a);
  return made;
}

TEST_F(RawSearchControllerTest, FirstAnalyserInListOrderWinsAndAThrowIsNoMatch) {
  qm::MemoryDevice device(4 * kPerBlock, 512);
  Plant(device, 3, "AAAA", 700, 0);
  Plant(device, 5, "BBBB", 800, 0);
  Plant(device, 9, "AAAA", 0, 0, 0); // first word 0: never carved
  std::vector<TagAnalyser*> a;
  Prepare(device, a,
          Analysers({new TagAnalyser("XXXX", 90, true), new TagAnalyser("AAAA", 91),
                     new TagAnalyser("AAAA", 92), new TagAnalyser("BBBB", 93)}));
  for (std::uint64_t b = 0; b < 4; ++b)
    Block(b, device);
  ASSERT_EQ(collection_.GetCount(), 2u);
  ASSERT_NE(At(3), nullptr);
  EXPECT_EQ(At(3)->GetType(), 91);
  EXPECT_EQ(At(3)->GetAnalyser(), a[1]);
  EXPECT_EQ(At(3)->GetAnalyserType(), 91);
  EXPECT_EQ(At(3)->GetLength(), 700u);
  ASSERT_NE(At(5), nullptr);
  EXPECT_EQ(At(5)->GetType(), 93);
  EXPECT_EQ(At(9), nullptr);
  EXPECT_EQ(statistics_.FilesIdentified, 2u);
  EXPECT_EQ(statistics_.TotalFilesFound, 2u);
  EXPECT_EQ(controller_->PendingCount(), 0u); // both gave their length
}

TEST_F(RawSearchControllerTest, ARecordOfBlockKIsMeasuredFromMemoryWhenBlockKPlus20Comes) {
  qm::MemoryDevice device(30 * kPerBlock, 512);
  Plant(device, 2 * kPerBlock + 3, "AAAA", 0, 5000);  // block 2
  Plant(device, 3 * kPerBlock + 1, "AAAA", 0, 6000);  // block 3
  Plant(device, 29 * kPerBlock + 1, "AAAA", 0, 7000); // last block: left to the tree
  std::vector<TagAnalyser*> a;
  Prepare(device, a, Analysers({new TagAnalyser("AAAA", 91)}));
  for (std::uint64_t b = 0; b < 22; ++b)
    Block(b, device);
  EXPECT_EQ(At(2 * kPerBlock + 3)->GetLength(), 0u); // block 22 not yet seen
  device.ResetCounters();
  Block(22, device);
  EXPECT_EQ(At(2 * kPerBlock + 3)->GetLength(), 5000u);
  EXPECT_EQ(At(3 * kPerBlock + 1)->GetLength(), 0u);
  EXPECT_EQ(a[0]->walks, 1);
  EXPECT_EQ(a[0]->deviceSectors, 20u * kPerBlock); // the ring, full
  EXPECT_EQ(device.readCalls(), 1u);               // the block itself; the walk read memory
  Block(23, device);
  EXPECT_EQ(At(3 * kPerBlock + 1)->GetLength(), 6000u);
  for (std::uint64_t b = 24; b < 30; ++b)
    Block(b, device);
  controller_->EndSearch();
  EXPECT_EQ(controller_->PendingCount(), 0u);
  EXPECT_EQ(At(29 * kPerBlock + 1)->GetLength(), 0u);
  EXPECT_EQ(a[0]->walks, 2);
}

TEST_F(RawSearchControllerTest, OnADeviceOf20BlocksNothingIsMeasured) {
  qm::MemoryDevice device(20 * kPerBlock, 512);
  Plant(device, 1, "AAAA", 0, 5000);
  Plant(device, 150, "AAAA", 0, 5000);
  std::vector<TagAnalyser*> a;
  Prepare(device, a, Analysers({new TagAnalyser("AAAA", 91)}));
  for (std::uint64_t b = 0; b < 20; ++b)
    Block(b, device);
  EXPECT_EQ(controller_->PendingCount(), 2u);
  controller_->EndSearch();
  EXPECT_EQ(controller_->PendingCount(), 0u);
  EXPECT_EQ(a[0]->walks, 0);
  for (const CRawFileInfo* record : collection_.GetCarvedFiles())
    EXPECT_EQ(record->GetLength(), 0u);
}

TEST_F(RawSearchControllerTest, AnUnreadableBlockDoesNotShiftTheRing) {
  // Block 3 fails. A file of block 5 is measured at block 25 from its own
  // sector in memory; had the ring closed up behind the lost block, the
  // walk would have read block 6 and found no length.
  qm::MemoryDevice device(30 * kPerBlock, 512);
  Plant(device, 5 * kPerBlock + 2, "AAAA", 0, 4321);
  device.AddFailingRange(3 * kPerBlock, 4 * kPerBlock);
  std::vector<TagAnalyser*> a;
  Prepare(device, a, Analysers({new TagAnalyser("AAAA", 91)}));
  for (std::uint64_t b = 0; b < 25; ++b)
    Block(b, device);
  EXPECT_EQ(At(5 * kPerBlock + 2)->GetLength(), 0u);
  Block(25, device);
  EXPECT_EQ(At(5 * kPerBlock + 2)->GetLength(), 4321u);
}

TEST_F(RawSearchControllerTest, ASweepThatStartsFurtherInNumbersTheRingFromThere) {
  qm::MemoryDevice device(40 * kPerBlock, 512);
  Plant(device, 7 * kPerBlock, "AAAA", 0, 999);
  std::vector<TagAnalyser*> a;
  Prepare(device, a, Analysers({new TagAnalyser("AAAA", 91)}));
  for (std::uint64_t b = 5; b < 27; ++b)
    Block(b, device); // the debug start: block 5
  EXPECT_EQ(At(7 * kPerBlock)->GetLength(), 0u);
  Block(27, device);
  EXPECT_EQ(At(7 * kPerBlock)->GetLength(), 999u);
}

TEST_F(RawSearchControllerTest, HeaderLengthsAreCutAtTheDeviceEnd) {
  qm::MemoryDevice device(4 * kPerBlock, 512);
  Plant(device, 30, "AAAA", 0xFFFFFFF0u, 0);
  std::vector<TagAnalyser*> a;
  Prepare(device, a, Analysers({new TagAnalyser("AAAA", 91)}));
  for (std::uint64_t b = 0; b < 4; ++b)
    Block(b, device);
  ASSERT_NE(At(30), nullptr);
  EXPECT_EQ(At(30)->GetLength(), 2u * 512u);
}

TEST_F(RawSearchControllerTest, NoAnalyserChosenReadsNothing) {
  qm::MemoryDevice device(4 * kPerBlock, 512);
  const std::vector<int> saved = GetAppSettings()->vecRawTypes;
  GetAppSettings()->vecRawTypes = {20, 26}; // DLL and EXE have no analyser
  controller_ = std::make_unique<CRAWSearchController>();
  controller_->SetRawFileCollection(&collection_);
  controller_->SetDevice(&device);
  controller_->SetSectorsPerBlock(kPerBlock);
  controller_->PrepareSearch();
  GetAppSettings()->vecRawTypes = saved;
  device.ResetCounters();
  EXPECT_EQ(controller_->AnalyzeBlock(0, kPerBlock, &statistics_), 1);
  EXPECT_EQ(device.readCalls(), 0u);
}

TEST_F(RawSearchControllerTest, TheControllerOfKind2FindsNoPartitionsAndBuildsNoTrees) {
  CRAWSearchController controller;
  EXPECT_EQ(controller.GetKind(), 2);
  std::vector<CSearchedPartitionInfo*> partitions;
  controller.GetFoundPartitions(partitions);
  EXPECT_TRUE(partitions.empty());
  for (int type = 0; type <= 7; ++type)
    EXPECT_EQ(controller.AcceptsPartitionType(type), 0);
  EXPECT_EQ(controller.BuildTree(nullptr, nullptr, 0, nullptr), nullptr);
  // Blocks before PrepareSearch are ignored.
  EXPECT_EQ(controller.AnalyzeBlock(0, 8, nullptr), 1);
}

} // namespace
