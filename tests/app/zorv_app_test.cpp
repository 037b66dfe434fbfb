#include "app/zorv_app.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtCore/QTimer>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QWidget>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/language.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "app_environment.h"
#include "storage/app_settings.h"
#include "support_ui/scripted_prompter.h"

namespace qm {
namespace {

class RecordingSink : public IVistrel {
public:
    void Close() override { ++closed; }
    void ReportTimedEvent(int id, std::uint32_t, int) override { events.push_back(id); }
    void ReportEvent(int id) override { events.push_back(id); }
    std::vector<int> events;
    int closed = 0;
};

class ZorvAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::UsePrivateAppEnvironment(::testing::UnitTest::GetInstance()->current_test_info()->name());
        logPath_ = ScratchPath("zorv_app.log").string();
        std::filesystem::remove(logPath_);
        ShutdownLog();
        SetVistrelForTest(&sink_);
        GetAppSettings()->nLanguageId = 1;
    }
    void TearDown() override
    {
        ShutdownLog();
        SetVistrelForTest(nullptr);
        GetAppSettings()->nLanguageId = 1;
        GetAppSettings()->hLanguageModule = nullptr;
    }

    ZorvAppOptions Options(const std::string& translations = "/nonexistent")
    {
        ZorvAppOptions options;
        options.logPath = logPath_;
        options.translationFolder = translations;
        options.prompter = &prompter_;
        options.createMainWindow = [] { return std::make_unique<QWidget>(); };
        options.showMainWindow = false;
        return options;
    }

    void WriteLanguage(const QString& value)
    {
        QDir().mkpath(QFileInfo(SettingsFilePath()).absolutePath());
        QSettings settings(SettingsFilePath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Language/Language"), value);
    }

    std::string LogText()
    {
        std::ifstream file(logPath_);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::string logPath_;
    test::ScriptedPrompter prompter_;
    RecordingSink sink_;
};

TEST_F(ZorvAppTest, MissingSettingIsWrittenAsEnglish)
{
    CZorvApp app(Options());
    ASSERT_TRUE(app.InitInstance({QStringLiteral("Vek")}));
    EXPECT_EQ(app.LanguageName(), QStringLiteral("English"));
    QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("Language/Language")).toString(), QStringLiteral("English"));
    EXPECT_EQ(GetAppSettings()->nLanguageId, 1);
    EXPECT_STREQ(GetUIFontName(), "Arial");
    EXPECT_TRUE(prompter_.shown.empty());
    app.ExitInstance();
}

TEST_F(ZorvAppTest, LanguageValuesGiveIdsAndFonts)
{
    const struct {
        const char* stored;
        int appSettingsId;  // after start-up, starting from 1
        int cachedId;
        const char* font;
    } cases[] = {
        {"English", 1, 1, "Arial"},
        {"Deutsch", 1, 1, "Arial"},
        {"Japanese", 2, 2, "Meiryo UI"},
        {"english", 1, 1, "Arial"},  // no such language: the built-in English texts
        {"japanese", 1, 1, "Arial"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        ShutdownLog();
        ResetLanguageCacheForTest();
        GetAppSettings()->nLanguageId = 1;
        WriteLanguage(QString::fromUtf8(c.stored));
        {
            CZorvApp app(Options());
            ASSERT_TRUE(app.InitInstance({QStringLiteral("Vek")}));
            EXPECT_EQ(app.LanguageName(), QString::fromUtf8(c.stored));
            EXPECT_FALSE(app.TranslationLoaded());
            EXPECT_EQ(GetAppSettings()->nLanguageId, c.appSettingsId);
            EXPECT_EQ(GetLanguageId(), c.cachedId);
            EXPECT_STREQ(GetUIFontName(), c.font);
            app.ExitInstance();
        }
    }
}

TEST_F(ZorvAppTest, TranslationsAreLoadedByName)
{
    // A German translation of string 434, compiled by the same tool the
    // build uses.
    const std::filesystem::path folder = ScratchPath("translations-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Deutsch.ts")
        << "<?xml version=\"1.0\" encoding=\"utf-8\"?><!DOCTYPE TS><TS version=\"2.1\" language=\"de_DE\">"
           "<context><name>StringTable</name><message><source>Quenmark has been running!</source>"
           "<translation>Quenmark läuft bereits!</translation></message></context></TS>";
    const std::string command = "/usr/lib/qt6/bin/lrelease -silent '" + (folder / "Deutsch.ts").string() + "' -qm '" +
                                (folder / "Deutsch.qm").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    WriteLanguage(QStringLiteral("Deutsch"));
    CZorvApp app(Options(folder.string()));
    ASSERT_TRUE(app.InitInstance({QStringLiteral("Vek")}));
    EXPECT_TRUE(app.TranslationLoaded());
    // Titles name the product, never the executable.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Quenmark"));
    EXPECT_EQ(LoadAppString(434), QStringLiteral("Quenmark läuft bereits!"));
    EXPECT_NE(GetAppSettings()->hLanguageModule, nullptr);
    app.ExitInstance();
    EXPECT_EQ(GetAppSettings()->hLanguageModule, nullptr);
    EXPECT_EQ(LoadAppString(434), QStringLiteral("Quenmark has been running!"));
}

TEST_F(ZorvAppTest, TraceArguments)
{
    const struct {
        QStringList arguments;
        LOGLEVEL level;
    } cases[] = {
        {{"Vek"}, LOG_LEVEL_NORMAL},
        {{"Vek", "-TRACE"}, LOG_LEVEL_TRACE},
        {{"Vek", "/Trace"}, LOG_LEVEL_TRACE},
        {{"Vek", "other", "-trace"}, LOG_LEVEL_TRACE},
        {{"Vek", "trace"}, LOG_LEVEL_NORMAL},
        {{"Vek", "--trace"}, LOG_LEVEL_NORMAL},
        {{"Vek", "-traces"}, LOG_LEVEL_NORMAL},
        {{"-trace"}, LOG_LEVEL_NORMAL},  // the program name is never looked at
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TraceLevelFromArguments(c.arguments), c.level) << c.arguments.join(' ').toStdString();
    }
    CZorvApp app(Options());
    ASSERT_TRUE(app.InitInstance({QStringLiteral("Vek"), QStringLiteral("/TRACE")}));
    EXPECT_EQ(app.LogLevel(), LOG_LEVEL_TRACE);
    app.ExitInstance();
}

