#include "app/zorv_app.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QLibraryInfo>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QWidget>

#include <atomic>
#include <new>

#include "app/crash_handler.h"
#include "app/log_report.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/language.h"
#include "app/usage_events.h"
#include "platform/folders.h"
#include "platform/out_of_memory.h"
#include "storage/app_settings.h"

namespace qm {
namespace {

QString g_programTitle = QStringLiteral("Quenmark");
std::atomic<bool> g_loopOutOfMemory{false};

}  // namespace

QString ProgramTitle() { return g_programTitle; }

LOGLEVEL TraceLevelFromArguments(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if ((argument.startsWith(QLatin1Char('-')) || argument.startsWith(QLatin1Char('/'))) &&
            argument.mid(1).compare(QLatin1String("trace"), Qt::CaseInsensitive) == 0) {
            return LOG_LEVEL_TRACE;
        }
    }
    return LOG_LEVEL_NORMAL;
}

bool DeliverGuarded(const std::function<bool()>& deliver)
{
    try {
        return deliver();
    } catch (const OutOfMemoryException&) {
        HandleOutOfMemoryCrash();
    } catch (const std::bad_alloc&) {
        g_loopOutOfMemory = true;
        QCoreApplication::exit(0);
    }
    return false;
}

bool LoopEndedOutOfMemory() { return g_loopOutOfMemory.load(); }
void ResetLoopOutOfMemoryForTest() { g_loopOutOfMemory = false; }

CZorvApp::CZorvApp(ZorvAppOptions options) : options_(std::move(options)) {}

CZorvApp::~CZorvApp()
{
    mainWindow_.reset();
    if (translator_ != nullptr) {
        QCoreApplication::removeTranslator(translator_.get());
    }
    if (qtTranslator_ != nullptr) {
        QCoreApplication::removeTranslator(qtTranslator_.get());
    }
}

Prompter& CZorvApp::Prompts() const { return options_.prompter != nullptr ? *options_.prompter : DefaultPrompter(); }

void CZorvApp::LoadLanguage(const QString& name)
{
    AppSettings* settings = GetAppSettings();
    if (name == QLatin1String("English")) {
        settings->nLanguageId = 1;
    } else if (name == QLatin1String("Japanese")) {
        settings->nLanguageId = 2;
    } else if (name != QLatin1String("Deutsch")) {
        return;  // no translation of that name: the built-in English texts
    }
    const QString folder = options_.translationFolder.empty()
                               ? QString::fromStdString((GetProgramFolder() / "translations").string())
                               : QString::fromStdString(options_.translationFolder);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder) && !translator->load(name, QStringLiteral(":/translations"))) {
        return;  // a missing translation leaves the English texts
    }
    QCoreApplication::installTranslator(translator.get());
    translator_ = std::move(translator);
    settings->hLanguageModule = translator_.get();

    // Qt's own texts (the Yes and No of message boxes, the file dialogs) in
    // the same language, where the system has them installed.
    auto qtTranslator = std::make_unique<QTranslator>();
    const QString qtName = name == QLatin1String("Japanese") ? QStringLiteral("qtbase_ja") : QStringLiteral("qtbase_de");
    if (qtTranslator->load(qtName, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qtTranslator.get());
        qtTranslator_ = std::move(qtTranslator);
    }
}

int CZorvApp::CheckSingleInstance()
{
    switch (instanceLock_.Acquire(kInstanceLockName)) {
    case LifetimeLock::Result::Acquired:
        return 1;
    case LifetimeLock::Result::HeldElsewhere:
        Prompts().Inform(nullptr, secondCopyText_, g_programTitle, PromptIcon::Information);
        return 0;
    case LifetimeLock::Result::Failed:
        // No private runtime folder: nothing to tell copies apart with, and
        // refusing to start would leave the user with no program.
        LogInfo("The single-instance lock could not be made; running without it");
        return 1;
    }
    return 1;
}

bool CZorvApp::InitInstance(const QStringList& arguments)
{
    languageName_ = ReadLanguageName();
    LoadLanguage(languageName_);
    secondCopyText_ = LoadAppString(434);
    g_programTitle = LoadAppString(346);
    // Titles that name the program (prompts, frame dialogs, the platform's
    // window captions) read the product's name, not the executable's.
    QGuiApplication::setApplicationDisplayName(LoadAppString(347));
    if (CheckSingleInstance() == 0) {
        return false;
    }
    logLevel_ = TraceLevelFromArguments(arguments);
    logType_ = IsLifetimeLockHeld(kLoaderLockName) ? LOG_TYPE_UNDER_LAUNCHER : LOG_TYPE_STANDALONE;
    const std::string logPath =
        options_.logPath.empty() ? (GetProgramDataFolder() / "Quenmark.log").string() : options_.logPath;
    InitLog(logPath.c_str(), logLevel_, logType_);

    LogVersionBanner();
    LogDateGenerated();
    LogNothing();
    LogMemoryStatus();
    LogOsVersion();
    LogOsDirectory();
    LogModuleDirectory();

    if (options_.createMainWindow) {
        mainWindow_ = options_.createMainWindow();
    }
    if (mainWindow_ == nullptr) {
        return false;
    }
    if (options_.showMainWindow) {
        mainWindow_->show();
    }
    ReportUsageEvent(kStartUpUsageEvent);
    return true;
}

int CZorvApp::Run()
{
    int code = 0;
    try {
        code = QCoreApplication::exec();
    } catch (const OutOfMemoryException&) {
        HandleOutOfMemoryCrash();
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return LoopEndedOutOfMemory() ? 0 : code;
}

int CZorvApp::ExitInstance()
{
    AppSettings* settings = GetAppSettings();
    if (settings->hLanguageModule != nullptr) {
        if (translator_ != nullptr) {
            QCoreApplication::removeTranslator(translator_.get());
            translator_.reset();
        }
        if (qtTranslator_ != nullptr) {
            QCoreApplication::removeTranslator(qtTranslator_.get());
            qtTranslator_.reset();
        }
        settings->hLanguageModule = nullptr;
    }
    CloseUsageEvents();
    return 0;
}

}  // namespace qm
