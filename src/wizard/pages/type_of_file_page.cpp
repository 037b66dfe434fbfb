#include "wizard/pages/type_of_file_page.h"

#include <QtGui/QPainter>

#include "controls/file_type_tree.h"
#include "wizard/steps/type_of_file_step.h"

namespace qm {

CTypeOfFileToRecoveryPage::CTypeOfFileToRecoveryPage(const std::string& catalogue, QWidget* parent)
    : CWizardPage(parent), tree_(new CTypeRecoveryDrawTreeCtrl(this))
{
    setObjectName(QStringLiteral("page10"));
    tree_->setObjectName(QStringLiteral("typeTree"));
    tree_->setFrameShape(QFrame::NoFrame);
    tree_->SetTextIndent(26);
    tree_->SetDefaultClicks(false);
    loadResult_ = tree_->LoadTypes(catalogue.c_str());
    connect(tree_, &CTypeOfFileToRecoveryTreeCtrl::CheckedChanged, this, &CTypeOfFileToRecoveryPage::NextAllowed);
}

IWizardPageController* CTypeOfFileToRecoveryPage::GetController() { return controller_; }

CTypeOfFileToRecoveryTreeCtrl& CTypeOfFileToRecoveryPage::Tree() { return *tree_; }

const CTypeOfFileToRecoveryTreeCtrl& CTypeOfFileToRecoveryPage::Tree() const { return *tree_; }

QRect CTypeOfFileToRecoveryPage::ContentRect() const
{
    // Between the subtitle line and the bottom line.
    return QRect(QPoint(rects_.subtitle.left(), rects_.subtitle.bottom() + 1),
                 QPoint(rects_.bottom.right(), rects_.bottom.top() - 1));
}

void CTypeOfFileToRecoveryPage::OnSizeContent(int, int)
{
    tree_->setGeometry(ContentRect());
    tree_->show();
    tree_->scrollToTop();
}

void CTypeOfFileToRecoveryPage::OnDrawContent(QPainter& painter)
{
    painter.setPen(QColor(203, 212, 219));
    painter.drawRect(ContentRect().adjusted(-1, -1, 0, 0));
    painter.setPen(QColor(0x1D, 0x3B, 0x5C));
    painter.drawText(rects_.subtitle, Qt::AlignLeft | Qt::AlignVCenter,
                     tr("Choose the types of file to look for:"));
}

}  // namespace qm
