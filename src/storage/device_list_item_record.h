// A volume of the device list in the wizard's state files: the 1277-byte
// record, written field by field at its fixed offsets. The record came from
// a 32-bit program whose pointers took 4 bytes; they are written as zero and
// never read back (a device is found again by its identity, not by an
// address).
//
//     0   4  source flag (non-zero: an image file the wizard added)
//     4   4  device pointer (0)
//     8   4  kind
//    12   4  file-system type
//    16   1  drive letter
//    17 100  volume label
//   117   4  floppy flag
//   121   4  USB flag
//   125 640  32 extents of 20 bytes: start sector, sector count (u64 each),
//            parent-disk pointer (0)
//   765 512  description
// An image item keeps its path (260 bytes, zero-terminated) at 280, where a
// disk's volume keeps its extents, and for a volume of the image its
// window's first sector and sector count (u64 each) at 544 and 552.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "storage/device_collection.h"

namespace qm {

inline constexpr std::size_t kItemImagePathOffset = 280;
inline constexpr std::size_t kItemImagePathSize = 260;
inline constexpr std::size_t kItemImageStartOffset = 544;
inline constexpr std::size_t kItemImageSectorsOffset = 552;

// The number of extents an item holds: those before the first with no
// disk.
std::size_t CountDiskExtents(const DeviceListItem& item);

// Writes the record. false when an image path does not fit its 260 bytes
// (it is then stored cut, and cannot be found again).
bool EncodeDeviceListItem(const DeviceListItem& item, std::span<std::uint8_t, kDeviceListItemSize> out);

// The item back, without a device and with its extents' disks null;
// *extentCount gets the number of extents stored: those with a sector
// count (or, in a record from the 32-bit program, a disk pointer) before
// the first without.
DeviceListItem DecodeDeviceListItem(std::span<const std::uint8_t, kDeviceListItemSize> bytes,
                                    std::size_t* extentCount);

} // namespace qm
