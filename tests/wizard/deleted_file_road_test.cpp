// The deleted-file road end to end on volumes made by the real tools, each
// holding deleted files and a deleted folder: start page, Deleted, the
// volume on page 1, Next under the build-directory window, and page 9 with
// exactly the deleted files and folders, their sizes and times. Also a
// stopped build, a volume without deleted files, Back, the tree's check
// boxes and the status line, and a picture of page 9 over each volume.
#include <QtCore/QThread>
#include <QtCore/QTranslator>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QTreeView>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "controls/device_select_ctrl.h"
#include "controls/file_list_ctrl.h"
#include "controls/file_list_rows.h"
#include "controls/file_tree_ctrl.h"
#include "controls/list_ctrl_plus.h"
#include "controls/tab_ctrl_plus.h"
#include "deleted_road_fixture.h"
#include "dialogs/build_directory_dlg.h"
#include "dialogs/small_dialogs.h"
#include "dialogs/tree_build_runner.h"
#include "fatext2/boot_sector_classifiers.h"
#include "fatext2/ext2_volume_analyze.h"
#include "fatext2/fat_volume_analyze.h"
#include "filemodel/file_system_node.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "platform/disk_table.h"
#include "platform/message_pump.h"
#include "storage/app_settings.h"
#include "storage/volume_analyzer.h"
#include "support/scratch_files.h"
#include "support/sha256.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/services/device_source.h"
#include "wizard/steps/file_select_controller.h"
#include "wizard/pages/file_select_page.h"
#include "wizard/main_frame.h"
#include "wizard/pages/recovery_mode_page.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"

namespace qm {
namespace {

using test::kExt2Deleted;
using test::kFatDeleted;
using test::kNtfsDeleted;

std::string Sha256File(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  return test::Sha256Hex(bytes);
}

class DeletedFileRoad : public test::DeletedRoadTest {};

TEST_F(DeletedFileRoad, NtfsVolumeShowsItsDeletedFilesAndFolder) {
  WalkTo("QM Fixture", kNtfsDeleted, QStringLiteral("wizard_page9_deleted_ntfs"));
  EXPECT_TRUE(hintShown_);
  // Sizes and times of the listed files.
  CFileTreeCtrl& tree = FilePage().Tree();
  CFileListCtrl& list = FilePage().MainList();
  ASSERT_TRUE(tree.SelectNode(FilePage().GetRootNode()->GetFirstChild()));
  std::map<QString, int> rows;
  for (int i = 0; i < list.RowCount(); ++i)
    rows[FileListCellText(list.GetItemNode(i), kColumnName)] = i;
  ASSERT_TRUE(rows.count(QStringLiteral("deleted.bin")));
  CFileNode* bin = list.GetItemNode(rows[QStringLiteral("deleted.bin")]);
  EXPECT_EQ(bin->GetProperties()->GetSize(), 40000u);
  EXPECT_EQ(FileListCellText(bin, kColumnSize), QStringLiteral("39.06 KB"));
  EXPECT_FALSE(FileListCellText(bin, kColumnModified).isEmpty());
  EXPECT_FALSE(FileListCellText(bin, kColumnCreated).isEmpty());
  EXPECT_EQ(FileListCellText(bin, kColumnType), QStringLiteral("bin"));
  EXPECT_NE(bin->GetProperties()->GetState() & kStateDeleted, 0);
}

TEST_F(DeletedFileRoad, Fat32VolumeShowsItsDeletedFilesAndFolder) {
  WalkTo("DELFAT", kFatDeleted, QStringLiteral("wizard_page9_deleted_fat32"));
}

TEST_F(DeletedFileRoad, Ext2VolumeShowsItsDeletedFilesAndFolder) {
  WalkTo("DELEXT", kExt2Deleted, QStringLiteral("wizard_page9_deleted_ext2"));
}

TEST_F(DeletedFileRoad, ChecksReachTheStatusLineAndBackReturnsToTheVolumes) {
  WalkTo("DELFAT", kFatDeleted, QStringLiteral("wizard_page9_deleted_fat32_first"));
  // Next with nothing ticked stays.
  prompter_.shown.clear();
  EXPECT_FALSE(frame_->Sheet().OnNext());
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("Select files to save, please."));
  // Ticking "Deleted Files" ticks all three files.
  CFileTreeCtrl& tree = FilePage().Tree();
  tree.ToggleCheck(tree.Model()->index(0, 0));
  EXPECT_EQ(FilePage().SelectedText(), FormatFilesStatus(386, 5000 + 12000 + 700, 3));
  EXPECT_EQ(FilePage().TotalText(), FormatFilesStatus(385, 5000 + 12000 + 700, 3));
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page9_deleted_fat32_ticked")).isEmpty());
  // Back asks; No stays, Yes returns to the volumes with the tree freed.
  prompter_.answers = {false};
  frame_->Sheet().OnBack();
  EXPECT_EQ(frame_->Sheet().ActiveIndex(), kPageFileSelect);
  prompter_.answers = {true};
  frame_->Sheet().OnBack();
  WaitUntilEnabled();
  EXPECT_EQ(frame_->Sheet().ActiveIndex(), kPageDeleteRecoveryDevice);
  EXPECT_EQ(FilePage().GetRootNode(), nullptr);
  EXPECT_EQ(context_.deleteDeviceController().SearchedTree(), nullptr);
  EXPECT_EQ(FilePage().MainList().RowCount(), 0);
  // The hint was shown once more only while its box stays unticked.
  CDeviceListPage& page = *static_cast<CDeviceListPage*>(frame_->Sheet().GetActivePage());
  ASSERT_TRUE(SelectVolume(page, "DELFAT"));
  EXPECT_TRUE(NextClosingHint(true));
  EXPECT_TRUE(hintShown_);
  prompter_.answers = {true};
  frame_->Sheet().OnBack();
  WaitUntilEnabled();
  ASSERT_TRUE(SelectVolume(page, "DELFAT"));
  // No hint this time: nothing waits for a window that never opens.
  EXPECT_TRUE(frame_->Sheet().OnNext());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(frame_->Sheet().ActiveIndex(), kPageFileSelect);
  // Home frees everything on the way to the start page.
  prompter_.answers = {true, true};
  frame_->Sheet().OnHome();
  EXPECT_EQ(FilePage().GetRootNode(), nullptr);
  EXPECT_EQ(context_.deleteDeviceController().SearchedTree(), nullptr);
}

TEST_F(DeletedFileRoad, AStoppedBuildReturnsToTheVolumesWithTheWindowEnabled) {
  CDeviceListPage& page = OpenVolumePage();
  ASSERT_TRUE(SelectVolume(page, "QM Fixture"));
  prompter_.answers = {true};
  CTreeBuildRunner::SetDialogShownHook([](CBuildDirectoryDlg& dialog) { dialog.OnCancel(); });
  prompter_.shown.clear();
  EXPECT_FALSE(frame_->Sheet().OnNext());
  EXPECT_EQ(frame_->Sheet().ActiveIndex(), kPageDeleteRecoveryDevice);
  EXPECT_TRUE(frame_->isEnabled());
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("Abort Building?"));
  EXPECT_EQ(FilePage().GetRootNode(), nullptr);
  EXPECT_EQ(context_.deleteDeviceController().SearchedTree(), nullptr);
}

