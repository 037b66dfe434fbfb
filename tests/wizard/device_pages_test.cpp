// The device pages inside the wizard, filled from images made by the real
// tools and standing as disks: what each page lists, the images the user
// adds on each road, the previous search offered from its state file, the
// menus, the check boxes, and the pictures of pages 1 to 4, 7 and 8.
#include <QtCore/QThread>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QMenu>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeWidget>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/string_table.h"
#include "controls/device_select_ctrl.h"
#include "controls/image_wnd.h"
#include "controls/partition_check_list.h"
#include "device_fixture_images.h"
#include "dialogs/advance_setting_dlg.h"
#include "dialogs/partition_dialogs.h"
#include "fatext2/boot_sector_classifiers.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_volume_analyze.h"
#include "filemodel/crs_data.h"
#include "filemodel/state_file_bundle.h"
#include "ntfs/ntfs_partition_info.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "platform/disk_table.h"
#include "storage/app_settings.h"
#include "storage/image_file_device.h"
#include "storage/partition_search_callbacks.h"
#include "storage/volume_analyzer.h"
#include "support/scratch_files.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/services/device_collector.h"
#include "wizard/pages/device_page_menus.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/main_frame.h"
#include "wizard/pages/recovery_mode_page.h"
#include "wizard/pages/scan_partition_page.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"
#include "wizard/services/wizard_state_files.h"

namespace qm {
namespace {

// Writes a state file of that stage and header text.
void WriteStateFile(const std::filesystem::path& path, int stage, const char* text) {
  CRSDataEx writer(CRSData::kWriteMode);
  ASSERT_TRUE(writer.Open(path.c_str(), 1));
  writer.SetFileKind(stage);
  writer.SetText(text);
  writer.Close();
}

std::vector<bool> Enabled(QMenu& menu) {
  std::vector<bool> out;
  for (QAction* a : menu.actions())
    out.push_back(a->isEnabled());
  return out;
}

QStringList Texts(QMenu& menu) {
  QStringList out;
  for (QAction* a : menu.actions())
    out << a->text();
  return out;
}

class DevicePages : public ::testing::Test {
protected:
  DevicePages() : context_(prompter_, settings_, Services()) {}

  static void SetUpTestSuite() {
    qm::ClearDiskOverrides();
    source_ = std::make_shared<FixtureDeviceSource>(test::DeviceImages().Disks());
  }
  static void TearDownTestSuite() {
    source_.reset();
    qm::ClearDiskOverrides();
  }

  void SetUp() override {
    ASSERT_TRUE(test::DeviceImages().Made()) << "making the images failed";
    RegisterNtfsVolumeAnalyzer();
    RegisterFatVolumeAnalyzer();
    RegisterBootSectorClassifiers();
    stateFolder_ = ScratchPath("device_pages_state");
    std::filesystem::remove_all(stateFolder_);
    std::filesystem::create_directories(stateFolder_);
    SetStateFolder(stateFolder_);
  }
  void TearDown() override { SetStateFolder({}); }

  WizardServices Services() {
    WizardServices services;
    services.openUrl = [](const QString&) { return true; };
    services.openHelp = [](int) {};
    services.startRestarter = [] { return true; };
    services.fileFilterPath = std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/FileFilter.xml";
    services.deviceSource = source_;
    services.createDiskImage = [this](QWidget*, IStorageDevice* source, const std::string& description,
                                      std::uint32_t) {
      imaged_.push_back(description);
      return source != nullptr && !imageTo_.empty() ? imageTo_ : std::string();
    };
    services.chooseOpenFile = [this](QWidget*, const QString& caption, const QString& filter) {
      asked_.push_back(caption + QStringLiteral(" | ") + filter);
      if (chosen_.empty()) return QString();
      QString path = QString::fromStdString(chosen_.front());
      chosen_.pop_front();
      return path;
    };
    return services;
  }

