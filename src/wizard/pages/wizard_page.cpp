#include "wizard/pages/wizard_page.h"

#include <QtGui/QPainter>

#include "app/language.h"

namespace qm {

WizardPageRects ComputeWizardPageRects(int width, int height)
{
    WizardPageRects rects;
    rects.title = QRect(QPoint(50, 0), QPoint(width - 50 - 1, 30 - 1));
    rects.subtitle = QRect(QPoint(50, 30), QPoint(width - 50 - 1, 61 - 1));
    rects.bottom = QRect(QPoint(50, height - 36), QPoint(width - 50 - 1, height - 10 - 1));
    return rects;
}

CWizardPage::CWizardPage(QWidget* parent) : QWidget(parent)
{
    titleFont_ = font();
    titleFont_.setFamilies({QString::fromLatin1(GetUIFontName()), titleFont_.family()});
    titleFont_.setPointSize(10);
    titleFont_.setBold(true);
    setAutoFillBackground(false);
}

void CWizardPage::OnSizeContent(int, int) {}

void CWizardPage::OnDrawContent(QPainter&) {}

void CWizardPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    rects_ = ComputeWizardPageRects(width(), height());
    OnSizeContent(width(), height());
}

void CWizardPage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.save();
    painter.setFont(titleFont_);
    OnDrawContent(painter);
    painter.restore();
}

CPlaceholderPage::CPlaceholderPage(int index, int helpId, QString title, QWidget* parent)
    : CWizardPage(parent), helpId_(helpId), title_(std::move(title))
{
    setObjectName(QStringLiteral("page%1").arg(index));
}

void CPlaceholderPage::OnDrawContent(QPainter& painter)
{
    painter.setPen(QColor(0x33, 0x33, 0x33));
    painter.drawText(rect().adjusted(50, 40, -50, -40), Qt::AlignCenter | Qt::TextWordWrap, title_);
}

}  // namespace qm
