// Choosing a language in the menu writes it and restarts the program; the
// program started again comes up in that language, with the translations
// the build compiled.
#include <QtCore/QCoreApplication>
#include <QtCore/QTranslator>
#include <QtTest/QSignalSpy>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "app/app_environment.h"
#include "app/language.h"
#include "app/string_table.h"
#include "controls/file_type_name_table.h"
#include "app/zorv_app.h"
#include "controls/button_plus.h"
#include "dialogs/advance_setting_dlg.h"
#include "filemodel/state_file_bundle.h"
#include "storage/app_settings.h"
#include "support/scratch_files.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/services/device_source.h"
#include "wizard/main_frame.h"
#include "wizard/pages/recovery_mode_page.h"
#include "wizard/pages/type_of_file_page.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"

namespace qm {
namespace {

WizardServices Services(int& restarts) {
  WizardServices services;
  services.openUrl = [](const QString&) { return true; };
  services.openHelp = [](int) {};
  services.startRestarter = [&restarts] {
    ++restarts;
    return true;
  };
  services.fileFilterPath = std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/FileFilter.xml";
  services.deviceSource = std::make_shared<FixtureDeviceSource>(std::vector<std::string>{});
  return services;
}

class LanguageRestartTest : public ::testing::Test {
protected:
  void TearDown() override {
    ShutdownLog();
    GetAppSettings()->nLanguageId = 1;
    GetAppSettings()->hLanguageModule = nullptr;
    ResetLanguageCacheForTest();
  }
};

TEST_F(LanguageRestartTest, SwitchingTheLanguageRestartsIntoIt) {
  const struct {
    int choice;              // the row of the language menu
    const char* before;      // the language the program ran in
    const char* next;        // the Next button after the restart
    unsigned modeString;     // the first recovery mode's caption
    const char* modeCaption; // ... in the new language
    const char* picture;
  } cases[] = {
      {1, "English", "Weiter", 199, "Gelöschte Dateien", "wizard_start_page_de"},
      {2, "Deutsch", "次へ", 199, "削除ファイルの復元", "wizard_start_page_ja"},
      {0, "Japanese", "Next", 199, "Deleted File Recovery", nullptr},
  };
  for (const auto& c : cases) {
    const char* chosen = kLanguageChoices[c.choice].settingName;
    SCOPED_TRACE(chosen);
    test::UsePrivateAppEnvironment(std::string("LanguageRestart-") + chosen);
    ASSERT_EQ(WriteLanguageToReg(c.before), 1);
    ResetLanguageCacheForTest();

    // The running program: the menu asks, writes and restarts.
    {
      test::ScriptedPrompter prompter;
      prompter.answers = {true};
      AppSettings settings;
      int restarts = 0;
      WizardContext context(prompter, settings, Services(restarts));
      QSignalSpy closing(&context.sheet(), &CWizardSheet::CloseRequested);
      context.sheet().OnLanguageCommand(c.choice);
      ASSERT_EQ(prompter.shown.size(), 1u);
      EXPECT_TRUE(prompter.shown[0].question);
      EXPECT_EQ(restarts, 1);
      EXPECT_EQ(closing.count(), 1);
      EXPECT_EQ(ReadLanguageName(), QString::fromLatin1(chosen));
    }

    // The program the restarter starts again.
    ResetLanguageCacheForTest();
    GetAppSettings()->nLanguageId = 1;
    test::ScriptedPrompter prompter;
    AppSettings settings;
    int restarts = 0;
    WizardContext context(prompter, settings, Services(restarts));
    ZorvAppOptions options;
    options.logPath = ScratchPath(std::string("language_restart_") + chosen + ".log").string();
    options.translationFolder = std::string(std::getenv("QM_BINARY_DIR")) + "/src/app/translations";
    options.prompter = &prompter;
    options.createMainWindow = [&context] { return std::make_unique<CMainFrame>(context); };
    options.showMainWindow = false;
    CZorvApp app(options);
    ASSERT_TRUE(app.InitInstance({QStringLiteral("Vek")}));
    EXPECT_EQ(app.LanguageName(), QString::fromLatin1(chosen));
    EXPECT_EQ(app.TranslationLoaded(), c.choice != 0);
    EXPECT_EQ(GetLanguageId(), c.choice == 2 ? 2 : 1);
    // Qt's own buttons follow (the install step installs its translations).
    EXPECT_EQ(app.QtTranslationLoaded(), c.choice != 0);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes") != QLatin1String("&Yes"), c.choice != 0);
    CWizardSheet& sheet = context.sheet();
    EXPECT_EQ(sheet.Button(CWizardSheet::kNext)->text(), QString::fromUtf8(c.next));
    EXPECT_EQ(LoadAppString(c.modeString).trimmed(), QString::fromUtf8(c.modeCaption));
    EXPECT_TRUE(sheet.ModePage().Button(0)->text().contains(QString::fromUtf8(c.modeCaption)))
        << sheet.ModePage().Button(0)->text().toStdString();
    if (c.picture != nullptr) {
      EXPECT_FALSE(test::SaveToGallery(*app.MainWindow(), QString::fromLatin1(c.picture)).isEmpty());
    }
    app.ExitInstance();
    EXPECT_EQ(restarts, 0);
  }
}

// Pictures of the windows with the longest texts, in German and Japanese,
// to look at for cut or overlapping words.
TEST(TranslatedWindows, Gallery) {
  const std::string folder = std::string(std::getenv("QM_BINARY_DIR")) + "/src/app/translations";
  for (const auto& [language, suffix] : {std::pair{"Deutsch", "de"}, std::pair{"Japanese", "ja"}}) {
    SCOPED_TRACE(language);
    QTranslator translator;
    ASSERT_TRUE(translator.load(QString::fromLatin1(language), QString::fromStdString(folder)));
    QCoreApplication::installTranslator(&translator);
    {
      AppSettings settings;
      CAdvanceSettingMasterDlg dialog(true, nullptr, settings);
      const char* const names[] = {"fat", "ntfs", "common", "raw"};
      for (int page = 0; page < 4; ++page) {
        dialog.ShowPage(static_cast<CAdvanceSettingMasterDlg::Page>(page));
        EXPECT_FALSE(test::SaveToGallery(dialog, QStringLiteral("dialogs_settings_%1_%2")
                                                     .arg(QLatin1String(names[page]), QLatin1String(suffix)))
                         .isEmpty());
      }
      dialog.hide();
    }
    {
      test::ScriptedPrompter prompter;
      AppSettings settings;
      int restarts = 0;
      WizardContext context(prompter, settings, Services(restarts));
      CTypeOfFileToRecoveryPage page(context.services().fileFilterPath, nullptr);
      page.resize(1000, 560);
      EXPECT_FALSE(
          test::SaveToGallery(page, QStringLiteral("wizard_file_type_page_%1").arg(QLatin1String(suffix)))
              .isEmpty());
    }
    QCoreApplication::removeTranslator(&translator);
  }
}

// Texts that engines hand to the pages in English are translated where the
// page shows them: the marked copy must stay the engine's text.
TEST(EngineTexts, ShownTranslated) {
  QTranslator german;
  ASSERT_TRUE(german.load(
      QStringLiteral("Deutsch"),
      QString::fromStdString(std::string(std::getenv("QM_BINARY_DIR")) + "/src/app/translations")));
  QCoreApplication::installTranslator(&german);
  EXPECT_TRUE(QCoreApplication::translate("CDeviceListPage", kStateBundleMismatchText)
                  .startsWith(QLatin1String("Die ")));
  EXPECT_TRUE(QCoreApplication::translate("CDeviceCollector", UnreadableDisksReason(EACCES).c_str())
                  .startsWith(QLatin1String("Keiner ")));
  // The find dialog's first two types come from the type table, filled in
  // the language in use.
  CFileTypeNameTable table;
  table.Load();
  QCoreApplication::removeTranslator(&german);
  ASSERT_GE(table.GetMap().size(), 2u);
  auto it = table.GetMap().begin();
  EXPECT_EQ(QString::fromStdString(it->first), QStringLiteral(".00(Alle Dateien)"));
  EXPECT_EQ(QString::fromStdString((++it)->first), QStringLiteral(".01Datei"));
}

} // namespace
} // namespace qm
