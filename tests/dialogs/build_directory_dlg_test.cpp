// The build-directory window and the runner that shows it over a build:
// what the engine's reports make of the window, Cancel with its question,
// a build that must not be stopped, the FAT flag word and the choice of
// engine by file-system name, and a real FAT build stopped from the window.
#include <QtCore/QThread>
#include <QtTest/QTest>
#include <QtWidgets/QLabel>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <gtest/gtest.h>

#include <thread>

#include "dialogs/build_directory_dlg.h"
#include "dialogs/tree_build_runner.h"
#include "filemodel/file_node.h"
#include "platform/message_pump.h"
#include "storage/app_settings.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"

namespace qm {
namespace {

TEST(BuildDirectoryDlg, ShowsTheReportsOfAWorkerThread) {
  test::ScriptedPrompter prompter;
  CBuildDirectoryDlg dialog(nullptr, &prompter);
  CDIRBuildCallback callback(dialog);
  dialog.show();
  std::thread worker([&] {
    EXPECT_EQ(callback.OnBegin("NTFS:Reading files", 200), 0);
    EXPECT_EQ(callback.OnStep(50), 0);
    EXPECT_EQ(callback.OnStep(30), 0);
  });
  worker.join();
  dialog.Refresh();
  EXPECT_EQ(dialog.StageLabel()->text(), QStringLiteral("NTFS:Reading files"));
  EXPECT_EQ(dialog.Bar()->maximum(), 200);
  EXPECT_EQ(dialog.Bar()->value(), 80);
  EXPECT_EQ(dialog.ElapsedLabel()->text(), QStringLiteral("00:00:00"));
  callback.OnPosition(150);
  dialog.Refresh();
  EXPECT_EQ(dialog.Bar()->value(), 150);
  callback.OnEnd();
  dialog.Refresh();
  EXPECT_EQ(dialog.Bar()->value(), 200);
  EXPECT_FALSE(test::SaveToGallery(dialog, QStringLiteral("dialogs_build_directory")).isEmpty());
  // A second stage starts the bar from 0 again; a stage of no length is 0..0.
  callback.OnBegin("Building Directories...", 0);
  dialog.Refresh();
  EXPECT_EQ(dialog.StageLabel()->text(), QStringLiteral("Building Directories..."));
  EXPECT_EQ(dialog.Bar()->maximum(), 0);
  EXPECT_EQ(dialog.Bar()->value(), 0);
}

TEST(BuildDirectoryDlg, CancelAsksAndAYesStopsForGood) {
  test::ScriptedPrompter prompter;
  CBuildDirectoryDlg dialog(nullptr, &prompter);
  CDIRBuildCallback callback(dialog);
  dialog.show();
  prompter.answers = {false};
  QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, QStringLiteral("Abort Building?"));
  EXPECT_TRUE(prompter.shown[0].question);
  EXPECT_EQ(callback.Poll(), 0);
  EXPECT_TRUE(dialog.CancelButton()->isEnabled());

