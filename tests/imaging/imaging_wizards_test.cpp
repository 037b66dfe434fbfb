// The imaging wizards driven as a user would: the create wizard's simple
// and advanced roads over the NTFS fixture volume, a cancel in the middle
// of a run, a disk that fills up during a run, the open wizard's checks and
// its repair of moved parts; and the road a user takes on the deleted-file
// page, from "Disk Image" and "Open Disk Image" to the files found in the
// image coming back byte for byte. Every page is saved to the gallery.
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <type_traits>

#include "controls/device_select_ctrl.h"
#include "controls/sector_select_ctrl.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "image_test_support.h"
#include "imaging/image_device.h"
#include "imaging/image_disk_master_dlg.h"
#include "imaging/image_disk_run_dlg.h"
#include "imaging/image_file.h"
#include "imaging/imaging_services.h"
#include "imaging/imaging_strings.h"
#include "imaging/open_disk_image_master_dlg.h"
#include "ntfs/ntfs_fixture.h"
#include "ntfs/ntfs_tree_builder.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "ntfs/tree_build_support.h"
#include "platform/disk_table.h"
#include "storage/app_settings.h"
#include "storage/image_file_device.h"
#include "storage/volume_analyzer.h"
#include "support/scratch_files.h"
#include "support/sha256.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/services/device_collector.h"
#include "wizard/pages/device_page_menus.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/main_frame.h"
#include "wizard/pages/recovery_mode_page.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

// Seams whose choosers answer from queues and whose free space is scripted.
struct ScriptedSeams {
  test::ScriptedPrompter prompter;
  std::deque<QString> saves, opens;
  std::deque<std::uint64_t> free; // the last value stays
  std::vector<QString> proposed;

  ImagingSeams Make() {
    ImagingSeams seams;
    seams.prompter = &prompter;
    seams.chooseSaveFile = [this](QWidget*, const QString&, const QString& name) {
      proposed.push_back(name);
      if (saves.empty()) return QString();
      QString s = saves.front();
      saves.pop_front();
      return s;
    };
    seams.chooseOpenFile = [this](QWidget*, const QString&, const QString& name) {
      proposed.push_back(name);
      if (opens.empty()) return QString();
      QString s = opens.front();
      opens.pop_front();
      return s;
    };
    seams.freeSpaceMB = [this](const std::string&) -> std::uint64_t {
      if (free.empty()) return 100000;
      const std::uint64_t v = free.front();
      if (free.size() > 1) free.pop_front();
      return v;
    };
    return seams;
  }
};

std::unique_ptr<IStorageDevice> FixtureDevice() {
  return std::make_unique<CImageFileDevice>(test::NtfsBasicImagePath().c_str());
}

class ImagingWizards : public ::testing::Test {
protected:
  void SetUp() override { imageSum_ = test::NtfsBasicImageSha256(); }
  void TearDown() override {
    // No road ever writes to its source.
    EXPECT_EQ(test::Sha256Hex(ReadFileBytes(test::NtfsBasicImagePath())), imageSum_);
  }
  std::string imageSum_;
};

// Every imaging dialog carries the empty mix-in base beside its window
// base, at no cost.
static_assert(std::is_empty_v<CPublicInterface> && !std::is_polymorphic_v<CPublicInterface>);
static_assert(std::is_base_of_v<CPublicInterface, CImageDiskMasterDlg> &&
              std::is_base_of_v<CPublicInterface, CImageDiskRunDlg> &&
              std::is_base_of_v<CPublicInterface, COpenDiskImageMasterDlg>);