  // Shows the page of the mode through the start page and waits for its list.
  CDeviceListPage& Open(int modeButton) {
    frame_->Sheet().ModePage().OnModeCommand(modeButton);
    // The window is disabled while the worker collects.
    disabledWhileCollecting_ = !frame_->isEnabled();
    WaitForDevices();
    return *static_cast<CDeviceListPage*>(frame_->Sheet().GetActivePage());
  }
  void WaitForDevices() {
    for (int i = 0; i < 10000 && !frame_->isEnabled(); ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      QThread::msleep(1);
    }
    ASSERT_TRUE(frame_->isEnabled());
  }
  static QStringList Captions(const CDeviceSelectCtrl& view) {
    QStringList out;
    for (int i = 0; i < view.GetCount(); ++i)
      out << view.View()->RowAt(i).cells[0].text;
    return out;
  }
  void MakeFrame() {
    frame_ = std::make_unique<CMainFrame>(context_);
    frame_->show();
  }

  static std::shared_ptr<FixtureDeviceSource> source_;
  test::ScriptedPrompter prompter_;
  AppSettings settings_;
  WizardContext context_;
  std::unique_ptr<CMainFrame> frame_;
  std::deque<std::string> chosen_;
  std::vector<QString> asked_;
  std::vector<std::string> imaged_;
  std::string imageTo_;
  std::filesystem::path stateFolder_;
  bool disabledWhileCollecting_ = false;
  ScopedVolumeAnalyzers restore_;
};

std::shared_ptr<FixtureDeviceSource> DevicePages::source_;

TEST_F(DevicePages, EachRoadListsItsDevicesWithTheWindowDisabledMeanwhile) {
  WriteStateFile(LastStateFile(1), 2, "Results for \r\nPartition \"*: LONENTFS (NTFS)\"");
  MakeFrame();

  // Page 1: the volumes, no previous search, no partition-selection box.
  CDeviceListPage& page1 = Open(1000);
  EXPECT_TRUE(disabledWhileCollecting_);
  ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageDeleteRecoveryDevice);
  EXPECT_EQ(page1.FullScanBox(), nullptr);
  EXPECT_EQ(page1.ImportButton(), nullptr);
  const QString list1 = Captions(page1.DeviceCtrl()).join(QLatin1Char('|'));
  EXPECT_EQ(page1.DeviceCtrl().GetCount(), 4) << list1.toStdString();
  for (const char* label : {"MBRFAT", "MBRNTFS", "LONENTFS", "LONEFAT"})
    EXPECT_TRUE(list1.contains(QLatin1String(label))) << label;
  ASSERT_NE(context_.deleteDeviceController().Collector()->BusyAnimation(), nullptr);
  EXPECT_TRUE(context_.deleteDeviceController().Collector()->BusyAnimation()->IsStopped());
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page1_deleted_volumes")).isEmpty());

  // Page 2: the previous search first, with its text as the second line.
  prompter_.answers = {true};
  frame_->Sheet().OnHome();
  CDeviceListPage& page2 = Open(1001);
  EXPECT_TRUE(disabledWhileCollecting_);
  ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageCompleteRecoveryDevice);
  ASSERT_EQ(page2.DeviceCtrl().GetCount(), 5);
  EXPECT_EQ(page2.DeviceCtrl().GetItemData(0), nullptr);
  EXPECT_EQ(page2.DeviceCtrl().View()->RowAt(0).cells[0].text, QStringLiteral("Previous Recovery..."));
  EXPECT_EQ(page2.DeviceCtrl().View()->RowAt(0).cells[2].text,
            QStringLiteral("Results for \nPartition \"*: LONENTFS (NTFS)\""));
  ASSERT_NE(page2.FullScanBox(), nullptr);
  EXPECT_TRUE(page2.FullScanBox()->isVisible());
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page2_complete_volumes")).isEmpty());

  // Page 3: the three disks, the MBR disk with both of its volumes.
  prompter_.answers = {true};
  frame_->Sheet().OnHome();
  CDeviceListPage& page3 = Open(1002);
  ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageLostRecoveryDisk);
  const QStringList disks = Captions(page3.DeviceCtrl());
  ASSERT_EQ(disks.size(), 3) << disks.join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(disks[0].startsWith(QStringLiteral("dev_mbr.img")));
  const QString info = page3.DeviceCtrl().View()->RowAt(0).cells[2].text;
  EXPECT_TRUE(info.contains(QStringLiteral("MBRFAT")) && info.contains(QStringLiteral("MBRNTFS")))
      << info.toStdString();
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page3_lost_disks")).isEmpty());
}

