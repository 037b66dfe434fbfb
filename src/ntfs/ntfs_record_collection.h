// What a tree build gathers from the MFT records of one $MFT before it
// links them into a tree: one entry a base record, where the $MFT lies and
// how its sectors map to record numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "ntfs/data_runs.h"
#include "ntfs/ntfs_file_properties.h"
#include "ntfs/scan_holders.h"

class CFileNode;
class IRSData;

// One base record found while a tree is built.
struct NtfsRecordEntry {
  std::uint32_t isFolder = 0;                      // the header's directory flag
  std::uint64_t recordSector = qm::kNoSector;      // absolute sector where the record starts
  std::uint64_t parentNumber = qm::kNoNumber;      // -1 when unknown
  std::unique_ptr<CNTFSFileProperties> properties; // moves into the node
  std::uint64_t recordNumber = qm::kNoNumber;      // -1 when unknown
};

// Where one $MFT lies.
struct NtfsMftInfo {
  std::uint64_t recordSector = qm::kNoSector;
  qm::NtfsRunList extents;
  std::uint8_t sectorsPerFileRecord = 2;
  std::uint8_t sectorsPerCluster = 0; // must be non-zero for any mapping

  // The record number of the record that starts at the absolute sector of
  // a partition starting at partitionStart; -1 when the sector is outside
  // the extents or not at a record boundary.
  std::uint64_t RecordNumberOfSector(std::uint64_t sector, std::uint64_t partitionStart) const;
  std::uint64_t TotalClusters() const;
  bool ContainsLcn(std::int64_t lcn) const;

  // Record sector (8), sectors per file record (1), sectors per cluster
  // (1), then the run list. Stream errors raise.
  void Save(IRSData& stream) const;
  // Nothing for a saved value no mapping can use (a zero cluster or record
  // size) or a damaged run list.
  static std::optional<NtfsMftInfo> Load(IRSData& stream);
};

// The records of one $MFT and the node under which they are linked.
struct NtfsRecordCollection {
  NtfsMftInfo mft;
  std::vector<NtfsRecordEntry> entries;
  CFileNode* root = nullptr;
};

std::uint64_t SectorToRecordNumber(const NtfsMftInfo& mft, std::uint64_t sector,
                                   std::uint64_t partitionStart);
