// The device pages' lists filled from image files made by the real tools
// and standing as disks: an NTFS volume, a FAT32 volume, an MBR disk
// holding both, and an image file added by the user.
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QMainWindow>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/format_text.h"
#include "app/log_lines.h"
#include "app/prompter.h"
#include "controls/device_select_ctrl.h"
#include "controls/image_wnd.h"
#include "device_fixture_images.h"
#include "fatext2/boot_sector_classifiers.h"
#include "fatext2/fat_volume_analyze.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "platform/disk_table.h"
#include "storage/volume_analyzer.h"
#include "support/scratch_files.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/services/device_collector.h"

namespace {

class DeviceCollection : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    const qm::test::DeviceFixtureImages& images = qm::test::DeviceImages();
    paths_ = {images.mbr, images.ntfs, images.fat32};
    image_ = images.userImage;
    empty_ = images.empty;
  }
  void SetUp() override {
    for (const auto& p : paths_)
      ASSERT_FALSE(p.empty()) << "making the images failed";
    qm::RegisterNtfsVolumeAnalyzer();
    qm::RegisterFatVolumeAnalyzer();
    qm::RegisterBootSectorClassifiers();
    qm::ClearDiskOverrides();
  }
  void TearDown() override { qm::ClearDiskOverrides(); }

  std::vector<std::string> Paths() const {
    return {paths_[0].string(), paths_[1].string(), paths_[2].string()};
  }
  static QStringList Captions(const CDeviceSelectCtrl& view) {
    QStringList out;
    for (int i = 0; i < view.GetCount(); ++i)
      out << view.View()->RowAt(i).cells[0].text;
    return out;
  }

  static std::vector<std::filesystem::path> paths_;
  static std::filesystem::path image_, empty_;
  qm::ScopedVolumeAnalyzers restore_;
};

std::vector<std::filesystem::path> DeviceCollection::paths_;
std::filesystem::path DeviceCollection::image_, DeviceCollection::empty_;