TEST_F(ImagingWizards, SimpleRoadWritesAZlibImageOfTheWholeDisk) {
  auto source = FixtureDevice();
  const std::uint64_t n = source->GetSectorCount();
  ScriptedSeams scripted;
  const auto folder = test::FreshFolder("wizard_simple");
  CImageDiskMasterDlg wizard(source.get(), "QM Fixture (NTFS) and a long name", 255, nullptr,
                             scripted.Make());
  wizard.show();
  EXPECT_EQ(wizard.Banner()->Title(), QStringLiteral("Disk Image Wizard"));
  EXPECT_FALSE(wizard.BackButton()->isEnabled());
  EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_create_0_mode")).isEmpty());
  wizard.OnNext();
  ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kPath);
  EXPECT_EQ(wizard.Banner()->Title(), QStringLiteral("Disk Image Destination File"));

  // The file chooser proposes the program's name; the path gets ".qmi".
  scripted.saves = {QString::fromStdString((folder / "whole").string())};
  QTest::mouseClick(wizard.PathPage().Row()->Button(), Qt::LeftButton);
  ASSERT_EQ(scripted.proposed.size(), 1u);
  EXPECT_EQ(scripted.proposed[0], QStringLiteral("Zorv5.8.8.8_DiskImageFile.qmi"));
  EXPECT_EQ(wizard.PathPage().Path(), QString::fromStdString((folder / "whole.qmi").string()));
  // A name of 201 characters is refused.
  scripted.saves = {QString(201, QLatin1Char('a'))};
  QTest::mouseClick(wizard.PathPage().Row()->Button(), Qt::LeftButton);
  EXPECT_TRUE(wizard.PathPage().Path().isEmpty());
  ASSERT_FALSE(scripted.prompter.shown.empty());
  EXPECT_EQ(scripted.prompter.shown.back().text, QStringLiteral("The length is enough!"));
  // A folder that does not exist keeps the user on the page.
  wizard.PathPage().Row()->SetPath(QString::fromStdString((folder / "none" / "x").string()));
  wizard.OnNext();
  EXPECT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kPath);
  EXPECT_EQ(scripted.prompter.shown.back().text,
            QStringLiteral("Please check the path you are trying to save to and try again."));
  // Typed without the extension, as a user would.
  wizard.PathPage().Row()->SetPath(QString::fromStdString((folder / "whole").string()));
  EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_create_2_destination")).isEmpty());
  wizard.OnNext();
  ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kSummary);
  EXPECT_FALSE(fs::exists(folder / "whole.qmi")); // nothing is written before the run
  EXPECT_EQ(wizard.SummaryPage().Text(5), QStringLiteral("None"));
  EXPECT_EQ(wizard.SummaryPage().Text(3), QStringLiteral("0---%1   Sectors").arg(n - 1));
  EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_create_1_summary")).isEmpty());
  // Back returns to the destination page on this road.
  wizard.OnBack();
  EXPECT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kPath);
  wizard.OnNext();

  QTimer::singleShot(0, &wizard, [&wizard] {
    EXPECT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kRun);
    EXPECT_FALSE(wizard.NextButton()->isEnabled());
    test::SaveToGallery(wizard, QStringLiteral("imaging_create_5_progress"));
  });
  wizard.OnNext();
  ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kSuccess);
  EXPECT_FALSE(wizard.CancelButton()->isEnabled());
  EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_create_6_success")).isEmpty());
  wizard.OnNext();
  EXPECT_EQ(wizard.GetResult(), 1);
  EXPECT_EQ(wizard.GetRegionSectorCount(), n);
  EXPECT_EQ(wizard.GetImagePath(), (folder / "whole.qmi").string());

  CImageFileDeviceWithDecompress image(wizard.GetImagePath());
  ASSERT_TRUE(image.CheckPartFiles());
  image::CImageFile header(wizard.GetImagePath());
  ASSERT_TRUE(header.OpenIndex(CPlainFile::kRead));
  EXPECT_EQ(header.GetCompressionType(), 2u);
  EXPECT_EQ(header.GetPartCount(), 1u);
  // The image device has the disk's n sectors, as the device list shows.
  EXPECT_EQ(image.GetSectorCount(), n);
  const auto back = test::ReadAll(image);
  const auto& original = test::NtfsBasicImage();
  ASSERT_EQ(back.size(), original.size());
  EXPECT_TRUE(std::equal(original.begin(), original.end(), back.begin()));
}

