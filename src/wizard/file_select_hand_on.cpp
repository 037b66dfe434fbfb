// Stand-ins for the steps after the file-select page. The save step and
// the state files replace their function here (and remove the stand-in).
#include "wizard/file_select_hand_on.h"

#include "platform/log.h"

namespace qm {

bool HandOnFileSelection(CFileSelectController&, CFileNode*) {
  LogInfo("The save step is not built yet");
  return false;
}

void SaveStatesAfterTree(CFileSelectController&) { LogInfo("Saving the recovery states is not built yet"); }

} // namespace qm
