// The result step as its page sees it.
#pragma once

#include "wizard/steps/page_controller.h"

namespace qm {

class ISaveResultController : public IWizardPageController {};

} // namespace qm
