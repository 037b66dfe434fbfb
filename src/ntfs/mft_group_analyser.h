// The $MFT evidence of the NTFS deep scan: groups of system-file records
// that begin with $MFT ($MFT, $MFTMirr, $LogFile ... $BadClus, one record
// after the other), the $MFT/$MFTMirr pair they form, and the volume size
// that $Bitmap gives. A group at the $MFT's own clusters and its copy at
// the $MFTMirr's clusters tie the volume's start down; every $MFT record
// found is kept for the tree build of the partitions found.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "ntfs/mft_record.h"
#include "ntfs/ntfs_candidate_map.h"
#include "ntfs/ntfs_record_collection.h"
#include "ntfs/ntfs_scan_evidence.h"

namespace qm {

// An $MFT record as the scan keeps it: where it lies, its runs, its
// sectors per record and its cluster-size guess (0 when none fits).
std::optional<NtfsMftInfo> MakeMftInfo(const CNTFSFileRecordView& view, std::uint64_t sector,
                                       std::uint32_t sectorSize);

class CNtfsMftAnalyser {
public:
  // mftList is the controller's: it outlives the analyser and is saved.
  CNtfsMftAnalyser(NtfsCandidateMap& candidates, std::vector<NtfsMftInfo>& mftList, std::uint32_t sectorSize,
                   bool useBitmapForSize);

  // Every sector the scan examines, with the record view over it (valid
  // or not) and its system-file number (-1 for none).
  void AnalyzeMftGroupSector(std::uint64_t sector, const CNTFSFileRecordView& view, int systemNumber);
  // Whether a group waits for more records: only then does a sector
  // without a record matter.
  bool HasPendingGroup() const { return pendingMft_.has_value(); }
  // Whether a $MFT ($MFTMirr) record would find its list full.
  bool IsSystemListFull(int systemNumber) const;

  const std::vector<NtfsSystemFileInfo>& MirrList() const { return mirrs_; }
  const std::vector<std::pair<std::uint64_t, std::uint64_t>>& PairList() const { return pairs_; }

private:
  void CloseGroup();
  void SingleMft(const NtfsMftInfo& mft);
  void UpdateFromGroup(CSearchedNTFSPartitionInfo& c) const;
  void UpdateMatching(const CSearchedNTFSPartitionInfo& key);
  void ResetGroup();

  NtfsCandidateMap& candidates_;
  std::vector<NtfsMftInfo>& mfts_;
  std::uint32_t sectorSize_;
  bool useBitmapForSize_;

  std::optional<std::size_t> pendingMft_; // index into mfts_
  std::optional<NtfsSystemFileInfo> pendingMirr_;
  std::uint64_t lastMft_ = kNoSector;
  std::uint64_t recordSectors_ = 2;
  std::uint64_t bitmapClusters_ = kNoNumber;

  std::vector<NtfsSystemFileInfo> mirrs_;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> pairs_; // $MFT sector, $MFTMirr sector
  std::set<std::uint64_t> pairMftSectors_;
};

} // namespace qm
