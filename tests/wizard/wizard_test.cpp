#include <QtCore/QDir>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QMenu>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "app/help_viewer.h"
#include "filemodel/my_file_properties.h"
#include "filemodel/file_system_node.h"
#include "platform/message_pump.h"
#include "support/scratch_files.h"
#include "app/language.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "controls/button_plus.h"
#include "dialogs/about_dlg.h"
#include "dialogs/advance_setting_dlg.h"
#include "controls/file_type_tree.h"
#include "filemodel/file_type_map.h"
#include "storage/app_settings.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/steps/file_select_controller.h"
#include "wizard/steps/lost_partition_controllers.h"
#include "wizard/main_frame.h"
#include "wizard/steps/recovery_mode_controller.h"
#include "wizard/pages/recovery_mode_page.h"
#include "wizard/steps/type_of_file_controller.h"
#include "wizard/pages/type_of_file_page.h"
#include "wizard/wizard_context.h"
#include "wizard/steps/scan_partition_controllers.h"
#include "wizard/pages/scan_partition_page.h"
#include "wizard/pages/wizard_page.h"
#include "wizard/wizard_sheet.h"
#include "wizard/services/wizard_state_files.h"

namespace qm {
namespace {

// A fresh wizard per case: its own settings, scripted boxes, recorded
// outside calls, the catalogue shipped with the program.
class WizardTest : public ::testing::Test {
protected:
    WizardTest() : context_(prompter_, settings_, Services()) {}

    WizardServices Services()
    {
        WizardServices services;
        services.openUrl = [this](const QString& url) {
            urls_.push_back(url);
            return true;
        };
        services.openHelp = [this](int topic) { helpTopics_.push_back(topic); };
        services.startRestarter = [this] {
            ++restarts_;
            return true;
        };
        services.fileFilterPath = std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/FileFilter.xml";
        services.deviceSource = std::make_shared<FixtureDeviceSource>(std::vector<std::string>{});
        return services;
    }

    CWizardSheet& Sheet() { return context_.sheet(); }

