// The candidate NTFS partitions of a deep scan, keyed by start sector and
// cluster size, and the ways evidence turns into them. Two candidates
// match when both keys are equal; every piece of evidence either adds its
// found-flag to the candidates it matches or becomes a new candidate.
// Sectors are the scanned device's; counts of "8 sectors" in the rules are
// 4096 bytes, so that a volume on 4096-byte sectors is judged alike.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "ntfs/ntfs_partition_info.h"

class CNTFSDBR;

namespace qm {

using NtfsCandidatePtr = std::unique_ptr<CSearchedNTFSPartitionInfo>;

// Sectors of the scanned device that make 4096 bytes (1 on 4096-byte
// sectors, 8 on 512-byte ones).
std::uint64_t SectorsIn4096Bytes(std::uint32_t sectorSize);

class NtfsCandidateMap {
public:
  using Key = std::pair<std::uint64_t, std::uint32_t>; // start sector, sectors per cluster
  using Map = std::multimap<Key, NtfsCandidatePtr>;

  void SetDevice(std::uint64_t deviceSectors, std::uint32_t sectorSize);
  std::uint64_t DeviceSectors() const { return deviceSectors_; }
  std::uint32_t SectorSize() const { return sectorSize_; }

  static Key KeyOf(const CSearchedNTFSPartitionInfo& c) { return {c.GetStartSector(), c.GetSectorsPerCluster()}; }

  // For every candidate matching the key: clears the remove-flags it has,
  // adds the add-flags, and drops it when no flag is left. True when any
  // matched.
  bool UpdateFoundFlags(const CSearchedNTFSPartitionInfo& key, std::uint32_t add, std::uint32_t remove);
  // Evidence for the candidate: its flags are added to the matching ones
  // (the fresh candidate is then deleted), or it goes into the map. True
  // when it matched.
  bool AddEvidence(NtfsCandidatePtr candidate);
  void Insert(NtfsCandidatePtr candidate);

  // The candidates matching a key, in map order.
  std::pair<Map::iterator, Map::iterator> Matching(const Key& key) { return map_.equal_range(key); }
  Map& Entries() { return map_; }
  std::size_t Size() const { return map_.size(); }
  // Hands every candidate to the list in map order; the map is then empty.
  void ReleaseTo(std::vector<CSearchedPartitionInfo*>& list);

private:
  Map map_;
  std::uint64_t deviceSectors_ = 0;
  std::uint32_t sectorSize_ = 512;
};

// A candidate from a boot sector read as belonging to a volume that starts
// at start (which may be negative: then none). Its window is the volume's
// sector count and the backup boot sector behind it, cut at the device's
// end; fewer than 4096 bytes of the volume on the device give none. The
// boot sector's geometry is taken into the device's sectors.
NtfsCandidatePtr MakeCandidateFromBootSector(const CNTFSDBR& boot, std::int64_t start, std::uint32_t flag,
                                             std::uint64_t deviceSectors, std::uint32_t sectorSize);

// A candidate whose cluster `cluster` (of sectorsPerCluster sectors) lies
// at the evidence sector. None when that start would be negative or when
// the evidence lies fewer than 4096 bytes into the volume. The size runs to
// the device's end (its total clusters are the whole ones in it).
NtfsCandidatePtr MakeCandidateAtCluster(std::uint64_t sector, std::int64_t cluster, std::uint32_t sectorsPerCluster,
                                        std::uint32_t flag, std::uint64_t deviceSectors,
                                        std::uint32_t sectorSize);
// The same for every cluster size from 1 to 128 sectors, in that order.
std::vector<NtfsCandidatePtr> MakeCandidatesForAllClusterSizes(std::uint64_t sector, std::int64_t cluster,
                                                               std::uint32_t flag, std::uint64_t deviceSectors,
                                                               std::uint32_t sectorSize);

} // namespace qm