TEST_F(DevicePages, ImagesAreCheckedOnEveryRoadAndRemovedAgain) {
  MakeFrame();
  const test::DeviceFixtureImages& images = test::DeviceImages();
  for (int button : {1000, 1001, 1002}) {
    SCOPED_TRACE(button);
    CDeviceListPage& page = Open(button);
    const int before = page.DeviceCtrl().GetCount();
    prompter_.shown.clear();
    chosen_ = {images.userImage.string(), images.userImage.string(), images.empty.string()};
    page.OnCommand(kCmdOpenDiskImage);
    ASSERT_EQ(page.DeviceCtrl().GetCount(), before + 1);
    EXPECT_EQ(page.DeviceCtrl().View()->RowAt(before).cells[0].text,
              button == 1002 ? QStringLiteral("Image File, dev_user.img")
                             : QStringLiteral("Image File, dev_user.img (NTFS)"));
    page.OnCommand(kCmdOpenDiskImage); // the same file again
    page.OnCommand(kCmdOpenDiskImage); // an empty file
    EXPECT_EQ(page.DeviceCtrl().GetCount(), before + 1);
    ASSERT_EQ(prompter_.shown.size(), 2u);
    EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("This image file is open!"));
    EXPECT_EQ(prompter_.shown[1].text,
              button == 1001 ? QStringLiteral("This image has been destroyed. ")
                             : QStringLiteral("This is an invalid image file, please check it!"));
    // A refresh keeps the image; the menu removes it.
    page.OnCommand(page.Commands().refresh);
    WaitForDevices();
    ASSERT_EQ(page.DeviceCtrl().GetCount(), before + 1);
    page.DeviceCtrl().View()->SelectIndex(before);
    QMenu menu;
    page.FillDiskImageMenu(menu);
    EXPECT_EQ(Enabled(menu), (std::vector<bool>{false, true, true}));
    page.OnCommand(kCmdDeleteImage);
    EXPECT_EQ(page.DeviceCtrl().GetCount(), before);
    prompter_.answers = {true};
    frame_->Sheet().OnHome();
  }
}

