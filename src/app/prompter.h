// The message boxes of the program behind one seam: the windows ask a
// Prompter, production shows QMessageBox, tests script the answers.
#pragma once

#include <QtCore/QString>

class QWidget;

namespace qm {

enum class PromptIcon { Information, Warning, Question, Error };

class Prompter {
public:
    virtual ~Prompter() = default;

    // A box with an OK button; returns when it is closed.
    virtual void Inform(QWidget* owner, const QString& text, const QString& caption, PromptIcon icon) = 0;

    // A question with Yes and No; true for Yes. `defaultYes` is the button
    // that Return presses (and the answer when nobody can be asked).
    virtual bool AskYesNo(QWidget* owner, const QString& text, const QString& caption, bool defaultYes) = 0;
};

// QMessageBox. With QUENMARK_NONINTERACTIVE=1 in the environment, or
// without a screen to show on, it logs the text and gives the default
// answer instead, so that nothing blocks under the offscreen platform.
class MessageBoxPrompter : public Prompter {
public:
    void Inform(QWidget* owner, const QString& text, const QString& caption, PromptIcon icon) override;
    bool AskYesNo(QWidget* owner, const QString& text, const QString& caption, bool defaultYes) override;
};

// The one production prompter of the process.
Prompter& DefaultPrompter();

}  // namespace qm
