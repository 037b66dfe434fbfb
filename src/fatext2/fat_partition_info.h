// A FAT partition as the deep scan finds it and the tree builds read it:
// the base record's geometry plus where the FAT lies, how big it is, where
// the root directory is, and the evidence bits that say which structures
// were seen.
#pragma once

#include <cstdint>

#include "storage/searched_partition_info.h"

namespace qm {
// Evidence bits of a found FAT partition.
enum FatFoundFlag : std::uint32_t {
  kFatFoundBoot12 = 0x01,     // a FAT12 boot sector at the start sector
  kFatFoundBoot16 = 0x02,     // a FAT16 boot sector at the start sector
  kFatFoundBoot32 = 0x04,     // a FAT32 boot sector at the start sector
  kFatFoundBackupBoot = 0x08, // a FAT32 backup boot sector at start + 6
  kFatFoundDirectory = 0x10,  // supported by a directory sector
  kFatSeenFirstFat = 0x40,
  kFatUseFirstFat = 0x80,
  kFatSeenSecondFat = 0x100,
  kFatUseSecondFat = 0x200,
};
inline constexpr std::uint32_t kFatBootFlags = kFatFoundBoot12 | kFatFoundBoot16 | kFatFoundBoot32;
// The FAT32 backup boot sector lies this many sectors after the first.
inline constexpr std::uint64_t kFatBackupBootOffset = 6;
} // namespace qm

class CFATSearchedPartitionInfo : public CSearchedPartitionInfo {
public:
  explicit CFATSearchedPartitionInfo(std::uint32_t bytesPerSector = 512) : CSearchedPartitionInfo(bytesPerSector) {}

  int GetKind() override { return kPartitionKindFat; }
  // The base record, then reserved sectors (2 bytes), sectors per FAT,
  // cluster count, root value and flags (4 each), little-endian.
  int Save(IRSData* stream) override;
  int Load(IRSData* stream) override;

  std::uint16_t GetReservedSectors() const { return m_nReservedSectors; }
  void SetReservedSectors(std::uint16_t sectors) { m_nReservedSectors = sectors; }
  std::uint32_t GetSectorsPerFat() const { return m_nSectorsPerFat; }
  void SetSectorsPerFat(std::uint32_t sectors) { m_nSectorsPerFat = sectors; }
  std::uint32_t GetClusterCount() const { return m_nClusterCount; }
  void SetClusterCount(std::uint32_t count) { m_nClusterCount = count; }
  // FAT12 / FAT16: sectors of the root directory; FAT32: its first cluster.
  std::uint32_t GetRootValue() const { return m_nRootValue; }
  void SetRootValue(std::uint32_t value) { m_nRootValue = value; }
  std::uint32_t GetFlags() const { return m_nFlags; }
  void SetFlags(std::uint32_t flags) { m_nFlags = flags; }
  void AddFlags(std::uint32_t flags) { m_nFlags |= flags; }

private:
  std::uint16_t m_nReservedSectors = 0;
  std::uint32_t m_nSectorsPerFat = 0;
  std::uint32_t m_nClusterCount = 0;
  std::uint32_t m_nRootValue = 0;
  std::uint32_t m_nFlags = 0;
};
