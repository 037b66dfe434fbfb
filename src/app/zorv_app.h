// The life of the windowed program: start-up (language, single instance,
// command line, launcher, log, system facts, main window, usage event),
// the message loop and shut-down.
#pragma once

#include <QtCore/QStringList>
#include <QtCore/QTranslator>

#include <functional>
#include <memory>
#include <string>

#include "platform/ipc_names.h"
#include "platform/log.h"
#include "platform/runtime_names.h"

class QWidget;

namespace qm {

class Prompter;

inline constexpr const char* kInstanceLockName = ipc::kVekInstanceLock;
inline constexpr const char* kLoaderLockName = ipc::kLoaderLock;
inline constexpr int kStartUpUsageEvent = 8192;

// The program title (string 346), loaded during start-up; the caption of
// the program's message boxes.
QString ProgramTitle();

// Level 1 when an argument after the program name is "-trace" or "/trace"
// in any case, else 2.
LOGLEVEL TraceLevelFromArguments(const QStringList& arguments);

// Delivers one event and keeps exceptions out of the event loop: the
// allocation wrappers' out-of-memory exception becomes the memory crash;
// any other std::bad_alloc ends the loop and makes Run return 0.
bool DeliverGuarded(const std::function<bool()>& deliver);

// Whether DeliverGuarded met a plain std::bad_alloc (then Run returns 0).
bool LoopEndedOutOfMemory();
void ResetLoopOutOfMemoryForTest();

struct ZorvAppOptions {
    std::string logPath;  // empty: "Quenmark.log" in the program data folder
    std::string translationFolder;  // empty: "translations" beside the program
    Prompter* prompter = nullptr;   // null: the production message boxes
    std::function<std::unique_ptr<QWidget>()> createMainWindow;
    bool showMainWindow = true;
};

class CZorvApp {
public:
    explicit CZorvApp(ZorvAppOptions options);
    ~CZorvApp();

    // True to run the message loop, false to end the program at once.
    bool InitInstance(const QStringList& arguments);
    // The loop's exit code, or 0 when an out-of-memory exception ended it.
    int Run();
    int ExitInstance();
    // 1 when this is the only running copy; 0 after the second-copy message.
    int CheckSingleInstance();

    QWidget* MainWindow() const { return mainWindow_.get(); }
    const QString& LanguageName() const { return languageName_; }
    bool TranslationLoaded() const { return translator_ != nullptr; }
    bool QtTranslationLoaded() const { return qtTranslator_ != nullptr; }
    LOGLEVEL LogLevel() const { return logLevel_; }
    LOGTYPE LogType() const { return logType_; }

private:
    Prompter& Prompts() const;
    void LoadLanguage(const QString& name);

    ZorvAppOptions options_;
    std::unique_ptr<QTranslator> translator_;
    std::unique_ptr<QTranslator> qtTranslator_;  // Qt's own texts, when installed
    QString secondCopyText_;
    QString languageName_;
    LifetimeLock instanceLock_;
    LOGLEVEL logLevel_ = LOG_LEVEL_NORMAL;
    LOGTYPE logType_ = LOG_TYPE_STANDALONE;
    std::unique_ptr<QWidget> mainWindow_;
};

}  // namespace qm
