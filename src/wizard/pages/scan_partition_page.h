// The scan-partition pages (7: complete recovery, 8: partition recovery):
// the partitions a scan found, each with a check box, the best ones ticked
// in advance, and the layout of the ticked ones on their disk or volume.
// The scan controllers fill them and read back what the user ticked.
#pragma once

#include <QtGui/QFont>

#include <vector>

#include "controls/scan_partition_rows.h"
#include "wizard/pages/wizard_page.h"

class CLostPartitionCtrlContainer;
class QMenu;
class CSearchedPartitionInfo;
struct CScanStateRecord;
struct DeviceListItem;

namespace qm {

class CScanPartitionDeviceSelectPage : public CWizardPage {
    Q_OBJECT

public:
    CScanPartitionDeviceSelectPage(int index, int helpId, QWidget* parent = nullptr);
    ~CScanPartitionDeviceSelectPage() override;

    IWizardPageController* GetController() override { return controller_; }
    int GetHelpId(int) override { return helpId_; }
    void SetController(IWizardPageController* controller) { controller_ = controller; }

    // Fills the list (mode 1 recommends the best entry first; the mode is the
    // number of rows ticked in advance at most).
    void SetPartitions(std::vector<ScanPartitionEntry>& entries, unsigned mode);
    // The layout's disk and the list for a disk record (page 8) or a volume
    // of the device list (page 7).
    void SetDiskSource(std::vector<ScanPartitionEntry>& entries, const CScanStateRecord& record);
    void SetVolumeSource(std::vector<ScanPartitionEntry>& entries, const DeviceListItem& volume);

    int GetCount() const;
    CSearchedPartitionInfo* GetPartition(int row) const;
    bool GetRowCheck(int row) const;
    int GetSelectedRow() const;
    int GetCheckedCount() const;

    int OnCommand(int id) override;
    // The menu of the selected row: the partition's properties.
    void FillRowMenu(QMenu& menu);
    CLostPartitionCtrlContainer& Container() const { return *container_; }

protected:
    void OnSizeContent(int width, int height) override;
    void OnDrawContent(QPainter& painter) override;
    virtual void OnDrawExtra(QPainter&) {}

private:
    void OnPartitionOption(int row, int cell, int part, int checked);
    // The layout pane grows with its rows (two overlapping partitions take
    // two rows), within the pane's limits.
    void FitLayoutPane();

    int helpId_;
    IWizardPageController* controller_ = nullptr;
    QFont regularFont_;
    CLostPartitionCtrlContainer* container_;
    std::vector<IntelligentPartitionResult> rows_; // the list points into it
};

class CCompleteRecoveryScanPartitionDeviceSelectPage : public CScanPartitionDeviceSelectPage {
    Q_OBJECT

public:
    explicit CCompleteRecoveryScanPartitionDeviceSelectPage(QWidget* parent = nullptr)
        : CScanPartitionDeviceSelectPage(7, 50, parent)
    {
    }
};

class CLostRecoveryScanPartitionDeviceSelectPage : public CScanPartitionDeviceSelectPage {
    Q_OBJECT

public:
    explicit CLostRecoveryScanPartitionDeviceSelectPage(QWidget* parent = nullptr)
        : CScanPartitionDeviceSelectPage(8, 51, parent)
    {
    }
};

}  // namespace qm
