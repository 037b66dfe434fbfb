#include "ntfs/cluster_use_bitmap.h"

#include "filemodel/data_run_list.h"
#include "filemodel/file_node.h"

CClusterUseBitMap::CClusterUseBitMap(std::vector<bool>* bits, std::uint64_t firstSector,
                                     std::uint8_t sectorsPerCluster, std::uint64_t clusterCount)
    : bits_(bits), firstSector_(firstSector), sectorsPerCluster_(sectorsPerCluster),
      clusterCount_(clusterCount) {}

bool CClusterUseBitMap::IsClusterUsed(std::uint64_t sector) const {
  if (sector < firstSector_ || sectorsPerCluster_ == 0) return true;
  const std::uint64_t cluster = (sector - firstSector_) / sectorsPerCluster_;
  if (cluster >= clusterCount_) return true;
  return bits_ && cluster < bits_->size() && (*bits_)[cluster];
}

void CClusterUseBitMap::SetCluster(std::int64_t cluster) {
  if (!bits_ || cluster < 0 || static_cast<std::uint64_t>(cluster) >= bits_->size()) return;
  (*bits_)[static_cast<std::size_t>(cluster)] = true;
}

void CClusterUseBitMap::MarkRange(std::uint64_t sector) {
  if (sector < firstSector_ || sectorsPerCluster_ == 0) return;
  const std::uint64_t cluster = (sector - firstSector_) / sectorsPerCluster_;
  if (cluster > static_cast<std::uint64_t>(INT64_MAX) - 1) return;
  SetCluster(static_cast<std::int64_t>(cluster));
  if (sectorsPerCluster_ == 1) SetCluster(static_cast<std::int64_t>(cluster + 1));
}

void CClusterUseBitMap::MarkDataRuns(const IDataRunList& list, std::uint64_t byteLimit) {
  if (list.IsResident()) {
    if (!list.Runs().empty()) MarkRange(list.Runs().front().start);
    return;
  }
  const std::uint64_t clusterBytes = std::uint64_t{sectorsPerCluster_} * 512;
  if (clusterBytes == 0) return;
  std::uint64_t total = 0;
  for (const DataRunEntry& run : list.Runs()) {
    // The clusters the limit still reaches, so that a hostile run length
    // costs no more than the file's size.
    const std::uint64_t left = byteLimit > total ? (byteLimit - total + clusterBytes - 1) / clusterBytes : 0;
    const std::uint64_t count = std::max<std::uint64_t>(std::min(run.count, left), 1);
    for (std::uint64_t i = 0; i < count && i < run.count; ++i) {
      if (!run.IsSparse()) SetCluster(static_cast<std::int64_t>(run.start + i));
      total += clusterBytes;
      if (total >= byteLimit) return;
    }
  }
}

std::unique_ptr<CClusterUseBitMap> BuildClusterUseBitMap(CFileNode* root, std::vector<bool>* bits,
                                                         std::uint64_t clusterCount) {
  if (!root) return nullptr;
  std::uint64_t firstSector = 0;
  std::uint32_t sectorsPerCluster = 0;
  if (!root->GetVolumeGeometry(&firstSector, &sectorsPerCluster)) return nullptr;
  auto map = std::make_unique<CClusterUseBitMap>(bits, firstSector,
                                                 static_cast<std::uint8_t>(sectorsPerCluster), clusterCount);
  VisitTreeBreadthFirst(root, [&](CFileNode* node) {
    IFileProperties* properties = node->GetProperties();
    if (!properties) return;
    if (auto list = properties->GetDataRunList()) map->MarkDataRuns(*list, properties->GetSize());
  });
  return map;
}
