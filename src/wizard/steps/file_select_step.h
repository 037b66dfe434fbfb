// The file-select step as its page sees it: where the shown files' data is
// read from (previews, saving, the properties of the volume).
#pragma once

#include "wizard/steps/page_controller.h"

class IStorageDevice;

namespace qm {

class IFileSelectController : public IWizardPageController {
public:
  virtual IStorageDevice* GetSourceDevice() = 0;
};

} // namespace qm