    // A device page collects on a worker with the window disabled: wait
    // until the list is filled.
    void WaitForDevices()
    {
        QWidget* window = context_.sheet().window();
        for (int i = 0; i < 5000 && !window->isEnabled(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            QThread::msleep(1);
        }
        ASSERT_TRUE(window->isEnabled());
    }

    test::ScriptedPrompter prompter_;
    AppSettings settings_;
    std::vector<QString> urls_;
    std::vector<int> helpTopics_;
    int restarts_ = 0;
    WizardContext context_;
};

TEST_F(WizardTest, StartsOnTheModePageWithoutNavigation)
{
    CWizardSheet& sheet = Sheet();
    sheet.resize(1000, 700);
    sheet.show();
    EXPECT_EQ(sheet.ActiveIndex(), kPageRecoveryMode);
    EXPECT_EQ(sheet.TypePage().LoadResult(), 0);
    for (int id : {CWizardSheet::kHome, CWizardSheet::kBack, CWizardSheet::kNext}) {
        EXPECT_FALSE(sheet.Button(id)->isVisible()) << id;
    }
    EXPECT_TRUE(sheet.Button(CWizardSheet::kWebsite)->isVisible());
    EXPECT_EQ(sheet.GetActivePage()->geometry(), sheet.PageRect());
    // Exactly one page per index and only the active one shown: a page made
    // twice would sit as a stray box in the window's corner.
    const QList<CWizardPage*> pages = sheet.findChildren<CWizardPage*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(pages.size(), kPageCount);
    for (CWizardPage* page : pages) {
        EXPECT_EQ(page->isVisible(), page == sheet.GetActivePage()) << page->objectName().toStdString();
    }
    EXPECT_EQ(WizardContext::instance(), &context_);
    EXPECT_EQ(CRecoveryModeSelectController::GetInstance(), &context_.modeController());
}

// Each start-page button: mode, photo flag, carving list, and the device
// page reached through the file-type step.
TEST_F(WizardTest, EachModeButtonLandsOnItsDevicePage)
{
    struct Case {
        int button;
        int mode;
        int photo;
        int page;
        QString title;
    };
    const Case cases[] = {
        {1000, 0, 0, kPageDeleteRecoveryDevice, QStringLiteral("Deleted Recovery")},
        {1001, 1, 0, kPageCompleteRecoveryDevice, QStringLiteral("Format Recovery")},
        {1002, 2, 0, kPageLostRecoveryDisk, QStringLiteral("Partition Recovery")},
        {2001, 1, 1, kPageCompleteRecoveryDevice, QStringLiteral("Photo Recovery")},
    };
    CWizardSheet& sheet = Sheet();
    sheet.resize(1000, 700);
    sheet.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        context_.modeController().Activate();
        CButtonPlus* button = sheet.ModePage().findChild<CButtonPlus*>(QStringLiteral("button%1").arg(c.button));
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        WaitForDevices();
        EXPECT_EQ(settings_.nRecoveryMode, c.mode);
        EXPECT_EQ(settings_.bPhotoRecovery, c.photo);
        EXPECT_EQ(context_.modeController().GetMode(), c.mode);
        EXPECT_EQ(context_.typeController().GetMode(), c.mode);
        EXPECT_EQ(context_.typeController().GetSearchKind(), c.mode);
        EXPECT_EQ(sheet.ActiveIndex(), c.page);
        EXPECT_EQ(sheet.Banner().title, c.title);
        EXPECT_TRUE(sheet.Button(CWizardSheet::kNext)->isVisible());
        EXPECT_TRUE(sheet.Button(CWizardSheet::kHome)->isVisible());
        // The shipped catalogue chooses every type.
        if (c.photo != 0) {
            std::vector<int> photo(std::begin(kPhotoRawTypes), std::end(kPhotoRawTypes));
            std::sort(photo.begin(), photo.end());
            EXPECT_EQ(settings_.vecRawTypes, photo);
        } else {
            EXPECT_EQ(settings_.vecRawTypes, AppSettings::AllRawTypes());
        }
    }
}

TEST_F(WizardTest, CarvingListFollowsTheChosenTypesAndPhotoModeOnlyNarrows)
{
    CTypeOfFileToRecoveryTreeCtrl& tree = Sheet().TypePage().Tree();
    // Only the pictures group.
    tree.Toggle(tree.topLevelItem(0));
    ASSERT_FALSE(tree.HasCheckedType());
    QTreeWidgetItem* pictures = tree.findItems(QStringLiteral("Pictures"), Qt::MatchExactly | Qt::MatchRecursive).first();
    tree.Toggle(pictures);
    settings_.bPhotoRecovery = 0;
    ApplyFileTypeChoice(tree, settings_);
    const std::vector<int> narrowed = settings_.vecRawTypes;
    EXPECT_LT(narrowed.size(), 73u);
    EXPECT_NE(std::find(narrowed.begin(), narrowed.end(), 33), narrowed.end()); // JPG
    EXPECT_EQ(std::find(narrowed.begin(), narrowed.end(), 21), narrowed.end()); // DOC
    EXPECT_TRUE(std::is_sorted(narrowed.begin(), narrowed.end()));

    // Photo mode with documents only: no photo type is carved, and the list never widens to every type.
    tree.Toggle(pictures);
    tree.Toggle(tree.findItems(QStringLiteral("Docs"), Qt::MatchExactly | Qt::MatchRecursive).first());
    settings_.bPhotoRecovery = 1;
    ApplyFileTypeChoice(tree, settings_);
    for (int id : settings_.vecRawTypes) {
        EXPECT_NE(std::find(std::begin(kPhotoRawTypes), std::end(kPhotoRawTypes), id), std::end(kPhotoRawTypes)) << id;
    }
    EXPECT_LT(settings_.vecRawTypes.size(), 20u);
    // Back to every type.
    tree.Toggle(tree.topLevelItem(0));
    ASSERT_TRUE(tree.IsTreeChecked());
    ApplyFileTypeChoice(tree, settings_);
    EXPECT_EQ(settings_.vecRawTypes.size(), 20u);
    settings_.bPhotoRecovery = 0;
    ApplyFileTypeChoice(tree, settings_);
    EXPECT_EQ(settings_.vecRawTypes, AppSettings::AllRawTypes());
    EXPECT_EQ(CFileTypeMap::GetInstance().HasExtensions(), false);
}

TEST_F(WizardTest, NextOnTheTypePageIsEnabledExactlyWhileSomethingIsChecked)
{
    CWizardSheet& sheet = Sheet();
    context_.typeController().SetMode(0);
    context_.typeController().SetPrevController(&context_.modeController());
    context_.typeController().Activate();
    ASSERT_EQ(sheet.ActiveIndex(), kPageTypeOfFile);
    CTypeOfFileToRecoveryTreeCtrl& tree = sheet.TypePage().Tree();
    EXPECT_TRUE(sheet.Button(CWizardSheet::kNext)->isEnabled());
    tree.Toggle(tree.topLevelItem(0));
    EXPECT_FALSE(sheet.Button(CWizardSheet::kNext)->isEnabled());
    tree.Toggle(tree.topLevelItem(0)->child(0));
    EXPECT_TRUE(sheet.Button(CWizardSheet::kNext)->isEnabled());
    // Next from the type page reaches the active controller and moves on.
    EXPECT_TRUE(sheet.OnNext());
    EXPECT_EQ(sheet.ActiveIndex(), kPageDeleteRecoveryDevice);
}

TEST_F(WizardTest, BackFromADevicePageLandsOnTheStartPage)
{
    CWizardSheet& sheet = Sheet();
    sheet.resize(1000, 700);
    sheet.ModePage().OnModeCommand(1002);
    ASSERT_EQ(sheet.ActiveIndex(), kPageLostRecoveryDisk);
    WaitForDevices();
    QTest::mouseClick(sheet.Button(CWizardSheet::kBack), Qt::LeftButton);
    EXPECT_EQ(sheet.ActiveIndex(), kPageRecoveryMode);
    EXPECT_FALSE(sheet.TypePage().isVisible());
    EXPECT_EQ(context_.modeController().GetMode(), 2);
}

// Steps that record when they are left.
class RecordingStep : public CDeviceStepController {
public:
  RecordingStep(const StepEnvironment& env, WIZARD_PAGE page, std::vector<std::string>& log, std::string name)
      : CDeviceStepController(env, page, 0, DeviceRoad::kDeletedFile), log_(log), name_(std::move(name)) {}
  bool Next() override { return false; }
  void Leave() override { log_.push_back(name_); }

private:
    std::vector<std::string>& log_;
    std::string name_;
};

TEST_F(WizardTest, HomeAsksThenUnwindsTheChainLeavingEveryStepInOrder)
{
    CWizardSheet& sheet = Sheet();
    std::vector<std::string> left;
    RecordingStep first(context_.stepEnvironment(), kPageCompleteRecoveryDevice, left, "device");
    RecordingStep second(context_.stepEnvironment(), kPageCompleteRecoveryScanPartition, left, "scan");
    context_.typeController().SetPrevController(&context_.modeController());
    first.SetPrevController(&context_.typeController());
    second.SetPrevController(&first);
    // The page shows the controller of the step the user is on.
    static_cast<CScanPartitionDeviceSelectPage*>(sheet.Page(kPageCompleteRecoveryScanPartition))->SetController(&second);
    context_.modeController().SetMode(1);
    second.Activate();
    ASSERT_EQ(sheet.ActiveIndex(), kPageCompleteRecoveryScanPartition);

    prompter_.answers = {false};
    sheet.OnHome();
    EXPECT_EQ(sheet.ActiveIndex(), kPageCompleteRecoveryScanPartition);
    EXPECT_TRUE(left.empty());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, LoadAppString(214));

