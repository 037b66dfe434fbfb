#include "wizard/device_select_controllers.h"

#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"

namespace qm {

void CDeviceStepController::Activate()
{
    WizardContext::instance()->sheet().SetActivePage(page_);
}

void CDeviceStepController::Home()
{
    Leave();
    if (previous_ != nullptr) {
        previous_->Home();
    }
}

void CDeviceStepController::Back()
{
    Leave();
    if (previous_ != nullptr) {
        // The file-type step shows its page and goes back at once to its own predecessor.
        previous_->Activate();
        previous_->Back();
    }
}

CDeleteRecoveryPartitionDeviceSelectController* CDeleteRecoveryPartitionDeviceSelectController::GetInstance()
{
    return &WizardContext::instance()->deleteDeviceController();
}

CCompleteRecoveryPartitionDeviceSelectController* CCompleteRecoveryPartitionDeviceSelectController::GetInstance()
{
    return &WizardContext::instance()->completeDeviceController();
}

CLostRecoveryDiskDeviceSelectController* CLostRecoveryDiskDeviceSelectController::GetInstance()
{
    return &WizardContext::instance()->lostDiskController();
}

}  // namespace qm