TEST_F(DevicePages, MenusAndPreviousSearchEntry) {
  WriteStateFile(LastStateFile(2), 4, "Results for \r\nDisk \"dev_mbr.img\"");
  WriteStateFile(TempStateFile(2), 0, "written when the user went back");
  MakeFrame();
  CDeviceListPage& page = Open(1002);
  CDeviceSelectCtrl& view = page.DeviceCtrl();
  ASSERT_EQ(view.GetCount(), 4);
  QMenu menu;

  // Nothing selected: only opening an image.
  view.ClearSelection();
  page.FillDiskImageMenu(menu);
  EXPECT_EQ(Texts(menu), (QStringList{"Disk Image", "Open Disk Image", "Delete Image"}));
  EXPECT_EQ(Enabled(menu), (std::vector<bool>{false, true, false}));
  // A disk: imaging it, not deleting.
  view.View()->SelectIndex(1);
  page.FillDiskImageMenu(menu);
  EXPECT_EQ(Enabled(menu), (std::vector<bool>{true, true, false}));
  page.FillItemMenu(menu);
  EXPECT_EQ(Texts(menu), QStringList{"Recover"});
  // Imaging the disk adds the image written, described as the disk.
  imageTo_ = test::DeviceImages().userImage.string();
  page.OnCommand(kCmdDiskImage);
  ASSERT_EQ(imaged_.size(), 1u);
  EXPECT_TRUE(QString::fromStdString(imaged_[0]).startsWith(QStringLiteral("dev_mbr.img")));
  ASSERT_EQ(view.GetCount(), 5);
  EXPECT_TRUE(view.View()->RowAt(4).cells[0].text.startsWith(QStringLiteral("Image File, dev_mbr.img")));
  view.View()->SelectIndex(4);
  page.OnCommand(kCmdDeleteImage);
  ASSERT_EQ(view.GetCount(), 4);
  // Without an imaging wizard the item is greyed.
  context_.services().createDiskImage = nullptr;
  view.View()->SelectIndex(1);
  page.FillDiskImageMenu(menu);
  EXPECT_EQ(Enabled(menu), (std::vector<bool>{false, true, false}));
  // The previous search: Continue and Remove.
  view.View()->SelectIndex(0);
  EXPECT_TRUE(page.IsPreviousRecoverySelected());
  page.FillItemMenu(menu);
  EXPECT_EQ(Texts(menu), (QStringList{"Continue", "Remove"}));
  ASSERT_EQ(menu.actions()[0]->data().toInt(), page.Commands().recover);

  // Continue with nothing to resume says so and stays.
  prompter_.shown.clear();
  EXPECT_EQ(page.OnCommand(page.Commands().recover), 0);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, LoadAppString(141));
  EXPECT_EQ(frame_->Sheet().ActiveIndex(), kPageLostRecoveryDisk);

  // Remove deletes the entry and its state file; a stage-0 temp file was
  // never committed.
  page.OnCommand(kCmdDeleteImage);
  EXPECT_EQ(view.GetCount(), 3);
  EXPECT_FALSE(std::filesystem::exists(LastStateFile(2)));
  EXPECT_TRUE(std::filesystem::exists(TempStateFile(2)));

  // Next without a selection: the page's own message.
  view.ClearSelection();
  prompter_.shown.clear();
  EXPECT_FALSE(frame_->Sheet().OnNext());
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("Select a disk to recover please."));
}

TEST_F(DevicePages, AnImportedScanResultIsOfferedForResuming) {
  // A saved scan result made from another folder's state files.
  const std::filesystem::path elsewhere = ScratchPath("device_pages_export");
  std::filesystem::remove_all(elsewhere);
  std::filesystem::create_directories(elsewhere);
  WriteStateFile(elsewhere / "cstemp.rdf", 2, "Results for \r\nImage File \"backup\"");
  const std::string bundle = ScratchPath("device_pages_export.rsf").string();
  ASSERT_EQ(CStateFile(1, {}, elsewhere).Save(bundle.c_str()), 1);
  std::vector<std::uint8_t> damaged = ReadFileBytes(bundle);
  damaged.back() ^= 0xFF;
  const std::filesystem::path broken = ScratchPath("device_pages_broken.rsf");
  {
    std::ofstream(broken, std::ios::binary)
        .write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
  }

  MakeFrame();
  CDeviceListPage& page = Open(1001);
  const int before = page.DeviceCtrl().GetCount();
  ASSERT_NE(page.ImportButton(), nullptr);

  // A damaged file is refused with a message and changes nothing.
  chosen_ = {broken.string()};
  page.OnCommand(page.Commands().importResult);
  WaitForDevices();
  EXPECT_FALSE(prompter_.shown.empty());
  EXPECT_FALSE(std::filesystem::exists(LastStateFile(1)));
  EXPECT_EQ(page.DeviceCtrl().GetCount(), before);
  ASSERT_FALSE(asked_.empty());
  EXPECT_TRUE(asked_.back().endsWith(QStringLiteral("Recovery State File(*.rsf)")))
      << asked_.back().toStdString();

  // The good one becomes the previous search at the top of the list.
  chosen_ = {bundle};
  page.OnCommand(page.Commands().importResult);
  WaitForDevices();
  EXPECT_TRUE(std::filesystem::exists(LastStateFile(1)));
  ASSERT_EQ(page.DeviceCtrl().GetCount(), before + 1);
  EXPECT_EQ(page.DeviceCtrl().View()->RowAt(0).cells[2].text,
            QStringLiteral("Results for \nImage File \"backup\""));
}

