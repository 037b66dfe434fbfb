#include "wizard/pages/recovery_mode_page.h"

#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QStyle>

#include "app/language.h"
#include "app/string_table.h"
#include "controls/button_plus.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "wizard/services/wizard_services.h"
#include "wizard/steps/recovery_mode_step.h"

namespace qm {
namespace {

// The pictures of the four modes, drawn here so that they look the same on
// every desktop.
QIcon ModeIcon(int index)
{
    QPixmap pixmap(96, 96);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor dark(0x1F, 0x4E, 0x79);
    const QColor light(0x5B, 0x9B, 0xD5);
    p.setPen(QPen(dark, 3));
    switch (index) {
    case 0: // a bin with a lid
        p.setBrush(light);
        p.drawRoundedRect(QRectF(26, 30, 44, 54), 4, 4);
        p.drawRoundedRect(QRectF(20, 20, 56, 10), 3, 3);
        p.drawRect(QRectF(40, 12, 16, 8));
        p.setPen(QPen(Qt::white, 3));
        for (int x : {38, 48, 58}) {
            p.drawLine(x, 38, x, 76);
        }
        break;
    case 1: // a hard disk
        p.setBrush(light);
        p.drawRoundedRect(QRectF(12, 18, 72, 60), 8, 8);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(48, 46), 20, 20);
        p.setBrush(dark);
        p.drawEllipse(QPointF(48, 46), 5, 5);
        p.drawEllipse(QPointF(74, 70), 2, 2);
        break;
    case 2: // a disk cut into partitions
        p.setBrush(QColor(0xA9, 0xCC, 0xEC));
        p.drawEllipse(QPointF(48, 48), 36, 36);
        p.setBrush(light);
        p.drawPie(QRectF(12, 12, 72, 72), 90 * 16, 140 * 16);
        p.setBrush(QColor(0xF4, 0xB1, 0x83));
        p.drawPie(QRectF(12, 12, 72, 72), 230 * 16, 70 * 16);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(48, 48), 8, 8);
        break;
    default: // a camera
        p.setBrush(light);
        p.drawRoundedRect(QRectF(10, 28, 76, 52), 8, 8);
        p.drawRoundedRect(QRectF(34, 18, 28, 12), 3, 3);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(48, 54), 17, 17);
        p.setBrush(dark);
        p.drawEllipse(QPointF(48, 54), 8, 8);
        break;
    }
    return QIcon(pixmap);
}

}  // namespace

void FillRawTypeList(AppSettings& settings)
{
    settings.vecRawTypes.clear();
    if (settings.bPhotoRecovery != 0) {
        settings.vecRawTypes.assign(std::begin(kPhotoRawTypes), std::end(kPhotoRawTypes));
    } else {
        settings.vecRawTypes = AppSettings::AllRawTypes();
    }
}

QString DescriptionForPrompt(const QString& prompt)
{
    if (prompt == LoadAppString(300)) {
        return LoadAppString(194);
    }
    for (const RecoveryModeChoice& choice : kRecoveryModeChoices) {
        if (prompt == LoadAppString(choice.captionString)) {
            return LoadAppString(choice.descriptionString);
        }
    }
    return {};
}

CRecoveryModeSelectPage::CRecoveryModeSelectPage(QWidget* parent) : CWizardPage(parent)
{
    setObjectName(QStringLiteral("page0"));
    prompt_ = LoadAppString(300);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const RecoveryModeChoice& choice = kRecoveryModeChoices[i];
        const QString caption = LoadAppString(choice.captionString);
        auto* button = new CButtonPlus(choice.buttonId, caption.trimmed(), this);
        button->SetPromptText(caption);
        button->SetHandCursor(choice.handCursor);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIcon(ModeIcon(static_cast<int>(i)));
        button->setIconSize(QSize(96, 96));
        button->setFixedSize(kButtonWidth, kButtonHeight);
        QFont font = button->font();
        font.setFamilies({QString::fromLatin1(GetUIFontName()), font.family()});
        font.setPointSize(10);
        font.setBold(true);
        button->setFont(font);
        button->setStyleSheet(QStringLiteral(
            "QToolButton { background: #ffffff; border: 1px solid #c9d3df; border-radius: 8px; color: #1d3b5c;"
            " padding: 12px; }"
            "QToolButton:hover { background: #eaf3fd; border: 1px solid #5b9bd5; }"
            "QToolButton:pressed { background: #d3e6fa; }"));
        connect(button, &CButtonPlus::PromptShown, this, [this](int, const QString& text) {
            prompt_ = text;
            update();
        });
        connect(button, &CButtonPlus::PromptHidden, this, [this](int) {
            prompt_ = LoadAppString(300);
            update();
        });
        connect(button, &QToolButton::clicked, this, [this, id = choice.buttonId] { OnModeCommand(id); });
        buttons_[i] = button;
    }
}

IWizardPageController* CRecoveryModeSelectPage::GetController() { return controller_; }

bool CRecoveryModeSelectPage::OnModeCommand(int buttonId)
{
    for (const RecoveryModeChoice& choice : kRecoveryModeChoices) {
        if (choice.buttonId != buttonId) {
            continue;
        }
        AppSettings& settings = shared_->settings;
        settings.nRecoveryMode = choice.mode;
        settings.bPhotoRecovery = choice.photo;
        FillRawTypeList(settings);
        if (controller_ == nullptr) {
            return false;
        }
        controller_->SetMode(choice.mode);
        return controller_->Next();
    }
    return false;
}

void CRecoveryModeSelectPage::OnSizeContent(int, int)
{
    const int middle = (rects_.bottom.bottom() + 1 - rects_.subtitle.top()) / 2 - 20;
    rects_.subtitle.setBottom(middle - 1);
    rects_.bottom.setTop(middle);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->move(kButtonPositions[i]);
    }
}

QRect CRecoveryModeSelectPage::DescriptionRect() const
{
    const int top = kButtonPositions[0].y() + kButtonHeight + 30;
    return QRect(QPoint(kButtonPositions[0].x() + 10, top),
                 QPoint(kButtonPositions[3].x() + kButtonWidth - 10, top + 80));
}

void CRecoveryModeSelectPage::OnDrawContent(QPainter& painter)
{
    // A soft band behind the buttons.
    QLinearGradient band(0, 0, 0, 575);
    band.setColorAt(0.0, QColor(0xF4, 0xF8, 0xFC));
    band.setColorAt(1.0, QColor(0xFF, 0xFF, 0xFF));
    painter.fillRect(QRect(0, 0, std::max(width(), 1000), 575), band);
    painter.setPen(QColor(0x1D, 0x3B, 0x5C));
    QFont heading = TitleFont();
    heading.setPointSize(14);
    painter.setFont(heading);
    painter.drawText(QRect(46, 60, 906, 40), Qt::AlignLeft | Qt::AlignVCenter,
                     tr("How did you lose your files?"));
    QFont text = font();
    text.setFamilies({QString::fromLatin1(GetUIFontName()), text.family()});
    text.setPointSize(10);
    painter.setFont(text);
    painter.setPen(QColor(0x40, 0x48, 0x52));
    painter.drawText(DescriptionRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     DescriptionForPrompt(prompt_));
}

}  // namespace qm