TEST_F(ImagingWizards, AdvancedRoadChoosesCompressionSplitAndRegion) {
  auto source = FixtureDevice();
  ScriptedSeams scripted;
  const auto folder = test::FreshFolder("wizard_advanced");
  CImageDiskMasterDlg wizard(source.get(), "QM Fixture", 12, nullptr, scripted.Make());
  wizard.show();
  // The box's caption starts where the lines above it start, and a click on
  // it ticks the box.
  auto* caption = wizard.ModePage().findChild<QLabel*>(QStringLiteral("advancedModeCaption"));
  ASSERT_NE(caption, nullptr);
  int lineLeft = -1;
  for (QLabel* label : wizard.ModePage().findChildren<QLabel*>())
    if (label->text() == QStringLiteral("Select Drive To Image:")) lineLeft = label->x();
  EXPECT_EQ(caption->x(), lineLeft);
  EXPECT_GT(wizard.ModePage().AdvancedBox()->x(), caption->geometry().right());
  EXPECT_NEAR(wizard.ModePage().AdvancedBox()->geometry().center().y(), caption->geometry().center().y(), 1);
  QTest::mouseClick(caption, Qt::LeftButton);
  ASSERT_TRUE(wizard.ModePage().IsAdvanced());
  wizard.OnNext();
  ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kAdvancedPath);
  CImageDiskADPathChooseDlg& advanced = wizard.AdvancedPage();
  EXPECT_FALSE(advanced.LevelList()->isEnabled());
  advanced.CompressBox()->setChecked(true);
  advanced.LevelList()->setCurrentIndex(2);
  advanced.SplitBox()->setChecked(true);
  advanced.SplitList()->setCurrentIndex(3);
  EXPECT_TRUE(advanced.LevelList()->isEnabled());
  advanced.Row()->SetPath(QString::fromStdString((folder / "part.qmi").string()));
  EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_create_3_advanced")).isEmpty());
  wizard.OnNext();
  ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kRegion);
  EXPECT_EQ(wizard.Banner()->Title(), QStringLiteral("Source Disk Region"));
  CImageDiskSetRegionDlg& region = wizard.RegionPage();
  EXPECT_EQ(region.FirstEdit()->text(), QStringLiteral("0"));
  // Sectors 2,000 to 9,999 typed into the edits.
  region.LastEdit()->setText(QStringLiteral("9999"));
  Q_EMIT region.LastEdit()->editingFinished();
  region.FirstEdit()->setText(QStringLiteral("2000"));
  Q_EMIT region.FirstEdit()->editingFinished();
  region.StepFirst(true);
  region.StepFirst(false);
  EXPECT_EQ(region.GetFirstSector(), 2000u);
  EXPECT_EQ(region.GetLastSector(), 9999u);
  EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_create_4_region")).isEmpty());
  wizard.OnNext();
  ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kSummary);
  EXPECT_EQ(wizard.SummaryPage().Text(5), QStringLiteral("Maximum"));
  EXPECT_EQ(wizard.SummaryPage().Text(3), QStringLiteral("2000---9999   Sectors"));
  EXPECT_EQ(wizard.SummaryPage().Text(2), QStringLiteral("3.91 MB"));
  EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_create_1_summary_advanced")).isEmpty());
  // Back returns to the region page on this road.
  wizard.OnBack();
  EXPECT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kRegion);
  wizard.OnNext();
  wizard.OnNext();
  ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kSuccess);
  wizard.SuccessPage().OpenBox()->setChecked(false);
  wizard.OnNext();
  EXPECT_EQ(wizard.GetResult(), 0); // not to be listed
  EXPECT_EQ(wizard.GetRegionSectorCount(), 8000u);

  CImageFileDeviceWithDecompress image((folder / "part.qmi").string());
  ASSERT_TRUE(image.CheckPartFiles());
  EXPECT_EQ(image.GetSourceDeviceType(), 12u);
  const auto back = test::ReadAll(image);
  const auto& original = test::NtfsBasicImage();
  EXPECT_TRUE(std::equal(back.begin(), back.begin() + 8000 * 512, original.begin() + 2000 * 512));
}

