// The complete and partition roads end to end with the real engines, on
// images made by the real tools: a quick-formatted NTFS volume and a
// re-formatted FAT32 volume (complete recovery), an MBR disk with one live
// and two wiped partitions and one whose partitions are all live
// (partition recovery). Each road's files come back byte for byte, its
// state file is written, and a later run resumes it without searching.
#include <QtCore/QBuffer>
#include <QtCore/QThread>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtTest/QTest>
#include <QtWidgets/QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/string_table.h"
#include "controls/device_select_ctrl.h"
#include "controls/file_tree_ctrl.h"
#include "dialogs/intelligent_searching_dlg.h"
#include "fatext2/boot_sector_classifiers.h"
#include "fatext2/deep_scan_support.h"
#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_volume_analyze.h"
#include "fatext2/fat_volume_analyze.h"
#include "filemodel/crs_data.h"
#include "filemodel/file_node.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/state_file_bundle.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "platform/disk_table.h"
#include "platform/log.h"
#include "platform/message_pump.h"
#include "raw/carved_files_hook.h"
#include "raw/scan_result_factories.h"
#include "storage/app_settings.h"
#include "storage/image_file_device.h"
#include "storage/searched_partition_info.h"
#include "storage/volume_analyzer.h"
#include "support/scratch_files.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "save_fixture.h"
#include "save_road_walk.h"
#include "wizard/services/device_collector.h"
#include "wizard/pages/device_page_menus.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/steps/file_select_controller.h"
#include "wizard/pages/file_select_page.h"
#include "wizard/steps/lost_partition_controllers.h"
#include "wizard/main_frame.h"
#include "wizard/steps/scan_partition_controllers.h"
#include "wizard/pages/scan_partition_page.h"
#include "wizard/services/search_runs.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"
#include "wizard/services/wizard_state_files.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;

// Writes the files under a fresh folder of that name; returns the folder.
fs::path WriteSourceFiles(const std::string& name, const Files& files) {
  const fs::path folder = ScratchPath(name);
  fs::remove_all(folder);
  for (const auto& [path, bytes] : files) {
    fs::create_directories((folder / path).parent_path());
    test::WriteHostFile(folder / path, bytes);
  }
  return folder;
}

Files SomeFiles(const std::string& folder, std::uint32_t seed) {
  Files files;
  for (int i = 0; i < 3; ++i)
    files[folder + "file" + std::to_string(i) + ".bin"] = test::PatternBytes(3000 + 7000 * i, seed + i);
  return files;
}

// A real photograph's format: a JPEG of a drawn picture, as a camera's
// file would be found by the photo road.
std::vector<std::uint8_t> Photograph(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, width, height);
  gradient.setColorAt(0, QColor(20, 110, 190));
  gradient.setColorAt(1, QColor(240, 190, 60));
  painter.fillRect(image.rect(), gradient);
  painter.setBrush(QColor(190, 40, 40));
  painter.drawEllipse(QPoint(width / 3, height / 2), width / 6, height / 5);
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG");
  return {bytes.begin(), bytes.end()};
}

std::string NtfsCopies(const std::string& volume, const fs::path& from, const Files& files) {
  std::string out;
  for (const auto& [path, bytes] : files)
    out += " && ntfscp -q -f " + volume + " " + (from / path).string() + " /" + path;
  return out;
}

struct Images {
  fs::path ntfs, fat32, partitioned, live;
  Files ntfsFiles, fatFiles, wipedNtfsFiles, ext2Files;
  bool made = false;
};

