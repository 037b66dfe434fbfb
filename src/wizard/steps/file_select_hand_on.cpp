#include "wizard/steps/file_select_hand_on.h"

#include "wizard/steps/file_select_controller.h"

namespace qm {

void HandTreeToFileSelection(const StepEnvironment& env, IWizardPageController* previous, CFileNode* root) {
  CFileSelectController& step = *env.steps.fileSelect;
  step.SetPrevController(previous);
  step.SetTree(root);
  step.Activate();
}

} // namespace qm