    prompter_.answers = {true};
    QTest::mouseClick(sheet.Button(CWizardSheet::kHome), Qt::LeftButton);
    EXPECT_EQ(left, (std::vector<std::string>{"scan", "device"}));
    EXPECT_EQ(sheet.ActiveIndex(), kPageRecoveryMode);
    EXPECT_EQ(context_.modeController().GetMode(), 1);
    static_cast<CScanPartitionDeviceSelectPage*>(sheet.Page(kPageCompleteRecoveryScanPartition))->SetController(nullptr);
}

TEST_F(WizardTest, BannersFollowPageModeAndPhotoFlag)
{
    const QString where = QStringLiteral("Where did you lose your files?");
    const QString pick = QStringLiteral("Please select files and click Recover to recover.");
    const QString partitions = QStringLiteral("Please select partition that may contain your data.");
    const struct {
        int page, mode;
        bool photo;
        const char* title; // nullptr: no banner
        QString instruction;
    } rows[] = {
        {kPageTypeOfFile, 0, false, "Deleted Recovery", where},
        {kPageTypeOfFile, 1, false, "Format Recovery", where},
        {kPageTypeOfFile, 1, true, "Photo Recovery", where},
        {kPageTypeOfFile, 2, false, "Partition Recovery", where},
        {kPageDeleteRecoveryDevice, 0, false, "Deleted Recovery", where},
        {kPageDeleteRecoveryDevice, 1, false, nullptr, {}},
        {kPageCompleteRecoveryDevice, 1, true, "Photo Recovery", where},
        {kPageLostRecoveryDisk, 2, false, "Partition Recovery", where},
        {kPageCompleteRecoveryScanPartition, 1, false, "Format Recovery", pick},
        {kPageLostRecoveryScanPartition, 2, false, "Partition Recovery", partitions},
        {kPageLostRecoveryPartition, 2, false, nullptr, {}},
        {kPageFileSelect, 0, false, "Deleted Recovery", pick},
        {kPageFileSelect, 1, false, "Format Recovery", pick},
        {kPageFileSelect, 1, true, "Photo Recovery", pick},
        {kPageFileSelect, 2, false, "Partition Recovery", pick},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "page " << row.page << " mode " << row.mode << " photo " << row.photo);
        const auto banner = BannerForPage(row.page, row.mode, row.photo);
        ASSERT_EQ(banner.has_value(), row.title != nullptr);
        if (!banner) continue;
        EXPECT_EQ(banner->title, QString::fromLatin1(row.title));
        EXPECT_EQ(banner->instruction, row.instruction);
    }
}

