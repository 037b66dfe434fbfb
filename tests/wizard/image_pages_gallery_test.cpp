// Pictures of the three device pages with a raw disk image listed, in
// English, German and Japanese, to look at for cut or overlapping words.
#include <QtCore/QCoreApplication>
#include <QtCore/QThread>
#include <QtCore/QTranslator>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "controls/device_select_ctrl.h"
#include "deleted_road_fixture.h"
#include "fatext2/boot_sector_classifiers.h"
#include "fatext2/ext2_volume_analyze.h"
#include "fatext2/fat_volume_analyze.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "platform/message_pump.h"
#include "storage/app_settings.h"
#include "storage/volume_analyzer.h"
#include "support/scratch_files.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/services/device_collector.h"
#include "wizard/pages/device_page_menus.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/services/device_source.h"
#include "wizard/main_frame.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"
#include "wizard/services/wizard_state_files.h"

namespace qm {
namespace {

class ImagePagesGallery : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterNtfsVolumeAnalyzer();
    RegisterFatVolumeAnalyzer();
    RegisterExt2VolumeAnalyzer();
    RegisterBootSectorClassifiers();
    SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    // The format and partition pages look for a search to resume.
    const auto folder = ScratchPath("image_gallery_state");
    std::filesystem::create_directories(folder);
    SetStateFolder(folder);
  }
  void TearDown() override {
    SetStateFolder({});
    SetMessagePump({});
  }

  ScopedVolumeAnalyzers restore_;
};

TEST_F(ImagePagesGallery, TheDevicePagesWithARawImageInEachLanguage) {
  const test::RescuedImages& images = test::RescuedDiskImages();
  ASSERT_TRUE(images.Made());
  const QString image = QString::fromStdString(images.gpt.string());
  const std::string folder = std::string(std::getenv("QM_BINARY_DIR")) + "/src/app/translations";
  for (const auto& [language, suffix] :
       {std::pair{"", "en"}, std::pair{"Deutsch", "de"}, std::pair{"Japanese", "ja"}}) {
    SCOPED_TRACE(suffix);
    QTranslator translator;
    if (*language != '\0') {
      ASSERT_TRUE(translator.load(QString::fromLatin1(language), QString::fromStdString(folder)));
      QCoreApplication::installTranslator(&translator);
    }
    {
      test::ScriptedPrompter prompter;
      AppSettings settings;
      WizardServices services;
      services.openUrl = [](const QString&) { return true; };
      services.openHelp = [](int) {};
      services.startRestarter = [] { return true; };
      services.fileFilterPath = std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/FileFilter.xml";
      services.deviceSource = std::make_shared<FixtureDeviceSource>(std::vector<std::string>{});
      services.chooseOpenFile = [&image](QWidget*, const QString&, const QString&) { return image; };
      WizardContext context(prompter, settings, services);
      CMainFrame frame(context);
      frame.resize(900, 640);
      frame.show();
      const struct {
        CDeviceStepController* step;
        int mode;
        const char* name;
      } pages[] = {
          {&context.deleteDeviceController(), 0, "wizard_page1_raw_image_%1"},
          {&context.completeDeviceController(), 1, "wizard_page2_raw_image_%1"},
          {&context.lostDiskController(), 2, "wizard_page3_raw_image_%1"},
      };
      for (const auto& page : pages) {
        settings.nRecoveryMode = page.mode;
        page.step->Activate();
        for (int i = 0; i < 10000 && !frame.isEnabled(); ++i) {
          QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
          QThread::msleep(1);
        }
        ASSERT_TRUE(frame.isEnabled());
        // The menu's command: Ctrl+O on the format page scans at once.
        page.step->GetPage()->OnCommand(kCmdOpenDiskImage);
        EXPECT_GE(page.step->GetPage()->DeviceCtrl().GetCount(), 1);
        EXPECT_FALSE(
            test::SaveToGallery(frame, QString::fromLatin1(page.name).arg(QLatin1String(suffix))).isEmpty());
        page.step->Leave();
        page.step->Collector()->Collection().DropImages();
      }
    }
    if (*language != '\0') QCoreApplication::removeTranslator(&translator);
  }
}

} // namespace
} // namespace qm
