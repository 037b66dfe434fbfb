// The controllers of the three first device steps. They show their page
// and keep the chain; the device lists and the searches come with the
// device steps themselves. Their step before is the file-type step, whose
// page is never left standing: Back goes on to the start page.
#pragma once

#include "wizard/page_controller.h"

namespace qm {

class CDeviceStepController : public IWizardPageController {
public:
    CDeviceStepController(WIZARD_PAGE page, int searchKind) : page_(page), searchKind_(searchKind) {}

    void Activate() override;
    void Home() override;
    void Back() override;
    // Nothing to carry out before the device lists exist.
    bool Next() override { return false; }
    void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
    IWizardPageController* GetPrevController() override { return previous_; }
    int GetSearchKind() override { return searchKind_; }
    WIZARD_PAGE Page() const { return page_; }

private:
    WIZARD_PAGE page_;
    int searchKind_;
    IWizardPageController* previous_ = nullptr;
};

class CDeleteRecoveryPartitionDeviceSelectController : public CDeviceStepController {
public:
    CDeleteRecoveryPartitionDeviceSelectController() : CDeviceStepController(kPageDeleteRecoveryDevice, 0) {}
    static CDeleteRecoveryPartitionDeviceSelectController* GetInstance();
};

class CCompleteRecoveryPartitionDeviceSelectController : public CDeviceStepController {
public:
    CCompleteRecoveryPartitionDeviceSelectController() : CDeviceStepController(kPageCompleteRecoveryDevice, 1) {}
    static CCompleteRecoveryPartitionDeviceSelectController* GetInstance();
};

class CLostRecoveryDiskDeviceSelectController : public CDeviceStepController {
public:
    CLostRecoveryDiskDeviceSelectController() : CDeviceStepController(kPageLostRecoveryDisk, 2) {}
    static CLostRecoveryDiskDeviceSelectController* GetInstance();
};

}  // namespace qm