TEST_F(ImagingWizards, ACancelledRunIsNoSuccessAndAFullDiskMovesTheRest) {
  auto source = FixtureDevice();
  {
    ScriptedSeams scripted;
    const auto folder = test::FreshFolder("wizard_cancel");
    CImageDiskMasterDlg wizard(source.get(), "QM Fixture", 255, nullptr, scripted.Make());
    wizard.show();
    wizard.OnNext();
    wizard.PathPage().Row()->SetPath(QString::fromStdString((folder / "c.qmi").string()));
    wizard.OnNext();
    ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kSummary);
    // The user presses Cancel during the run and confirms.
    scripted.prompter.answers = {true};
    QTimer::singleShot(0, &wizard, [&wizard] { QTest::mouseClick(wizard.CancelButton(), Qt::LeftButton); });
    wizard.OnNext();
    EXPECT_NE(wizard.CurrentPage(), CImageDiskMasterDlg::kSuccess);
    EXPECT_EQ(wizard.GetResult(), 0);
    EXPECT_FALSE(wizard.isVisible());
    ASSERT_FALSE(scripted.prompter.shown.empty());
    EXPECT_EQ(scripted.prompter.shown.back().text, QStringLiteral("Cancel Disk Image?"));
    EXPECT_TRUE(wizard.RunPage().GetController().WasCancelled());
    EXPECT_LT(wizard.RunPage().GetController().BlocksWritten(), 5u);
  }
  {
    // 25 MiB free at first, then 10: the user moves the rest elsewhere.
    ScriptedSeams scripted;
    const auto folder = test::FreshFolder("wizard_full");
    const auto other = test::FreshFolder("wizard_full_other");
    CImageDiskMasterDlg wizard(source.get(), "QM Fixture", 255, nullptr, scripted.Make());
    wizard.show();
    wizard.OnNext();
    wizard.PathPage().Row()->SetPath(QString::fromStdString((folder / "f.qmi").string()));
    scripted.free = {25};
    wizard.OnNext();
    scripted.free = {10, 500};
    scripted.prompter.answers = {true};
    scripted.saves = {QString::fromStdString((other / "rest.qmi").string())};
    QTimer::singleShot(0, &wizard, [&wizard] { wizard.RunPage().OnFreeSpaceTimer(); });
    wizard.OnNext();
    ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kSuccess);
    ASSERT_EQ(scripted.prompter.shown.size(), 1u);
    EXPECT_TRUE(scripted.prompter.shown[0].question);
    EXPECT_EQ(wizard.RunPage().GetController().PartCount(), 2u);
    EXPECT_TRUE(fs::exists(other / "rest.part1.qmf"));
    CImageFileDeviceWithDecompress image((folder / "f.qmi").string());
    ASSERT_TRUE(image.CheckPartFiles());
    const auto back = test::ReadAll(image);
    const auto& original = test::NtfsBasicImage();
    EXPECT_TRUE(std::equal(original.begin(), original.end(), back.begin()));
  }
  {
    // Too little space at the start ends the run before it writes.
    ScriptedSeams scripted;
    const auto folder = test::FreshFolder("wizard_no_space");
    CImageDiskMasterDlg wizard(source.get(), "QM Fixture", 255, nullptr, scripted.Make());
    wizard.show();
    wizard.OnNext();
    wizard.PathPage().Row()->SetPath(QString::fromStdString((folder / "n.qmi").string()));
    scripted.free = {5};
    wizard.OnNext();
    wizard.OnNext();
    EXPECT_EQ(wizard.GetResult(), 0);
    EXPECT_TRUE(wizard.RunPage().IsCancelledForSpace());
    EXPECT_FALSE(fs::exists(folder / "n.qmi"));
    ASSERT_FALSE(scripted.prompter.shown.empty());
    EXPECT_EQ(scripted.prompter.shown.back().text,
              QStringLiteral(" Free space is not enough, the progress must be cancelled."));
  }
}