TEST_F(DeviceCollection, PartitionRoadListsTheDisksWithTheirVolumes) {
  FixtureDeviceSource source(Paths());
  QMainWindow main;
  CDeviceSelectCtrl view;
  main.setCentralWidget(&view);
  main.resize(900, 400);
  main.show();
  view.SetCtrlStyle(1);
  CDeviceCollector collector(DeviceRoad::kPartition, source, &view, &main);
  collector.Collection().SetPreviousRecoveryReader(
      [] { return std::optional<std::string>("sdb, 40% searched"); });
  QSignalSpy done(&collector, &CDeviceCollector::Collected);
  collector.CollectDevices();
  EXPECT_FALSE(main.isEnabled()); // disabled while collecting
  collector.WaitForCollection();
  EXPECT_TRUE(main.isEnabled());
  EXPECT_EQ(done.count(), 1);
  ASSERT_NE(collector.BusyAnimation(), nullptr);
  EXPECT_TRUE(collector.BusyAnimation()->IsStopped());

  ASSERT_EQ(view.GetCount(), 4);
  EXPECT_EQ(view.GetItemData(0), nullptr); // the previous recovery entry first
  EXPECT_EQ(view.View()->RowAt(0).cells[0].text, QStringLiteral("Previous Recovery..."));
  EXPECT_TRUE(view.View()->RowAt(1).cells[0].text.startsWith(QStringLiteral("dev_mbr.img")));
  const QString info = view.View()->RowAt(1).cells[2].text;
  EXPECT_TRUE(info.contains(QStringLiteral("MBRFAT"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QStringLiteral("MBRNTFS"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QStringLiteral("[FAT32]"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QStringLiteral("[NTFS]"))) << info.toStdString();
  EXPECT_EQ(view.View()->RowAt(1).cells[1].text, QString::fromStdString(FormatSectorsSize(131072, 512)));
  auto* record = static_cast<CScanStateRecord*>(view.GetItemData(1));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->GetKind(), CScanStateRecord::kKindDisk);
  EXPECT_NE(record->device, nullptr);
  qm::test::SaveToGallery(main, QStringLiteral("wizard_device_page3_disks"));
}

TEST_F(DeviceCollection, VolumeRoadsListTheVolumesAndImages) {
  FixtureDeviceSource source(Paths());
  for (DeviceRoad road : {DeviceRoad::kComplete, DeviceRoad::kDeletedFile}) {
    CDeviceSelectCtrl view;
    view.resize(900, 300);
    view.SetCtrlStyle(2);
    qm::test::ScriptedPrompter prompter;
    CDeviceCollector collector(road, source, &view, nullptr);
    collector.SetPrompter(&prompter);
    collector.Collection().SetPreviousRecoveryReader([] { return std::optional<std::string>("earlier"); });
    qm::test::LogLines log;
    log.keepTraces = true;
    collector.CollectDevices();
    collector.WaitForCollection();
    // The fill that ends the collection brackets (deleted-file road) or
    // times (complete road) the volume rows in the log.
    std::vector<std::string> lines;
    for (const std::string& line : log.Take())
      if (line.find("InitVolumeDeviceSelectCtrl") != std::string::npos || line.starts_with("collect device"))
        lines.push_back(line);
    if (road == DeviceRoad::kDeletedFile) {
      EXPECT_EQ(lines, (std::vector<std::string>{"collect device end", "InitVolumeDeviceSelectCtrl end"}));
    } else {
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_TRUE(lines[0].starts_with(
          "CCompleteRecoveryPartitionDeviceSelectController::InitVolumeDeviceSelectCtrl dwElapsedTime "))
          << lines[0];
    }
    const QStringList captions = Captions(view);
    const int offset = road == DeviceRoad::kComplete ? 1 : 0; // previous recovery only there
    ASSERT_EQ(view.GetCount(), 4 + offset) << captions.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(captions.join(QLatin1Char('|')).contains(QStringLiteral("LONENTFS")));
    EXPECT_TRUE(captions.join(QLatin1Char('|')).contains(QStringLiteral("LONEFAT")));
    for (int i = offset; i < view.GetCount(); ++i) {
      auto* item = static_cast<DeviceListItem*>(view.GetItemData(i));
      ASSERT_NE(item, nullptr);
      EXPECT_NE(item->device, nullptr);
    }

    // Images: added once, the second time refused; a broken one refused.
    EXPECT_EQ(collector.AddImage(image_.string()), AddImageResult::kAdded);
    EXPECT_EQ(collector.AddImage(image_.string()), AddImageResult::kAlreadyOpen);
    EXPECT_EQ(collector.AddImage(empty_.string()),
              road == DeviceRoad::kComplete ? AddImageResult::kDestroyed : AddImageResult::kInvalid);
    EXPECT_EQ(collector.AddImage(qm::ScratchPath("no_such.img").string()), AddImageResult::kInvalid);
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("This image file is open!"));
    EXPECT_EQ(prompter.shown[0].icon, qm::PromptIcon::Warning);
    ASSERT_EQ(view.GetCount(), 5 + offset);
    // Refilling for an image is no collection: nothing more in the log.
    for (const std::string& line : log.Take())
      EXPECT_EQ(line.find("InitVolumeDeviceSelectCtrl"), std::string::npos) << line;
    const int last = view.GetCount() - 1;
    // A plain image names the file system it holds.
    EXPECT_EQ(view.View()->RowAt(last).cells[0].text, QStringLiteral("Image File, dev_user.img (NTFS)"));
    EXPECT_EQ(static_cast<DeviceListItem*>(view.GetItemData(last))->fileSystemType, 3);

    // Removing: only an image goes.
    view.View()->SelectIndex(offset);
    EXPECT_FALSE(collector.IsImageSelected());
    EXPECT_FALSE(collector.RemoveSelectedImage());
    view.View()->SelectIndex(last);
    EXPECT_TRUE(collector.IsImageSelected());
    EXPECT_TRUE(collector.RemoveSelectedImage());
    EXPECT_EQ(view.GetCount(), 4 + offset);
    if (road == DeviceRoad::kComplete) {
      view.View()->SelectIndex(0);
      EXPECT_TRUE(collector.IsPreviousRecoverySelected());
      collector.AddImage(image_.string());
      qm::test::SaveToGallery(view, QStringLiteral("wizard_device_page2_volumes"));
    } else {
      qm::test::SaveToGallery(view, QStringLiteral("wizard_device_page1_volumes"));
    }
  }
}

TEST_F(DeviceCollection, ImagesSurviveARefreshAndAreDroppedOnBack) {
  FixtureDeviceSource source({paths_[1].string()});
  CDeviceSelectCtrl view;
  CDeviceCollector collector(DeviceRoad::kPartition, source, &view, nullptr);
  collector.CollectDevices();
  collector.WaitForCollection();
  ASSERT_EQ(collector.AddImage(image_.string()), AddImageResult::kAdded);
  collector.CollectDevices();
  collector.WaitForCollection();
  ASSERT_EQ(view.GetCount(), 2);
  auto* image = static_cast<CScanStateRecord*>(view.GetItemData(1));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetKind(), 1u);
  EXPECT_EQ(image->GetImagePath(), image_.string());
  collector.Collection().DropImages();
  collector.FillView();
  EXPECT_EQ(view.GetCount(), 1);
}

