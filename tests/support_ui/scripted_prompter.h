// A Prompter for tests: records every box and answers questions from a
// script (the default answer when the script is empty). With echo on, the
// texts also go to stderr, where a death test can match them.
#pragma once

#include <deque>
#include <vector>

#include "app/prompter.h"

namespace qm::test {

class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        QString caption;
        PromptIcon icon;
        bool question;
    };

    void Inform(QWidget*, const QString& text, const QString& caption, PromptIcon icon) override;
    bool AskYesNo(QWidget*, const QString& text, const QString& caption, bool defaultYes) override;

    std::vector<Shown> shown;
    std::deque<bool> answers;
    bool echo = false;
};

}  // namespace qm::test
