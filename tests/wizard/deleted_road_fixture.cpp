#include "deleted_road_fixture.h"

#include <QtCore/QThread>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "controls/device_select_ctrl.h"
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
#include "support/scratch_files.h"
#include "support/sha256.h"
#include "support_ui/gallery.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/services/device_source.h"
#include "wizard/pages/file_select_page.h"
#include "wizard/main_frame.h"
#include "wizard/pages/recovery_mode_page.h"
#include "wizard/wizard_sheet.h"

namespace qm::test {
namespace {

std::string SourceDir() {
  return std::getenv("QM_SOURCE_DIR") != nullptr ? std::getenv("QM_SOURCE_DIR") : ".";
}

// The bytes of a file the FAT32 and EXT2 volumes were filled from.
std::string HostFileBytes(const std::string& name, std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>('a' + (i * 7 + name.size()) % 26);
  return bytes;
}

// The NTFS volume is the committed one that mkntfs and ntfs-3g made (its
// manifest lists deleted.bin, deleted_note.txt and the folder "gone" with
// two files); the others are made here.
DeletedRoadImages MakeImages() {
  DeletedRoadImages images;
  const std::filesystem::path ntfs = ScratchPath("road_ntfs.img");
  if (RunCommand("xz -dc " + SourceDir() + "/tests/fixtures/ntfs/ntfs_basic.img.xz > " + ntfs.string()) == 0)
    images.ntfs = ntfs;

  const std::filesystem::path host = ScratchPath("road_files");
  std::filesystem::remove_all(host);
  std::filesystem::create_directories(host);
  auto write = [&](const std::string& name, std::size_t size) {
    std::ofstream(host / name, std::ios::binary) << HostFileBytes(name, size);
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

std::string HashOf(const std::string& bytes) {
  return Sha256Hex(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
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

} // namespace

const std::set<std::string> kFatDeleted = {"#ld.doc", "#one/", "#one/#nner.txt", "keep/", "keep/#hoto.jpg"};
const std::set<std::string> kExt2Deleted = {"Inode_f", "Inode_10", "Inode_11"};
const std::set<std::string> kNtfsDeleted = {"deleted.bin", "deleted_note.txt", "gone/", "gone/inside.bin",
                                            "gone/inside.txt"};

const DeletedRoadImages& DeletedRoadFixtureImages() {
  static const DeletedRoadImages images = MakeImages();
  return images;
}

const RescuedImages& RescuedDiskImages() {
  static const RescuedImages images = [] {
    RescuedImages m;
    const DeletedRoadImages& volumes = DeletedRoadFixtureImages();
    if (!volumes.Made()) return m;
    const std::string fat = volumes.fat32.string(), ext = volumes.ext2.string();
    const std::filesystem::path mbr = ScratchPath("rescued_mbr_disk.img");
    const std::filesystem::path gpt = ScratchPath("rescued_gpt_disk.img");
    const std::filesystem::path bare = ScratchPath("rescued_volume.ddrescue");
    const std::string into = " bs=512 conv=notrunc status=none of=";
    const std::string commands[] = {
        // The FAT32 volume counts 36 MiB of which its file holds the
        // first 18: the partitions give it all 36.
        "rm -f " + mbr.string() + " && truncate -s 40M " + mbr.string() +
            " && printf 'label: dos\\nstart=2048,size=73728,type=c\\n' | sfdisk -q " + mbr.string() +
            " && dd if=" + fat + " seek=2048" + into + mbr.string(),
        "rm -f " + gpt.string() + " && truncate -s 64M " + gpt.string() + " && sgdisk -n 1:2048:+36M -t 1:0700 " +
            "-n 2:75776:+18M -t 2:8300 " + gpt.string() + " >/dev/null && dd if=" + fat + " seek=2048" + into +
            gpt.string() + " && dd if=" + ext + " seek=75776" + into + gpt.string(),
        "cp " + fat + " " + bare.string(),
    };
    for (const std::string& command : commands) {
      if (RunCommand(command) != 0) {
        ADD_FAILURE() << "the tools failed: " << command;
        return m;
      }
    }
    m.mbr = mbr;
    m.gpt = gpt;
    m.bare = bare;
    return m;
  }();
  return images;
}

std::multiset<std::string> DeletedFileHashesFatExt2() {
  return {HashOf(HostFileBytes("old.doc", 5000)), HashOf(HostFileBytes("photo.jpg", 12000)),
          HashOf(HostFileBytes("inner.txt", 700))};
}

std::multiset<std::string> DeletedFileHashesNtfs() {
  std::multiset<std::string> hashes;
  std::ifstream manifest(SourceDir() + "/tests/fixtures/ntfs/ntfs_basic.manifest");
  std::string line;
  while (std::getline(manifest, line)) {
    // kind, record, parent, size, sha256, flags, path
    std::istringstream fields(line);
    std::string kind, record, parent, size, sha;
    if (fields >> kind >> record >> parent >> size >> sha && kind == "deleted") hashes.insert(sha);
  }
  return hashes;
}

std::multiset<std::string> FileHashesBelow(const std::filesystem::path& folder) {
  std::multiset<std::string> hashes;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
    if (entry.is_regular_file()) hashes.insert(Sha256Hex(ReadFileBytes(entry.path())));
  return hashes;
}

DeletedRoadTest::DeletedRoadTest() : context_(prompter_, settings_, Services()) {}

DeletedRoadTest::~DeletedRoadTest() = default;

void DeletedRoadTest::SetUpTestSuite() {
  ClearDiskOverrides();
  source_ = std::make_shared<FixtureDeviceSource>(DeletedRoadFixtureImages().Disks());
}

void DeletedRoadTest::TearDownTestSuite() {
  source_.reset();
  ClearDiskOverrides();
}

void DeletedRoadTest::SetUp() {
  ASSERT_TRUE(DeletedRoadFixtureImages().Made()) << "making the images failed";
  RegisterNtfsVolumeAnalyzer();
  RegisterFatVolumeAnalyzer();
  RegisterExt2VolumeAnalyzer();
  RegisterBootSectorClassifiers();
  SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
  frame_ = std::make_unique<CMainFrame>(context_);
  frame_->resize(900, 640);
  frame_->show();
}

void DeletedRoadTest::TearDown() {
  CTreeBuildRunner::SetDialogShownHook({});
  frame_.reset();
  SetMessagePump({});
}

WizardServices DeletedRoadTest::Services() {
  WizardServices services;
  services.openUrl = [](const QString&) { return true; };
  services.openHelp = [](int) {};
  services.startRestarter = [] { return true; };
  services.fileFilterPath = SourceDir() + "/src/app/FileFilter.xml";
  services.deviceSource = source_;
  return services;
}

void DeletedRoadTest::WaitUntilEnabled() {
  for (int i = 0; i < 10000 && !frame_->isEnabled(); ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QThread::msleep(1);
  }
}

CDeviceListPage& DeletedRoadTest::OpenVolumePage() {
  frame_->Sheet().ModePage().OnModeCommand(1000);
  WaitUntilEnabled();
  EXPECT_TRUE(frame_->isEnabled());
  return *static_cast<CDeviceListPage*>(frame_->Sheet().GetActivePage());
}

bool DeletedRoadTest::SelectVolume(CDeviceListPage& page, const char* label) {
  CDeviceSelectCtrl& view = page.DeviceCtrl();
  for (int i = 0; i < view.GetCount(); ++i) {
    if (view.View()->RowAt(i).cells[0].text.contains(QLatin1String(label))) {
      view.View()->SelectIndex(i);
      return true;
    }
  }
  return false;
}

bool DeletedRoadTest::NextClosingHint(bool tick) {
  hintShown_ = false;
  WhenModalOpens(
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

CFileSelectPage& DeletedRoadTest::FilePage() {
  return *static_cast<CFileSelectPage*>(frame_->Sheet().Page(kPageFileSelect));
}

std::set<std::string> DeletedRoadTest::DeletedPaths() {
  std::set<std::string> out;
  CFileNode* root = FilePage().GetRootNode();
  if (root == nullptr || root->GetFirstChild() == nullptr) return out;
  CFileNode* deleted = root->GetFirstChild();
  EXPECT_EQ(deleted->GetNextSibling(), nullptr);
  EXPECT_STREQ(deleted->GetProperties()->GetName(), "Deleted Files");
  Collect(deleted, "", out);
  return out;
}

void DeletedRoadTest::WalkTo(const char* label, const std::set<std::string>& expected,
                             const QString& picture) {
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
  CTreeBuildRunner::SetDialogShownHook({});
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
  if (!picture.isEmpty()) {
    EXPECT_FALSE(SaveToGallery(*frame_, picture).isEmpty());
  }
}

} // namespace qm::test