// A quick-formatted NTFS volume, a re-formatted FAT32 volume, a disk with
// a live FAT32 partition and wiped NTFS and EXT2 ones, a disk whose two
// partitions are live.
const Images& RoadImages() {
  static const Images images = [] {
    Images m;
    m.ntfsFiles = SomeFiles("", 11);
    m.fatFiles = SomeFiles("Photos/", 21);
    m.wipedNtfsFiles = SomeFiles("", 31);
    m.wipedNtfsFiles["beach.jpg"] = Photograph(640, 480);
    m.ext2Files = SomeFiles("docs/", 41);
    const fs::path ntfsSrc = WriteSourceFiles("roads_src_ntfs", m.ntfsFiles);
    const fs::path fatSrc = WriteSourceFiles("roads_src_fat", m.fatFiles);
    const fs::path wipedSrc = WriteSourceFiles("roads_src_wiped", m.wipedNtfsFiles);
    const fs::path extSrc = WriteSourceFiles("roads_src_ext2", m.ext2Files);
    m.ntfs = ScratchPath("roads_ntfs.img");
    m.fat32 = ScratchPath("roads_fat32.img");
    m.partitioned = ScratchPath("roads_partitioned.img");
    m.live = ScratchPath("roads_live.img");
    const std::string n = m.ntfs.string(), f = m.fat32.string(), p = m.partitioned.string(),
                      l = m.live.string();
    const std::string mkntfs = "mkntfs -q -F -f -s 512 -H 0 -S 0 ";
    const std::string wipedNtfs = p + ".ntfs";
    const std::string commands[] = {
        // NTFS: files, then a quick format over them.
        "rm -f " + n + " && truncate -s 24M " + n + " && " + mkntfs + "-p 0 -L OLDNTFS " + n + " >/dev/null" +
            NtfsCopies(n, ntfsSrc, m.ntfsFiles) + " && " + mkntfs + "-Q -p 0 -L NEWNTFS " + n + " >/dev/null",
        // FAT32: files in a folder, then a new file system over them.
        "rm -f " + f + " && truncate -s 36M " + f + " && mkfs.fat -F 32 -s 1 -n OLDFAT " + f +
            " >/dev/null && cd " + fatSrc.string() + " && MTOOLS_SKIP_CHECK=1 mcopy -s -Q -i " + f +
            " * ::/ && mkfs.fat -F 32 -s 1 -n NEWFAT " + f + " >/dev/null",
        // Three partitions, then a table that keeps only the first.
        "rm -f " + p + " && truncate -s 80M " + p +
            " && printf 'label: dos\\nstart=2048,size=73728,type=c\\nstart=75776,size=40960,type=7\\n"
            "start=116736,size=32768,type=83\\n' | sfdisk -q " +
            p + " && mkfs.fat -F 32 -s 1 -n LIVEFAT --offset=2048 " + p + " 36864 >/dev/null && rm -f " +
            wipedNtfs + " && truncate -s " + std::to_string(40960 * 512) + " " + wipedNtfs + " && " + mkntfs +
            "-p 75776 -L WIPEDNTFS " + wipedNtfs + " >/dev/null" +
            NtfsCopies(wipedNtfs, wipedSrc, m.wipedNtfsFiles) + " && dd if=" + wipedNtfs + " of=" + p +
            " bs=512 seek=75776 conv=notrunc status=none && rm " + wipedNtfs +
            " && mke2fs -F -q -t ext2 -b 1024 -L WIPEDEXT -d " + extSrc.string() +
            " -E offset=" + std::to_string(116736 * 512) + " " + p +
            " 16384 && printf 'label: dos\\nstart=2048,size=73728,type=c\\n' "
            "| sfdisk -q --wipe never " +
            p,
        // Two live partitions.
        "rm -f " + l + " && truncate -s 40M " + l +
            " && printf 'label: dos\\nstart=2048,size=40960,type=7\\nstart=43008,size=16384,type=83\\n' | "
            "sfdisk -q " +
            l + " && rm -f " + l + ".ntfs && truncate -s " + std::to_string(40960 * 512) + " " + l +
            ".ntfs && " + mkntfs + "-p 2048 -L LIVENTFS " + l + ".ntfs >/dev/null && dd if=" + l +
            ".ntfs of=" + l + " bs=512 seek=2048 conv=notrunc status=none && rm " + l +
            ".ntfs && mke2fs -F -q -t ext2 -b 1024 -E offset=" + std::to_string(43008 * 512) + " " + l +
            " 8192",
    };
    for (const std::string& command : commands) {
      if (RunCommand(command) != 0) {
        ADD_FAILURE() << "the tools failed: " << command;
        return m;
      }
    }
    m.made = true;
    return m;
  }();
  return images;
}