TEST_F(WizardTest, PrimaryButtonIsRecoverOnTheFilePageOnly)
{
    CWizardSheet& sheet = Sheet();
    sheet.resize(1000, 700);
    sheet.show();
    sheet.SetActivePage(kPageFileSelect);
    EXPECT_TRUE(sheet.PrimaryButton()->isVisible());
    EXPECT_EQ(sheet.PrimaryButton()->objectName(), QStringLiteral("recoverButton"));
    EXPECT_FALSE(sheet.Button(CWizardSheet::kNext)->isVisible());
    sheet.SetActivePage(kPageLostRecoveryDisk);
    EXPECT_TRUE(sheet.Button(CWizardSheet::kNext)->isVisible());
    // Bottom row: Back just left of the primary, Home at the left.
    CButtonPlus* next = sheet.Button(CWizardSheet::kNext);
    CButtonPlus* back = sheet.Button(CWizardSheet::kBack);
    EXPECT_EQ(next->geometry().right() + 1, 1000 - 50);
    EXPECT_EQ(back->geometry().right() + 1, next->x() - 5);
    EXPECT_EQ(sheet.Button(CWizardSheet::kHome)->x(), 50);
    EXPECT_GE(next->y(), sheet.BottomStrip().top());
    // Re-activating the page that is shown keeps it visible where it was.
    sheet.SetActivePage(kPageLostRecoveryDisk);
    EXPECT_TRUE(sheet.GetActivePage()->isVisible());
    EXPECT_EQ(sheet.GetActivePage()->geometry(), sheet.PageRect());
}

