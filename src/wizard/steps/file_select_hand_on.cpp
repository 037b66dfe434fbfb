#include "wizard/steps/file_select_hand_on.h"

#include "wizard/steps/step_environment.h"
#include "wizard/steps/step_handoffs.h"

namespace qm {

void HandTreeToFileSelection(const StepEnvironment& env, IWizardPageController* previous, CFileNode* root) {
  IFileSelectStep& step = *env.steps.fileSelect;
  step.SetPrevController(previous);
  step.SetTree(root);
  step.Activate();
}

} // namespace qm