class RecoveryRoads : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(RoadImages().made);
    ext2::InitCollector();
    RegisterNtfsVolumeAnalyzer();
    RegisterFatVolumeAnalyzer();
    RegisterExt2VolumeAnalyzer();
    RegisterBootSectorClassifiers();
    RegisterCarvedFilesTree();
    RegisterScanResultFactories();
    SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    stateFolder_ = ScratchPath("roads_state");
    fs::remove_all(stateFolder_);
    fs::create_directories(stateFolder_);
    SetStateFolder(stateFolder_);
    saved_ = *GetAppSettings();
    // Errors of the road go with the test's output, to tell why a step failed.
    observer_ = AddLogObserver([](LogKind kind, std::string_view text) {
      if (kind == LogKind::Error || getenv("QM_ROADS_TRACE"))
        std::fprintf(stderr, "log: %.*s\n", static_cast<int>(text.size()), text.data());
    });
  }
  void TearDown() override {
    RemoveLogObserver(observer_);
    frame_.reset();
    context_.reset();
    SetStateFolder({});
    SetMessagePump({});
    GetAppSettings()->ResetScanSettings();
    SelectRecoveryMode(*GetAppSettings(), saved_.nRecoveryMode, saved_.bPhotoRecovery != 0);
    GetAppSettings()->bPageOption = saved_.bPageOption;
    GetAppSettings()->nRecoveryMode = saved_.nRecoveryMode;
  }

  // A fresh run of the wizard over these images standing as disks.
  void Start(std::vector<std::string> disks) {
    frame_.reset(); // the frame borrows the context's sheet
    context_.reset();
    WizardServices services;
    services.openUrl = [](const QString&) { return true; };
    services.openHelp = [](int) {};
    services.startRestarter = [] { return true; };
    services.fileFilterPath = std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/FileFilter.xml";
    services.deviceSource = std::make_shared<FixtureDeviceSource>(std::move(disks));
    services.chooseOpenFile = [this](QWidget*, const QString&, const QString&) { return chosen_; };
    services.chooseSaveFile = [this](QWidget*, const QString&, const QString& proposed, const QString&) {
      proposed_ = proposed;
      return saveTo_;
    };
    context_ = std::make_unique<WizardContext>(prompter_, *GetAppSettings(), services);
    frame_ = std::make_unique<CMainFrame>(*context_);
    frame_->show();
  }

  // The device page of a mode with its list collected.
  CDeviceListPage& Open(int mode) {
    GetAppSettings()->nRecoveryMode = mode;
    CDeviceStepController& step =
        mode == 1 ? static_cast<CDeviceStepController&>(context_->completeDeviceController())
                  : context_->lostDiskController();
    step.Activate();
    for (int i = 0; i < 20000 && !frame_->isEnabled(); ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      QThread::msleep(1);
    }
    EXPECT_TRUE(frame_->isEnabled());
    return *step.GetPage();
  }

  // Selects the row whose caption or information holds the text.
  static bool Select(CDeviceSelectCtrl& view, const QString& text) {
    for (int i = 0; i < view.GetCount(); ++i) {
      const auto& row = view.View()->RowAt(i);
      for (const auto& cell : row.cells) {
        if (cell.text.contains(text)) {
          view.View()->SelectIndex(i);
          return true;
        }
      }
    }
    return false;
  }

  CFileNode* Tree() { return context_->fileSelectController().GetTree(); }

  // Ctrl+O on the page shown, its file dialog answered with the image;
  // the filter the dialog offered first.
  QString PressCtrlO(const fs::path& image) {
    QString firstFilter;
    chosen_ = QString::fromStdString(image.string());
    context_->services().chooseOpenFile = [&](QWidget*, const QString&, const QString& filter) {
      firstFilter = filter.section(QStringLiteral(";;"), 0, 0);
      return chosen_;
    };
    frame_->activateWindow();
    QTest::keyClick(frame_.get(), Qt::Key_O, Qt::ControlModifier);
    return firstFilter;
  }

  // Every expected file is in the tree with its bytes.
  void ExpectFiles(const Files& files, IStorageDevice* device, const std::string& name) {
    ASSERT_NE(Tree(), nullptr);
    const auto copied = test::CopyOut(Tree(), device, name);
    for (const auto& [path, bytes] : files) {
      // A re-formatted volume loses its root folder: its sub-folders come
      // back as found folders of other names, so files are looked up by name.
      const std::string key = test::PathEndingWith(copied, fs::path(path).filename().string());
      ASSERT_FALSE(key.empty()) << path;
      EXPECT_TRUE(copied.at(key) == bytes) << path;
    }
  }

  // The same over a tree of several volumes of one disk: each volume's
  // files are copied with that volume's own place on the disk.
  void ExpectFilesOnDisk(const Files& files, IStorageDevice* disk, const std::string& name) {
    ASSERT_NE(Tree(), nullptr);
    std::map<std::string, std::vector<std::uint8_t>> copied;
    int n = 0;
    for (CFileNode* volume = Tree()->GetFirstChild(); volume != nullptr; volume = volume->GetNextSibling()) {
      for (auto& [path, bytes] : test::CopyOut(volume, disk, name + std::to_string(n++)))
        copied[std::to_string(n) + "/" + path] = std::move(bytes);
    }
    // Volumes may hold files of the same name: the one with these bytes.
    for (const auto& [path, bytes] : files) {
      const std::string name = "/" + fs::path(path).filename().string();
      const bool found = std::any_of(copied.begin(), copied.end(), [&](const auto& each) {
        return each.first.ends_with(name) && each.second == bytes;
      });
      EXPECT_TRUE(found) << path;
    }
  }

  // Every file of the tree saved the way a person saves them (all ticked
  // on page 9, Recover, a folder in the save-path window, the result
  // window closed): each expected file is among the saved ones with its
  // bytes (volumes may hold files of the same name: the one with these
  // bytes). The ticks are taken off again.
  void ExpectSavedThroughWindows(const Files& files, const std::string& name) {
    const fs::path folder = ScratchPath("roads_saved/" + name);
    fs::remove_all(folder);
    const test::SaveRun run = test::RecoverThroughWindows(*frame_, *context_, prompter_, {folder}, QString());
    EXPECT_TRUE(run.sawPathWindow) << run.shown.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(run.sawResult);
    EXPECT_EQ(run.report.failed, 0u);
    const auto saved = test::FilesBelow(folder);
    for (const auto& [path, bytes] : files) {
      const std::string tail = "/" + fs::path(path).filename().string();
      const bool found = std::any_of(saved.begin(), saved.end(), [&](const auto& each) {
        return ("/" + each.first).ends_with(tail) && each.second == bytes;
      });
      EXPECT_TRUE(found) << path;
    }
    CFileTreeCtrl& tree = static_cast<CFileSelectPage*>(context_->sheet().Page(kPageFileSelect))->Tree();
    for (int row = 0; row < tree.Model()->rowCount(); ++row) {
      const QModelIndex top = tree.Model()->index(row, 0);
      if (top.data(Qt::CheckStateRole).toInt() != Qt::Unchecked) tree.ToggleCheck(top);
    }
  }

  static int Stage(const fs::path& file) {
    CRSDataEx reader(CRSData::kReadMode);
    if (!reader.Open(file.c_str(), 0)) return -1;
    RSHeader header;
    const int stage = reader.ReadHeader(header) ? static_cast<int>(header.fileKind) : -1;
    reader.Close();
    return stage;
  }

  test::ScriptedPrompter prompter_;
  AppSettings saved_;
  fs::path stateFolder_;
  std::unique_ptr<WizardContext> context_;
  std::unique_ptr<CMainFrame> frame_;
  QString chosen_;
  QString saveTo_, proposed_;
  int observer_ = 0;
  ScopedVolumeAnalyzers restore_;
};

