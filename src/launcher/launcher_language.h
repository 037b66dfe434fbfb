// The launcher's texts in the language of the product's setting: the same
// setting and the same compiled translations as the windowed program, read
// without an application object.
#pragma once

#include <QtCore/QString>
#include <QtCore/QTranslator>

#include <filesystem>
#include <memory>
#include <vector>

namespace qm::launcher {

// String ids of the launcher's texts.
inline constexpr unsigned kTitleString = 346;          // "Quenmark"
inline constexpr unsigned kAlreadyRunningString = 434; // "Quenmark has been running!"

// The language name of the setting ("Language" in the group "Language" of
// the product's settings file); "English" when there is none. Never writes:
// the windowed program stores the default on its first start.
QString ReadLanguageName();

// Where compiled translations are looked for: "translations" beside this
// program, then beside the windowed program (the build keeps the programs
// in separate folders).
std::vector<std::filesystem::path> TranslationFolders();

// The translation of "Deutsch" or "Japanese" from the first of the folders
// that holds it; null for any other name or when none holds it (the texts
// then stay English).
std::unique_ptr<QTranslator> LoadLanguageDll(const QString& languageName,
                                             const std::vector<std::filesystem::path>& folders);

// The text of a launcher string id: from language when it translates it,
// else through the application's translators (when there is an
// application), else the English text. Empty for an unknown id.
QString LauncherText(unsigned id, const QTranslator* language = nullptr);

} // namespace qm::launcher
