// The program's one top-level window: it holds the wizard sheet, keeps the
// window at least 1000 x 680 (1000 x 700 at start), fixes its size while
// the start page shows, asks before closing, and passes Ctrl+O and help
// requests on to the sheet.
#pragma once

#include <QtWidgets/QMainWindow>

#include "wizard/main_frame_wizard.h"

namespace qm {

class CWizardSheet;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr QSize kStartClientSize{1000, 700};
    static constexpr QSize kMinimumClientSize{1000, 680};
    static constexpr int kOpenCommand = 32777;

    explicit CMainFrame(IMainFrameWizard& wizard, QWidget* parent = nullptr);
    ~CMainFrame() override;

    void SetResizable(bool resizable);
    bool IsResizable() const { return resizable_; }
    // Closes without the question (after a language change).
    void CloseNow();
    // A help topic asked for by a page or dialog.
    void OpenHelpTopic(int topic);

    CWizardSheet& Sheet() const { return sheet_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    IMainFrameWizard& wizard_;
    CWizardSheet& sheet_;
    bool resizable_ = true;
    bool closingNow_ = false;
    QSize rememberedSize_;
};

}  // namespace qm
