#include "controls/button_plus.h"

namespace qm {

CButtonPlus::CButtonPlus(int id, const QString& text, QWidget* parent) : QToolButton(parent), id_(id)
{
    setObjectName(QStringLiteral("button%1").arg(id));
    setText(text);
    setAutoRaise(false);
}

void CButtonPlus::SetHandCursor(bool hand)
{
    if (hand) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
}

void CButtonPlus::enterEvent(QEnterEvent* event)
{
    QToolButton::enterEvent(event);
    if (!prompt_.isNull()) {
        Q_EMIT PromptShown(id_, prompt_);
    }
}

void CButtonPlus::leaveEvent(QEvent* event)
{
    QToolButton::leaveEvent(event);
    if (!prompt_.isNull()) {
        Q_EMIT PromptHidden(id_);
    }
}

}  // namespace qm
