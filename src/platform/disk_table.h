// The machine's disks and volumes as the devices address them: a disk by
// its index (what "\\.\PHYSICALDRIVE%d" names elsewhere), a volume by a
// drive letter.
//
// Disks: the whole disks under /sys/block (sd*, nvme*n*, vd*, hd*, mmcblk*,
// xvd*, and loop devices that have a backing file), in a fixed order, then
// the override list, through which image files (or test handles) stand as
// disks.
//
// Volumes: floppies take A and B; then every partition of the listed
// machine disks, in disk order, takes the next letter from C (a disk
// without partitions, such as a stick formatted whole, counts as one
// volume); then the volume overrides. The letters stay the same as long as
// the set of disks does.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/device_handle.h"

namespace qm {

// Opens a handle for an override entry; null with error set on failure.
using HandleOpener = std::function<std::unique_ptr<IDeviceHandle>(int& error)>;

struct DiskEntry {
  std::string name;      // "sda", or the file name of an image
  std::string node;      // "/dev/sda", or the image path
  std::string sysfsPath; // resolved /sys/block entry; empty for overrides
  HandleOpener opener;   // overrides with a handle of their own; else the node is opened
};

struct VolumeEntry {
  char letter = 0;
  std::string node;        // "/dev/sda1", or the override's path
  std::string mountPoint;  // empty when not mounted
  int diskIndex = -1;      // its disk in the disk table; -1 for overrides and floppies
  std::uint64_t startByte = 0;  // offset on its disk
  std::uint64_t lengthBytes = 0;
  bool isFloppy = false;
  int partitionNumber = 0; // 0 for a whole disk used as one volume
  HandleOpener opener;
};

// The disk table: machine disks, then overrides.
std::vector<DiskEntry> ListDisks();
// Adds an image file (or a test handle) as a disk; returns its index in the
// table as it is now.
int AddDiskOverride(const std::string& path, HandleOpener opener = {});
void ClearDiskOverrides();
// Opens disk `index` read-only; null with error set (ENODEV when there is
// no such disk).
std::unique_ptr<IDeviceHandle> OpenDisk(int index, int& error);

// The volume table with its letters.
std::vector<VolumeEntry> ListVolumes();
// Adds an image file (or a test handle) as a volume; returns the letter it
// got, 0 when no letter is left.
char AddVolumeOverride(const std::string& path, HandleOpener opener = {});
void ClearVolumeOverrides();
std::optional<VolumeEntry> FindVolume(char letter);
std::unique_ptr<IDeviceHandle> OpenVolume(char letter, int& error);
// The letter of the partition of disk diskIndex that begins at startByte;
// 0 when there is none.
char FindVolumeLetter(int diskIndex, std::uint64_t startByte);
// Whether the free-space query on the volume's file system answers (the
// volume must be mounted).
bool QueryVolumeFreeSpace(char letter);

// The drive layout of a disk, as QueryDriveLayout writes it:
//   +0  u32  partition count
//   +4  u32  reserved (0)
//   +8       entries of 24 bytes:
//            +0 u64 starting offset in bytes, +8 u64 length in bytes,
//            +16 u32 partition number, +20 u32 reserved (0)
inline constexpr std::size_t kLayoutHeaderSize = 8;
inline constexpr std::size_t kLayoutEntrySize = 24;
inline constexpr int kErrorInsufficientBuffer = 122;
// 0 on success; kErrorInsufficientBuffer (needed then holds the size) when
// the buffer is too small; ENODEV for an unknown disk. Disks from the
// override list have no partitions of their own here.
int QueryDriveLayout(int diskIndex, void* buffer, std::size_t size, std::size_t& needed);

// What the system tells of a disk, texts as it gives them (untrimmed).
// Bus types: 1 SCSI, 3 ATA, 7 USB, 13 MMC, 14 virtual, 15 file-backed
// virtual (loop devices and image overrides), 17 NVMe, 0 unknown.
struct StorageProperty {
  std::int32_t busType = 0;
  std::string vendor, product, revision, serial;
};
bool QueryStorageProperty(int diskIndex, StorageProperty& property);

// Bus type from a resolved sysfs device path (exposed for tests).
std::int32_t BusTypeFromSysfsPath(const std::string& path);

// Mount points from /proc/self/mountinfo text: the first mount point of the
// block device major:minor, or of the source path; empty when not mounted.
std::string FindMountPoint(const std::string& mountinfo, unsigned major, unsigned minor, const std::string& node);

} // namespace qm
