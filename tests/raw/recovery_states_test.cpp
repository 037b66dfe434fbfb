// The wizard's state-file services over the partition road's four kept
// steps (disk, found partitions, scan, file selection), each saving its
// real section: the chain is written oldest first with the stage of the
// step the user is on, restored up to that stage, and damaged, cut and
// hostile files fail cleanly, leave the rebuilt steps and never touch the
// temporary file.
#include "raw/recovery_states.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "../ntfs/tree_build_support.h"
#include "fatext2/fat_file_properties.h"
#include "filemodel/crs_data.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/raw_file_info.h"
#include "filemodel/scan_result_sections.h"
#include "filemodel/scan_state_store.h"
#include "platform/byte_view.h"
#include "raw/scan_result_factories.h"
#include "recovery_steps.h"
#include "storage/searched_partition_info.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

using qm::test::RecoveryStep;

TEST(RecoveryStates, StagesAndTheirLimits) {
  const int stage[] = {0, 1, 0, 3, 4, 2, 0, 0};
  for (int type = 0; type < 8; ++type)
    EXPECT_EQ(qm::StageOfStateType(type), stage[type]) << type;
  const int limit[] = {6, 1, 5, 3, 4, 6, 6};
  for (int s = 0; s < 7; ++s)
    EXPECT_EQ(qm::HighestStateTypeOfStage(s), limit[s]) << s;
  EXPECT_EQ(qm::TempStateFilePath(0), fs::path());
  EXPECT_EQ(qm::LastStateFilePath(3), fs::path());
  EXPECT_EQ(qm::TempStateFilePath(1).filename(), "cstemp.rdf");
  EXPECT_EQ(qm::LastStateFilePath(1).filename(), "cslast.rdf");
  EXPECT_EQ(qm::TempStateFilePath(2).filename(), "lpstemp.rdf");
  EXPECT_EQ(qm::LastStateFilePath(2).filename(), "lpslast.rdf");
}

// What the partition road holds, saved by its four steps.
struct LostRoad {
  LostRoad()
      : disk(
            qm::kStateLostDisk, qm::kSearchLostPartition,
            [this](IRSData* w, IDIRBuildCallback*) {
              SetStateText(w, "Results for \r\nImage File \"road.img\"");
              return CScanStateStore::SaveRecord(record, w);
            },
            [this](IRSData* r, IDIRBuildCallback*) {
              loadedDisk = CScanStateStore::LoadRecords(r, disks, images);
              return loadedDisk != nullptr;
            }),
        found(
            qm::kStateFoundPartitions, qm::kSearchLostPartition,
            [this](IRSData* w, IDIRBuildCallback*) { return WritePartitionListSection({&window}, 0, w); },
            [this](IRSData* r, IDIRBuildCallback*) {
              return ReadPartitionListSection(windows, &selected, nullptr, r) == 1 && windows.size() == 1;
            }),
        scan(
            qm::kStateLostScan, qm::kSearchLostPartition,
            [this](IRSData* w, IDIRBuildCallback*) {
              return SaveScanState(w, controllers, &carved, partitions);
            },
            [this](IRSData* r, IDIRBuildCallback*) {
              return LoadScanState(r, loadedControllers, loadedCarved, loadedPartitions) == 1;
            }),
        files(
            qm::kStateFileSelection, qm::kSearchLostPartition,
            [this](IRSData* w, IDIRBuildCallback* p) { return WriteFileTreeSection(tree, w, p); },
            [this](IRSData* r, IDIRBuildCallback* p) {
              loadedTree = ReadFileTreeSection(r, p);
              return loadedTree != nullptr;
            }),
        saveFiles(qm::kStateNotKept, qm::kSearchLostPartition, nullptr, nullptr) {
    record.SetKind(1);
    record.SetImagePath(qm::MakeSparseImage("recovery_states_road.img", 1 << 20).string());
    window.startSector = 63;
    window.sectorCount = 2000;
    window.fileSystemType = 2;
    BuildSearchControllerList(controllers);
    auto carvedFile = std::make_unique<CRawFileInfo>();
    carvedFile->SetStartSector(700);
    carvedFile->SetLength(5000);
    carvedFile->SetType(47);
    carved.Add(std::move(carvedFile));
    partitions.push_back(new CSearchedPartitionInfo(512));
    partitions.back()->SetStartSector(63);
    CFileSystemNode* root = CreateFileSystemNode();
    auto rootProperties = CreateMyFileProperties();
    CMyFileProperties::Record rootRecord;
    rootRecord.attributes = qm::kAttrFolder;
    rootProperties->CopyRecord(rootRecord);
    root->SetProperties(std::move(rootProperties));
    for (const char* name : {"a.txt", "b.txt"}) {
      auto properties = CreateFatFileProperties();
      properties->SetName(name);
      properties->SetSize(1234);
      root->AddChild(CreateFileNode())->SetProperties(std::move(properties));
    }
    tree = root;
    found.SetPreviousStateHolder(&disk);
    scan.SetPreviousStateHolder(&found);
    files.SetPreviousStateHolder(&scan);
    saveFiles.SetPreviousStateHolder(&files);
  }
  ~LostRoad() {
    for (auto* p : partitions)
      delete p;
    for (auto* p : loadedPartitions)
      delete p;
    DeleteFileTree(tree);
    if (loadedTree != nullptr) DeleteFileTree(loadedTree);
  }
  LostRoad(const LostRoad&) = delete;
  LostRoad& operator=(const LostRoad&) = delete;

