// The FAT deep scan. While the intelligent search sweeps a device block by
// block, it recognises three kinds of evidence in single sectors: FAT boot
// sectors (and FAT32 backups), sectors that begin a FAT copy, and directory
// sectors. At the end it confirms, scores and hands out the candidate
// partitions, and it keeps every directory sector it saw so that the
// complete tree build can rebuild folders of a partition whose root is
// gone.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "fatext2/fat_dir_sector_scanner.h"
#include "fatext2/fat_tree_builder.h"
#include "fatext2/sweep_sectors.h"
#include "filemodel/file_extension.h"
#include "ntfs/search_controller.h"

class CFATSearchedPartitionInfo;

CFATSearchedPartitionInfo* NewFATSearchedPartitionInfo(std::uint32_t bytesPerSector);
// Null-safe.
void DeleteFATSearchedPartitionInfo(CFATSearchedPartitionInfo* info);

class CFATSearchController : public IFileSystemSearchController {
public:
  CFATSearchController();
  ~CFATSearchController() override;
  CFATSearchController(const CFATSearchController&) = delete;
  CFATSearchController& operator=(const CFATSearchController&) = delete;

  void SetDevice(IStorageDevice* device) override;
  void SetSectorsPerBlock(std::uint32_t sectors) override { sectorsPerBlock_ = sectors; }
  int PrepareSearch() override { return 1; }
  void EndSearch() override {}
  int AnalyzeBlock(std::uint64_t first, std::uint64_t count, SearchStatistics* statistics) override;
  void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions) override;
  void SetRawFileCollection(CRawFileCollection* collection) override { rawFiles_ = collection; }
  // The directory-candidate map: a u32 count, then per entry the sector
  // (u64), first cluster and parent cluster (u32 each), ascending.
  int Save(IRSData* stream) override;
  int Load(IRSData* stream) override;
  int GetKind() override { return kFatSearchController; }
  CFileNode* BuildTree(CSearchedPartitionInfo* partition, IStorageDevice* device, int ordinal,
                       IDIRBuildCallback* callback) override;
  int AcceptsPartitionType(int typeCode) override { return typeCode >= 0 && typeCode <= 2; }

  // Sectors of the sweep in place (the device's sector size each; 512
  // before SetDevice); exposed for tests and benchmarks that feed sectors
  // directly.
  void AnalyzeSectors(std::uint64_t first, const std::uint8_t* data, std::uint64_t sectors,
                      SearchStatistics* statistics);
  void AnalyzeSector(std::uint64_t sector, qm::ByteView bytes, SearchStatistics* statistics);

  // The FAT type that a partition whose cluster 2 lies at dataStart with
  // sectorsPerCluster would have on this device (FAT32 tried first, then
  // FAT16; 7 for none), with its cluster count and sectors per FAT.
  int GuessFatType(std::uint64_t dataStart, std::uint32_t sectorsPerCluster, std::uint64_t& clusters,
                   std::uint64_t& sectorsPerFat) const;

  const qm::FatDirCandidateMap& GetDirectoryCandidates() const { return directories_; }
  std::size_t GetCandidateCount() const { return found_.size(); }

private:
  using FoundSet = std::multimap<std::int64_t, std::unique_ptr<CFATSearchedPartitionInfo>>;

  int AnalyzeBootSector(std::uint64_t sector, qm::ByteView bytes);
  std::unique_ptr<CFATSearchedPartitionInfo> MakeFromBootSector(std::uint64_t sector, qm::ByteView bytes,
                                                                int backup) const;
  void AnalyzeFatStart(std::uint64_t sector);
  void AnalyzeFirstDirectorySector(std::uint64_t sector, std::uint32_t dotCluster);
  std::unique_ptr<CFATSearchedPartitionInfo> MakeFromDirectory(std::uint64_t sector, std::uint32_t dotCluster,
                                                               std::uint32_t sectorsPerCluster) const;
  bool GuessOne(int type, std::uint64_t dataStart, std::uint32_t sectorsPerCluster, std::uint64_t& clusters,
                std::uint64_t& sectorsPerFat) const;
  void AddCandidate(std::unique_ptr<CFATSearchedPartitionInfo> candidate, bool indexFats);
  void CollectFileTypes(std::uint64_t sector, qm::ByteView bytes);
  void CountFilesMatched(CFATSearchedPartitionInfo& candidate) const;

  std::uint32_t sectorsPerBlock_ = 0xFFFFFFFF;
  IStorageDevice* device_ = nullptr;
  std::uint64_t deviceSectors_ = 0;
  CRawFileCollection* rawFiles_ = nullptr;
  FoundSet found_;
  std::multimap<std::uint64_t, CFATSearchedPartitionInfo*> fatStarts_;
  qm::FatDirCandidateMap directories_;
  std::vector<FileTypeMatch> fileTypes_; // second = the sector of the entry
  std::uint32_t sectorSize_ = 512;
  CSweepSectorSource source_;
  CFatDirSectorScanner scanner_;
};
