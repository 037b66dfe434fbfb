// The file-type step as its page and the start step see it: the start step
// sets the mode and carries the step out at once.
#pragma once

#include "wizard/steps/page_controller.h"

namespace qm {

class ITypeOfFileToRecoveryController : public IWizardPageController {
public:
  virtual ITypeOfFileToRecoveryController* SetMode(int mode) = 0;
  virtual int GetMode() = 0;
};

} // namespace qm