  IRecoveryStateHolder* Of(int type) {
    switch (type) {
    case qm::kStateLostDisk:
      return &disk;
    case qm::kStateFoundPartitions:
      return &found;
    case qm::kStateLostScan:
      return &scan;
    case qm::kStateFileSelection:
      return &files;
    default:
      return nullptr;
    }
  }
  RecoveryStateHolderOf Lookup() {
    return [this](int type) { return Of(type); };
  }
  int Leaves() const { return disk.leaves + found.leaves + scan.leaves + files.leaves; }

  CScanStateRecord record;
  LostPartitionRecord window;
  SearchControllerList controllers;
  CRawFileCollection carved;
  std::vector<CSearchedPartitionInfo*> partitions;
  CFileNode* tree = nullptr;

  std::vector<std::unique_ptr<CScanStateRecord>> disks, images;
  CScanStateRecord* loadedDisk = nullptr;
  qm::PartitionWindowList windows;
  int selected = -1;
  std::unique_ptr<CRawFileCollection> loadedCarved;
  SearchControllerList loadedControllers;
  std::vector<CSearchedPartitionInfo*> loadedPartitions;
  CFileNode* loadedTree = nullptr;

  RecoveryStep disk, found, scan, files, saveFiles;
};

class RecoveryStatesFiles : public ::testing::Test {
protected:
  static void SetUpTestSuite() { qm::RegisterScanResultFactories(); }
  void SetUp() override {
    folder_ = qm::ScratchPath(std::string("recovery_states_") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    qm::SetRecoveryStateFolder(folder_);
  }
  void TearDown() override { qm::SetRecoveryStateFolder({}); }

  // Saves the road from its file step and commits the file as the last one.
  void SaveAndCommit(IRecoveryStateHolder* current) {
    ASSERT_EQ(SaveRecoveryStates(current, nullptr), 1);
    fs::rename(qm::TempStateFilePath(2), qm::LastStateFilePath(2));
  }
  void WriteTemp(const std::string& text) { std::ofstream(qm::TempStateFilePath(2)) << text; }
  std::string ReadTemp() {
    const auto bytes = qm::ReadFileBytes(qm::TempStateFilePath(2));
    return std::string(bytes.begin(), bytes.end());
  }

  fs::path folder_;
};

TEST_F(RecoveryStatesFiles, TheChainIsSavedOldestFirstAndRestoredWhole) {
  LostRoad road;
  qm::test::RecordingCallback progress;
  ASSERT_EQ(SaveRecoveryStates(&road.saveFiles, &progress), 1);
  ASSERT_EQ(progress.titles.size(), 1u);
  EXPECT_EQ(progress.titles[0], qm::kSavingRecoveryStatesText);
  EXPECT_EQ(progress.steps, 5u + 5 + 4 * 10);
  EXPECT_EQ(road.saveFiles.saves, 0); // a step of type 6 keeps nothing
  {
    CRSDataEx reader(CRSData::kReadMode);
    ASSERT_EQ(reader.Open(qm::TempStateFilePath(2).c_str(), 0), 1);
    EXPECT_EQ(reader.GetFileKind(), 0); // saved from a step that is never kept: no stage, not resumable
    EXPECT_EQ(reader.IsValid(), 0);
    reader.Close();
  }
  ASSERT_EQ(SaveRecoveryStates(&road.files, nullptr), 1);
  {
    CRSDataEx reader(CRSData::kReadMode);
    ASSERT_EQ(reader.Open(qm::TempStateFilePath(2).c_str(), 0), 1);
    EXPECT_EQ(reader.GetFileKind(), 2);
    char text[101];
    ASSERT_EQ(reader.GetText(text, sizeof text), 1);
    EXPECT_STREQ(text, "Results for \r\nImage File \"road.img\"");
    ASSERT_EQ(reader.OpenSection(qm::kStateTypeListSection), 1);
    std::uint8_t list[20];
    ASSERT_EQ(reader.GetSectionLength() > 0, true);
    reader.Read(list, sizeof list);
    const qm::ByteView view(list, sizeof list);
    EXPECT_EQ(view.le32(0), 4u);
    EXPECT_EQ(view.le32(4), 2u);
    EXPECT_EQ(view.le32(8), 3u);
    EXPECT_EQ(view.le32(12), 4u);
    EXPECT_EQ(view.le32(16), 5u);
    reader.Close();
  }
  fs::rename(qm::TempStateFilePath(2), qm::LastStateFilePath(2));

  LostRoad resumed;
  IRecoveryStateHolder* last = RestoreRecoveryStates(&resumed.disk, resumed.Lookup(), &progress);
  ASSERT_EQ(last, &resumed.files);
  EXPECT_EQ(resumed.disk.GetPreviousStateHolder(), nullptr); // the page the user is on stays the road's start
  EXPECT_EQ(resumed.found.GetPreviousStateHolder(), &resumed.disk);
  EXPECT_EQ(resumed.scan.GetPreviousStateHolder(), &resumed.found);
  EXPECT_EQ(resumed.files.GetPreviousStateHolder(), &resumed.scan);
  ASSERT_NE(resumed.loadedDisk, nullptr);
  EXPECT_EQ(resumed.loadedDisk->GetImagePath(), road.record.GetImagePath());
  EXPECT_EQ(resumed.selected, 0);
  EXPECT_EQ(resumed.windows[0].record.startSector, 63u);
  EXPECT_EQ(resumed.loadedControllers.size(), road.controllers.size());
  ASSERT_NE(resumed.loadedCarved, nullptr);
  EXPECT_NE(resumed.loadedCarved->FindByStartSector(700), nullptr);
  ASSERT_EQ(resumed.loadedPartitions.size(), 1u);
  EXPECT_EQ(resumed.loadedPartitions[0]->GetStartSector(), 63u);
  ASSERT_NE(resumed.loadedTree, nullptr);
  EXPECT_STREQ(resumed.loadedTree->GetFirstChild()->GetProperties()->GetName(), "b.txt");
  EXPECT_EQ(resumed.Leaves(), 0);
  // The temporary file is the last one again, for the road to write on.
  EXPECT_EQ(qm::ReadFileBytes(qm::TempStateFilePath(2)), qm::ReadFileBytes(qm::LastStateFilePath(2)));
}

TEST_F(RecoveryStatesFiles, TheStageLimitsWhatIsRebuilt) {
  LostRoad road;
  SaveAndCommit(&road.files);
  {
    // The stage of the found-partition page, as marking it leaves the file.
    CRSDataEx writer(CRSData::kWriteMode);
    ASSERT_EQ(writer.Open(qm::LastStateFilePath(2).c_str(), 0), 1);
    writer.SetFileKind(3);
    writer.Close();
  }
  LostRoad resumed;
  EXPECT_EQ(RestoreRecoveryStates(&resumed.disk, resumed.Lookup(), nullptr), &resumed.found);
  EXPECT_EQ(resumed.disk.loads + resumed.found.loads, 2);
  EXPECT_EQ(resumed.scan.loads + resumed.files.loads, 0);
}

TEST_F(RecoveryStatesFiles, AStepThatCannotLoadFailsTheRestoreAndLeavesTheOthers) {
  LostRoad road;
  SaveAndCommit(&road.files);
  WriteTemp("current work");
  LostRoad resumed;
  // The disk of the saved search is gone: the image cannot be opened.
  fs::remove(road.record.GetImagePath());
  EXPECT_EQ(RestoreRecoveryStates(&resumed.disk, resumed.Lookup(), nullptr), nullptr);
  EXPECT_EQ(resumed.disk.loads, 1);
  EXPECT_EQ(resumed.found.loads + resumed.scan.loads + resumed.files.loads, 0);
  EXPECT_EQ(resumed.disk.leaves, 0);
  EXPECT_EQ(resumed.found.leaves + resumed.scan.leaves + resumed.files.leaves, 3);
  EXPECT_EQ(ReadTemp(), "current work");
}

TEST_F(RecoveryStatesFiles, RoadsWithoutStateFilesAndMissingFiles) {
  RecoveryStep deleted(qm::kStateNotKept, 0, nullptr, nullptr);
  EXPECT_EQ(SaveRecoveryStates(&deleted, nullptr), 0);
  EXPECT_EQ(RestoreRecoveryStates(
                &deleted, [&](int) { return &deleted; }, nullptr),
            nullptr);
  EXPECT_EQ(SaveRecoveryStates(nullptr, nullptr), 0);
  LostRoad road;
  EXPECT_EQ(RestoreRecoveryStates(&road.disk, road.Lookup(), nullptr), nullptr); // no last file yet
  // A chain that comes round to itself is saved once through.
  RecoveryStep a(qm::kStateLostDisk, 2, nullptr, nullptr), b(qm::kStateFoundPartitions, 2, nullptr, nullptr);
  a.SetPreviousStateHolder(&b);
  b.SetPreviousStateHolder(&a);
  EXPECT_EQ(SaveRecoveryStates(&b, nullptr), 1);
  EXPECT_EQ(a.saves + b.saves, 2);
}

// The offsets just past each section of a result file.
std::vector<std::size_t> SectionEnds(const std::vector<std::uint8_t>& file) {
  std::vector<std::size_t> ends;
  std::size_t at = qm::kRSHeaderSize;
  while (at + qm::kRSSectionHeaderSize <= file.size()) {
    at += qm::kRSSectionHeaderSize + qm::ByteView(file.data(), file.size()).le32(at + 32);
    ends.push_back(at);
  }
  return ends;
}

TEST_F(RecoveryStatesFiles, CutAndDamagedFilesFailCleanlyAndLeaveTheTemporaryFile) {
  LostRoad road;
  SaveAndCommit(&road.files);
  const auto good = qm::ReadFileBytes(qm::LastStateFilePath(2));
  const auto ends = SectionEnds(good);
  ASSERT_GE(ends.size(), 7u); // the list, the disk, the windows, three of the scan, the tree
  ASSERT_EQ(ends.back(), good.size());
  auto restore = [&](const std::vector<std::uint8_t>& bytes) {
    std::ofstream(qm::LastStateFilePath(2), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    WriteTemp("current work");
    LostRoad resumed;
    IRecoveryStateHolder* last = RestoreRecoveryStates(&resumed.disk, resumed.Lookup(), nullptr);
    if (last == nullptr) {
      EXPECT_EQ(ReadTemp(), "current work");
      EXPECT_LE(resumed.Leaves(), 3);
      EXPECT_EQ(resumed.disk.leaves, 0);
    }
    return last != nullptr;
  };
  std::vector<std::size_t> cuts = {0, 1, qm::kRSHeaderSize - 1, qm::kRSHeaderSize};
  for (std::size_t end : ends)
    for (std::size_t cut : {end - 1, end, end + 1})
      if (cut < good.size()) cuts.push_back(cut);
  for (std::size_t cut : cuts)
    EXPECT_FALSE(
        restore(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))))
        << "cut at " << cut;
  EXPECT_TRUE(restore(good));
  // Flipped bytes: a clean failure or a restore, never a crash or a leak
  // (the sanitizers watch).
  for (std::size_t at = 0; at < good.size(); at += 3) {
    auto flipped = good;
    flipped[at] ^= 0x5A;
    restore(flipped);
  }
}

