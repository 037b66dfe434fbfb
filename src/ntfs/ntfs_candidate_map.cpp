#include "ntfs/ntfs_candidate_map.h"

#include <algorithm>

#include "ntfs/ntfs_boot_sector.h"
#include "storage/partition_table.h"

namespace qm {

std::uint64_t SectorsIn4096Bytes(std::uint32_t sectorSize) {
  if (sectorSize == 0 || sectorSize >= 4096) return 1;
  return 4096 / sectorSize;
}

void NtfsCandidateMap::SetDevice(std::uint64_t deviceSectors, std::uint32_t sectorSize) {
  deviceSectors_ = deviceSectors;
  sectorSize_ = CSearchedPartitionInfo::NormalizeBytesPerSector(sectorSize);
}

bool NtfsCandidateMap::UpdateFoundFlags(const CSearchedNTFSPartitionInfo& key, std::uint32_t add,
                                        std::uint32_t remove) {
  auto [it, end] = map_.equal_range(KeyOf(key));
  const bool matched = it != end;
  while (it != end) {
    CSearchedNTFSPartitionInfo& c = *it->second;
    c.m_nFoundFlags = (c.m_nFoundFlags & ~remove) | add;
    if (c.m_nFoundFlags == 0)
      it = map_.erase(it);
    else
      ++it;
  }
  return matched;
}

bool NtfsCandidateMap::AddEvidence(NtfsCandidatePtr candidate) {
  if (!candidate) return false;
  if (UpdateFoundFlags(*candidate, candidate->m_nFoundFlags, 0)) return true;
  Insert(std::move(candidate));
  return false;
}

void NtfsCandidateMap::Insert(NtfsCandidatePtr candidate) {
  if (!candidate) return;
  const Key key = KeyOf(*candidate);
  map_.emplace(key, std::move(candidate));
}

void NtfsCandidateMap::ReleaseTo(std::vector<CSearchedPartitionInfo*>& list) {
  list.reserve(list.size() + map_.size());
  for (auto& [key, candidate] : map_)
    list.push_back(candidate.release());
  map_.clear();
}

namespace {

NtfsCandidatePtr NewCandidate(std::uint32_t flag, std::uint32_t sectorSize) {
  auto c = std::make_unique<CSearchedNTFSPartitionInfo>(0, sectorSize);
  c->SetFileSystemType(kFsNtfs);
  c->m_nFoundFlags = flag;
  return c;
}

} // namespace

NtfsCandidatePtr MakeCandidateFromBootSector(const CNTFSDBR& boot, std::int64_t start, std::uint32_t flag,
                                             std::uint64_t deviceSectors, std::uint32_t sectorSize) {
  if (start < 0) return nullptr;
  const auto first = static_cast<std::uint64_t>(start);
  if (first >= deviceSectors) return nullptr;
  // The boot sector counts in its own sectors; a volume made for another
  // sector size is taken into the device's when the sizes divide.
  const std::uint32_t bps = boot.GetBytesPerSector();
  std::uint64_t total = boot.GetTotalSectors();
  std::uint64_t spc = boot.GetSectorsPerCluster();
  if (bps != sectorSize) {
    if (bps > sectorSize && bps % sectorSize == 0) {
      const std::uint64_t f = bps / sectorSize;
      if (total > ~std::uint64_t{0} / f) return nullptr;
      total *= f;
      spc *= f;
    } else if (bps < sectorSize && sectorSize % bps == 0) {
      const std::uint64_t f = sectorSize / bps;
      if (spc % f != 0) return nullptr;
      total /= f;
      spc /= f;
    } else {
      return nullptr;
    }
  }
  if (spc == 0 || spc > 255) return nullptr;
  const std::uint64_t room = deviceSectors - first;
  const std::uint64_t usable = std::min(total, room);
  if (usable < SectorsIn4096Bytes(sectorSize)) return nullptr;
  auto c = NewCandidate(flag, sectorSize);
  c->SetSectorsPerCluster(static_cast<std::uint8_t>(spc));
  c->m_u64SerialNumber = static_cast<std::uint64_t>(boot.GetVolumeSerialNumber());
  c->SetStartSector(first);
  c->m_u64TotalClusters = usable / spc;
  // The window holds the whole volume, as the partition that held it did:
  // its sectors to the last one (a count need not fill its last cluster)
  // and the backup boot sector behind them.
  c->SetSectorCount(std::min(VolumeExtentSectors(kFsNtfs, total), room));
  return c;
}

NtfsCandidatePtr MakeCandidateAtCluster(std::uint64_t sector, std::int64_t cluster, std::uint32_t sectorsPerCluster,
                                        std::uint32_t flag, std::uint64_t deviceSectors,
                                        std::uint32_t sectorSize) {
  if (cluster < 0 || sectorsPerCluster == 0 || sectorsPerCluster > 128) return nullptr;
  const auto c64 = static_cast<std::uint64_t>(cluster);
  if (c64 > sector / sectorsPerCluster) return nullptr; // start before sector 0
  const std::uint64_t start = sector - c64 * sectorsPerCluster;
  if (sector - start < SectorsIn4096Bytes(sectorSize)) return nullptr;
  if (start >= deviceSectors) return nullptr;
  auto c = NewCandidate(flag, sectorSize);
  c->SetSectorsPerCluster(static_cast<std::uint8_t>(sectorsPerCluster));
  c->SetStartSector(start);
  c->m_u64TotalClusters = (deviceSectors - start) / sectorsPerCluster;
  c->SetSectorCount(deviceSectors - start);
  c->SetFoldersMatched(0);
  return c;
}

std::vector<NtfsCandidatePtr> MakeCandidatesForAllClusterSizes(std::uint64_t sector, std::int64_t cluster,
                                                               std::uint32_t flag, std::uint64_t deviceSectors,
                                                               std::uint32_t sectorSize) {
  std::vector<NtfsCandidatePtr> made;
  for (std::uint32_t p = 1; p <= 128; p *= 2) {
    if (auto c = MakeCandidateAtCluster(sector, cluster, p, flag, deviceSectors, sectorSize))
      made.push_back(std::move(c));
  }
  return made;
}

} // namespace qm
