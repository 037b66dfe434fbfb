// A candidate NTFS partition found by the deep scan, with the evidence
// behind it: how it was found (found flags), which system files matched,
// and the tree-build options stored with it.
#pragma once

#include <cstdint>

#include "storage/searched_partition_info.h"

namespace qm {

// How a candidate was found (bits of the found flags).
enum NtfsFoundFlag : std::uint32_t {
  kFoundFirstBoot = 0x001,
  kFoundLastBoot = 0x002,
  kFoundMftPair = 0x004,
  kFoundSingleMft = 0x008,
  kFoundMftMirr = 0x010,
  kFoundIndexFolder = 0x020,
  kFoundFirstRstr = 0x040,
  kFoundSecondRstr = 0x080,
  kFoundFilesAnalysis = 0x100,
};

struct NtfsFoundFlagLabel {
  std::uint32_t bit;
  const char* label;
};
// The labels the partition properties list shows, one a set bit, in bit
// order.
inline constexpr NtfsFoundFlagLabel kNtfsFoundFlagLabels[] = {
    {kFoundFirstBoot, "  From first boot record"},
    {kFoundLastBoot, "  From last boot record"},
    {kFoundMftPair, "  From mft files pair"},
    {kFoundSingleMft, "  From single $mft"},
    {kFoundMftMirr, "  From $mftMirr"},
    {kFoundIndexFolder, "  From index/folder comparision"},
    {kFoundFirstRstr, "  From First RSTR"},
    {kFoundSecondRstr, "  From Second RSTR"},
    {kFoundFilesAnalysis, "  From files analysis"},
};

// What Save writes after the 73-byte base record.
inline constexpr std::size_t kNtfsPartitionOwnBytes = 8 + 4 * 4 + 9 * 8;

} // namespace qm

class CSearchedNTFSPartitionInfo : public CSearchedPartitionInfo {
public:
  static constexpr std::uint64_t kUnknown = ~std::uint64_t{0};

  explicit CSearchedNTFSPartitionInfo(std::uint64_t serialNumber = 0, std::uint32_t bytesPerSector = 512);

  int GetKind() override { return kPartitionKindNtfs; }
  // The base record, then the own fields in declaration order, each at its
  // width, little-endian. Stream errors raise.
  int Save(IRSData* stream) override;
  int Load(IRSData* stream) override;

  // Two records with equal start sector and serial are the same partition.
  bool IsSamePartition(const CSearchedNTFSPartitionInfo& other) const {
    return m_nStartSector == other.m_nStartSector && m_u64SerialNumber == other.m_u64SerialNumber;
  }

  // qm::NtfsFoundFlag bits, as the partition properties list shows them.
  int GetFoundFlags() const { return static_cast<int>(m_nFoundFlags); }
  int GetSectorsPerFileRecord() const { return static_cast<int>(m_nSectorsPerFileRecord); }

  std::uint64_t m_u64SerialNumber = 0;
  std::uint32_t m_nSectorsPerFileRecord = 2;   // "Sectors per $mft file record"
  std::uint32_t m_nFoundFlags = 0;             // qm::NtfsFoundFlag bits
  std::uint32_t m_bUseMft = 0;                 // "Use$MFT"
  std::uint32_t m_bFilesFromMftOnly = 0;       // "ProcessFilesfrom$MFTonly"
  std::uint64_t m_u64TotalClusters = kUnknown; // "Total Clusters"
  std::uint64_t m_u64LogFileMatches = kUnknown;
  std::uint64_t m_u64AttrDefMatches = kUnknown;
  std::uint64_t m_u64UpCaseMatches = kUnknown;
  std::uint64_t m_u64MftSector = kUnknown;
  std::uint64_t m_u64LogFileSector = kUnknown;
  std::uint64_t m_u64AttrDefSector = kUnknown;
  std::uint64_t m_u64UpCaseSector = kUnknown;
  std::uint64_t m_u64SectorsFromSystemFiles = kUnknown; // "SectorsCountfromSystemFiles"
};
