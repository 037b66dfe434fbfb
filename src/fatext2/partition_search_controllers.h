// The checkers of the lost-partition search, one per file-system family:
// each decides from a probed sector whether a volume of its family begins
// there and describes it. They sit with the FAT and EXT2 engines because
// the searcher (in storage) may not see the engines, while this library
// sees storage, the NTFS engine and its own.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/partition_searcher.h"

class CPartitionFATSearchController : public IPartitionFileSystemSearchController {
public:
  void SetDevice(IStorageDevice* device) override;
  void BeginSearch() override {}
  void EndSearch() override {}
  int CheckSector(const std::uint8_t* buffer, std::uint64_t sector, LostPartitionRecord* record) override;

private:
  IStorageDevice* m_pDevice = nullptr;
  std::uint32_t m_nBytesPerSector = 512;
  std::vector<std::uint8_t> m_sector;
};

class CPartitionNTFSSearchController : public IPartitionFileSystemSearchController {
public:
  void SetDevice(IStorageDevice* device) override { m_pDevice = device; }
  void BeginSearch() override {}
  void EndSearch() override {}
  int CheckSector(const std::uint8_t* buffer, std::uint64_t sector, LostPartitionRecord* record) override;

private:
  IStorageDevice* m_pDevice = nullptr;
};

class CPartitionEXT2SearchController : public IPartitionFileSystemSearchController {
public:
  void SetDevice(IStorageDevice* device) override;
  void BeginSearch() override {}
  void EndSearch() override {}
  int CheckSector(const std::uint8_t* buffer, std::uint64_t sector, LostPartitionRecord* record) override;

private:
  IStorageDevice* m_pDevice = nullptr;
  std::uint32_t m_nSectorSize = 512;
  std::vector<std::uint8_t> m_sector; // the sector of the super block's magic
};

namespace qm {
// The sectors a found volume may claim: its own count, or all that is left
// of the disk from its start when the count is 0 or runs past the disk end.
std::uint64_t FoundVolumeSectors(std::uint64_t start, std::uint64_t claimed, std::uint64_t diskSectors);
} // namespace qm
