#include "wizard/pages/device_page_menus.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(DevicePageMenus, DiskImageMenuGreying) {
  struct Case {
    bool selected, image;
    bool disk, open, del;
  } cases[] = {
      {false, false, false, true, false}, // nothing selected: only Open
      {true, false, true, true, false},   // a device: image it, not delete
      {true, true, false, true, true},    // an image: delete it, not image it
  };
  for (const Case& c : cases) {
    const auto menu = DiskImageMenu(c.selected, c.image);
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0].enabled, c.disk);
    EXPECT_EQ(menu[1].enabled, c.open);
    EXPECT_EQ(menu[2].enabled, c.del);
    EXPECT_EQ(menu[0].command, kCmdDiskImage);
    EXPECT_EQ(menu[2].text, "Delete Image");
  }
}

TEST(DevicePageMenus, ItemMenuByPageAndRow) {
  EXPECT_EQ(DeviceItemMenu(1, 1009, false, true), (std::vector<MenuEntry>{{1009, "Recover", true}}));
  EXPECT_EQ(DeviceItemMenu(4, 1017, true, true),
            (std::vector<MenuEntry>{{1017, "Recover", true}, {kCmdProperties, "Properties", true}}));
  EXPECT_EQ(PartitionRowMenu(), (std::vector<MenuEntry>{{kCmdProperties, "Properties", true}}));
  EXPECT_EQ(DeviceItemMenu(2, 1012, true, false),
            (std::vector<MenuEntry>{{1012, "Continue", true}, {kCmdDeleteImage, "Remove", true}}));
  EXPECT_EQ(DeviceItemMenu(3, 1015, false, true),
            (std::vector<MenuEntry>{{1015, "Recover", true}, {kCmdDeleteImage, "Remove", true}}));
  EXPECT_EQ(DeviceItemMenu(3, 1015, false, false), (std::vector<MenuEntry>{{1015, "Recover", true}}));
}

} // namespace
} // namespace qm
