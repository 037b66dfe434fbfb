#include "app/prompter.h"

#include <QtGui/QGuiApplication>
#include <QtWidgets/QMessageBox>

#include "platform/log.h"

namespace qm {
namespace {

bool NonInteractive()
{
    if (qgetenv("QUENMARK_NONINTERACTIVE") == "1") {
        return true;
    }
    return QGuiApplication::instance() == nullptr;
}

QMessageBox::Icon BoxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void MessageBoxPrompter::Inform(QWidget* owner, const QString& text, const QString& caption, PromptIcon icon)
{
    if (NonInteractive()) {
        LogInfo("Message box (%s): %s", caption.toUtf8().constData(), text.toUtf8().constData());
        return;
    }
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, owner);
    box.exec();
}

bool MessageBoxPrompter::AskYesNo(QWidget* owner, const QString& text, const QString& caption, bool defaultYes)
{
    if (NonInteractive()) {
        LogInfo("Question (%s): %s -> %s", caption.toUtf8().constData(), text.toUtf8().constData(),
                defaultYes ? "Yes" : "No");
        return defaultYes;
    }
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

Prompter& DefaultPrompter()
{
    static MessageBoxPrompter prompter;
    return prompter;
}

}  // namespace qm
