// The device pages: the machine's devices in the device view, with the
// commands that go to the page's controller. Pages 1 (deleted-file volumes),
// 2 (complete-recovery volumes and images) and 3 (partition-recovery disks)
// carry Refresh, the disk-image menu and, on 2 and 3, the import of a saved
// scan result; page 4 lists the partitions the lost-partition search found
// and offers a Full Scan of the whole disk instead.
#pragma once

#include <QtGui/QFont>

#include "wizard/steps/page_controller.h"
#include "wizard/pages/wizard_page.h"

class CDeviceSelectCtrl;
class QCheckBox;
class QMenu;
class QToolButton;

namespace qm {

class IDeviceStepController;

// Commands of the device pages.
inline constexpr int kCmdOpenRawImageFile = 32777;

class CDeviceSelectPage : public CWizardPage {
    Q_OBJECT

public:
    // The full-scan box exists only with `withCheckBox` (not on page 1).
    CDeviceSelectPage(int index, bool withCheckBox, QWidget* parent = nullptr);

    int Index() const { return index_; }
    CDeviceSelectCtrl& DeviceCtrl() const { return *ctrl_; }
    // The partition-selection box (pages 2 to 4); null on page 1.
    QCheckBox* FullScanBox() const { return fullScanBox_; }
    // A row is selected and it stands for no device (the previous search).
    bool IsPreviousRecoverySelected() const;
    const QFont& RegularFont() const { return regularFont_; }
    QRect ControlRect() const;

protected:
    void OnSizeContent(int width, int height) override;
    void OnDrawContent(QPainter& painter) override;
    virtual void OnDrawExtra(QPainter&) {}
    void showEvent(QShowEvent* event) override;

    virtual void OnSelectionChanged() {}
    virtual void OnDoubleClicked();
    virtual void OnRightClicked() {}
    // A check box was clicked (the base: the partition-selection option).
    virtual void OnCheckBoxClicked(QCheckBox* box, bool checked);
    // Shows the menu at the pointer and carries out the chosen command.
    void RunMenu(QMenu& menu);

    int index_;
    CDeviceSelectCtrl* ctrl_;
    QCheckBox* fullScanBox_ = nullptr;
    QFont regularFont_;
};

struct DevicePageCommands {
    int refresh;
    int diskImageMenu;
    int importResult; // 0: none
    int recover;
};

// Pages 1 to 3.
class CDeviceListPage : public CDeviceSelectPage {
    Q_OBJECT

public:
    CDeviceListPage(int index, DevicePageCommands commands, int ctrlStyle, int helpId, QWidget* parent = nullptr);

    IWizardPageController* GetController() override;
    int GetHelpId(int) override { return helpId_; }
    void SetController(IDeviceStepController* controller) { controller_ = controller; }
    IDeviceStepController* Controller() const { return controller_; }
    const DevicePageCommands& Commands() const { return commands_; }

    int OnCommand(int id) override;
    // The menus as they would show now (tests read them without opening).
    void FillDiskImageMenu(QMenu& menu);
    void FillItemMenu(QMenu& menu);
    // Asks for a saved scan result, imports its state files and lists it.
    void ImportScanResult();

    QToolButton* RefreshButton() const { return refresh_; }
    QWidget* Strip() const { return strip_; }
    QToolButton* DiskImageButton() const { return diskImage_; }
    QToolButton* ImportButton() const { return import_; }
    QToolButton* OptionsButton() const { return options_; }

protected:
    void OnSizeContent(int width, int height) override;
    void OnRightClicked() override;

private:
    void ShowDiskImageMenu();
    void RemoveSelected();

    DevicePageCommands commands_;
    int helpId_;
    IDeviceStepController* controller_ = nullptr;
    QToolButton* refresh_;
    QWidget* strip_;
    QToolButton* diskImage_;
    QToolButton* import_ = nullptr;
    QToolButton* options_;
};

class CDeleteRecoveryPartitionDeviceSelectPage : public CDeviceListPage {
    Q_OBJECT

public:
    explicit CDeleteRecoveryPartitionDeviceSelectPage(QWidget* parent = nullptr);
};

class CCompleteRecoveryPartitionDeviceSelectPage : public CDeviceListPage {
    Q_OBJECT

public:
    explicit CCompleteRecoveryPartitionDeviceSelectPage(QWidget* parent = nullptr);
    int OnCommand(int id) override;
};

class CLostRecoveryDiskDeviceSelectPage : public CDeviceListPage {
    Q_OBJECT

public:
    explicit CLostRecoveryDiskDeviceSelectPage(QWidget* parent = nullptr);
};

// Page 4: the partitions the lost-partition search found on the disk.
class CLostRecoveryPartitionDeviceSelectPage : public CDeviceSelectPage {
    Q_OBJECT

public:
    static constexpr int kRecoverCommand = 1017;

    explicit CLostRecoveryPartitionDeviceSelectPage(QWidget* parent = nullptr);

    IWizardPageController* GetController() override { return controller_; }
    int GetHelpId(int) override { return 51; }
    void SetController(ILostRecoveryPartitionDeviceSelectController* controller) { controller_ = controller; }
    QCheckBox* WholeDiskBox() const { return wholeDisk_; }
    // Unticks Full Scan and clears the selection (leaving the page).
    void ResetControls();

    int OnCommand(int id) override;
    void FillItemMenu(QMenu& menu);

protected:
    void OnSizeContent(int width, int height) override;
    void OnDrawExtra(QPainter& painter) override;
    void OnSelectionChanged() override;
    void OnRightClicked() override;
    void OnCheckBoxClicked(QCheckBox* box, bool checked) override;

private:
    ILostRecoveryPartitionDeviceSelectController* controller_ = nullptr;
    QCheckBox* wholeDisk_;
};

}  // namespace qm
