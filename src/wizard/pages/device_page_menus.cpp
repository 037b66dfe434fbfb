#include "wizard/pages/device_page_menus.h"

#include <QtCore/QtGlobal>

namespace qm {

std::vector<MenuEntry> DiskImageMenu(bool somethingSelected, bool imageSelected) {
  return {
      {kCmdDiskImage, QT_TRANSLATE_NOOP("DevicePageMenus", "Disk Image"),
       somethingSelected && !imageSelected},
      {kCmdOpenDiskImage, QT_TRANSLATE_NOOP("DevicePageMenus", "Open Disk Image"), true},
      {kCmdDeleteImage, QT_TRANSLATE_NOOP("DevicePageMenus", "Delete Image"),
       somethingSelected && imageSelected},
  };
}

std::vector<MenuEntry> DeviceItemMenu(int page, int recoverCommand, bool previousRecoverySelected,
                                      bool imageSelected) {
  if (page == 2 || page == 3) {
    std::vector<MenuEntry> menu{{recoverCommand,
                                 previousRecoverySelected ? QT_TRANSLATE_NOOP("DevicePageMenus", "Continue")
                                                          : QT_TRANSLATE_NOOP("DevicePageMenus", "Recover"),
                                 true}};
    if (imageSelected || previousRecoverySelected)
      menu.push_back({kCmdDeleteImage, QT_TRANSLATE_NOOP("DevicePageMenus", "Remove"), true});
    return menu;
  }
  std::vector<MenuEntry> menu{{recoverCommand, QT_TRANSLATE_NOOP("DevicePageMenus", "Recover"), true}};
  // A found partition's details are a right click away.
  if (page == 4) menu.push_back(PartitionRowMenu().front());
  return menu;
}

std::vector<MenuEntry> PartitionRowMenu() {
  return {{kCmdProperties, QT_TRANSLATE_NOOP("DevicePageMenus", "Properties"), true}};
}

} // namespace qm
