// The steps after the file-select page: the chosen files go to the save
// step.
#include "wizard/file_select_hand_on.h"

#include "filemodel/file_system_node.h"
#include "platform/log.h"
#include "wizard/file_select_controller.h"
#include "wizard/save_file_controller.h"
#include "wizard/wizard_context.h"

namespace qm {

bool HandOnFileSelection(CFileSelectController& from, CFileNode* root) {
  if (root == nullptr || !root->IsFileSystemNode()) return false;
  CSaveFileController& save = WizardContext::instance()->saveFileController();
  save.SetFileSelection(static_cast<CFileSystemNode*>(root), from.GetSourceDevice());
  save.SetPrevController(&from);
  save.Activate();
  return true;
}

void SaveStatesAfterTree(CFileSelectController&) { LogInfo("Saving the recovery states is not built yet"); }

} // namespace qm
