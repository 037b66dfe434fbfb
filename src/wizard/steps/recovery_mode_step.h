// The start step as its page sees it: the page sets the chosen mode and
// moves on.
#pragma once

#include "wizard/steps/page_controller.h"

namespace qm {

class IRecoveryModeSelectController : public IWizardPageController {
public:
  virtual void SetMode(int mode) = 0;
  virtual int GetMode() = 0;
};

} // namespace qm