TEST_F(ZorvAppTest, LogTypeTellsWhetherTheLauncherRuns)
{
    {
        CZorvApp app(Options());
        ASSERT_TRUE(app.InitInstance({QStringLiteral("Vek")}));
        EXPECT_EQ(app.LogType(), LOG_TYPE_STANDALONE);
        app.ExitInstance();
    }
    ShutdownLog();
    LifetimeLock loader;
    ASSERT_EQ(loader.Acquire(kLoaderLockName), LifetimeLock::Result::Acquired);
    CZorvApp app(Options());
    ASSERT_TRUE(app.InitInstance({QStringLiteral("Vek")}));
    EXPECT_EQ(app.LogType(), LOG_TYPE_UNDER_LAUNCHER);
    app.ExitInstance();
}

TEST_F(ZorvAppTest, SecondCopyShowsMessage434AndLeavesTheFirstAlone)
{
    CZorvApp first(Options());
    ASSERT_TRUE(first.InitInstance({QStringLiteral("Vek")}));
    sink_.events.clear();
    CZorvApp second(Options());
    EXPECT_FALSE(second.InitInstance({QStringLiteral("Vek")}));
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("Quenmark has been running!"));
    EXPECT_EQ(prompter_.shown[0].caption, QStringLiteral("Quenmark"));
    EXPECT_EQ(prompter_.shown[0].icon, PromptIcon::Information);
    EXPECT_EQ(second.MainWindow(), nullptr);
    EXPECT_TRUE(sink_.events.empty());
    // The first copy still holds the lock and its window.
    EXPECT_TRUE(IsLifetimeLockHeld(kInstanceLockName));
    EXPECT_NE(first.MainWindow(), nullptr);
    LifetimeLock probe;
    EXPECT_EQ(probe.Acquire(kInstanceLockName), LifetimeLock::Result::HeldElsewhere);
    first.ExitInstance();
}

TEST_F(ZorvAppTest, StartUpWritesTheSystemFactsAndReportsEvent8192)
{
    CZorvApp app(Options());
    ASSERT_TRUE(app.InitInstance({QStringLiteral("Vek")}));
    ASSERT_NE(app.MainWindow(), nullptr);
    EXPECT_EQ(sink_.events, std::vector<int>{kStartUpUsageEvent});
    EXPECT_EQ(app.ExitInstance(), 0);
    EXPECT_EQ(sink_.closed, 1);
    const std::string log = LogText();
    std::size_t at = 0;
    for (const char* line : {"Quenmark Professional 5.8.8.8 20150731", "Date Generated: ", "Memory status:",
                             "Total physical memory:", "Total   page    files:", "OS - ", "OS Directory - /",
                             "Module Directory - /"}) {
        const std::size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << log;
        at = found;
    }
}

TEST_F(ZorvAppTest, ClosingTheMainWindowEndsTheLoopCleanly)
{
    ZorvAppOptions options = Options();
    options.showMainWindow = true;
    CZorvApp app(std::move(options));
    ASSERT_TRUE(app.InitInstance({QStringLiteral("Vek")}));
    QTimer::singleShot(50, app.MainWindow(), [&app] { app.MainWindow()->close(); });
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.ExitInstance(), 0);
}

TEST_F(ZorvAppTest, NoMainWindowEndsTheStart)
{
    ZorvAppOptions options = Options();
    options.createMainWindow = [] { return std::unique_ptr<QWidget>(); };
    CZorvApp app(std::move(options));
    EXPECT_FALSE(app.InitInstance({QStringLiteral("Vek")}));
    EXPECT_TRUE(sink_.events.empty());
}

TEST_F(ZorvAppTest, PlainBadAllocEndsTheLoopWithZero)
{
    ResetLoopOutOfMemoryForTest();
    EXPECT_TRUE(DeliverGuarded([] { return true; }));
    EXPECT_FALSE(LoopEndedOutOfMemory());
    EXPECT_FALSE(DeliverGuarded([]() -> bool { throw std::bad_alloc(); }));
    EXPECT_TRUE(LoopEndedOutOfMemory());
    ResetLoopOutOfMemoryForTest();
}

TEST_F(ZorvAppTest, WriteAndReadTheLanguageSetting)
{
    int id = 0;
    EXPECT_EQ(ReadLanguageSetting(&id), 0);  // no setting on the first call
    EXPECT_EQ(id, 1);
    EXPECT_EQ(ReadLanguageSetting(&id), 1);
    EXPECT_EQ(WriteLanguageToReg("Japanese"), 1);
    EXPECT_EQ(GetLanguageId(), 1);  // cached until the next start
    ResetLanguageCacheForTest();
    EXPECT_EQ(GetLanguageId(), 2);
    EXPECT_EQ(WriteLanguageToReg(nullptr), 0);
}

}  // namespace
}  // namespace qm
