#include "wizard/steps/save_result_controller.h"

#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"

namespace qm {

CSaveResultController* CSaveResultController::GetInstance() {
  WizardContext* context = WizardContext::instance();
  return context == nullptr ? nullptr : &context->saveResultController();
}

void CSaveResultController::Activate() {
  if (WizardContext* context = WizardContext::instance()) context->sheet().SetActivePage(kPageSaveResult);
}

void CSaveResultController::Home() {
  Leave();
  if (previous_ != nullptr) previous_->Home();
}

void CSaveResultController::Back() {
  Leave();
  if (previous_ != nullptr) previous_->Back();
}

} // namespace qm
