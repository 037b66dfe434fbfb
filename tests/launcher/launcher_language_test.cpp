// The launcher's texts in the product's language: the setting, the search
// for the compiled translations and the texts by id.
#include "launcher/launcher_language.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace qm::launcher {
namespace {

namespace fs = std::filesystem;

fs::path BuiltTranslations() { return fs::path(std::getenv("QM_BINARY_DIR")) / "src/app/translations"; }

TEST(LauncherLanguage, TheSettingPicksTheTranslationByItsExactName) {
  const fs::path missing = fs::temp_directory_path() / ("qm_no_translations_" + std::to_string(getpid()));
  const std::vector<fs::path> folders{missing, BuiltTranslations()};
  const struct {
    const char* name;
    const char* alreadyRunning; // null: stays English
  } cases[] = {
      {"Deutsch", "Quenmark wird bereits ausgeführt!"},
      {"Japanese", "Quenmark は既に実行されています。"},
      {"English", nullptr},
      {"english", nullptr},
      {"deutsch", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    const auto language = LoadLanguageDll(QString::fromUtf8(c.name), folders);
    EXPECT_EQ(language != nullptr, c.alreadyRunning != nullptr) << c.name;
    EXPECT_EQ(LauncherText(kAlreadyRunningString, language.get()).toStdString(),
              c.alreadyRunning != nullptr ? c.alreadyRunning : "Quenmark has been running!")
        << c.name;
    EXPECT_EQ(LauncherText(kTitleString, language.get()), QStringLiteral("Quenmark")) << c.name;
  }
  // Nowhere to be found: English.
  EXPECT_EQ(LoadLanguageDll(QStringLiteral("Deutsch"), {missing}), nullptr);
  EXPECT_TRUE(LauncherText(474).isEmpty());
}

TEST(LauncherLanguage, TheSettingIsReadFromTheProductsSettingsFile) {
  const fs::path config = fs::temp_directory_path() / ("qm_launcher_config_" + std::to_string(getpid()));
  fs::remove_all(config);
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);

  EXPECT_EQ(ReadLanguageName(), QStringLiteral("English"));
  EXPECT_FALSE(fs::exists(config / "Quenmark" / "Recovery.ini")); // never written here
  fs::create_directories(config / "Quenmark");
  std::ofstream(config / "Quenmark" / "Recovery.ini") << "[Language]\nLanguage=Japanese\n";
  EXPECT_EQ(ReadLanguageName(), QStringLiteral("Japanese"));

  if (old != nullptr)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
  fs::remove_all(config);
}

} // namespace
} // namespace qm::launcher
