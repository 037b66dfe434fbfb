// A device step as its page sees it: the list's commands (refresh, images,
// the previous recovery) and the selection the page reports; and as the
// steps after it see it: the device it chose.
#pragma once

#include "wizard/steps/page_controller.h"

namespace qm {

class IDeviceStepController : public IWizardPageController {
public:
  // Fills the page's device view again (on a worker).
  virtual void CollectDevices() = 0;
  // Images the selected device (the imaging wizard, when there is one).
  virtual void CreateImage() = 0;
  // Asks for an image file (the open-image wizard when there is one) and
  // adds it to the list.
  virtual void OpenImage() = 0;
  // Asks for an image file in a file dialog and adds it to the list.
  virtual void OpenImageFile() = 0;
  // Asks for an image file and scans it without adding it to the list
  // (Ctrl+O on the format page); the other steps have no such command.
  virtual void OpenRawImageFile() {}
  // Removes the selected image from the list.
  virtual void RemoveImage() = 0;
  // The selected row's record becomes the picked one; false for none.
  virtual bool SelectCurrent() = 0;
  virtual bool IsImageSelected() = 0;
  virtual bool IsPreviousRecoverySelected() const = 0;
  // -1 for no selection, 0 when the selected row is a device, else the
  // previous-recovery entry and its state file are removed and the
  // deletion's result returned.
  virtual int RemovePreviousRecovery() = 0;
  // The record Next took (a volume's DeviceListItem, a disk's
  // CScanStateRecord); null before. The steps after a disk step read the
  // disk from it.
  virtual void* Chosen() const = 0;
};

} // namespace qm
