#include "wizard/steps/recovery_mode_controller.h"

#include "wizard/steps/type_of_file_step.h"

namespace qm {

void CRecoveryModeSelectController::Activate() { env_.navigator.SetActivePage(kPageRecoveryMode); }

bool CRecoveryModeSelectController::Next()
{
  ITypeOfFileToRecoveryController* types = env_.steps.type;
  types->SetMode(mode_);
  types->SetPrevController(this);
  types->Activate();
  types->Next();
  return true;
}

void CRecoveryModeSelectController::ShowAdvancedSettings() {
  RunAdvancedSettings(false, nullptr, env_.settings);
}

}  // namespace qm
