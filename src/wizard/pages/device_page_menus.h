// The menus of the device pages, decided without a window: which items the
// disk-image menu greys, and what the item menu of a row offers.
#pragma once

#include <string>
#include <vector>

namespace qm {

// Command ids of the device pages' menus.
inline constexpr int kCmdDiskImage = 32771;
inline constexpr int kCmdOpenDiskImage = 32772;
inline constexpr int kCmdDeleteImage = 32773;
inline constexpr int kCmdProperties = 32776;

struct MenuEntry {
  int command = 0;
  std::string text;
  bool enabled = true;
  bool operator==(const MenuEntry&) const = default;
};

// "Disk Image", "Open Disk Image", "Delete Image": without a selection
// only opening an image is offered; a device offers imaging it; an image
// offers deleting it.
std::vector<MenuEntry> DiskImageMenu(bool somethingSelected, bool imageSelected);

// The item menu of device page 1 to 4 (by page number) for the selected row.
// `recoverCommand` is the page's Recover / Continue command.
std::vector<MenuEntry> DeviceItemMenu(int page, int recoverCommand, bool previousRecoverySelected,
                                      bool imageSelected);

// The menu of a row of the found partitions (page 4's list and the check
// lists of pages 7 and 8): "Properties".
std::vector<MenuEntry> PartitionRowMenu();

} // namespace qm
