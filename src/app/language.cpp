#include "app/language.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QSettings>

#include <atomic>

#include "platform/folders.h"
#include "platform/log.h"

namespace qm {
namespace {

constexpr char kGroup[] = "Language";
constexpr char kKey[] = "Language/Language";
constexpr int kMaxNameLength = 259;  // the setting is read into 260 bytes
constexpr int kErrorFileNotFound = 2;

std::atomic<int> g_languageId{1};
std::atomic<bool> g_languageRead{false};

bool SettingPresent(QSettings& settings) { return settings.childGroups().contains(QLatin1String(kGroup)); }

}  // namespace

QString SettingsFilePath()
{
    return QString::fromStdString((GetConfigFolder() / "Recovery.ini").string());
}

QString ReadLanguageName()
{
    QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    if (!SettingPresent(settings)) {
        WriteLanguageToReg("English");
        return QStringLiteral("English");
    }
    const QVariant value = settings.value(QLatin1String(kKey));
    if (!value.isValid()) {
        LogInfo("RegQueryValueEx failed with %d\n", kErrorFileNotFound);
        return QStringLiteral("English");
    }
    return value.toString().left(kMaxNameLength);
}

void ResetLanguageCacheForTest()
{
    g_languageRead = false;
    g_languageId = 1;
}

}  // namespace qm

int WriteLanguageToReg(const char* language)
{
    if (language == nullptr) {
        return 0;
    }
    const QString path = qm::SettingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings settings(path, QSettings::IniFormat);
    const bool existed = qm::SettingPresent(settings);
    settings.setValue(QLatin1String(qm::kKey), QString::fromUtf8(language));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        LogInfo(existed ? "Tmx : WriteLanguageToReg RegSetValueEx failed with %d\n"
                        : "Tmx : WriteLanguageToReg RegSetValueEx2 failed with %d\n",
                static_cast<int>(settings.status()));
        return 0;
    }
    return 1;
}

int ReadLanguageSetting(int* out)
{
    int result = 1;
    if (!qm::g_languageRead.load()) {
        QSettings settings(qm::SettingsFilePath(), QSettings::IniFormat);
        if (qm::SettingPresent(settings)) {
            const QString name = settings.value(QLatin1String(qm::kKey)).toString().left(qm::kMaxNameLength);
            qm::g_languageId = name == QLatin1String("Japanese") ? 2 : 1;
        } else {
            qm::g_languageId = 1;
            result = 0;
        }
        qm::g_languageRead = true;
    }
    if (out != nullptr) {
        *out = qm::g_languageId.load();
    }
    return result;
}

int GetLanguageId()
{
    int id = 1;
    ReadLanguageSetting(&id);
    return id;
}

const char* GetUIFontName() { return GetLanguageId() == 2 ? "Meiryo UI" : "Arial"; }
