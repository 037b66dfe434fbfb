#include "ntfs/index_folder_evidence.h"

#include "ntfs/index_record.h"
#include "ntfs/ntfs_scan_evidence.h"
#include "platform/log.h"
#include "platform/tick_count.h"

namespace qm {
namespace {
constexpr std::uint64_t kRootFolder = 5;
constexpr std::uint32_t kSlowMs = 30;
} // namespace

CNtfsIndexFolderEvidence::CNtfsIndexFolderEvidence(NtfsCandidateMap& candidates, std::uint32_t sectorSize)
    : candidates_(candidates), sectorSize_(sectorSize) {}

void CNtfsIndexFolderEvidence::Match(const NtfsIndexBlockInfo& block, const NtfsFolderIndexInfo& folder) {
  const std::int64_t cluster = VcnToLcn(folder.indexRuns, block.vcn);
  if (cluster < 0) return;
  auto made = MakeCandidateAtCluster(block.sector, cluster, folder.sectorsPerClusterGuess, kFoundIndexFolder,
                                     candidates_.DeviceSectors(), sectorSize_);
  if (!made) return;
  auto [it, end] = candidates_.Matching(NtfsCandidateMap::KeyOf(*made));
  if (it == end) {
    candidates_.Insert(std::move(made));
    return;
  }
  for (; it != end; ++it) {
    it->second->m_nFoundFlags |= kFoundIndexFolder;
    it->second->SetFoldersMatched(it->second->GetFoldersMatched() + 1);
  }
}

void CNtfsIndexFolderEvidence::AnalyzeIndexBlock(std::uint64_t sector, std::span<std::uint8_t> window) {
  if (!IsValidIndxRecord(window)) return;
  if (!ApplyIndxFixup(window)) return;
  const ByteView block(window.data(), window.size());
  const std::int64_t parent = GetIndxParent(block);
  const std::uint64_t vcn = GetIndxVcn(block);
  RestoreIndxFixup(window);
  if (parent < 0 || static_cast<std::uint64_t>(parent) == kRootFolder) return;
  const NtfsIndexBlockInfo info{sector, vcn, static_cast<std::uint64_t>(parent)};
  auto [it, end] = folders_.equal_range(info.folderNumber);
  for (; it != end; ++it) Match(info, it->second);
  if (blocks_.size() < kEvidenceListCap) blocks_.emplace(info.folderNumber, info);
}

bool CNtfsIndexFolderEvidence::AnalyzeFolderRecord(std::uint64_t sector, ByteView record) {
  auto folder = MakeFolderIndexInfo(record, sector, sectorSize_);
  if (!folder) return false;
  auto [it, end] = blocks_.equal_range(folder->folderNumber);
  for (; it != end; ++it) {
    const std::uint64_t start = GetTickCount64();
    Match(it->second, *folder);
    const std::uint64_t elapsed = GetTickCount64() - start;
    if (elapsed > kSlowMs)
      DebugTrace("BuildPartitionInfoAccordingtoFileRecord(pIndexRecordInfo->u64Sector, s64ClusterNO) "
                 "dwElapsedTime %u \n",
                 static_cast<unsigned>(elapsed));
  }
  if (folders_.size() < kEvidenceListCap) folders_.emplace(folder->folderNumber, std::move(*folder));
  return true;
}

} // namespace qm