TEST_F(DeletedFileRoad, AVolumeWithoutDeletedFilesSaysSo) {
  CDeviceListPage& page = OpenVolumePage();
  ASSERT_TRUE(SelectVolume(page, "NODEL"));
  prompter_.shown.clear();
  EXPECT_TRUE(frame_->Sheet().OnNext());
  EXPECT_EQ(frame_->Sheet().ActiveIndex(), kPageDeleteRecoveryDevice);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("No files found, please go to Format Recovery mode!"));
  EXPECT_EQ(context_.deleteDeviceController().SearchedTree(), nullptr);
  EXPECT_TRUE(frame_->isEnabled());
}

TEST_F(DeletedFileRoad, TheScanLeavesTheImagesUnchanged) {
  const std::string before = Sha256File(test::DeletedRoadFixtureImages().ext2);
  WalkTo("DELEXT", kExt2Deleted, QStringLiteral("wizard_page9_deleted_ext2_again"));
  EXPECT_EQ(Sha256File(test::DeletedRoadFixtureImages().ext2), before);
}

// The file page as a German or Japanese user sees it: the tree's root and
// the page's own texts come from the translations, and the names and
// columns are not cut.
class TranslatedDeletedFileRoad : public test::DeletedRoadTest,
                                  public ::testing::WithParamInterface<const char*> {
protected:
  void SetUp() override {
    const std::string folder = std::string(std::getenv("QM_BINARY_DIR")) + "/src/app/translations";
    ASSERT_TRUE(translator_.load(QString::fromLatin1(GetParam()), QString::fromStdString(folder)));
    QCoreApplication::installTranslator(&translator_);
    DeletedRoadTest::SetUp();
  }
  void TearDown() override {
    DeletedRoadTest::TearDown();
    QCoreApplication::removeTranslator(&translator_);
  }
  QTranslator translator_;
};

TEST_P(TranslatedDeletedFileRoad, TheFilePageSpeaksTheLanguage) {
  CDeviceListPage& page = OpenVolumePage();
  ASSERT_TRUE(SelectVolume(page, "DELFAT"));
  ASSERT_TRUE(NextClosingHint());
  ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageFileSelect);
  EXPECT_EQ(DeletedPaths(), kFatDeleted);
  CFileTreeCtrl& tree = FilePage().Tree();
  ASSERT_EQ(tree.Model()->rowCount(), 1);
  const QString root = QCoreApplication::translate("FoundTree", "Deleted Files");
  EXPECT_NE(root, QStringLiteral("Deleted Files"));
  EXPECT_TRUE(tree.Model()->index(0, 0).data().toString().startsWith(root + QStringLiteral(" (")))
      << tree.Model()->index(0, 0).data().toString().toStdString();
  ASSERT_TRUE(tree.SelectNode(FilePage().GetRootNode()->GetFirstChild()));
  const QString suffix = QString::fromLatin1(GetParam()) == QLatin1String("Deutsch") ? QStringLiteral("de")
                                                                                    : QStringLiteral("ja");
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page9_deleted_fat32_") + suffix).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedDeletedFileRoad, ::testing::Values("Deutsch", "Japanese"));

} // namespace
} // namespace qm
