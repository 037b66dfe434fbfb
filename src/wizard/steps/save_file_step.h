// The save step as the save-path page and the result page see it: the
// counts and folders of the last copy, and the check of the chosen folder.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/recovering_dlg.h"
#include "wizard/steps/page_controller.h"

namespace qm {

class ISaveFileController : public IWizardPageController {
public:
  virtual std::uint64_t GetSelectedCount() = 0;
  virtual std::uint64_t GetRecoveredCount() = 0;
  virtual std::string GetCreatedFolder(int index) = 0;
  virtual int GetCreatedFolderCount() = 0;
  // Whether the folder on the page may take the files (the save-path
  // dialog's OK asks before it closes).
  virtual bool ValidateTargetFolder() = 0;
  // How the last copy ended, and the folder it went to (the result page).
  virtual const RecoveryOutcome& Outcome() const = 0;
  virtual const std::string& LastTarget() const = 0;
};

} // namespace qm