TEST_F(RecoveryRoads, CompleteRecoveryFindsTheQuickFormattedNtfsVolumeAndResumesIt) {
  const Images& images = RoadImages();
  Start({images.ntfs.string()});
  GetAppSettings()->bPageOption = 1;
  CDeviceListPage& page = Open(1);
  ASSERT_TRUE(Select(page.DeviceCtrl(), QStringLiteral("NEWNTFS")));
  bool sawDialog = false;
  test::WhenModalOpens([&](QWidget& w) {
    sawDialog = w.objectName() == QStringLiteral("intelligentSearchingDialog");
    test::SaveToGallery(w, QStringLiteral("wizard_intelligent_searching_running"));
  });
  context_->completeDeviceController().Next();
  EXPECT_TRUE(sawDialog);
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageCompleteRecoveryScanPartition);
  auto* page7 = static_cast<CScanPartitionDeviceSelectPage*>(
      context_->sheet().Page(kPageCompleteRecoveryScanPartition));
  ASSERT_GE(page7->GetCount(), 1);
  EXPECT_EQ(page7->GetPartition(0)->GetStartSector(), 0u);
  EXPECT_EQ(page7->GetPartition(0)->GetFileSystemType(), 3u);
  EXPECT_EQ(Stage(TempStateFile(1)), 1);
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page7_quick_formatted_ntfs")).isEmpty());

  ASSERT_TRUE(context_->completeScanController().Next());
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageFileSelect);
  auto* volume = static_cast<DeviceListItem*>(context_->completeDeviceController().Chosen());
  ASSERT_NE(volume, nullptr);
  ExpectFiles(images.ntfsFiles, volume->device.get(), "roads_out_ntfs");
  EXPECT_EQ(Stage(TempStateFile(1)), 2);

  // A later run offers the search and resumes it without sweeping.
  Start({images.ntfs.string()});
  CDeviceListPage& again = Open(1);
  EXPECT_EQ(Stage(LastStateFile(1)), 2);
  ASSERT_TRUE(Select(again.DeviceCtrl(), QStringLiteral("Previous Recovery...")));
  bool swept = false;
  QPointer<QTimer> watch = test::WhenModalOpens(
      [&](QWidget& w) { swept = w.objectName() == QStringLiteral("intelligentSearchingDialog"); }, 1500);
  EXPECT_FALSE(context_->completeDeviceController().Next()); // the resume shows its own step
  QTest::qWait(100);
  EXPECT_FALSE(swept);
  delete watch.data(); // it must not outlive `swept`
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageFileSelect);
  auto* resumed = static_cast<DeviceListItem*>(context_->completeDeviceController().Chosen());
  ASSERT_NE(resumed, nullptr);
  ExpectFiles(images.ntfsFiles, resumed->device.get(), "roads_out_ntfs_resumed");
  // Back from the file page (confirmed) walks the restored chain to page 7.
  prompter_.answers.push_back(true);
  context_->fileSelectController().Back();
  EXPECT_EQ(context_->sheet().ActiveIndex(), kPageCompleteRecoveryScanPartition);

  // The page's export to a new name (".rsf" added), imported on a fresh
  // state folder, offers the same entry.
  const std::optional<std::string> text = ReadLastStateText(1);
  ASSERT_TRUE(text.has_value());
  const fs::path exported = ScratchPath("roads_export.rsf");
  fs::remove(exported);
  saveTo_ = QString::fromStdString(ScratchPath("roads_export").string());
  auto* page9 = static_cast<CFileSelectPage*>(context_->sheet().Page(kPageFileSelect));
  context_->completeScanController().Next();
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageFileSelect);
  ASSERT_TRUE(page9->ExportButton()->isVisible());
  prompter_.shown.clear();
  page9->ExportButton()->click();
  EXPECT_TRUE(proposed_.endsWith(QStringLiteral("_ZORV_CR.rsf"))) << proposed_.toStdString();
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_EQ(prompter_.shown.back().text, LoadAppString(61237));
  ASSERT_TRUE(fs::exists(exported));
  const fs::path fresh = ScratchPath("roads_state_import");
  fs::remove_all(fresh);
  fs::create_directories(fresh);
  SetStateFolder(fresh);
  CStateFile import(0, {}, fresh);
  ASSERT_EQ(import.Load(exported.c_str()), 1);
  CommitStateFile(1);
  EXPECT_EQ(ReadLastStateText(1), text);
}

