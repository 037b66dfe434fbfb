#include "wizard/pages/scan_partition_page.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QCursor>
#include <QtGui/QPainter>
#include <QtWidgets/QMenu>

#include <algorithm>

#include "app/language.h"
#include "controls/ex_splitter_wnd.h"
#include "controls/partition_check_list.h"
#include "controls/partition_layout_view.h"
#include "dialogs/partition_dialogs.h"
#include "wizard/pages/device_page_menus.h"
#include "wizard/pages/scan_partition_source.h"

namespace qm {

CScanPartitionDeviceSelectPage::CScanPartitionDeviceSelectPage(int index, int helpId, QWidget* parent)
    : CWizardPage(parent), helpId_(helpId)
{
    setObjectName(QStringLiteral("page%1").arg(index));
    regularFont_ = font();
    regularFont_.setFamilies({QString::fromLatin1(GetUIFontName()), regularFont_.family()});
    regularFont_.setPixelSize(15);
    container_ = new CLostPartitionCtrlContainer(this);
    container_->setObjectName(QStringLiteral("partitionContainer"));
    container_->setGeometry(0, 0, 10, 10);
    CMultipleChoosePartitionListCtrl* list = container_->GetListPane();
    list->SetOwner(this);
    connect(list, &CMultipleChoosePartitionListCtrl::PartitionOptionChanged, this,
            &CScanPartitionDeviceSelectPage::OnPartitionOption);
    connect(list, &CMultipleChoosePartitionListCtrl::CheckStatesChanged, this,
            &CScanPartitionDeviceSelectPage::FitLayoutPane);
    connect(list->List(), &CExtendListCtrl::LineRightClicked, this, [this] {
        QMenu menu(this);
        FillRowMenu(menu);
        if (QAction* chosen = menu.exec(QCursor::pos())) {
            OnCommand(chosen->data().toInt());
        }
    });
}

void CScanPartitionDeviceSelectPage::FillRowMenu(QMenu& menu)
{
    menu.clear();
    for (const MenuEntry& entry : PartitionRowMenu()) {
        QAction* action = menu.addAction(QCoreApplication::translate("DevicePageMenus", entry.text.c_str()));
        action->setData(entry.command);
        action->setEnabled(entry.enabled);
    }
}

void CScanPartitionDeviceSelectPage::FitLayoutPane()
{
    constexpr int kCaption = 20;
    const int wanted = container_->GetLayoutView()->GetContentHeight() + kCaption + 2;
    container_->Splitter()->SetRowLimits(1, std::clamp(wanted, 100, 340), 100, 340);
}

// The list's rows point into rows_: the container goes first.
CScanPartitionDeviceSelectPage::~CScanPartitionDeviceSelectPage() { delete container_; }

void CScanPartitionDeviceSelectPage::SetPartitions(std::vector<ScanPartitionEntry>& entries, unsigned mode)
{
    qm::SetPartitions(*container_, entries, mode, rows_);
    FitLayoutPane();
}

void CScanPartitionDeviceSelectPage::SetDiskSource(std::vector<ScanPartitionEntry>& entries,
                                                   const CScanStateRecord& record)
{
    qm::SetDiskSource(*container_, entries, record, rows_);
    FitLayoutPane();
}

void CScanPartitionDeviceSelectPage::SetVolumeSource(std::vector<ScanPartitionEntry>& entries,
                                                     const DeviceListItem& volume)
{
    qm::SetVolumeSource(*container_, entries, volume, rows_);
    FitLayoutPane();
}

int CScanPartitionDeviceSelectPage::GetCount() const { return container_->GetListPane()->GetCount(); }

CSearchedPartitionInfo* CScanPartitionDeviceSelectPage::GetPartition(int row) const
{
    return container_->GetListPane()->GetRowData(row);
}

bool CScanPartitionDeviceSelectPage::GetRowCheck(int row) const { return container_->GetListPane()->GetRowCheck(row); }

int CScanPartitionDeviceSelectPage::GetSelectedRow() const { return container_->GetListPane()->GetSelectedRow(); }

int CScanPartitionDeviceSelectPage::GetCheckedCount() const { return container_->GetListPane()->GetCheckedCount(); }

void CScanPartitionDeviceSelectPage::OnSizeContent(int, int)
{
    const QRect& sub = rects_.subtitle;
    container_->setGeometry(QRect(QPoint(sub.left(), sub.top()), QPoint(sub.right(), rects_.bottom.bottom())));
    FitLayoutPane();
}

void CScanPartitionDeviceSelectPage::OnDrawContent(QPainter& painter)
{
    painter.setPen(QColor(203, 212, 219));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(container_->geometry().adjusted(-1, -1, 0, 0));
    painter.save();
    OnDrawExtra(painter);
    painter.restore();
}

void CScanPartitionDeviceSelectPage::OnPartitionOption(int row, int cell, int part, int checked)
{
    // Only the option cell's first two parts choose anything.
    if (cell != 3 || part < 0 || part >= 2) {
        return;
    }
    CSearchedPartitionInfo* partition = GetPartition(row);
    if (partition == nullptr) {
        return;
    }
    ApplyPartitionOption(partition, static_cast<unsigned>(cell), static_cast<unsigned>(part), checked != 0);
}

int CScanPartitionDeviceSelectPage::OnCommand(int id)
{
    if (id != kCmdProperties) {
        return 0;
    }
    const int row = GetSelectedRow();
    CSearchedPartitionInfo* partition = row >= 0 ? GetPartition(row) : nullptr;
    if (partition == nullptr) {
        return 0;
    }
    CScanPartitionPropertiesDlg dialog(this);
    dialog.SetPartition(partition);
    dialog.exec();
    return 1;
}

}  // namespace qm
