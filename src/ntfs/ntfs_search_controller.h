// The NTFS deep scan: the search controller that is shown every sector of
// a device once, block by block, collects what betrays an NTFS volume
// (boot sectors and their backups, FILE records and the $MFT/$MFTMirr
// groups among them, folders with their index blocks, $LogFile restart
// and log pages, sectors equal to the standard $AttrDef and $UpCase
// contents), turns that evidence into candidate partitions, scores and
// thins them at the end, and builds the tree of a chosen one from the
// $MFT records and FILE-record ranges it kept.
//
// Structures that start near the end of one block are looked at when the
// next block has been read: the last 16 sectors of a block wait in a small
// seam buffer until the first sectors of the next one join them, so every
// sector is examined once with its whole window of 16 sectors (except at
// the device's end, or after a cancel, when EndSearch examines what is
// left with the sectors there are). Blocks of the read-ahead cache are
// examined where they lie; only a record or index block that is looked at
// more closely is copied (its fix-up changes bytes).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ntfs/file_type_matches.h"
#include "ntfs/ntfs_candidate_map.h"
#include "ntfs/ntfs_record_collection.h"
#include "ntfs/scan_holders.h"
#include "ntfs/search_controller.h"

namespace qm {
class CNtfsIndexFolderEvidence;
class CNtfsLogFileAnalyser;
class CNtfsMftAnalyser;
class CNtfsTemplateMatcher;
} // namespace qm
class CStorageDeviceWithCache;

class CNTFSSearchController : public IFileSystemSearchController {
public:
  // Sectors a window reaches ahead of its sector, and the spare room in
  // front of the block buffer for the sectors carried over.
  static constexpr std::uint32_t kWindowSectors = 16;

  CNTFSSearchController();
  ~CNTFSSearchController() override;

  void SetDevice(IStorageDevice* device) override;
  void SetSectorsPerBlock(std::uint32_t sectors) override { sectorsPerBlock_ = sectors; }
  int PrepareSearch() override;
  void EndSearch() override;
  int AnalyzeBlock(std::uint64_t first, std::uint64_t count, SearchStatistics* statistics) override;
  void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions) override;
  void SetRawFileCollection(CRawFileCollection* collection) override { raw_ = collection; }
  // The $MFT list (u64 count, then each in its saved form), then the
  // FILE-record ranges (u64 count, then 8 + 8 bytes each).
  int Save(IRSData* stream) override;
  int Load(IRSData* stream) override;
  int GetKind() override { return kNtfsSearchController; }
  CFileNode* BuildTree(CSearchedPartitionInfo* partition, IStorageDevice* device, int ordinal,
                       IDIRBuildCallback* callback) override;
  int AcceptsPartitionType(int typeCode) override { return typeCode == 3 ? 1 : 0; }

  // What the scan keeps for the tree builds.
  const std::vector<NtfsMftInfo>& MftList() const { return mfts_; }
  const std::vector<qm::NtfsRecordRange>& RecordRanges() const { return ranges_; }
  // The candidates while the controller still holds them.
  qm::NtfsCandidateMap& Candidates() { return candidates_; }

private:
  struct SectorCounts {
    std::uint64_t bootRecords = 0;
    std::uint64_t fileRecords = 0;
  };

  void AnalyzeSectors(std::uint64_t base, const std::uint8_t* data, std::uint64_t count, std::uint64_t limit,
                      SectorCounts& counts);
  void AnalyzeSector(std::uint64_t sector, const std::uint8_t* data, std::uint64_t windowSectors,
                     SectorCounts& counts);
  void AnalyzeNTFSDBRSector(std::uint64_t sector, const std::uint8_t* data);
  bool AnalyzeNTFSFileRecordSector(std::uint64_t sector, const std::uint8_t* data, std::uint64_t windowBytes);
  const std::uint8_t* BlockData(std::uint64_t first, std::uint64_t count);
  void CarrySeam(std::uint64_t first, const std::uint8_t* data, std::uint64_t count, SectorCounts& counts);
  void AddRecordToRange(std::uint64_t sector);
  void AddFileTypeMatchOf(std::uint64_t sector, qm::ByteView record);
  void FinishPending();
  void FinishPending(SectorCounts& counts);
  void ScoreAndThin();
  void FreeSweep();

  IStorageDevice* device_ = nullptr;
  std::uint64_t deviceSectors_ = 0;
  std::uint32_t sectorSize_ = 512;
  std::uint32_t sectorsPerBlock_ = 0;
  bool useBootRecords_ = true;
  CRawFileCollection* raw_ = nullptr;

  CStorageDeviceWithCache* cache_ = nullptr; // the device, when blocks can be seen in place
  std::vector<std::uint8_t> buffer_;          // a block read from any other device
  // Sectors not yet examined, [pendingFirst_, + pendingCount_), at the
  // start of the seam, which has room behind them for a window.
  std::vector<std::uint8_t> seam_;
  std::uint64_t pendingFirst_ = 0;
  std::uint64_t pendingCount_ = 0;
  std::vector<std::uint8_t> scratch_; // a record or index block being looked at

  qm::NtfsCandidateMap candidates_;
  std::vector<NtfsMftInfo> mfts_;
  std::vector<qm::NtfsRecordRange> ranges_;
  qm::FileTypeMatchList typeMatches_;
  std::unique_ptr<qm::CNtfsMftAnalyser> mftAnalyser_;
  std::unique_ptr<qm::CNtfsLogFileAnalyser> logAnalyser_;
  std::unique_ptr<qm::CNtfsTemplateMatcher> attrDefMatcher_;
  std::unique_ptr<qm::CNtfsTemplateMatcher> upCaseMatcher_;
  std::unique_ptr<qm::CNtfsIndexFolderEvidence> folders_;
};