TEST_F(DevicePages, ChoosingAVolumeRecordsItAndHandsItOn) {
  MakeFrame();
  CDeviceListPage& page = Open(1001);
  CDeviceSelectCtrl& view = page.DeviceCtrl();
  int row = -1;
  for (int i = 0; i < view.GetCount(); ++i)
    if (view.View()->RowAt(i).cells[0].text.contains(QStringLiteral("LONEFAT"))) row = i;
  ASSERT_GE(row, 0);
  view.View()->SelectIndex(row);
  frame_->Sheet().OnNext();
  StateVariant chosen;
  context_.completeDeviceController().GetDeviceSelection(&chosen);
  EXPECT_EQ(chosen.kind, 1);
  ASSERT_EQ(chosen.pointer, view.GetItemData(row));
  EXPECT_EQ(settings_.strVolumeName, "LONEFAT");

  // Next scanned the volume and went on: back to the page for the rest.
  context_.completeDeviceController().Activate();
  WaitForDevices();
  ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageCompleteRecoveryDevice);

  // Ctrl+O on this page opens a raw image file to scan.
  asked_.clear();
  QTest::keyClick(frame_.get(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_TRUE(asked_[0].startsWith(QStringLiteral("Open Raw Image File"))) << asked_[0].toStdString();

  // Options opens the advanced settings; RAW only may be chosen here.
  bool rawOnlyOffered = false;
  test::WhenModalOpens([&rawOnlyOffered](QWidget& dialog) {
    if (auto* settings = qobject_cast<CAdvanceSettingMasterDlg*>(&dialog)) {
      QCheckBox* rawOnly = settings->Option("rawOnly");
      rawOnlyOffered = rawOnly != nullptr && rawOnly->isEnabled();
    }
    dialog.close();
  });
  ASSERT_NE(page.OptionsButton(), nullptr);
  QTest::mouseClick(page.OptionsButton(), Qt::LeftButton);
  EXPECT_TRUE(rawOnlyOffered);

  // The partition-selection box sets the option and shows it again.
  QCheckBox* box = page.FullScanBox();
  ASSERT_NE(box, nullptr);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  EXPECT_EQ(settings_.bPageOption, 1);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  EXPECT_EQ(settings_.bPageOption, 0);
}

TEST_F(DevicePages, DeletedFileRoadNextNeedsAVolumeAndADoubleClickIsNext) {
  MakeFrame();
  CDeviceListPage& page = Open(1000);
  CDeviceSelectCtrl& view = page.DeviceCtrl();
  view.ClearSelection();
  prompter_.shown.clear();
  EXPECT_FALSE(frame_->Sheet().OnNext());
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("Select a partition to recover please."));

  int row = -1;
  for (int i = 0; i < view.GetCount(); ++i)
    if (view.View()->RowAt(i).cells[0].text.contains(QStringLiteral("MBRNTFS"))) row = i;
  ASSERT_GE(row, 0);
  const CDeviceSelectView::Row& r = view.View()->RowAt(row);
  const QPoint at(40, r.top + r.height / 2 - view.View()->ScrollPosition().y());
  QTest::mouseClick(view.View()->viewport(), Qt::LeftButton, {}, at);
  ASSERT_EQ(view.GetCurSel(), row);
  QTest::mouseDClick(view.View()->viewport(), Qt::LeftButton, {}, at);
  // Next ran on the chosen volume: its name and the chosen record are kept.
  EXPECT_EQ(settings_.strVolumeName, "MBRNTFS");
  StateVariant chosen;
  context_.deleteDeviceController().GetDeviceSelection(&chosen);
  EXPECT_EQ(chosen.kind, 1);
  EXPECT_EQ(chosen.pointer, view.GetItemData(row));
}

TEST_F(DevicePages, LeavingWhileCollectingJoinsTheWorkerFirst) {
  struct SlowSource : DeviceSource {
    void Collect(CollectedDevices&, bool) override { QThread::msleep(150); }
  };
  context_.services().deviceSource = std::make_shared<SlowSource>();
  MakeFrame();
  frame_->Sheet().ModePage().OnModeCommand(1001);
  EXPECT_FALSE(frame_->isEnabled());
  // Back cannot be pressed on a disabled window, but leaving the step in
  // code (Home from a later step) must not leave a worker behind.
  context_.completeDeviceController().Home();
  EXPECT_TRUE(frame_->isEnabled());
  QCoreApplication::processEvents();
  EXPECT_EQ(static_cast<CDeviceListPage*>(frame_->Sheet().Page(kPageCompleteRecoveryDevice))
                ->DeviceCtrl()
                .GetCount(),
            0);
}