TEST_F(WizardTest, HoverDescriptionFollowsTheButtons)
{
    CRecoveryModeSelectPage& page = Sheet().ModePage();
    EXPECT_EQ(DescriptionForPrompt(page.CurrentPrompt()), LoadAppString(194));
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(page.Button(1), &enter);
    EXPECT_EQ(DescriptionForPrompt(page.CurrentPrompt()), LoadAppString(196));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(page.Button(1), &leave);
    EXPECT_EQ(DescriptionForPrompt(page.CurrentPrompt()), LoadAppString(194));
    EXPECT_TRUE(DescriptionForPrompt(QStringLiteral("something else")).isEmpty());
    EXPECT_EQ(page.Button(0)->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(page.Button(3)->cursor().shape(), Qt::ArrowCursor);
}

// Every page's help topic has a page in the program's help.
TEST_F(WizardTest, AdvancedSettingsOfferRawOnlyFromTheDeviceAndFoundPartitionStepsOnly)
{
    settings_.bRecoverRaw = 1;
    struct Seen {
        bool shown = false;
        bool rawOnlyOffered = false;
        int page = -1;
    };
    const auto open = [](IWizardPageController& controller) {
        Seen seen;
        test::WhenModalOpens([&seen](QWidget& window) {
            if (auto* dialog = qobject_cast<CAdvanceSettingMasterDlg*>(&window)) {
                seen.shown = true;
                seen.rawOnlyOffered = dialog->Option("rawOnly")->isEnabled();
                seen.page = dialog->CurrentPage();
            }
            window.close();
        });
        controller.ShowAdvancedSettings();
        return seen;
    };
    // The default: every step without a version of its own.
    const Seen scan = open(context_.completeScanController());
    EXPECT_TRUE(scan.shown);
    EXPECT_FALSE(scan.rawOnlyOffered);
    EXPECT_EQ(scan.page, CAdvanceSettingMasterDlg::kFatPage);
    const Seen files = open(context_.fileSelectController());
    EXPECT_TRUE(files.shown);
    EXPECT_FALSE(files.rawOnlyOffered);
    // The found partitions and the device steps allow RAW files only.
    const Seen found = open(context_.lostPartitionController());
    EXPECT_TRUE(found.shown);
    EXPECT_TRUE(found.rawOnlyOffered);
    const Seen device = open(context_.completeDeviceController());
    EXPECT_TRUE(device.shown);
    EXPECT_TRUE(device.rawOnlyOffered);
}

// The sheet's advanced-settings command reports its usage event and opens
// the settings of the step on show, in that step's version.
TEST_F(WizardTest, TheSheetsAdvancedSettingsCommandOpensTheActiveStepsSettings)
{
    struct Sink : IVistrel {
        void Close() override {}
        void ReportTimedEvent(int, std::uint32_t, int) override {}
        void ReportEvent(int eventId) override { events.push_back(eventId); }
        std::vector<int> events;
    } sink;
    settings_.bRecoverRaw = 1;
    SetVistrelForTest(&sink);
    CWizardSheet& sheet = Sheet();
    for (const auto& [page, rawOnly] : {std::pair{kPageCompleteRecoveryDevice, true},
                                         std::pair{kPageCompleteRecoveryScanPartition, false}}) {
        SCOPED_TRACE(page);
        sink.events.clear();
        sheet.SetActivePage(page);
        bool shown = false;
        bool rawOnlyOffered = false;
        test::WhenModalOpens([&](QWidget& window) {
            if (auto* dialog = qobject_cast<CAdvanceSettingMasterDlg*>(&window)) {
                shown = true;
                rawOnlyOffered = dialog->Option("rawOnly")->isEnabled();
            }
            window.close();
        });
        EXPECT_TRUE(sheet.OnCommand(1013));
        EXPECT_TRUE(shown);
        EXPECT_EQ(rawOnlyOffered, rawOnly);
        EXPECT_EQ(sink.events, std::vector<int>{8262});
    }
    SetVistrelForTest(nullptr);
    EXPECT_FALSE(sheet.OnCommand(4242));
}

TEST_F(WizardTest, EveryPageOpensAnExistingHelpTopic)
{
    CWizardSheet& sheet = context_.sheet();
    for (int index = 0; index < kPageCount; ++index) {
        SCOPED_TRACE(index);
        CWizardPage* page = sheet.Page(index);
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(HasHelpTopic(page->GetHelpId(0)));
        if (index == kPageSaveResult || index == kPageSaveFile) {
            // Their frames are modal: closed as soon as they show.
            test::WhenModalOpens([](QWidget& frame) { static_cast<QDialog&>(frame).reject(); });
        }
        sheet.SetActivePage(index);
        if (sheet.ActiveIndex() != index) {
            continue;  // the save pages are shown inside their frames, not by the sheet
        }
        helpTopics_.clear();
        sheet.OnHelp();
        EXPECT_EQ(helpTopics_, std::vector<int>{page->GetHelpId(0)});
    }
}

TEST_F(WizardTest, LanguageMenuOnlyOnTheStartPage)
{
    qputenv("XDG_CONFIG_HOME", QDir::temp().filePath(QStringLiteral("wizard_lang_%1").arg(QCoreApplication::applicationPid())).toUtf8());
    CWizardSheet& sheet = Sheet();
    QMenu menu;
    sheet.FillLanguageMenu(menu);
    ASSERT_EQ(menu.actions().size(), 3);
    EXPECT_EQ(menu.actions()[0]->text(), QStringLiteral("English"));
    EXPECT_EQ(menu.actions()[2]->text(), QStringLiteral("Japanese"));

    // The language in use: nothing asked, nothing written.
    QSignalSpy closing(&sheet, &CWizardSheet::CloseRequested);
    const QString current = ReadLanguageName();
    for (int i = 0; i < 3; ++i) {
        if (current == QLatin1String(kLanguageChoices[i].settingName)) {
            sheet.OnLanguageCommand(i);
        }
    }
    EXPECT_TRUE(prompter_.shown.empty());
    // Cancel at the question: nothing written, no restart.
    prompter_.answers = {false};
    sheet.OnLanguageCommand(2);
    EXPECT_EQ(ReadLanguageName(), current);
    EXPECT_EQ(restarts_, 0);
    EXPECT_EQ(closing.count(), 0);
    // OK: written, restarter started, the program closes.
    prompter_.answers = {true};
    sheet.OnLanguageCommand(2);
    EXPECT_EQ(ReadLanguageName(), QStringLiteral("Japanese"));
    EXPECT_EQ(restarts_, 1);
    EXPECT_EQ(closing.count(), 1);
    // German is stored under the name start-up loads its translation by.
    prompter_.answers = {true};
    sheet.OnLanguageCommand(1);
    EXPECT_EQ(ReadLanguageName(), QStringLiteral("Deutsch"));
    WriteLanguageToReg("English");
    ResetLanguageCacheForTest();

    EXPECT_TRUE(sheet.Button(CWizardSheet::kLanguage)->isEnabled());
    sheet.ModePage().OnModeCommand(1000);
    sheet.FillLanguageMenu(menu);
    EXPECT_TRUE(menu.isEmpty());
    // Where it has nothing to offer the button is off.
    EXPECT_FALSE(sheet.Button(CWizardSheet::kLanguage)->isEnabled());
    WaitForDevices();
    context_.modeController().Activate();
    EXPECT_TRUE(sheet.Button(CWizardSheet::kLanguage)->isEnabled());
}

TEST_F(WizardTest, TopBarButtonsOpenTheAddressesAndHelpFollowsThePage)
{
    CWizardSheet& sheet = Sheet();
    QTest::mouseClick(sheet.Button(CWizardSheet::kWebsite), Qt::LeftButton);
    QTest::mouseClick(sheet.Button(CWizardSheet::kSupport), Qt::LeftButton);
    ASSERT_EQ(urls_.size(), 2u);
    EXPECT_TRUE(urls_[1].contains(QStringLiteral("support")));

    QString aboutShown;
    test::WhenModalOpens([&aboutShown](QWidget& dialog) {
        if (auto* about = qobject_cast<CAboutFreeDlg*>(&dialog)) {
            aboutShown = about->NameAndVersion();
        }
        dialog.close();
    });
    QTest::mouseClick(sheet.Button(CWizardSheet::kAbout), Qt::LeftButton);
    EXPECT_TRUE(aboutShown.startsWith(QStringLiteral("Quenmark ")));
    sheet.OnHelp();
    sheet.ModePage().OnModeCommand(1002);
    sheet.OnHelp();
    EXPECT_EQ(helpTopics_, (std::vector<int>{15, 51}));
}

TEST_F(WizardTest, MainFrameSizeRulesAndClosing)
{
    auto frame = std::make_unique<CMainFrame>(context_);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    EXPECT_EQ(frame->size(), QSize(1000, 700));
    EXPECT_FALSE(frame->IsResizable()); // the start page has a fixed size
    EXPECT_EQ(frame->minimumSize(), QSize(1000, 700));
    EXPECT_EQ(frame->maximumSize(), QSize(1000, 700));
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);

    frame->Sheet().ModePage().OnModeCommand(1001);
    WaitForDevices();
    EXPECT_TRUE(frame->IsResizable());
    EXPECT_EQ(frame->minimumSize(), QSize(1000, 680));
    frame->resize(1200, 800);
    EXPECT_EQ(frame->size(), QSize(1200, 800));
    frame->resize(900, 600);
    EXPECT_EQ(frame->size(), QSize(1000, 680));
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint); // stays removed

    // Back home: the remembered size again, whatever it was meanwhile.
    frame->resize(1200, 800);
    context_.modeController().Activate();
    EXPECT_EQ(frame->size(), QSize(1000, 700));

    // Ctrl+O goes to the page on show.
    QSignalSpy commands(&frame->Sheet(), &CWizardSheet::PageCommand);
    QTest::keyClick(frame.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.first().at(1).toInt(), CMainFrame::kOpenCommand);

    // "Exit now?": No keeps it open, Yes closes.
    prompter_.answers = {false};
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(prompter_.shown.back().text, QStringLiteral("Exit now?"));
    prompter_.answers = {true};
    EXPECT_TRUE(frame->close());
    // Closing at once asks nothing.
    frame->show();
    const std::size_t asked = prompter_.shown.size();
    frame->CloseNow();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(prompter_.shown.size(), asked);
    frame.reset();
    EXPECT_TRUE(context_.HasSheet()); // the sheet outlives the window
}

