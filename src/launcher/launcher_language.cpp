#include "launcher/launcher_language.h"

#include "platform/child_process.h"
#include "platform/folders.h"
#include "platform/ipc_names.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QSettings>

namespace qm::launcher {
namespace {

struct LauncherString {
  unsigned id;
  const char* english;
};

// The same context and texts as the windowed program's string table, so
// that one translation serves both.
constexpr LauncherString kStrings[] = {
    {kTitleString, QT_TRANSLATE_NOOP("StringTable", "Quenmark")},
    {kAlreadyRunningString, QT_TRANSLATE_NOOP("StringTable", "Quenmark has been running!")},
};

constexpr char kStringContext[] = "StringTable";

} // namespace

QString ReadLanguageName() {
  const QString file = QString::fromStdString((GetConfigFolder() / "Recovery.ini").string());
  const QSettings settings(file, QSettings::IniFormat);
  // Read into 260 bytes where the setting began.
  return settings.value(QStringLiteral("Language/Language"), QStringLiteral("English")).toString().left(259);
}

std::vector<std::filesystem::path> TranslationFolders() {
  std::vector<std::filesystem::path> folders{GetProgramFolder() / "translations"};
  if (const auto vek = FindProgram(ipc::kVekProgram, ipc::kTestVekEnv)) {
    auto beside = std::filesystem::path(*vek).parent_path() / "translations";
    if (beside != folders.front()) folders.push_back(std::move(beside));
  }
  return folders;
}

std::unique_ptr<QTranslator> LoadLanguageDll(const QString& languageName,
                                             const std::vector<std::filesystem::path>& folders) {
  // Names are compared exactly, as the windowed program does.
  if (languageName != QLatin1String("Deutsch") && languageName != QLatin1String("Japanese")) return nullptr;
  for (const auto& folder : folders) {
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(languageName, QString::fromStdString(folder.string()))) return translator;
  }
  return nullptr;
}

QString LauncherText(unsigned id, const QTranslator* language) {
  for (const LauncherString& entry : kStrings) {
    if (entry.id != id) continue;
    if (language != nullptr) {
      const QString translated = language->translate(kStringContext, entry.english);
      if (!translated.isEmpty()) return translated;
    }
    return QCoreApplication::translate(kStringContext, entry.english);
  }
  return {};
}

} // namespace qm::launcher
