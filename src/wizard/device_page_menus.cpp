#include "wizard/device_page_menus.h"

namespace qm {

std::vector<MenuEntry> DiskImageMenu(bool somethingSelected, bool imageSelected) {
  return {
      {kCmdDiskImage, "Disk Image", somethingSelected && !imageSelected},
      {kCmdOpenDiskImage, "Open Disk Image", true},
      {kCmdDeleteImage, "Delete Image", somethingSelected && imageSelected},
  };
}

std::vector<MenuEntry> DeviceItemMenu(int page, int recoverCommand, bool previousRecoverySelected,
                                      bool imageSelected) {
  if (page == 2 || page == 3) {
    std::vector<MenuEntry> menu{{recoverCommand, previousRecoverySelected ? "Continue" : "Recover", true}};
    if (imageSelected || previousRecoverySelected) menu.push_back({kCmdDeleteImage, "Remove", true});
    return menu;
  }
  return {{recoverCommand, "Recover", true}};
}

} // namespace qm
