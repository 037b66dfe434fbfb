#include "wizard/steps/save_result_controller.h"

namespace qm {

void CSaveResultController::Activate() { env_.navigator.SetActivePage(kPageSaveResult); }

void CSaveResultController::Home() {
  Leave();
  if (previous_ != nullptr) previous_->Home();
}

void CSaveResultController::Back() {
  Leave();
  if (previous_ != nullptr) previous_->Back();
}

void CSaveResultController::ShowAdvancedSettings() { RunAdvancedSettings(false, nullptr, env_.settings); }

} // namespace qm