TEST_F(DeviceCollection, LeavingWhileCollectingJoinsTheWorker) {
  // A source that blocks until told, to leave the page mid-collection.
  struct SlowSource : DeviceSource {
    std::atomic<bool> release{false};
    void Collect(CollectedDevices&, bool) override {
      while (!release)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  } slow;
  QWidget main;
  auto view = std::make_unique<CDeviceSelectCtrl>(&main);
  {
    CDeviceCollector collector(DeviceRoad::kComplete, slow, view.get(), &main);
    collector.CollectDevices();
    EXPECT_TRUE(collector.IsCollecting());
    EXPECT_FALSE(main.isEnabled());
    std::thread releaser([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      slow.release = true;
    });
    view.reset(); // the page's view goes first
    releaser.join();
  } // the collector joins its worker; the late result is dropped
  QCoreApplication::processEvents();
  EXPECT_TRUE(main.isEnabled());
}

TEST(DeviceSources, NoReadableDiskSaysWhy) {
  EXPECT_FALSE(qm::UnreadableDisksReason(EACCES).empty());
  EXPECT_FALSE(qm::UnreadableDisksReason(EPERM).empty());
  EXPECT_TRUE(qm::UnreadableDisksReason(ENOENT).empty());
  // Root is not told to run as root: the system refused it the disks.
  const std::string root = qm::UnreadableDisksReason(EACCES, true);
  const std::string user = qm::UnreadableDisksReason(EACCES, false);
  EXPECT_NE(root.find("the system refused access to the disks"), std::string::npos) << root;
  EXPECT_NE(root.find("image file can be opened"), std::string::npos) << root;
  EXPECT_EQ(root.find("run as root"), std::string::npos) << root;
  EXPECT_NE(user.find("run as root"), std::string::npos) << user;
  EXPECT_TRUE(qm::UnreadableDisksReason(ENOENT, true).empty());
  // The unreadable reason rides with the rows; images still list.
  CDeviceListCollection collection(DeviceRoad::kPartition);
  CollectedDevices none;
  none.unreadableReason = qm::UnreadableDisksReason(EACCES);
  collection.TakeCollected(std::move(none));
  collection.SetPreviousRecoveryReader([] { return std::optional<std::string>("x"); });
  EXPECT_FALSE(collection.UnreadableReason().empty());
  EXPECT_EQ(collection.Rows().size(), 1u);
}

TEST_F(DeviceCollection, MachineWithoutReadableDisksSaysWhyAndListsImages) {
  // Only meaningful where the machine's disks refuse this user (a test
  // container, an ordinary account): otherwise there is nothing to show.
  bool anyOpens = false, anyListed = false;
  for (std::size_t i = 0; i < qm::ListDisks().size(); ++i) {
    anyListed = true;
    int error = 0;
    if (qm::OpenDisk(static_cast<int>(i), error)) anyOpens = true;
  }
  if (!anyListed || anyOpens) GTEST_SKIP() << "this machine's disks open or none is listed";
  LinuxDeviceSource source;
  CDeviceSelectCtrl view;
  view.resize(900, 300);
  CDeviceCollector collector(DeviceRoad::kComplete, source, &view, nullptr);
  collector.CollectDevices();
  collector.WaitForCollection();
  EXPECT_FALSE(view.View()->Notice().isEmpty());
  ASSERT_EQ(collector.AddImage(image_.string()), AddImageResult::kAdded);
  EXPECT_EQ(view.GetCount(), 1);
  EXPECT_FALSE(view.View()->Notice().isEmpty());
  qm::test::SaveToGallery(view, QStringLiteral("wizard_device_no_readable_disk"));
}

TEST(DeviceRows, SmallRulesTable) {
  EXPECT_EQ(qm::ImageRowSectorSize(512), 512u);
  EXPECT_EQ(qm::ImageRowSectorSize(4096), 4096u);
  EXPECT_EQ(qm::ImageRowSectorSize(520), 0u);
  EXPECT_EQ(qm::ImageRowSectorSize(8192), 0u);
  EXPECT_EQ(qm::ImageRowSectorSize(0), 0u);
  EXPECT_EQ(qm::FileSystemFromDescription("Data (C:\\ FAT16)", 7), 1);
  EXPECT_EQ(qm::FileSystemFromDescription("x FAT12)", 7), 0);
  EXPECT_EQ(qm::FileSystemFromDescription("x FAT32)", 7), 2);
  EXPECT_EQ(qm::FileSystemFromDescription("x NTFS)", 7), 3);
  EXPECT_EQ(qm::FileSystemFromDescription("disk.img", 7), 7);
  EXPECT_EQ(qm::FileSystemFromDescription("", 5), 5);
  EXPECT_EQ(qm::DiskCaption("ATA", "WDC", "SATA"), "ATA  WDC  SATA");
  EXPECT_EQ(qm::DiskCaption("(Standard disk drives)", "WDC", "SATA"), "WDC  SATA");
  EXPECT_EQ(qm::DiskCaption("", "WDC", "SATA"), "WDC  SATA");
}

} // namespace