// Page 4 and its controller: a chosen partition and the whole-disk scan
// exclude each other.
class FakeFoundPartitions : public ILostRecoveryPartitionDeviceSelectController {
public:
  void Activate() override {}
  void Home() override {}
  void Back() override {}
  bool Next() override { return ++nexts, false; }
  void SetPrevController(IWizardPageController*) override {}
  IWizardPageController* GetPrevController() override { return nullptr; }
  void SetWholeDiskScan(int whole) override { wholeDisk = whole; }
  int wholeDisk = -1;
  int nexts = 0;
};

TEST_F(DevicePages, FoundPartitionPageAndScanPagesPictures) {
  MakeFrame();
  CWizardSheet& sheet = frame_->Sheet();
  auto* page4 = static_cast<CLostRecoveryPartitionDeviceSelectPage*>(sheet.Page(kPageLostRecoveryPartition));
  FakeFoundPartitions controller;
  page4->SetController(&controller);
  settings_.nRecoveryMode = 2;
  sheet.SetActivePage(kPageLostRecoveryDisk); // the road comes from the disk page and keeps its banner
  sheet.SetActivePage(kPageLostRecoveryPartition);
  // Found partitions as the lost-partition search gives them.
  LostPartitionRecord found[2];
  found[0].startSector = 2048;
  found[0].sectorCount = 73728;
  found[0].fileSystemType = 2;
  std::strcpy(found[0].volumeLabel, "MBRFAT");
  found[1].startSector = 75776;
  found[1].sectorCount = 40960;
  found[1].fileSystemType = 3;
  std::strcpy(found[1].volumeLabel, "MBRNTFS");
  for (LostPartitionRecord& r : found) {
    DEVICE_ITEM item;
    item.iconKind = 3;
    item.sectorCount = r.sectorCount;
    item.name = QStringLiteral("%1 - %2").arg(QLatin1String(r.volumeLabel), r.fileSystemType == 3
                                                                                ? QStringLiteral("NTFS")
                                                                                : QStringLiteral("FAT32"));
    item.itemData = &r;
    page4->DeviceCtrl().AddItem(item);
  }
  ASSERT_NE(page4->FullScanBox(), nullptr);
  EXPECT_FALSE(page4->FullScanBox()->isVisible()); // only the Full Scan box shows here
  EXPECT_TRUE(page4->WholeDiskBox()->isVisible());
  QTest::mouseClick(page4->WholeDiskBox(), Qt::LeftButton, {},
                    QPoint(6, page4->WholeDiskBox()->height() / 2));
  EXPECT_EQ(controller.wholeDisk, 1);
  page4->DeviceCtrl().View()->SelectIndex(1);
  Q_EMIT page4->DeviceCtrl().SelectionChanged();
  EXPECT_EQ(controller.wholeDisk, 0);
  EXPECT_FALSE(page4->WholeDiskBox()->isChecked());
  QMenu menu;
  page4->FillItemMenu(menu);
  EXPECT_EQ(Texts(menu), (QStringList{"Recover", "Properties"}));
  EXPECT_EQ(page4->OnCommand(CLostRecoveryPartitionDeviceSelectPage::kRecoverCommand), 0);
  EXPECT_EQ(controller.nexts, 1);
  // The row's properties: its place on the disk.
  QStringList shownRows;
  const auto readRows = [&shownRows](QWidget& window) {
    if (auto* dialog = qobject_cast<CScanPartitionPropertiesDlg*>(&window)) {
      for (int i = 0; i < dialog->List()->topLevelItemCount(); ++i)
        shownRows << dialog->List()->topLevelItem(i)->text(0) + "=" + dialog->List()->topLevelItem(i)->text(1);
    }
    window.close();
  };
  test::WhenModalOpens(readRows);
  EXPECT_EQ(page4->OnCommand(menu.actions().at(1)->data().toInt()), 1);
  EXPECT_EQ(shownRows, (QStringList{"Start Sector=75776", "Total Sector=40960"}));
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page4_found_partitions")).isEmpty());
  page4->SetController(nullptr);

  // Pages 7 and 8 over the MBR disk's two volumes and a doubtful third.
  auto fat = std::make_unique<CFATSearchedPartitionInfo>();
  fat->SetFlags(kFatFoundFat1 | kFatUseFat1 | kFatFoundFat2);
  auto ntfs = std::make_unique<CSearchedNTFSPartitionInfo>();
  ntfs->m_u64MftSector = 4096;
  auto other = std::make_unique<CSearchedNTFSPartitionInfo>();
  std::vector<ScanPartitionEntry> entries;
  auto add = [&](CSearchedPartitionInfo* p, std::uint32_t fs, std::uint64_t start, std::uint64_t n,
                 double score, std::uint32_t level) {
    p->SetFileSystemType(fs);
    p->SetStartSector(start);
    p->SetSectorCount(n);
    p->SetFilesMatched(120);
    p->SetFoldersMatched(12);
    entries.push_back({p, score, level});
  };
  add(fat.get(), 2, 2048, 73728, 0.995, 1);
  add(ntfs.get(), 3, 75776, 40960, 0.9, 1);
  add(other.get(), 3, 60000, 30000, 0.2, 2);

  CImageFileDevice disk(test::DeviceImages().mbr.c_str());
  CScanStateRecord record;
  record.SetKind(1);
  const char name[] = "dev_mbr.img";
  std::memcpy(record.bytes.data() + 16, name, sizeof name);
  record.device = &disk;

  auto* page8 = static_cast<CScanPartitionDeviceSelectPage*>(sheet.Page(kPageLostRecoveryScanPartition));
  page8->SetDiskSource(entries, record);
  sheet.SetActivePage(kPageLostRecoveryScanPartition);
  ASSERT_EQ(page8->GetCount(), 3);
  EXPECT_EQ(page8->GetPartition(1), ntfs.get());
  EXPECT_EQ(page8->GetCheckedCount(), 2); // the recommended ones
  // A right click on a row offers its properties, which show that row.
  page8->Container().GetListPane()->List()->SelectLine(1);
  QMenu rowMenu;
  page8->FillRowMenu(rowMenu);
  EXPECT_EQ(Texts(rowMenu), QStringList{"Properties"});
  shownRows.clear();
  test::WhenModalOpens(readRows);
  EXPECT_EQ(page8->OnCommand(rowMenu.actions().at(0)->data().toInt()), 1);
  EXPECT_TRUE(shownRows.contains(QStringLiteral("partition sectors count=40960"))) << shownRows.join("; ").toStdString();
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page8_lost_scan_partitions")).isEmpty());

  DeviceListItem volume;
  volume.device = std::make_unique<CImageFileDevice>(test::DeviceImages().mbr.c_str());
  std::strcpy(volume.volumeLabel, "MBRDISK");
  volume.fileSystemType = 2;
  settings_.nRecoveryMode = 1;
  auto* page7 = static_cast<CScanPartitionDeviceSelectPage*>(sheet.Page(kPageCompleteRecoveryScanPartition));
  page7->SetVolumeSource(entries, volume);
  sheet.SetActivePage(kPageCompleteRecoveryScanPartition);
  ASSERT_EQ(page7->GetCount(), 3);
  EXPECT_EQ(page7->GetCheckedCount(), 1); // mode 1: the best one only
  EXPECT_FALSE(
      test::SaveToGallery(*frame_, QStringLiteral("wizard_page7_complete_scan_partitions")).isEmpty());
  // The pages drop their rows before the partitions go.
  page7->SetPartitions(entries, 1);
  std::vector<ScanPartitionEntry> none;
  page7->SetPartitions(none, 1);
  page8->SetPartitions(none, 4);
}

} // namespace
} // namespace qm
