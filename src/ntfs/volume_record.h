// The $Volume record (MFT record 3) and its name: read through a boot
// sector for an existing volume, or at a fixed distance from a $MFT record
// that the deep scan met. Also the small helpers that tie a $MFT record to
// a cluster and turn on-disk UTF-16 names into the program's text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ntfs/ntfs_boot_sector.h"
#include "storage/storage_device.h"

namespace qm {
inline constexpr std::size_t kVolumeNameBytes = 80;
inline constexpr std::uint64_t kVolumeRecordNumber = 3;
// Where the deep scan looks for $Volume from a $MFT record: three 1024-byte
// records further on.
inline constexpr std::uint64_t kVolumeRecordDistance = 3 * 1024;
inline constexpr std::size_t kVolumeNameReadBytes = 4096;
} // namespace qm

// The name of a volume record in the buffer: the buffer must be a valid
// FILE record of at least 1024 bytes, and its first $VOLUME_NAME value must
// end inside the first 1024 bytes. The name is written as UTF-8, cut at a
// whole character to fit the 80 bytes with its terminator. The buffer's
// bytes leave unchanged. False (and the name empty) otherwise.
bool GetVolumeNameFromRecord(std::span<std::uint8_t> record, char (&name)[qm::kVolumeNameBytes]);

// Reads record 3 of the volume whose boot sector is given and which starts
// at firstSector, and takes its name. 1 when the record was read (the name
// may still be empty), 0 when the boot sector's record size or $MFT
// position is unusable or the read fails.
int ReadVolumeRecord(IStorageDevice& device, std::uint64_t firstSector, const CNTFSDBR& boot,
                     char (&name)[qm::kVolumeNameBytes]);

// Reads 4096 bytes three 1024-byte records after the $MFT record at sector
// and takes the name from them as a record of recordSize bytes. 1 when
// read; 0 for a negative sector, a record size outside 1024 to 4096 or a
// failed read.
int ReadVolumeNameAt(std::int64_t sector, IStorageDevice& device, char (&name)[qm::kVolumeNameBytes],
                     std::uint32_t recordSize);

// UTF-16 text as the program's 8-bit text (UTF-8); empty for empty text.
std::string WideStringToMultiByte(std::u16string_view text);

// True when the record at recordSector is the first record of cluster lcn
// of the partition starting at partitionStart.
bool IsMftAtLcn(std::uint64_t recordSector, std::int64_t lcn, std::uint64_t partitionStart,
                std::uint32_t sectorsPerCluster);
