// The one window the wizard runs in: it owns the eleven pages and shows one
// at a time, paints a top band with the step's banner (title and
// instruction) and a bottom band, and carries the navigation buttons (Home,
// Back, Next or Recover) and the top-bar buttons (Website, Support, About,
// Language). The navigation buttons go to the sheet controller, which hands
// them to the controller of the page on show.
#pragma once

#include <QtWidgets/QWidget>

#include <array>
#include <optional>

#include "wizard/steps/page_controller.h"

class QMenu;

namespace qm {

class CButtonPlus;
class CWizardPage;
class CRecoveryModeSelectPage;
class CTypeOfFileToRecoveryPage;
class ISaveFileController;
struct WizardShared;

struct WizardBanner {
    QString title;
    QString instruction;
};

// The banner of a page for the recovery mode and photo flag; nothing where
// the page keeps the banner it had.
std::optional<WizardBanner> BannerForPage(int page, int mode, bool photo);

// The languages offered, by index (1 English, 2 Japanese as the language
// setting counts them; German after them).
struct LanguageChoice {
    const char* settingName;
    unsigned nameString; // 0: the name below
    const char* name;
};
inline constexpr LanguageChoice kLanguageChoices[] = {
    {"English", 301, nullptr},
    {"Deutsch", 0, "Deutsch"},
    {"Japanese", 483, nullptr},
};

class CWizardSheet : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTopBandHeight = 86;
    static constexpr int kBottomBandHeight = 58;

    // Control ids of the buttons.
    enum ButtonId : int {
        kLanguage = 1001,
        kHome = 1003,
        kNext = 1004,
        kBack = 1005,
        kWebsite = 1010,
        kSupport = 1012,
        kAbout = 1015,
    };

    explicit CWizardSheet(const WizardShared& shared, QWidget* parent = nullptr);
    ~CWizardSheet() override;

    static CWizardSheet* GetInstance();

    // Takes the pages (children of the sheet; null for a step with no page
    // of its own yet, which gets a placeholder), makes the buttons and shows
    // the start page.
    void SetPages(const std::array<CWizardPage*, kPageCount>& pages);
    // The step whose last copy the result page reports.
    void SetSaveFileStep(ISaveFileController* saveFile) { saveFile_ = saveFile; }
    const WizardShared& Shared() const { return shared_; }

    void SetController(IWizardSheetController* controller);
    IWizardSheetController* Controller() const { return controller_; }

    CWizardPage* GetActivePage() const;
    int ActiveIndex() const { return active_; }
    CWizardPage* Page(int index) const;
    CRecoveryModeSelectPage& ModePage() const;
    CTypeOfFileToRecoveryPage& TypePage() const;

    void SetActivePage(int page);
    void ShowNavigationButtons(bool show);
    void EnableButton(bool enable);
    void OnHelp();
    // Passes a command (the main window's Ctrl+O) to the page on show.
    void SendCommandToActivePage(int id);
    // The sheet's own commands by id, whichever control or shortcut sends
    // them (Home 1003, Next 1004, Back 1005, Help 1006, About 1007/1015/1018,
    // Website 1010, Support 1012/1017, advanced settings 1013, Language
    // 1001). False for an id the sheet does not handle.
    bool OnCommand(int id);

    CButtonPlus* Button(int id) const;
    // The primary button: Recover on the file page, else Next (same id).
    CButtonPlus* PrimaryButton() const;
    const WizardBanner& Banner() const { return banner_; }

    // The language pop-up: items only on the start page.
    void FillLanguageMenu(QMenu& menu);
    void OnLanguageCommand(int index);

    // The rectangles of the layout.
    QRect TopStrip() const;
    QRect BottomStrip() const;
    QRect PageRect() const;

    // Button handlers (also reached by tests without clicking).
    void OnHome();
    void OnBack();
    bool OnNext();

Q_SIGNALS:
    // The start page has a fixed window size; every other page may resize.
    void ResizableChanged(bool resizable);
    // The program must close at once (after a language change).
    void CloseRequested();
    // A command passed on to the page on show.
    void PageCommand(int page, int id);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateButtons();
    void LayoutButtons();
    void ShowLanguageMenu();
    void ChangeLanguage(int index);
    void ShowAbout();

    const WizardShared& shared_;
    ISaveFileController* saveFile_ = nullptr;
    std::array<CWizardPage*, kPageCount> pages_{};
    CButtonPlus* home_ = nullptr;
    CButtonPlus* next_ = nullptr;
    CButtonPlus* recover_ = nullptr;
    CButtonPlus* back_ = nullptr;
    CButtonPlus* website_ = nullptr;
    CButtonPlus* support_ = nullptr;
    CButtonPlus* about_ = nullptr;
    CButtonPlus* language_ = nullptr;
    CWizardSheetController ownController_;
    IWizardSheetController* controller_ = nullptr;
    int active_ = 0;
    WizardBanner banner_;
};

}  // namespace qm
