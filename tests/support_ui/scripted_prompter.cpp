#include "support_ui/scripted_prompter.h"

#include <cstdio>

namespace qm::test {

void ScriptedPrompter::Inform(QWidget*, const QString& text, const QString& caption, PromptIcon icon)
{
    shown.push_back({text, caption, icon, false});
    if (echo) {
        std::fprintf(stderr, "PROMPT [%s] %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
    }
}

bool ScriptedPrompter::AskYesNo(QWidget*, const QString& text, const QString& caption, bool defaultYes)
{
    shown.push_back({text, caption, PromptIcon::Question, true});
    if (answers.empty()) {
        return defaultYes;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace qm::test
