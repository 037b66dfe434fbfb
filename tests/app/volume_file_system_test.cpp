#include "app/volume_file_system.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

constexpr std::string_view kMountinfo =
    "22 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
    "30 22 0:26 / /proc rw,nosuid - proc proc rw\n"
    "41 22 8:17 / /media/usb rw,relatime shared:5 - ntfs3 /dev/sdb1 rw,uid=1000\n"
    "42 22 8:33 / /media/old\\040disk rw,relatime - fuse.ntfs-3g /dev/sdc1 rw\n"
    "43 22 8:49 / /media/card rw - vfat /dev/sdd1 rw,fmask=0022\n"
    "44 43 8:50 / /media/card/inner rw shared:9 master:2 - ext2 /dev/sdd2 rw\n"
    "garbage line\n"
    "45 22 8:65 / /media/usbstick rw - fuseblk /dev/null rw,user_id=0\n";

TEST(VolumeFileSystem, PathsFindTheirDeepestMount) {
  struct Case {
    std::string_view path;
    std::string_view mountPoint;
    std::string_view type;
    bool ntfs;
  } const cases[] = {
      {"/home/user/Recovered", "/", "ext4", false},
      {"/media/usb", "/media/usb", "ntfs3", true},
      {"/media/usb/a/b", "/media/usb", "ntfs3", true},
      {"/media/usbstick/x", "/media/usbstick", "fuseblk", false}, // its device holds no NTFS boot sector
      {"/media/old disk/files", "/media/old disk", "fuse.ntfs-3g", true},
      {"/media/card/inner/deep", "/media/card/inner", "ext2", false},
      {"/media/cardigan", "/", "ext4", false},
      {"/proc/self", "/proc", "proc", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path));
    const MountEntry entry = FindMountOf(c.path, kMountinfo);
    EXPECT_EQ(entry.mountPoint, c.mountPoint);
    EXPECT_EQ(entry.fileSystemType, c.type);
    EXPECT_EQ(IsNtfsMount(entry), c.ntfs);
  }
}

TEST(VolumeFileSystem, LaterMountOnTheSamePointWinsAndRelativePathsFindNothing) {
  constexpr std::string_view stacked = "22 1 254:1 / / rw - ext4 /dev/vda1 rw\n"
                                       "50 22 8:1 / /mnt rw - vfat /dev/sda1 rw\n"
                                       "51 50 8:2 / /mnt rw - ntfs3 /dev/sda2 rw\n";
  EXPECT_EQ(FindMountOf("/mnt/file", stacked).fileSystemType, "ntfs3");
  EXPECT_TRUE(FindMountOf("relative/path", stacked).mountPoint.empty());
  EXPECT_TRUE(FindMountOf("/x", "").mountPoint.empty());
}

TEST(VolumeFileSystem, NullEmptyAndMissingRootsAreNotNtfs) {
  EXPECT_EQ(IsNtfsVolume(nullptr), 0);
  EXPECT_EQ(IsNtfsVolume(""), 0);
  EXPECT_EQ(IsNtfsVolume("/no/such/folder/anywhere"), 0);
  EXPECT_EQ(IsNtfsVolume("/proc"), 0);
}

} // namespace
} // namespace qm