TEST_F(RecoveryRoads, CompleteRecoveryOfAReformattedFat32ImageOpenedWithCtrlO) {
  const Images& images = RoadImages();
  Start({});
  GetAppSettings()->bPageOption = 0; // page 7 is skipped: the ticked partitions are built at once
  Open(1);
  chosen_ = QString::fromStdString(images.fat32.string());
  context_->completeDeviceController().OpenRawImageFile();
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageFileSelect);
  auto* image = static_cast<DeviceListItem*>(context_->completeDeviceController().Chosen());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->imagePath, images.fat32.string());
  ExpectSavedThroughWindows(images.fatFiles, "complete_fat32");
  ExpectFiles(images.fatFiles, image->device.get(), "roads_out_fat");
  // Without the scan page the file page goes back to the device page.
  EXPECT_EQ(context_->fileSelectController().GetPrevController(), &context_->completeDeviceController());
  EXPECT_EQ(Stage(TempStateFile(1)), 2);
}

// A raw image of a whole disk on the format and photo roads: Ctrl+O on the
// device page scans it at once, from end to end, partitions the table no
// longer lists included.
TEST_F(RecoveryRoads, FormatAndPhotoRecoveryOfARawDiskImageOpenedWithCtrlO) {
  const Images& images = RoadImages();
  for (const bool photo : {false, true}) {
    SCOPED_TRACE(photo ? "photo" : "format");
    Start({});
    GetAppSettings()->bPageOption = 0;
    SelectRecoveryMode(*GetAppSettings(), 1, photo);
    Open(1);
    EXPECT_EQ(PressCtrlO(images.partitioned), QStringLiteral("All files (*)"));
    ASSERT_EQ(context_->sheet().ActiveIndex(), kPageFileSelect);
    auto* image = static_cast<DeviceListItem*>(context_->completeDeviceController().Chosen());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->imagePath, images.partitioned.string());
    EXPECT_EQ(image->device->GetSectorCount(), fs::file_size(images.partitioned) / 512);
    ASSERT_NE(Tree(), nullptr);
    // Photo recovery keeps pictures, music and videos only: of the disk's
    // files, the photograph.
    if (photo) {
      ExpectSavedThroughWindows({{"beach.jpg", images.wipedNtfsFiles.at("beach.jpg")}}, "photo");
      ExpectFilesOnDisk({{"beach.jpg", images.wipedNtfsFiles.at("beach.jpg")}}, image->device.get(),
                        "roads_out_photo");
    } else {
      ExpectSavedThroughWindows(images.wipedNtfsFiles, "format");
      ExpectFilesOnDisk(images.wipedNtfsFiles, image->device.get(), "roads_out_format");
    }
  }
}

