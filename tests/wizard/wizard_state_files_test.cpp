// The state files of the two roads with steps that keep a value each: what
// a save writes, which files a commit moves, how far a restore goes by the
// stage, and what a damaged or missing file does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "filemodel/crs_data.h"
#include "support/scratch_files.h"
#include "wizard/steps/page_controller.h"
#include "wizard/services/scan_result_export.h"
#include "wizard/services/wizard_state_files.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

// Each type of step keeps its own section, as the real steps do.
GUID StepSection(int type) {
  return GUID{0x11111111u + static_cast<std::uint32_t>(type), 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
}

// A step of a state type that keeps one number in a section of its own.
class FakeStep : public IWizardPageController {
public:
  FakeStep(int type, int kind) : type_(type), kind_(kind) {}
  void Activate() override {}
  void Home() override {}
  void Back() override {}
  bool Next() override { return false; }
  void SetPrevController(IWizardPageController* p) override { previous_ = p; }
  IWizardPageController* GetPrevController() override { return previous_; }
  int GetStateTypeId() override { return type_; }
  int GetSearchKind() override { return kind_; }
  void Leave() override { ++left; }
  int SaveState(IRSData* writer, IDIRBuildCallback*) override {
    writer->OpenSection(StepSection(type_));
    RSWrite<std::uint32_t>(*writer, value);
    writer->CloseSection();
    return 1;
  }
  bool LoadState(IRSData* reader, IDIRBuildCallback*) override {
    ++loads;
    if (failLoad) return false;
    reader->OpenSection(StepSection(type_));
    loaded = RSRead<std::uint32_t>(*reader);
    reader->CloseSection();
    return true;
  }

  std::uint32_t value = 0, loaded = 0;
  int loads = 0, left = 0;
  bool failLoad = false;

private:
  int type_, kind_;
  IWizardPageController* previous_ = nullptr;
};

class StateFiles : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = ScratchPath("wizard_state_files");
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    SetStateFolder(folder_);
  }
  void TearDown() override { SetStateFolder({}); }

  static int Stage(const fs::path& file) {
    CRSDataEx reader(CRSData::kReadMode);
    if (!reader.Open(file.c_str(), 0)) return -1;
    RSHeader header;
    const int stage = reader.ReadHeader(header) ? static_cast<int>(header.fileKind) : -1;
    reader.Close();
    return stage;
  }

  fs::path folder_;
};

TEST(StateStages, StageByStateTypeAndLimitByStage) {
  const int stages[] = {0, 1, 0, 3, 4, 2, 0, 0};
  for (int type = 0; type < 8; ++type)
    EXPECT_EQ(StageOfStateType(type), stages[type]) << type;
  const int limits[] = {6, 1, 5, 3, 4, 6};
  for (int stage = 0; stage < 6; ++stage)
    EXPECT_EQ(HighestStateTypeOfStage(stage), limits[stage]) << stage;
}

TEST_F(StateFiles, SaveWritesTheChainAndOnlyAValidFileIsCommitted) {
  FakeStep mode(6, 2), disk(2, 2), found(3, 2), scan(4, 2), files(5, 2);
  disk.SetPrevController(&mode);
  found.SetPrevController(&disk);
  scan.SetPrevController(&found);
  files.SetPrevController(&scan);
  disk.value = 10, found.value = 30, scan.value = 40, files.value = 50;
  ASSERT_EQ(SaveRecoveryStates(files, nullptr), 1);
  EXPECT_EQ(Stage(TempStateFile(2)), 2);
  EXPECT_FALSE(fs::exists(TempStateFile(1)));

  // Back on the device page: stage 0, which is never committed.
  ASSERT_TRUE(MarkStage(disk));
  EXPECT_EQ(Stage(TempStateFile(2)), 0);
  EXPECT_EQ(CommitStateFile(2), 1);
  EXPECT_FALSE(fs::exists(LastStateFile(2)));
  EXPECT_FALSE(ReadLastStateText(2).has_value());

  // A valid file is committed, replacing an older last file.
  std::ofstream(LastStateFile(2)) << "old";
  ASSERT_TRUE(MarkStage(files));
  EXPECT_EQ(CommitStateFile(2), 1);
  EXPECT_FALSE(fs::exists(TempStateFile(2)));
  EXPECT_EQ(Stage(LastStateFile(2)), 2);

  // Restoring rebuilds every listed step behind the device step.
  FakeStep disk2(2, 2), found2(3, 2), scan2(4, 2), files2(5, 2);
  FakeStep* steps[] = {&disk2, &found2, &scan2, &files2};
  IWizardPageController* last = RestoreRecoveryStates(
      disk2, nullptr, [&](int type) -> IWizardPageController* { return steps[type - 2]; });
  ASSERT_EQ(last, &files2);
  EXPECT_EQ(disk2.loaded, 10u);
  EXPECT_EQ(found2.loaded, 30u);
  EXPECT_EQ(scan2.loaded, 40u);
  EXPECT_EQ(files2.loaded, 50u);
  EXPECT_EQ(files2.GetPrevController(), &scan2);
  EXPECT_EQ(found2.GetPrevController(), &disk2);
  EXPECT_EQ(Stage(TempStateFile(2)), 2); // the last file copied back
}

