// The steps after the file-select page: the chosen files go to the save
// step.
#include "wizard/steps/file_select_hand_on.h"

#include "filemodel/file_system_node.h"
#include "wizard/steps/file_select_controller.h"
#include "wizard/steps/save_file_controller.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"
#include "wizard/services/wizard_state_files.h"

namespace qm {

bool HandOnFileSelection(CFileSelectController& from, CFileNode* root) {
  if (root == nullptr || !root->IsFileSystemNode()) return false;
  CSaveFileController& save = WizardContext::instance()->saveFileController();
  save.SetFileSelection(static_cast<CFileSystemNode*>(root), from.GetSourceDevice());
  save.SetPrevController(&from);
  save.Activate();
  return true;
}

void SaveStatesAfterTree(CFileSelectController& from) {
  const int kind = from.GetSearchKind();
  if (kind != 1 && kind != 2) return;
  // The steps' records are written on a worker while events are pumped:
  // the sheet's commands must not run meanwhile (Home frees what the worker
  // reads, Next could start another search inside the pump).
  WizardContext* context = WizardContext::instance();
  SaveRecoveryStatesWithProgress(from, 1, context->HasSheet() ? context->sheet().window() : nullptr);
}

void HandTreeToFileSelection(IWizardPageController* previous, CFileNode* root) {
  CFileSelectController& step = WizardContext::instance()->fileSelectController();
  step.SetPrevController(previous);
  step.SetTree(root);
  step.Activate();
}

} // namespace qm