// On the format road's list, an image opened from the Disk Image menu is
// listed whole (a scan searches it from end to end) and with the volumes
// its table lists.
TEST_F(RecoveryRoads, AnImageOnTheFormatRoadsListIsTheDiskAndItsVolumes) {
  const Images& images = RoadImages();
  Start({});
  CDeviceListPage& page = Open(1);
  chosen_ = QString::fromStdString(images.live.string());
  page.OnCommand(kCmdOpenDiskImage);
  QStringList rows;
  for (int i = 0; i < page.DeviceCtrl().GetCount(); ++i) {
    const auto& cells = page.DeviceCtrl().View()->RowAt(i).cells;
    rows << (cells[2].text.isEmpty() ? cells[0].text : cells[0].text + QStringLiteral("  ") + cells[2].text);
  }
  EXPECT_EQ(rows, QStringList({QStringLiteral("Image File, roads_live.img"),
                               QStringLiteral("Image File, roads_live.img:1  LIVENTFS  [NTFS]"),
                               QStringLiteral("Image File, roads_live.img:2  [EXT2]")}));
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page2_raw_disk_image")).isEmpty());
}

// A raw image of a whole disk on the partition road, opened with Ctrl+O,
// stands as a disk: its lost partitions are found and their files built.
TEST_F(RecoveryRoads, PartitionRecoveryOfARawDiskImageOpenedWithCtrlO) {
  const Images& images = RoadImages();
  Start({});
  GetAppSettings()->bPageOption = 0;
  CDeviceListPage& page = Open(2);
  EXPECT_EQ(PressCtrlO(images.partitioned), QStringLiteral("All files (*)"));
  ASSERT_EQ(page.DeviceCtrl().GetCount(), 1);
  EXPECT_EQ(page.DeviceCtrl().View()->RowAt(0).cells[0].text, QStringLiteral("Image File, roads_partitioned.img"));
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page3_raw_disk_image")).isEmpty());
  page.DeviceCtrl().View()->SelectIndex(0);
  ASSERT_TRUE(context_->lostDiskController().Next());
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageLostRecoveryPartition);
  auto& partitions = context_->lostPartitionController();
  ASSERT_EQ(partitions.Found().size(), 2u);
  auto* page4 = static_cast<CLostRecoveryPartitionDeviceSelectPage*>(
      context_->sheet().Page(kPageLostRecoveryPartition));
  page4->DeviceCtrl().View()->SelectIndex(0);
  ASSERT_TRUE(partitions.Next());
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageFileSelect);
  ExpectSavedThroughWindows(images.wipedNtfsFiles, "partition");
  ExpectFiles(images.wipedNtfsFiles, partitions.Found()[0].window.get(), "roads_out_image_wiped_ntfs");
}