TEST_F(StateFiles, TheStageLimitsTheRestoreAndAFailureLeavesTheLaterSteps) {
  FakeStep disk(2, 2), found(3, 2), scan(4, 2);
  found.SetPrevController(&disk);
  scan.SetPrevController(&found);
  ASSERT_EQ(SaveRecoveryStates(scan, nullptr), 1);
  ASSERT_TRUE(MarkStage(found)); // stage 3: disk and found partitions only
  ASSERT_EQ(CommitStateFile(2), 1);
  FakeStep disk2(2, 2), found2(3, 2), scan2(4, 2);
  FakeStep* steps[] = {&disk2, &found2, &scan2};
  auto resolve = [&](int type) -> IWizardPageController* { return steps[type - 2]; };
  EXPECT_EQ(RestoreRecoveryStates(disk2, nullptr, resolve), &found2);
  EXPECT_EQ(scan2.loads, 0);

  // The disk is gone: nothing after it is rebuilt and what was is left.
  disk2.failLoad = true;
  EXPECT_EQ(RestoreRecoveryStates(disk2, nullptr, resolve), nullptr);
  EXPECT_EQ(found2.loads, 1); // only the first restore reached it
  EXPECT_EQ(found2.left, 1);
  EXPECT_EQ(disk2.left, 0); // a device step keeps its list
}

TEST_F(StateFiles, DamagedOrForeignFilesRestoreNothing) {
  FakeStep disk(2, 2), other(0, 3);
  EXPECT_EQ(RestoreRecoveryStates(disk, nullptr, [](int) { return nullptr; }), nullptr); // no file
  std::ofstream(LastStateFile(2), std::ios::binary) << std::string(200, '\x5A');
  EXPECT_EQ(RestoreRecoveryStates(disk, nullptr, [&](int) { return &disk; }), nullptr);
  EXPECT_FALSE(ReadLastStateText(2).has_value());
  // A search kind without files fails every operation.
  EXPECT_EQ(SaveRecoveryStates(other, nullptr), 0);
  EXPECT_FALSE(MarkStage(other));
  // A file whose list names a step nobody makes.
  FakeStep found(3, 2);
  found.SetPrevController(&disk);
  ASSERT_EQ(SaveRecoveryStates(found, nullptr), 1);
  fs::rename(TempStateFile(2), LastStateFile(2));
  EXPECT_EQ(
      RestoreRecoveryStates(disk, nullptr,
                            [&](int type) -> IWizardPageController* { return type == 2 ? &disk : nullptr; }),
      nullptr);
}

TEST_F(StateFiles, TheHeaderTextIsCutAtAHundredCharacters) {
  FakeStep disk(2, 2), found(3, 2);
  found.SetPrevController(&disk);
  ASSERT_EQ(SaveRecoveryStates(found, nullptr), 1);
  {
    CRSDataEx writer(CRSData::kWriteMode);
    ASSERT_TRUE(writer.Open(TempStateFile(2).c_str(), 0));
    EXPECT_EQ(SetStateText(&writer, "Results for \r\nDisk \"" + std::string(150, 'x') + "\""), 1);
    writer.Close();
  }
  ASSERT_EQ(CommitStateFile(2), 1);
  const auto text = ReadLastStateText(2);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->substr(0, 18), "Results for \nDisk ");
  EXPECT_EQ(text->size(), 99u); // 100 stored, the '\r' dropped
}

TEST(ScanResultExport, DefaultNameAndExtension) {
  const QDateTime when(QDate(2026, 3, 7), QTime(9, 5));
  EXPECT_EQ(DefaultScanResultName(when, 1), "2026-03-07_09_05_ZORV_CR.rsf");
  EXPECT_EQ(DefaultScanResultName(when, 2), "2026-03-07_09_05_ZORV_PR.rsf");
  const struct {
    const char* chosen;
    const char* written;
  } rows[] = {{"/tmp/a", "/tmp/a.rsf"},
              {"/tmp/a.rsf", "/tmp/a.rsf"},
              {".rsf", ".rsf.rsf"},
              {"/tmp/a.RSF", "/tmp/a.RSF.rsf"},
              {"/tmp/a.rs", "/tmp/a.rs.rsf"}};
  for (const auto& row : rows)
    EXPECT_EQ(WithScanResultExtension(row.chosen), row.written) << row.chosen;
  EXPECT_EQ(FileDialogFilter(QStringLiteral("Recovery State File(*.rsf)|*.rsf||")),
            QStringLiteral("Recovery State File(*.rsf)"));
  EXPECT_EQ(FileDialogFilter(QStringLiteral("Images|*.qmi|All|*.*||")),
            QStringLiteral("Images (*.qmi);;All (*.*)"));
}

} // namespace
} // namespace qm