  prompter.answers = {true};
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(callback.Poll(), -1);
  EXPECT_FALSE(dialog.CancelButton()->isEnabled());
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Cancelling..."));
  EXPECT_TRUE(dialog.isVisible());
  dialog.hide();
  // Every report after the stop says stop, also once the window is gone.
  EXPECT_EQ(callback.OnBegin("again", 5), -1);
  EXPECT_EQ(callback.OnStep(1), -1);
  EXPECT_EQ(callback.OnPosition(2), -1);
  EXPECT_EQ(callback.OnEnd(), -1);
  EXPECT_EQ(callback.Poll(), -1);
  // No second question once stopped.
  dialog.OnCancel();
  EXPECT_EQ(prompter.shown.size(), 2u);
}

TEST(BuildDirectoryDlg, ABuildThatMustNotStopHasNoCancel) {
  test::ScriptedPrompter prompter;
  prompter.answers = {true, true};
  CBuildDirectoryDlg dialog(nullptr, &prompter);
  dialog.DisableCancel();
  dialog.show();
  EXPECT_FALSE(dialog.CancelButton()->isVisible());
  QTest::keyClick(&dialog, Qt::Key_Escape);
  dialog.OnCancel();
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(dialog.CheckStop(), 0);
}

TEST(TreeBuildRunner, FatFlagsAndTheEngineOfEachFileSystem) {
  AppSettings settings;
  struct Case {
    bool fat32;
    int first;
    int second;
    std::uint32_t flags;
  };
  for (const Case& c : {Case{true, 1, 1, 972}, Case{false, 1, 1, 963}, Case{true, 0, 0, 12},
                        Case{false, 1, 0, 195}, Case{true, 0, 1, 780}}) {
    settings.bUseFirstFat = c.first;
    settings.bUseSecondFat = c.second;
    EXPECT_EQ(FatBuildFlags(c.fat32, settings), c.flags);
  }
  struct Name {
    const char* name;
    TreeBuildKind kind;
  };
  for (const Name& n : {Name{"NTFS", TreeBuildKind::kNtfs}, Name{"FAT12", TreeBuildKind::kFat},
                        Name{"FAT16", TreeBuildKind::kFat}, Name{"FAT32", TreeBuildKind::kFat32},
                        Name{"EXT2", TreeBuildKind::kExt2}, Name{"EXT3", TreeBuildKind::kExt2},
                        Name{"RAW", TreeBuildKind::kNone}, Name{"ntfs", TreeBuildKind::kNone},
                        Name{"Unknown", TreeBuildKind::kNone}, Name{"", TreeBuildKind::kNone}}) {
    EXPECT_EQ(TreeBuildForFileSystem(n.name), n.kind) << n.name;
  }
}

class RealFatBuild : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    image_ = ScratchPath("runner_fat16.img");
    const std::string img = image_.string();
    const std::string mtools = "MTOOLS_SKIP_CHECK=1 ";
    made_ = RunCommand("rm -f " + img + " && mkfs.fat -C -F 16 -s 1 -n RUNNER " + img + " 8192 >/dev/null") ==
                0 &&
            RunCommand("printf 'hello' > " + img + ".txt && " + mtools + "mcopy -i " + img + " " + img +
                       ".txt ::/kept.txt && " + mtools + "mcopy -i " + img + " " + img +
                       ".txt ::/gone.txt && " + mtools + "mdel -i " + img + " ::/gone.txt") == 0;
  }
  void SetUp() override {
    ASSERT_TRUE(made_) << "mkfs.fat or mtools failed";
    SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
  }
  void TearDown() override {
    SetMessagePump({});
    CTreeBuildRunner::SetDialogShownHook({});
  }
  static inline std::filesystem::path image_;
  static inline bool made_ = false;
};

TEST_F(RealFatBuild, TheWindowStandsOverTheDisabledMainWindowAndAStopGivesNoTree) {
  CImageFileDevice device(image_.string().c_str());
  ASSERT_TRUE(device.IsOpen());
  AppSettings settings;
  test::ScriptedPrompter prompter;
  QWidget main;
  main.show();
  bool disabledMeanwhile = false;
  CTreeBuildRunner::SetDialogShownHook(
      [&](CBuildDirectoryDlg& dialog) { disabledMeanwhile = !main.isEnabled() && dialog.isVisible(); });
  {
    CTreeBuildRunner runner(&main, settings, &prompter);
    CFileNode* root = runner.BuildByName("FAT16", &device);
    ASSERT_NE(root, nullptr);
    EXPECT_FALSE(runner.IsStopped());
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_TRUE(main.isEnabled());
    DeleteFileTree(root);
  }
  // Cancel pressed and confirmed as the build starts.
  prompter.answers = {true};
  CTreeBuildRunner::SetDialogShownHook([](CBuildDirectoryDlg& dialog) { dialog.OnCancel(); });
  CTreeBuildRunner runner(&main, settings, &prompter);
  EXPECT_EQ(runner.BuildByName("FAT16", &device), nullptr);
  EXPECT_TRUE(runner.IsStopped());
  EXPECT_TRUE(main.isEnabled());
  // A file system no engine reads builds nothing and is not a stop.
  CTreeBuildRunner other(&main, settings, &prompter);
  EXPECT_EQ(other.BuildByName("RAW", &device), nullptr);
  EXPECT_FALSE(other.IsStopped());
}

} // namespace
} // namespace qm
