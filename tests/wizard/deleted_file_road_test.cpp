// The deleted-file road end to end on volumes made by the real tools, each
// holding deleted files and a deleted folder: start page, Deleted, the
// volume on page 1, Next under the build-directory window, and page 9 with
// exactly the deleted files and folders, their sizes and times. Also a
// stopped build, a volume without deleted files, Back, the tree's check
// boxes and the status line, and a picture of page 9 over each volume.
#include <QtCore/QThread>
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
#include "wizard/device_select_controllers.h"
#include "wizard/device_select_page.h"
#include "wizard/device_source.h"
#include "wizard/file_select_controller.h"
#include "wizard/file_select_page.h"
#include "wizard/main_frame.h"
#include "wizard/recovery_mode_page.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"

namespace qm {
namespace {

struct RoadImages {
  std::filesystem::path ntfs, fat32, ext2, clean;
  std::vector<std::string> Disks() const {
    return {ntfs.string(), fat32.string(), ext2.string(), clean.string()};
  }
  bool Made() const { return !ntfs.empty() && !fat32.empty() && !ext2.empty() && !clean.empty(); }
};

// The NTFS volume is the committed one that mkntfs and ntfs-3g made (its
// manifest lists deleted.bin, deleted_note.txt and the folder "gone" with
// two files); the others are made here.
RoadImages MakeImages() {
  RoadImages images;
  const std::string source = std::getenv("QM_SOURCE_DIR") != nullptr ? std::getenv("QM_SOURCE_DIR") : ".";
  const std::filesystem::path ntfs = ScratchPath("road_ntfs.img");
  if (RunCommand("xz -dc " + source + "/tests/fixtures/ntfs/ntfs_basic.img.xz > " + ntfs.string()) == 0)
    images.ntfs = ntfs;

  const std::filesystem::path host = ScratchPath("road_files");
  std::filesystem::remove_all(host);
  std::filesystem::create_directories(host);
  auto write = [&](const std::string& name, std::size_t size) {
    std::ofstream out(host / name, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i)
      out.put(static_cast<char>('a' + (i * 7 + name.size()) % 26));
  };
  write("kept.txt", 1500);
  write("old.doc", 5000);
  write("photo.jpg", 12000);
  write("inner.txt", 700);
  const std::string h = host.string() + "/";
  const std::string mtools = "MTOOLS_SKIP_CHECK=1 ";
  auto fat = [&](const std::string& label, bool deletions) {
    std::string command = "mkfs.fat -F 32 -s 1 -n " + label + " %s 36864 >/dev/null && " + mtools +
                          "mmd -i %s ::/keep ::/gone && " + mtools + "mcopy -i %s " + h +
                          "kept.txt ::/keep/kept.txt";
    if (deletions) {
      command += " && " + mtools + "mcopy -i %s " + h + "old.doc ::/old.doc && " + mtools + "mcopy -i %s " +
                 h + "photo.jpg ::/keep/photo.jpg && " + mtools + "mcopy -i %s " + h +
                 "inner.txt ::/gone/inner.txt && " + mtools + "mdel -i %s ::/old.doc ::/keep/photo.jpg && " +
                 mtools + "mdeltree -i %s ::/gone";
    }
    return command;
  };
  const std::string script = (host / "ext2.script").string();
  {
    std::ofstream out(script);
    out << "mkdir keep\nmkdir gone\nwrite " << h << "kept.txt keep/kept.txt\nwrite " << h
        << "old.doc old.doc\nwrite " << h << "photo.jpg keep/photo.jpg\nwrite " << h
        << "inner.txt gone/inner.txt\nrm old.doc\nrm keep/photo.jpg\nrm gone/inner.txt\nrmdir gone\n";
  }
  const auto paths = MakeImagesWithTools(
      {
          {"road_fat32.img", fat("DELFAT", true)},
          {"road_ext2.img",
           "mke2fs -q -F -t ext2 -b 1024 -L DELEXT %s 8192 >/dev/null 2>&1 && debugfs -w -f " + script +
               " %s >/dev/null 2>&1"},
          {"road_clean.img", fat("NODEL", false)},
      },
      18ull << 20);
  images.fat32 = paths[0];
  images.ext2 = paths[1];
  images.clean = paths[2];
  return images;
}

const RoadImages& Images() {
  static const RoadImages images = MakeImages();
  return images;
}

std::string Sha256File(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  return test::Sha256Hex(bytes);
}

// Every node below a folder as "path" (folders end in "/").
void Collect(const CFileNode* folder, const std::string& prefix, std::set<std::string>& out) {
  for (const CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
    const IFileProperties* properties = child->GetProperties();
    const std::string name = prefix + (properties != nullptr ? properties->GetName() : "?");
    if (properties != nullptr && properties->IsFolder()) {
      out.insert(name + "/");
      Collect(child, name + "/", out);
    } else {
      out.insert(name);
    }
  }
}

// The FAT engine shows a deleted entry's lost first character as '#'.
const std::set<std::string> kFatDeleted = {"#ld.doc", "#one/", "#one/#nner.txt", "keep/", "keep/#hoto.jpg"};
// The EXT2 engine finds deleted files as inodes no directory names any
// more (old.doc, photo.jpg, inner.txt are inodes 15 to 17); the deleted
// folder's inode holds nothing, so no folder is shown for it.
const std::set<std::string> kExt2Deleted = {"Inode_f", "Inode_10", "Inode_11"};

class DeletedFileRoad : public ::testing::Test {
protected:
  DeletedFileRoad() : context_(prompter_, settings_, Services()) {}

