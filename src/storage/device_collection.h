// The two lists of the device pages: the machine's physical disks, and its
// volumes (basic partitions, dynamic volumes and floppy disks), both
// written to the log as tables; the volume list sorted by drive letter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/storage_device.h"

class CDiskDevice;

// The size of a volume item in the wizard's state files.
inline constexpr std::size_t kDeviceListItemSize = 1277;
inline constexpr std::size_t kMaxDeviceListExtents = 32;
inline constexpr std::size_t kDeviceDescriptionSize = 512;

inline constexpr std::uint32_t kDeviceKindBasic = 0;   // basic partition or floppy disk
inline constexpr std::uint32_t kDeviceKindDynamic = 1; // dynamic volume

// A piece of a parent disk that a volume occupies; a null disk ends the
// extent list.
struct DeviceExtent {
  std::uint64_t startSector = 0;
  std::uint64_t sectorCount = 0;
  CDiskDevice* disk = nullptr; // a disk of the disk list, not owned
};

// One volume of the volume list.
struct DeviceListItem {
  std::uint32_t sourceFlag = 0; // non-zero for an image-file item made by the wizard
  // For an image item: the image file's device, shared by the items of its
  // volumes and read through their windows (declared before the window, so
  // that the window goes first).
  std::shared_ptr<IStorageDevice> image;
  // The partition window, the dynamic-volume device or the floppy's volume
  // device; for an image item the image or a window on it.
  std::unique_ptr<IStorageDevice> device;
  std::uint32_t kind = kDeviceKindBasic;
  std::int32_t fileSystemType = 7;
  char driveLetter = 0; // 0 when none
  char volumeLabel[100] = {};
  std::uint32_t floppyFlag = 0;
  std::uint32_t usbFlag = 0; // the parent disk is on the USB bus
  DeviceExtent extents[kMaxDeviceListExtents] = {};
  char description[kDeviceDescriptionSize] = {}; // the parent disk(s), zero-terminated
  // The image file of an item the wizard makes for an image (source flag
  // non-zero); such an item has no extents.
  std::string imagePath;
  // A volume of an image: where its window lies on the image; 0 sectors
  // for an item that stands for the whole image.
  std::uint64_t imageStart = 0;
  std::uint64_t imageSectors = 0;
};

// In disk-number order; owns the disks. It must outlive the volume list,
// whose extents point at its disks.
using DiskList = std::vector<std::unique_ptr<CDiskDevice>>;
using VolumeList = std::vector<DeviceListItem>;

// Appends every disk of index 0 to 31 that opens and logs the disk table.
void CollectDisks(DiskList& disks);

// Appends the basic partitions, the dynamic volumes and the floppy disks of
// the machine and sorts the list; nothing at all for an empty disk list.
void CollectAllBasicPartitionandDynamicVolume(const DiskList& disks, VolumeList& volumes);

// Appends A: and then B: while they are floppy disks.
void CollectFloppyDiskDevice(VolumeList& volumes);

// The first item with that drive letter; null when none.
DeviceListItem* FindVolumeByLetter(char letter, VolumeList& volumes);

// 1 when the item is the volume of that letter: its own letter is that
// letter, or it has none and shares a piece of disk with the volume of
// that letter. Items of image files never match.
int VolumeMatchesLetter(const DeviceListItem& item, char letter, VolumeList& volumes);

namespace qm {

// Items with a letter first, in letter order, then those without, in their
// collected order; equal letters keep their order.
void SortVolumeList(VolumeList& volumes);

// The text that names a disk in the tables and descriptions: "vendor
// product bus" (a vendor beginning with "(" counts as none), at most 49
// characters.
std::string DiskText(CDiskDevice* disk);

// Whether some extent of one item and some extent of the other lie on the
// same disk and overlap.
bool ItemsShareDisk(const DeviceListItem& a, const DeviceListItem& b);

} // namespace qm
