// Which file system holds a folder. Linux has no drive roots: any path on a
// volume stands for the volume, and the mount table says what it is.
#pragma once

#include <string>
#include <string_view>

// 1 when the volume holding root (any path on it) is NTFS, whichever driver
// mounted it; 0 otherwise, also for a null or empty root and for a path that
// cannot be resolved.
int IsNtfsVolume(const char* root);

namespace qm {

struct MountEntry {
  std::string mountPoint;
  std::string fileSystemType; // "ntfs3", "vfat", "fuseblk", "fuse.ntfs-3g" ...
  std::string source;         // the device or "none"
};

// The entry of mountinfo (the text of /proc/self/mountinfo) whose mount
// point is the longest prefix of the resolved absolute path; the last such
// line wins, as later mounts cover earlier ones. Empty fields when none fits.
MountEntry FindMountOf(std::string_view resolvedPath, std::string_view mountinfo);

// Whether a mount entry is an NTFS volume: the kernel's drivers by name, the
// FUSE driver by its subtype, and a plain "fuseblk" by the boot sector of its
// device when that can be read (opened read-only).
bool IsNtfsMount(const MountEntry& entry);

} // namespace qm
