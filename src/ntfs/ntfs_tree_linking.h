// Linking the records of an NTFS volume into a found-file tree: from the
// root folder down by parent numbers, then the records whose folder was
// not met (orphans) under the orphan folders that name them, and what is
// left under a "LostFiles" folder. Shared by the build of an existing
// volume and the build of a partition found by the deep scan.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "ntfs/ntfs_record_collection.h"

class CFileNode;
class CFileSystemNode;
class IDIRBuildCallback;
class IStorageDevice;

namespace qm {
// The numbering of the "LostFiles%d" folders of one build.
struct LostFilesCounter {
  int last = 0;
};
// Orphan folders numbered at or below this are system files and adopt no
// children.
inline constexpr std::uint64_t kLastReservedRecord = 24;
} // namespace qm

// A folder node named "LostFiles%d" with the next number of the counter,
// attributes 0x10 and state 0x8.
CFileNode* MakeLostFilesFolder(qm::LostFilesCounter& counter);

// The root node of a partition's tree: geometry, volume state NTFS, the
// display name of the partition (number + 1) and the volume name when it
// has 1 to 64 characters.
CFileSystemNode* MakeNtfsRootNode(std::uint64_t firstSector, std::uint32_t sectorsPerCluster,
                                  int partitionNumber, std::string_view volumeName);

// Links the collection's entries under its root, starting with the root
// folder's children (parent 5); folders are walked breadth first; files of
// a recycle-bin folder take back their names. What is left is linked as
// orphans. Properties move from the entries into the nodes. Stops when the
// callback asks to cancel. Returns the collection's root.
CFileNode* BuildTreeFromRecords(NtfsRecordCollection& collection, std::uint64_t partitionStart,
                                IStorageDevice* device, IDIRBuildCallback* callback,
                                qm::LostFilesCounter& counter);

// Makes a node of every entry in the span that still has properties, lets
// orphan folders (record numbers above 24) adopt the orphans that name them
// (never making a loop) and puts the rest under a new "LostFiles%d" folder
// added to root; recycled files among them take back their names. False
// when cancelled.
bool LinkOrphans(std::span<NtfsRecordEntry> entries, CFileNode* root, IStorageDevice* device,
                 IDIRBuildCallback* callback, qm::LostFilesCounter& counter);
