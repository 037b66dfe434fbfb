// The common interface of the deep-scan controllers (NTFS, FAT, EXT2 and
// carving). All controllers of a scan are driven together over the same
// blocks, so a device is read once for every file system:
//   SetRawFileCollection, SetDevice, SetSectorsPerBlock, PrepareSearch,
//   AnalyzeBlock for each block in ascending order, EndSearch (also after a
//   cancel), GetFoundPartitions, then BuildTree for chosen partitions until
//   the controller is deleted. A loaded controller skips the sweep.
// Header only, so that the intelligent search, which drives controllers,
// can use it from below this library.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CFileNode;
class CRawFileCollection;
class CSearchedPartitionInfo;
class IDIRBuildCallback;
class IRSData;
class IStorageDevice;
struct SearchStatistics;

// Kinds of controllers, as GetKind returns them and scan-result files tag
// them.
enum SearchControllerKind : int {
  kNtfsSearchController = 0,
  kFatSearchController = 1,
  kRawSearchController = 2,
  kExt2SearchController = 3,
};

class IFileSystemSearchController {
public:
  // Frees everything the controller still holds; candidates already handed
  // out by GetFoundPartitions belong to their list.
  virtual ~IFileSystemSearchController() = default;

  // The device to read, owned by the caller and valid until EndSearch
  // returns.
  virtual void SetDevice(IStorageDevice* device) = 0;
  // The most sectors one AnalyzeBlock call covers.
  virtual void SetSectorsPerBlock(std::uint32_t sectors) = 0;
  // Allocates the block buffer and helpers; called once before the first
  // block. The result is not used.
  virtual int PrepareSearch() = 0;
  // After the last block (or a cancel): turns the evidence into candidate
  // partitions and frees the sweep's helpers.
  virtual void EndSearch() {}
  // Reads sectors [first, first + count) and analyses them, adding its
  // counts to the statistics (never resetting them).
  virtual int AnalyzeBlock(std::uint64_t first, std::uint64_t count, SearchStatistics* statistics) = 0;
  // Appends every remaining candidate, in the controller's order; the
  // list's owner owns the records from then on.
  virtual void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions) = 0;
  // The carved-file collection shared with the carving search; owned by
  // the caller.
  virtual void SetRawFileCollection(CRawFileCollection* collection) = 0;
  // Writes (reads) the evidence later tree builds need, inside the
  // controller-list section of a scan-result stream. Stream errors are
  // raised as CRSException.
  virtual int Save(IRSData* stream) = 0;
  virtual int Load(IRSData* stream) = 0;
  virtual int GetKind() = 0;
  // The root of the file tree of a found partition, or null. The ordinal
  // counts the partitions built in this run (0, 1, 2 ...).
  virtual CFileNode* BuildTree(CSearchedPartitionInfo* /*partition*/, IStorageDevice* /*device*/,
                               int /*ordinal*/, IDIRBuildCallback* /*callback*/) {
    return nullptr;
  }
  // Non-zero when this controller builds trees of that partition type
  // code (0-2 FAT, 3 NTFS, 4-5 EXT2).
  virtual int AcceptsPartitionType(int /*typeCode*/) { return 0; }
};

// The controllers of one scan, in their driving order; the list owns them.
using SearchControllerList = std::vector<std::unique_ptr<IFileSystemSearchController>>;

// The name of a controller kind as the sweep's traces show it ("NTFS",
// "FAT", "RAW", "EXT2"; "?" for another value).
inline const char* SearchControllerKindName(int kind) {
  switch (kind) {
  case kNtfsSearchController:
    return "NTFS";
  case kFatSearchController:
    return "FAT";
  case kRawSearchController:
    return "RAW";
  case kExt2SearchController:
    return "EXT2";
  default:
    return "?";
  }
}