TEST_F(RecoveryStatesFiles, HostileStepListsAreRefused) {
  auto writeList = [&](int stage, const std::vector<std::uint32_t>& words) {
    CRSDataEx writer(CRSData::kWriteMode);
    ASSERT_EQ(writer.Open(qm::LastStateFilePath(2).c_str(), 1), 1);
    writer.SetFileKind(std::min(stage, 4));
    writer.OpenSection(qm::kStateTypeListSection);
    for (std::uint32_t w : words)
      qm::RSWrite<std::uint32_t>(writer, w);
    writer.CloseSection();
    writer.Close();
    if (stage <= 4) return;
    // A stage the writer refuses, in a header whose check sum holds.
    auto bytes = qm::ReadFileBytes(qm::LastStateFilePath(2));
    std::uint8_t header[qm::kRSHeaderSize];
    std::copy(bytes.begin(), bytes.begin() + qm::kRSHeaderSize, header);
    RSHeader decoded = qm::DecodeRSHeader(qm::ByteView(header, sizeof header));
    decoded.fileKind = static_cast<std::uint32_t>(stage);
    decoded.crc = 0;
    qm::EncodeRSHeader(decoded, header);
    decoded.crc = qm::RSHeaderCrc(header);
    qm::EncodeRSHeader(decoded, header);
    std::copy(header, header + sizeof header, bytes.begin());
    std::ofstream(qm::LastStateFilePath(2), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  };
  struct Row {
    const char* what;
    int stage;
    std::vector<std::uint32_t> words;
  };
  const Row rows[] = {
      {"count near 2^32", 2, {0xFFFFFFFFu, 2, 3}},
      {"count above any road", 2, {17, 2, 3}},
      {"a step listed twice", 2, {3, 2, 3, 2}},
      {"count past the section", 2, {4, 2, 3}},
      {"no step the road has", 2, {2, 0x80000000u, 6}},
      {"empty list", 2, {0}},
      {"stage out of range", 9, {1, 2}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    writeList(row.stage, row.words);
    LostRoad resumed;
    EXPECT_EQ(RestoreRecoveryStates(&resumed.disk, resumed.Lookup(), nullptr), nullptr);
    EXPECT_EQ(resumed.found.loads + resumed.scan.loads + resumed.files.loads, 0);
  }
}

} // namespace
