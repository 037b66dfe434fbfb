// The partitions that a disk's partition table describes: a GPT disk's
// entries, an MBR disk's primary entries and its chain of logical
// partitions, or one file system that fills a disk from sector 0. Each
// partition is examined by the volume analysers (its file system, label
// and true size) and gets a window device through which it is read.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/byte_view.h"
#include "storage/storage_device.h"

// One partition from a table.
struct DiskPartitionRecord {
  std::uint64_t startSector = 0;
  // The window's size: the table's extent (cut at the disk's end); for a
  // volume without a table, the sectors the volume covers.
  std::uint64_t sectorCount = 0;
  // The recognised file system's own count, as its analyser reports it
  // (NTFS leaves its backup boot sector outside it); 0 when none is
  // recognised.
  std::uint64_t volumeSectorCount = 0;
  char volumeLabel[100] = {};
  char driveLetter = 0; // filled by AssignDriveLetters; 0 for none
  int fileSystemType = 7;
  char text1[20] = {}; // not filled here
  char text2[40] = {}; // not filled here
  // A CBasicPartitionDevice (start, count) on the disk; the disk must
  // outlive it.
  std::unique_ptr<IStorageDevice> partitionDevice;
};

using DiskPartitionList = std::vector<std::unique_ptr<DiskPartitionRecord>>;

// Appends the disk's partitions to the list and returns the list's size.
// Appends nothing for a dynamic disk (its volumes come from its database).
// A record is appended only with a sector count above 0 and its window.
std::size_t ReadDiskPartitionTable(IStorageDevice* disk, DiskPartitionList& records);

namespace qm {

// An MBR or extended boot record holds a partition table when it has the
// signature and every boot indicator is 0x00 or 0x80.
bool IsMbrTableSector(const ByteView& sector);

// Extended partitions: 0x05 (CHS), 0x0F (LBA) and 0x85 (as Linux writes it).
bool IsExtendedPartitionType(std::uint8_t type);

// The gap between a table's count and the file system's own size from
// which both are listed: the table may be right and the file system
// shrunk, or the other way round.
inline constexpr std::uint64_t kSizeDisagreementSectors = 32130;

// The sectors a window must cover to hold a whole volume whose own count is
// `ownCount`: an NTFS volume keeps the backup of its boot sector in the
// sector behind its count. 0 stays 0 (unknown).
std::uint64_t VolumeExtentSectors(int fileSystemType, std::uint64_t ownCount);

} // namespace qm
