// How a road's built tree reaches the file-select step.
#pragma once

class CFileNode;

namespace qm {

class IWizardPageController;
struct StepEnvironment;
// A complete or partition road's built tree goes to the file-select step,
// with `previous` as the step Back returns to.
void HandTreeToFileSelection(const StepEnvironment& env, IWizardPageController* previous, CFileNode* root);

} // namespace qm
