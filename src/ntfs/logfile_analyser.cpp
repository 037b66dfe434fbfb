#include "ntfs/logfile_analyser.h"

#include "ntfs/log_pages.h"
#include "ntfs/ntfs_partition_info.h"

namespace qm {
namespace {
constexpr std::uint64_t kLogFileNumber = 2;
} // namespace

CNtfsLogFileAnalyser::CNtfsLogFileAnalyser(NtfsCandidateMap& candidates, std::uint32_t sectorSize)
    : candidates_(candidates), sectorSize_(sectorSize == 0 || sectorSize % 512 != 0 ? 512 : sectorSize),
      unitsPerSector_(sectorSize_ / 512), pageSectors_(SectorsIn4096Bytes(sectorSize_)) {}

void CNtfsLogFileAnalyser::Propose(std::uint64_t sector, const NtfsSystemFileInfo& record, std::uint32_t flag) {
  const std::int64_t cluster = VcnToLcn(record.dataRuns, 0);
  candidates_.AddEvidence(MakeCandidateAtCluster(sector, cluster, record.sectorsPerCluster, flag,
                                                 candidates_.DeviceSectors(), sectorSize_));
}

void CNtfsLogFileAnalyser::AnalyzeRSTRRecord(std::uint64_t r) {
  if (restarts_.size() >= kEvidenceListCap) return;
  const bool second = !restarts_.empty() && r >= pageSectors_ && restarts_.back() == r - pageSectors_;
  for (const NtfsSystemFileInfo& record : records_) {
    const std::int64_t cluster = VcnToLcn(record.dataRuns, 0);
    if (cluster < 0 || record.sectorsPerCluster == 0) continue;
    const std::uint64_t d = candidates_.DeviceSectors();
    if (second) {
      // The page before was the first one: the volume is where it says.
      if (auto key = MakeCandidateAtCluster(r - pageSectors_, cluster, record.sectorsPerCluster, 0, d, sectorSize_))
        candidates_.UpdateFoundFlags(*key, kFoundSecondRstr, 0);
      // And this page is no first page.
      if (auto key = MakeCandidateAtCluster(r, cluster, record.sectorsPerCluster, 0, d, sectorSize_))
        candidates_.UpdateFoundFlags(*key, 0, kFoundFirstRstr);
    } else {
      Propose(r, record, kFoundFirstRstr);
      if (r > pageSectors_) Propose(r - pageSectors_, record, kFoundSecondRstr);
    }
  }
  restarts_.push_back(r);
}

void CNtfsLogFileAnalyser::AddLogFileRecord(std::uint64_t sector, std::span<std::uint8_t> record) {
  if (IsRecordListFull()) return;
  auto info = MakeSystemFileInfo(record, sector, sectorSize_);
  if (!info) return;
  const std::int64_t cluster = VcnToLcn(info->dataRuns, 0);
  if (cluster >= 0 && info->sectorsPerCluster != 0) {
    for (std::size_t i = 0; i < restarts_.size(); ++i) {
      const std::uint64_t r = restarts_[i];
      if (i + 1 < restarts_.size() && restarts_[i + 1] == r + pageSectors_) {
        Propose(r, *info, kFoundFirstRstr | kFoundSecondRstr);
        ++i;
      } else {
        Propose(r, *info, kFoundFirstRstr);
        if (r != pageSectors_ && r > pageSectors_) Propose(r - pageSectors_, *info, kFoundSecondRstr);
      }
    }
  }
  records_.push_back(std::move(*info));
}

void CNtfsLogFileAnalyser::ScanLogPage(std::uint64_t sector, ByteView window) {
  if (sector < nextPageSector_) return;
  if (!IsRcrdMagic(window) || window.size() < logfile::kPageBytes) return;
  if (!IsValidRcrdPage(window.sub(0, logfile::kPageBytes))) return;
  pages_.Add(sector * unitsPerSector_, logfile::kPageBytes / 512);
  nextPageSector_ = sector + pageSectors_;
}

void CNtfsLogFileAnalyser::SetLogFileMatch(CSearchedNTFSPartitionInfo& c) {
  const std::uint64_t perRecord = c.GetSectorsPerFileRecord() > 0 ? c.GetSectorsPerFileRecord() : 1;
  const NtfsSystemFileInfo* found = FindSystemRecordOf(records_, c.m_u64MftSector, kLogFileNumber * perRecord,
                                                       c.GetStartSector(), CandidateEnd(c));
  if (found == nullptr) {
    c.m_u64LogFileMatches = 0;
    return;
  }
  c.m_u64LogFileSector = found->recordSector;
  c.m_u64LogFileMatches =
      CountUnitsInRuns(pages_, found->dataRuns, c.GetStartSector(), c.GetSectorsPerCluster(), unitsPerSector_);
}

} // namespace qm
