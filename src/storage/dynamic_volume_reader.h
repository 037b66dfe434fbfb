// The volumes of the machine's dynamic disks: the database of every disk
// is read, its records linked, and each usable volume becomes a volume
// device with a record for the device list. Nothing is written.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "storage/dynamic_volume.h"

// One dynamic volume of the device list.
struct DynamicVolumeRecord {
  std::uint64_t sectorCount = 0;
  char typeName[40] = {};
  std::uint32_t fileSystemType = 7;
  char text[20] = {}; // left empty
  char volumeLabel[100] = {};
  char driveLetter = 0; // 0 when none
  // Owned by the record until handed on.
  std::unique_ptr<IDynamicDevice> device;
};

using DynamicVolumeList = std::vector<std::unique_ptr<DynamicVolumeRecord>>;

// Reads the database of every disk and appends a record for each volume
// that can be read; a volume that several disks of its group describe is
// listed once. The disks must outlive the devices. Returns the number of
// records in the list.
std::size_t CollectDynamicVolumes(std::span<IStorageDevice* const> disks, DynamicVolumeList& records);

// Looks for the disk's private header (its last sector, sector 6, sector
// 2081, then the GPT entry of the database's metadata partition) and puts
// its first 512 bytes, converted to host order, into the buffer. 1 when
// one was found.
int FindPrivateHeader(IStorageDevice* disk, std::uint8_t* buffer);

namespace qm {

// A GPT entry array of more entries than this is not searched for the
// metadata partition.
inline constexpr std::uint32_t kLdmMaxGptEntries = 128;
// The configuration area read behind the private header, in sectors.
inline constexpr std::uint64_t kLdmConfigSectors = 2048;

} // namespace qm