// A complete-road step whose records take as long to save as the test
// wants, and that counts the sheet's commands that reach it.
class SlowSavingStep : public IWizardPageController {
public:
    explicit SlowSavingStep(CWizardSheet& sheet) : sheet_(sheet) {}
    void Activate() override { sheet_.SetActivePage(kPageCompleteRecoveryScanPartition); }
    void Home() override { ++commands; }
    void Back() override { ++commands; }
    bool Next() override
    {
        ++commands;
        return false;
    }
    void SetPrevController(IWizardPageController*) override {}
    IWizardPageController* GetPrevController() override { return nullptr; }
    int GetStateTypeId() override { return 1; }
    int GetSearchKind() override { return 1; }
    int SaveState(IRSData*, IDIRBuildCallback*) override
    {
        saving = true;
        for (int i = 0; i < 5000 && !release; ++i) {
            QThread::msleep(1);
        }
        return 1;
    }

    std::atomic<bool> saving{false}, release{false};
    int commands = 0;

private:
    CWizardSheet& sheet_;
};

TEST_F(WizardTest, TheSheetTakesNoCommandWhileTheStatesAreSaved)
{
    const std::filesystem::path folder = ScratchPath("wizard_save_guard");
    std::filesystem::create_directories(folder);
    SetStateFolder(folder);
    SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    auto frame = std::make_unique<CMainFrame>(context_);
    frame->show();
    CWizardSheet& sheet = frame->Sheet();
    QSignalSpy pageCommands(&sheet, &CWizardSheet::PageCommand);
    SlowSavingStep step(sheet);
    auto* page = static_cast<CScanPartitionDeviceSelectPage*>(sheet.Page(kPageCompleteRecoveryScanPartition));
    page->SetController(&step);
    step.Activate();

    CFileSystemNode* root = CreateFileSystemNode();
    auto properties = std::make_unique<CMyFileProperties>();
    properties->SetName("Root");
    root->SetProperties(std::move(properties));

    // While the worker saves, the user clicks every navigation button,
    // opens an image with Ctrl+O and tries to close the window.
    bool enabledWhileSaving = true;
    QTimer poke;
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (!step.saving || step.release) {
            return;
        }
        enabledWhileSaving = frame->isEnabled();
        prompter_.answers = {true, true, true};
        for (int id : {CWizardSheet::kHome, CWizardSheet::kBack, CWizardSheet::kNext}) {
            QTest::mouseClick(sheet.Button(id), Qt::LeftButton);
        }
        QTest::keyClick(sheet.Button(CWizardSheet::kNext), Qt::Key_Space);
        QTest::keyClick(frame.get(), Qt::Key_O, Qt::ControlModifier);
        frame->close();
        step.release = true;
    });
    poke.start(5);
    CFileSelectController& files = context_.fileSelectController();
    files.SetPrevController(&step);
    files.SetTree(root);
    poke.stop();

    EXPECT_TRUE(step.release);
    EXPECT_FALSE(enabledWhileSaving);
    EXPECT_EQ(step.commands, 0);
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(pageCommands.count(), 0);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->isEnabled());
    EXPECT_TRUE(std::filesystem::exists(folder / "cstemp.rdf"));

    files.Leave(); // the file page frees the tree it was given
    files.SetPrevController(nullptr);
    page->SetController(nullptr);
    frame->CloseNow();
    SetMessagePump({});
    SetStateFolder({});
}

TEST_F(WizardTest, Gallery)
{
    CMainFrame frame(context_);
    frame.show();
    EXPECT_FALSE(test::SaveToGallery(frame, QStringLiteral("wizard_start_page")).isEmpty());
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(frame.Sheet().ModePage().Button(3), &enter);
    EXPECT_FALSE(test::SaveToGallery(frame, QStringLiteral("wizard_start_page_photo_hover")).isEmpty());
    settings_.nRecoveryMode = 1;
    context_.typeController().SetMode(1);
    context_.typeController().SetPrevController(&context_.modeController());
    context_.typeController().Activate();
    EXPECT_FALSE(test::SaveToGallery(frame, QStringLiteral("wizard_file_type_page")).isEmpty());
    context_.typeController().Next();
    EXPECT_FALSE(test::SaveToGallery(frame, QStringLiteral("wizard_format_device_placeholder")).isEmpty());
    frame.CloseNow();
}

}  // namespace
}  // namespace qm
