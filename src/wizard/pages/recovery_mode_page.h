// The start page: four large buttons, one per way of recovering, and under
// them a description that follows the pointer. A click records the mode
// and at once runs the mode controller's Next.
#pragma once

#include <array>

#include "wizard/pages/wizard_page.h"

struct AppSettings;

namespace qm {

class CButtonPlus;
class IRecoveryModeSelectController;

struct RecoveryModeChoice {
    int buttonId;
    unsigned captionString;
    unsigned descriptionString;
    int mode;
    int photo;
    bool handCursor;
};

inline constexpr RecoveryModeChoice kRecoveryModeChoices[] = {
    {1000, 199, 195, 0, 0, true},
    {1001, 200, 196, 1, 0, true},
    {1002, 201, 197, 2, 0, true},
    {2001, 61235, 61236, 1, 1, false},
};

// The carved-type list of a fresh choice: the photo types, or every type.
void FillRawTypeList(AppSettings& settings);

// The description shown for a prompt text: the general one for the default
// prompt, a mode's for its caption, nothing for any other text.
QString DescriptionForPrompt(const QString& prompt);

class CRecoveryModeSelectPage : public CWizardPage {
    Q_OBJECT

public:
    static constexpr int kButtonWidth = 206;
    static constexpr int kButtonHeight = 190;
    static constexpr QPoint kButtonPositions[4] = {{46, 161}, {282, 161}, {516, 161}, {752, 161}};

    explicit CRecoveryModeSelectPage(QWidget* parent = nullptr);

    IWizardPageController* GetController() override;
    int GetHelpId(int) override { return 15; }
    void SetController(IRecoveryModeSelectController* controller) { controller_ = controller; }

    CButtonPlus* Button(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
    const QString& CurrentPrompt() const { return prompt_; }
    QRect DescriptionRect() const;

    // The click of one of the four buttons; the controller's Next result.
    bool OnModeCommand(int buttonId);

protected:
    void OnSizeContent(int width, int height) override;
    void OnDrawContent(QPainter& painter) override;

private:
    std::array<CButtonPlus*, 4> buttons_{};
    QString prompt_;
    IRecoveryModeSelectController* controller_ = nullptr;
};

}  // namespace qm
