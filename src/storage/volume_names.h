// What the device lists show of a volume: the display names of
// file-system and dynamic-volume types, the file system that an MBR
// partition type or a boot sector stands for, and a volume's label.
#pragma once

#include <cstddef>
#include <cstdint>

class IStorageDevice;

// "FAT12", "FAT16", "FAT32", "NTFS", "EXT2", "EXT3" for the codes 0 to 5,
// "UNKNOWN" for any other; cut to fit the buffer, always zero-terminated.
void GetVolumeFileSystemName(int fileSystemType, char* buffer, std::size_t bufferSize);

// 2 "SIMPLE", 3 "MIRROR", 4 "SPANNED", 5 "STRIPPED", 6 "RAID5", any
// other "UNKNOWN"; cut to fit the buffer, always zero-terminated.
void GetDynamicVolumeTypeName(int volumeType, char* buffer, std::size_t bufferSize);

// The file-system type code that an MBR partition-type byte stands for;
// 7 for types that name none of ours.
int GetMbrTypeFileSystem(std::uint8_t partitionType);

// The FAT type code (0, 1 or 2) when the FAT test accepts the sector, else
// 3 when it is a valid NTFS boot sector, else 7. The sector holds
// bytesPerSector bytes (at least 512 are needed). The tests are those that
// the engines registered (RegisterBootSectorClassifier).
int GetBootSectorFileSystem(const void* sector, std::uint32_t bytesPerSector);

// The label of the volume that begins at sector 0 of the device, read by
// the registered analyser of the type's family: codes 0 to 2 FAT, 3 NTFS.
// Non-zero when that analyser recognises the volume; 0 (and an empty
// label) for any other code or when it does not.
int ReadVolumeLabel(IStorageDevice* volume, int fileSystemType, char* label, int labelSize);

namespace qm {
// The display name of a file-system type code, as GetVolumeFileSystemName
// writes it.
const char* FileSystemTypeName(int fileSystemType);
} // namespace qm
