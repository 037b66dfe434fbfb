// Where the file-select step goes once the user has ticked files: the save
// step gets the tree (its SetFileSelection), this controller as its step
// before, and is activated.
#pragma once

class CFileNode;

namespace qm {

class CFileSelectController;

// True when the road moved on to the save step.
bool HandOnFileSelection(CFileSelectController& from, CFileNode* root);

// Saves the wizard's state files once a complete or partition scan has
// given its tree (the deleted-file road keeps none).
void SaveStatesAfterTree(CFileSelectController& from);

class IWizardPageController;
// A complete or partition road's built tree goes to the file-select step,
// with `previous` as the step Back returns to.
void HandTreeToFileSelection(IWizardPageController* previous, CFileNode* root);

} // namespace qm
