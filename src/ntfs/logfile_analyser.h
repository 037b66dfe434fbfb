// The $LogFile evidence of the NTFS deep scan: the $LogFile's own record,
// its two restart pages ("RSTR", 4096 bytes each, at the start of its
// data) and its log record pages ("RCRD"). A restart page and the record's
// first data cluster place a volume's start; the log pages inside a
// candidate's $LogFile data count for it at the end.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/ntfs_candidate_map.h"
#include "ntfs/ntfs_scan_evidence.h"
#include "platform/byte_view.h"

namespace qm {

class CNtfsLogFileAnalyser {
public:
  CNtfsLogFileAnalyser(NtfsCandidateMap& candidates, std::uint32_t sectorSize);

  // A restart page at sector R (the window passed IsValidRstrPage).
  void AnalyzeRSTRRecord(std::uint64_t sector);
  // The $LogFile record found at sector S.
  void AddLogFileRecord(std::uint64_t sector, std::span<std::uint8_t> record);
  // A sector of the sweep with the bytes from it to the end of what is
  // read (at least 4096 where a page may be whole). Pages found are
  // noted and the search moves on behind them.
  void ScanLogPage(std::uint64_t sector, ByteView window);
  bool IsRecordListFull() const { return records_.size() >= kEvidenceListCap; }
  // Sets the candidate's $LogFile match count and sector.
  void SetLogFileMatch(CSearchedNTFSPartitionInfo& candidate);
  // Before the joins: the record list in sector order.
  void Finish() { SortBySector(records_); }

  const std::vector<std::uint64_t>& RestartPages() const { return restarts_; }
  const std::vector<NtfsSystemFileInfo>& Records() const { return records_; }
  const NtfsSectorRunList& LogPageUnits() const { return pages_; }

private:
  void Propose(std::uint64_t sector, const NtfsSystemFileInfo& record, std::uint32_t flag);

  NtfsCandidateMap& candidates_;
  std::uint32_t sectorSize_;
  std::uint64_t unitsPerSector_;
  std::uint64_t pageSectors_; // sectors of one 4096-byte page
  std::vector<NtfsSystemFileInfo> records_;
  std::vector<std::uint64_t> restarts_;
  NtfsSectorRunList pages_;
  std::uint64_t nextPageSector_ = 0; // the page search resumes here
};

} // namespace qm