// Writes a two-part zlib image of the fixture's first 2,048 sectors.
std::string WriteTwoPartImage(const fs::path& folder) {
  auto source = FixtureDevice();
  CCompressController writer;
  writer.SetSource(source.get(), "two parts", 0, 2048, 255);
  writer.SetCompression(2, 1, image::kSplit4G);
  const std::string index = (folder / "two.qmi").string();
  writer.SetTargetPath(index);
  test::RecordingCompressCallback callback;
  callback.newPartBefore = {4};
  EXPECT_EQ(writer.Run(&callback), 1);
  return index;
}

TEST_F(ImagingWizards, OpenWizardChecksTheImageAndRepairsMovedParts) {
  const auto folder = test::FreshFolder("wizard_open");
  const std::string index = WriteTwoPartImage(folder);
  {
    ScriptedSeams scripted;
    COpenDiskImageMasterDlg wizard(nullptr, scripted.Make());
    wizard.show();
    EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_open_0_welcome")).isEmpty());
    wizard.OnNext();
    ASSERT_EQ(wizard.CurrentPage(), COpenDiskImageMasterDlg::kPath);
    // A file too short to be any image; then the index chosen through the button.
    const std::string tiny = (folder / "tiny.img").string();
    std::ofstream(tiny) << "not an image";
    wizard.PathPage().Edit()->setText(QString::fromStdString(tiny));
    wizard.OnNext();
    EXPECT_EQ(wizard.CurrentPage(), COpenDiskImageMasterDlg::kPath);
    EXPECT_EQ(scripted.prompter.shown.back().text,
              QStringLiteral("Can't open or it is not an Image File, please check the file!"));
    scripted.opens = {QString::fromStdString(index)};
    QTest::mouseClick(wizard.PathPage().Button(), Qt::LeftButton);
    EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_open_1_path")).isEmpty());
    wizard.OnNext();
    ASSERT_EQ(wizard.CurrentPage(), COpenDiskImageMasterDlg::kSuccess);
    EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_open_3_success")).isEmpty());
    wizard.OnNext();
    EXPECT_TRUE(wizard.IsImageChosen());
    EXPECT_EQ(wizard.GetImagePath(), index);
  }
  // A raw image (what dd writes), whatever its name, is chosen as it is:
  // it has no parts to check.
  {
    ScriptedSeams scripted;
    COpenDiskImageMasterDlg wizard(nullptr, scripted.Make());
    wizard.OnNext();
    const std::string raw = test::NtfsBasicImagePath();
    wizard.PathPage().Edit()->setText(QString::fromStdString(raw));
    wizard.OnNext();
    ASSERT_EQ(wizard.CurrentPage(), COpenDiskImageMasterDlg::kSuccess);
    EXPECT_TRUE(scripted.prompter.shown.empty());
    wizard.OnNext();
    EXPECT_TRUE(wizard.IsImageChosen());
    EXPECT_EQ(wizard.GetImagePath(), raw);
  }
  // A part list without its list file, and one with a line that is no path.
  {
    ScriptedSeams scripted;
    const std::string list = image::PartListPath(index);
    fs::rename(list, list + ".away");
    COpenDiskImageMasterDlg wizard(nullptr, scripted.Make());
    wizard.OnNext();
    wizard.PathPage().Edit()->setText(QString::fromStdString(index));
    wizard.OnNext();
    EXPECT_EQ(scripted.prompter.shown.back().text,
              QStringLiteral("Have not found qmp file, please check the path!"));
    fs::rename(list + ".away", list);
  }
  // Part 1 moved to another folder: listed INVALID until located.
  const auto moved = test::FreshFolder("wizard_open_moved") / "two.part1.qmf";
  fs::rename(image::MakePartFileName(index, 1), moved);
  EXPECT_EQ(image::OpenImageDevice(index), nullptr);
  ScriptedSeams scripted;
  COpenDiskImageMasterDlg wizard(nullptr, scripted.Make());
  wizard.show();
  wizard.OnNext();
  wizard.PathPage().Edit()->setText(QString::fromStdString(index));
  wizard.OnNext();
  ASSERT_EQ(wizard.CurrentPage(), COpenDiskImageMasterDlg::kRepair);
  EXPECT_EQ(wizard.Banner()->Title(), QStringLiteral("Correct error in Disk Image Configuration"));
  COpenDiskImageErrorManageDlg& repair = wizard.RepairPage();
  ASSERT_EQ(repair.List()->topLevelItemCount(), 2);
  EXPECT_EQ(repair.List()->topLevelItem(0)->text(1), QStringLiteral("VALID"));
  EXPECT_EQ(repair.List()->topLevelItem(1)->text(1), QStringLiteral("INVALID"));
  EXPECT_FALSE(wizard.NextButton()->isEnabled());
  EXPECT_FALSE(repair.LocateButton()->isEnabled());
  EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_open_2_repair")).isEmpty());
  // Adding part 0 again is ignored; Locate puts the moved part in row 1.
  scripted.opens = {QString::fromStdString(image::MakePartFileName(index, 0))};
  repair.OnAdd();
  EXPECT_EQ(repair.List()->topLevelItemCount(), 2);
  repair.List()->setCurrentItem(repair.List()->topLevelItem(1));
  EXPECT_TRUE(repair.LocateButton()->isEnabled());
  scripted.opens = {QString::fromStdString(moved.string())};
  QTest::mouseClick(repair.LocateButton(), Qt::LeftButton);
  EXPECT_EQ(repair.List()->topLevelItem(1)->text(1), QStringLiteral("VALID"));
  wizard.OnTimer();
  EXPECT_TRUE(wizard.NextButton()->isEnabled());
  EXPECT_FALSE(test::SaveToGallery(wizard, QStringLiteral("imaging_open_2_repaired")).isEmpty());
  wizard.OnNext();
  ASSERT_EQ(wizard.CurrentPage(), COpenDiskImageMasterDlg::kSuccess);
  wizard.OnNext();
  EXPECT_TRUE(wizard.IsImageChosen());
  // The repaired list names the part where it is now.
  auto device = image::OpenImageDevice(index);
  ASSERT_NE(device, nullptr);
  const auto back = test::ReadAll(*device);
  const auto& original = test::NtfsBasicImage();
  EXPECT_TRUE(std::equal(back.begin(), back.end(), original.begin()));
}

