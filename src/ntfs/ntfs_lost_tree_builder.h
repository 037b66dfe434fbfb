// The file tree of an NTFS partition found by the deep scan: the records
// are read back from the FILE-record ranges that the scan kept, every
// sector of them tried as a record start, each record filed under the $MFT
// candidate whose clusters hold it, and every $MFT's records linked into
// one tree. Files that no folder claims end under "LostFiles" folders.
#pragma once

#include <cstdint>
#include <vector>

#include "ntfs/carved_files_seam.h"
#include "ntfs/ntfs_record_collection.h"
#include "ntfs/ntfs_tree_linking.h"
#include "ntfs/scan_holders.h"

class CClusterUseBitMap;
class CFileNode;
class CRawFileCollection;
class CSearchedPartitionInfo;
class IDIRBuildCallback;
class IStorageDevice;

class CNtfsLostPartitionTreeBuilder {
public:
  // The tree of the partition, or null when the record is not an NTFS
  // candidate, nothing was found, or nothing could be read. The partition
  // number is the one its root shows (counting from 0). Runs the build on
  // a worker thread while this thread pumps messages. A cancel stops the
  // reading and the linking; what was linked by then is returned.
  CFileNode* Start(const std::vector<NtfsMftInfo>& mfts, const std::vector<qm::NtfsRecordRange>& ranges,
                   CSearchedPartitionInfo* partition, CRawFileCollection* carved, IStorageDevice* device,
                   int partitionNumber, IDIRBuildCallback* callback);
  // The same build on the calling thread.
  CFileNode* Build(const std::vector<NtfsMftInfo>& mfts, const std::vector<qm::NtfsRecordRange>& ranges,
                   CSearchedPartitionInfo* partition, CRawFileCollection* carved, IStorageDevice* device,
                   int partitionNumber, IDIRBuildCallback* callback);

  // Windows read by the last build (for tests and traces).
  std::uint64_t WindowsRead() const { return windowsRead_; }

private:
  std::uint64_t windowsRead_ = 0;
  qm::LostFilesCounter counter_;
};
