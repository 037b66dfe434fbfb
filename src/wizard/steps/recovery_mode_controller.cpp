#include "wizard/steps/recovery_mode_controller.h"

#include "wizard/steps/type_of_file_controller.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"

namespace qm {

CRecoveryModeSelectController* CRecoveryModeSelectController::GetInstance()
{
    WizardContext* context = WizardContext::instance();
    return context == nullptr ? nullptr : &context->modeController();
}

void CRecoveryModeSelectController::Activate()
{
    WizardContext::instance()->sheet().SetActivePage(kPageRecoveryMode);
}

bool CRecoveryModeSelectController::Next()
{
    CTypeOfFileToRecoveryController* types = CTypeOfFileToRecoveryController::GetInstance();
    types->SetMode(mode_);
    types->SetPrevController(this);
    types->Activate();
    types->Next();
    return true;
}

}  // namespace qm