  static void SetUpTestSuite() {
    ClearDiskOverrides();
    source_ = std::make_shared<FixtureDeviceSource>(Images().Disks());
  }
  static void TearDownTestSuite() {
    source_.reset();
    ClearDiskOverrides();
  }
  void SetUp() override {
    ASSERT_TRUE(Images().Made()) << "making the images failed";
    RegisterNtfsVolumeAnalyzer();
    RegisterFatVolumeAnalyzer();
    RegisterExt2VolumeAnalyzer();
    RegisterBootSectorClassifiers();
    SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    frame_ = std::make_unique<CMainFrame>(context_);
    frame_->resize(900, 640);
    frame_->show();
  }
  void TearDown() override {
    CTreeBuildRunner::SetDialogShownHook({});
    frame_.reset();
    SetMessagePump({});
  }

  WizardServices Services() {
    WizardServices services;
    services.openUrl = [](const QString&) { return true; };
    services.openHelp = [](int) {};
    services.startRestarter = [] { return true; };
    services.fileFilterPath = std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/FileFilter.xml";
    services.deviceSource = source_;
    return services;
  }

  CDeviceListPage& OpenVolumePage() {
    frame_->Sheet().ModePage().OnModeCommand(1000);
    for (int i = 0; i < 10000 && !frame_->isEnabled(); ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      QThread::msleep(1);
    }
    EXPECT_TRUE(frame_->isEnabled());
    return *static_cast<CDeviceListPage*>(frame_->Sheet().GetActivePage());
  }
  // Selects the volume whose row names the label; false when none does.
  bool SelectVolume(CDeviceListPage& page, const char* label) {
    CDeviceSelectCtrl& view = page.DeviceCtrl();
    for (int i = 0; i < view.GetCount(); ++i) {
      if (view.View()->RowAt(i).cells[0].text.contains(QLatin1String(label))) {
        view.View()->SelectIndex(i);
        return true;
      }
    }
    return false;
  }
  // Next on page 1, closing the hint prompt with its box `tick`ed.
  bool NextClosingHint(bool tick = false) {
    hintShown_ = false;
    test::WhenModalOpens(
        [this, tick](QWidget& window) {
          if (auto* hint = qobject_cast<CHasCheckboxPromptDlg*>(&window)) {
            hintShown_ = true;
            hint->CheckBox()->setChecked(tick);
            hint->accept();
          } else {
            window.close();
          }
        },
        60000);
    return frame_->Sheet().OnNext();
  }
  CFileSelectPage& FilePage() {
    return *static_cast<CFileSelectPage*>(frame_->Sheet().Page(kPageFileSelect));
  }
  // The nodes below "Deleted Files".
  std::set<std::string> DeletedPaths() {
    std::set<std::string> out;
    CFileNode* root = FilePage().GetRootNode();
    if (root == nullptr || root->GetFirstChild() == nullptr) return out;
    CFileNode* deleted = root->GetFirstChild();
    EXPECT_EQ(deleted->GetNextSibling(), nullptr);
    EXPECT_STREQ(deleted->GetProperties()->GetName(), "Deleted Files");
    Collect(deleted, "", out);
    return out;
  }
  // Walks the road to page 9 on the volume and checks what it lists.
  void WalkTo(const char* label, const std::set<std::string>& expected, const QString& picture) {
    CDeviceListPage& page = OpenVolumePage();
    ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageDeleteRecoveryDevice);
    ASSERT_TRUE(SelectVolume(page, label)) << label;
    bool buildShown = false;
    bool mainDisabled = false;
    CTreeBuildRunner::SetDialogShownHook([&](CBuildDirectoryDlg& dialog) {
      buildShown = dialog.isVisible();
      mainDisabled = !frame_->isEnabled();
    });
    EXPECT_TRUE(NextClosingHint());
    EXPECT_TRUE(buildShown);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(frame_->isEnabled());
    ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageFileSelect) << label;
    EXPECT_EQ(DeletedPaths(), expected) << label;
    EXPECT_TRUE(FilePage().TotalText().startsWith(QStringLiteral("Total ")))
        << FilePage().TotalText().toStdString();
    EXPECT_EQ(FilePage().SelectedText(), QStringLiteral("Nothing selected"));
    EXPECT_EQ(FilePage().Tabs().GetItemCount(), 1);
    EXPECT_EQ(FilePage().Tabs().ItemText(0), QStringLiteral("Files"));
    // The tree shows "Deleted Files" expanded; its files are listed with
    // their sizes and times.
    CFileTreeCtrl& tree = FilePage().Tree();
    ASSERT_EQ(tree.Model()->rowCount(), 1);
    EXPECT_TRUE(tree.Model()->index(0, 0).data().toString().startsWith(QStringLiteral("Deleted Files (")));
    EXPECT_FALSE(test::SaveToGallery(*frame_, picture).isEmpty());
  }

  static inline std::shared_ptr<FixtureDeviceSource> source_;
  test::ScriptedPrompter prompter_;
  AppSettings settings_;
  WizardContext context_;
  std::unique_ptr<CMainFrame> frame_;
  bool hintShown_ = false;
  ScopedVolumeAnalyzers restore_;
};

TEST_F(DeletedFileRoad, NtfsVolumeShowsItsDeletedFilesAndFolder) {
  WalkTo("QM Fixture", {"deleted.bin", "deleted_note.txt", "gone/", "gone/inside.bin", "gone/inside.txt"},
         QStringLiteral("wizard_page9_deleted_ntfs"));
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
  for (int i = 0; i < 10000 && !frame_->isEnabled(); ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QThread::msleep(1);
  }
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
  for (int i = 0; i < 10000 && !frame_->isEnabled(); ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QThread::msleep(1);
  }
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
  const std::string before = Sha256File(Images().ext2);
  WalkTo("DELEXT", kExt2Deleted, QStringLiteral("wizard_page9_deleted_ext2_again"));
  EXPECT_EQ(Sha256File(Images().ext2), before);
}

} // namespace
} // namespace qm