// The deleted-file page with the imaging services installed.
class ImagingOnTheDevicePage : public ImagingWizards {
protected:
  ImagingOnTheDevicePage() : context_(pagePrompter_, settings_, Services()) {}

  WizardServices Services() {
    WizardServices services;
    services.openUrl = [](const QString&) { return true; };
    services.openHelp = [](int) {};
    services.startRestarter = [] { return true; };
    services.fileFilterPath = std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/FileFilter.xml";
    services.deviceSource =
        std::make_shared<FixtureDeviceSource>(std::vector<std::string>{test::NtfsBasicImagePath()});
    InstallImagingServices(services, scripted_.Make());
    return services;
  }
  void SetUp() override {
    ImagingWizards::SetUp();
    RegisterNtfsVolumeAnalyzer();
  }
  void WaitForDevices() {
    for (int i = 0; i < 10000 && !frame_->isEnabled(); ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      QThread::msleep(1);
    }
    ASSERT_TRUE(frame_->isEnabled());
  }

  ScopedVolumeAnalyzers restore_;
  ScriptedSeams scripted_;
  test::ScriptedPrompter pagePrompter_;
  AppSettings settings_;
  WizardContext context_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(ImagingOnTheDevicePage, AnImageMadeAndOpenedThereIsScannedLikeTheVolume) {

  frame_ = std::make_unique<CMainFrame>(context_);
  frame_->show();
  frame_->Sheet().ModePage().OnModeCommand(1000);
  WaitForDevices();
  auto& page = *static_cast<CDeviceListPage*>(frame_->Sheet().GetActivePage());
  CDeviceSelectCtrl& view = page.DeviceCtrl();
  ASSERT_GE(view.GetCount(), 1);
  view.View()->SelectIndex(0);
  const int volumes = view.GetCount();

  // "Disk Image" on the volume: the wizard's simple road.
  const auto folder = test::FreshFolder("device_page_image");
  const std::string index = (folder / "volume.qmi").string();
  bool drove = false;
  test::WhenModalOpens([&](QWidget& dialog) {
    auto* wizard = qobject_cast<CImageDiskMasterDlg*>(&dialog);
    if (wizard == nullptr) {
      dialog.close();
      return;
    }
    drove = true;
    wizard->OnNext();
    wizard->PathPage().Row()->SetPath(QString::fromStdString(index));
    wizard->OnNext();
    wizard->OnNext();
    wizard->OnNext();
  });
  page.OnCommand(kCmdDiskImage);
  ASSERT_TRUE(drove);
  ASSERT_EQ(view.GetCount(), volumes + 1);
  EXPECT_TRUE(view.View()->RowAt(volumes).cells[0].text.startsWith(QStringLiteral("Image File, ")));
  // Opening the same image again is refused as open already.
  pagePrompter_.shown.clear();
  test::WhenModalOpens([&](QWidget& dialog) {
    auto* wizard = qobject_cast<COpenDiskImageMasterDlg*>(&dialog);
    ASSERT_NE(wizard, nullptr);
    wizard->OnNext();
    wizard->PathPage().Edit()->setText(QString::fromStdString(index));
    wizard->OnNext();
    wizard->OnNext();
  });
  page.OnCommand(kCmdOpenDiskImage);
  ASSERT_EQ(pagePrompter_.shown.size(), 1u);
  EXPECT_EQ(pagePrompter_.shown[0].text, QStringLiteral("This image file is open!"));
  // Removed, then opened through the open wizard.
  view.View()->SelectIndex(volumes);
  page.OnCommand(kCmdDeleteImage);
  ASSERT_EQ(view.GetCount(), volumes);
  test::WhenModalOpens([&](QWidget& dialog) {
    auto* wizard = qobject_cast<COpenDiskImageMasterDlg*>(&dialog);
    ASSERT_NE(wizard, nullptr);
    wizard->OnNext();
    wizard->PathPage().Edit()->setText(QString::fromStdString(index));
    wizard->OnNext();
    wizard->OnNext();
  });
  page.OnCommand(kCmdOpenDiskImage);
  ASSERT_EQ(view.GetCount(), volumes + 1);
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("imaging_device_page_with_image")).isEmpty());

  // The listed image is an NTFS volume to the deleted-file road, and the
  // tree built from it is the fixture's, deleted files and all.
  auto* item = static_cast<DeviceListItem*>(view.GetItemData(volumes));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->fileSystemType, 3);
  IStorageDevice* device = item->device.get();
  // The volume reads the compressed image through its window.
  ASSERT_NE(dynamic_cast<CImageFileDeviceWithDecompress*>(item->image.get()), nullptr);
  EXPECT_EQ(device->GetSectorCount(), test::NtfsBasicImage().size() / 512);
  test::RecordingCallback callback;
  CNtfsTreeBuilder builder;
  CFileNode* root = builder.Start(0, device, &callback);
  ASSERT_NE(root, nullptr);
  const auto paths = test::CollectPaths(root);
  static_cast<CFileSystemNode*>(root)->ToggleCheck(root, 0);
  const fs::path target = test::FreshFolder("device_page_image_files");
  SaveContext save{nullptr, device};
  std::string created;
  ASSERT_EQ(SaveCheckedTree(save, root, target.string(), &created), kSaveDone);
  std::size_t deleted = 0, files = 0;
  for (const auto& entry : test::NtfsBasicManifest()) {
    if (entry.kind != "file" && entry.kind != "deleted") continue;
    if (entry.Has("recycled")) continue;
    ASSERT_NE(paths.byPath.find(entry.path), paths.byPath.end()) << entry.path;
    const fs::path path = fs::path(created) / fs::u8path(entry.path);
    ASSERT_TRUE(fs::exists(path)) << path;
    EXPECT_EQ(test::Sha256Hex(ReadFileBytes(path)), entry.sha256) << entry.path;
    ++files;
    deleted += entry.kind == "deleted" ? 1 : 0;
  }
  EXPECT_GE(files, 20u);
  EXPECT_GE(deleted, 3u);
  DeleteFileTree(root);
  frame_.reset();
}

} // namespace
} // namespace qm