TEST_F(RecoveryRoads, PartitionRecoveryListsOnlyTheWipedPartitionsAndBuildsEach) {
  const Images& images = RoadImages();
  Start({images.partitioned.string()});
  GetAppSettings()->bPageOption = 0;
  CDeviceListPage& page = Open(2);
  ASSERT_EQ(page.DeviceCtrl().GetCount(), 1);
  page.DeviceCtrl().View()->SelectIndex(0);
  test::WhenModalOpens([](QWidget&) {}, 10); // nothing modal is expected
  ASSERT_TRUE(context_->lostDiskController().Next());
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageLostRecoveryPartition);
  auto& partitions = context_->lostPartitionController();
  ASSERT_EQ(partitions.Found().size(), 2u);
  EXPECT_EQ(partitions.Found()[0].record.startSector, 75776u);
  EXPECT_EQ(partitions.Found()[0].record.fileSystemType, 3u);
  EXPECT_EQ(partitions.Found()[1].record.startSector, 116736u);
  EXPECT_EQ(Stage(TempStateFile(2)), 3);
  auto* page4 = static_cast<CLostRecoveryPartitionDeviceSelectPage*>(
      context_->sheet().Page(kPageLostRecoveryPartition));
  EXPECT_EQ(page4->DeviceCtrl().GetCount(), 2);
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page4_wiped_partitions")).isEmpty());

  page4->DeviceCtrl().View()->SelectIndex(0);
  ASSERT_TRUE(partitions.Next());
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageFileSelect);
  ExpectFiles(images.wipedNtfsFiles, partitions.Found()[0].window.get(), "roads_out_wiped_ntfs");
  EXPECT_EQ(Stage(TempStateFile(2)), 2);

  page4->DeviceCtrl().View()->SelectIndex(1);
  ASSERT_TRUE(partitions.Next());
  ExpectFiles(images.ext2Files, partitions.Found()[1].window.get(), "roads_out_wiped_ext2");

  // A later run resumes the chosen partition's files.
  Start({images.partitioned.string()});
  CDeviceListPage& again = Open(2);
  ASSERT_TRUE(Select(again.DeviceCtrl(), QStringLiteral("Previous Recovery...")));
  context_->lostDiskController().Next();
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageFileSelect);
  ASSERT_NE(Tree(), nullptr);
  ASSERT_EQ(context_->lostPartitionController().Found().size(), 2u);
  ExpectFiles(images.ext2Files, context_->lostPartitionController().Found()[1].window.get(),
              "roads_out_resumed_ext2");
}

TEST_F(RecoveryRoads, ADiskWhosePartitionsAreAllLiveIsScannedWhole) {
  const Images& images = RoadImages();
  Start({images.live.string()});
  GetAppSettings()->bPageOption = 1;
  CDeviceListPage& page = Open(2);
  page.DeviceCtrl().View()->SelectIndex(0);
  ASSERT_TRUE(context_->lostDiskController().Next());
  EXPECT_TRUE(context_->lostPartitionController().Found().empty());
  ASSERT_EQ(context_->sheet().ActiveIndex(), kPageLostRecoveryScanPartition);
  auto* page8 =
      static_cast<CScanPartitionDeviceSelectPage*>(context_->sheet().Page(kPageLostRecoveryScanPartition));
  ASSERT_GE(page8->GetCount(), 2);
  EXPECT_EQ(context_->lostScanController().GetPrevController(), &context_->lostDiskController());
  EXPECT_EQ(Stage(TempStateFile(2)), 4);
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page8_whole_disk_scan")).isEmpty());
  // The live volumes hold no files: the build says so and stays.
  prompter_.shown.clear();
  EXPECT_TRUE(context_->lostScanController().Next());
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_EQ(prompter_.shown.back().text, QStringLiteral("No files found!"));
  EXPECT_EQ(context_->sheet().ActiveIndex(), kPageLostRecoveryScanPartition);
}

} // namespace
} // namespace qm
