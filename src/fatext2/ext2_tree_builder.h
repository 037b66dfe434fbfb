// The file tree of an EXT2 or EXT3 volume: one root for the volume, below
// it the folders and files reached through directories, and loose entries
// "Inode_<hex number>" for inodes that no directory names (deleted or
// orphaned files). Inodes are walked in number order, group by group;
// directory entries and inodes meet in whichever order they come.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

class CExt2FileSystem;
class CExt2Inode;
class CFileNode;
class CFileSystemNode;
class CRawFileCollection;
class IDIRBuildCallback;
class IStorageDevice;

namespace qm {
// Progress texts of the EXT2 tree build.
inline constexpr const char* kExt2ReadingFilesTitle = "Reading files";
inline constexpr const char* kExt2BuildingTitle = "Building Directories...";
} // namespace qm

class CExt2TreeBuilder {
public:
  CExt2TreeBuilder() = default;
  // Frees every node the maps still own.
  ~CExt2TreeBuilder();
  CExt2TreeBuilder(const CExt2TreeBuilder&) = delete;
  CExt2TreeBuilder& operator=(const CExt2TreeBuilder&) = delete;

  // The tree of the file system, or null when the build was cancelled
  // through the callback (which may be null). With usedBlocks set, every
  // block that a file's extents name is marked in UsedBlocks(). Runs on
  // the calling thread, which must be known to the collector.
  CFileNode* BuildTree(CExt2FileSystem* fileSystem, IDIRBuildCallback* callback, bool usedBlocks);

  // For a partition found by the deep scan: the tree built with the
  // used-block map, and below its root the carved files of the collection
  // that start in blocks no file uses. Runs on a worker thread (which
  // registers with the collector) while this thread pumps messages; null
  // when cancelled.
  CFileNode* StartWithRaw(CExt2FileSystem* fileSystem, IDIRBuildCallback* callback,
                          CRawFileCollection* carved, std::uint32_t partitionNumber);

  // The number shown in the root's name is this + 1.
  void SetPartitionNumber(std::uint32_t number) { m_nPartitionNumber = number; }
  // One bit per block of the last build that asked for it.
  const std::vector<bool>& UsedBlocks() const { return m_usedBlocks; }
  bool Cancelled() const { return m_bCancelled != 0; }

private:
  CFileSystemNode* MakeRoot(CExt2FileSystem& fileSystem);
  void WalkInodes(CExt2FileSystem& fileSystem);
  void AddInode(const CExt2Inode& inode);
  void ReadDirectory(const CExt2Inode& directory, CFileNode* node);
  bool AttachLeftovers(CFileNode* root);
  void Discard(CFileNode* root);
  std::vector<bool>* UsedBlockMap() { return m_bWantUsedBlocks ? &m_usedBlocks : nullptr; }

  std::uint32_t m_nPartitionNumber = 0;
  std::vector<bool> m_usedBlocks;
  bool m_bWantUsedBlocks = false;
  // Nodes made by the inode walk that no directory entry has named yet;
  // owned here until attached.
  std::map<std::uint32_t, CFileNode*> m_unplaced;
  // The directory node whose entry named an inode before the walk reached
  // it; not owned.
  std::map<std::uint32_t, CFileNode*> m_waiting;
  IDIRBuildCallback* m_pCallback = nullptr;
  std::uint32_t m_bCancelled = 0;
};

// The tree build of a volume found by the lost-partition search (or of an
// existing volume): opens the file system at the super block sector and
// builds its tree on a worker thread while the calling thread pumps
// messages.
class CExt2LostPartitionTreeBuilder {
public:
  // The root, or null when the file system does not open, the worker
  // cannot start or the build was cancelled. device is read with 512-byte
  // sectors (a volume's 512-byte view); the super block of a volume that
  // starts at sector 0 is at sector 2.
  static CFileNode* Start(IStorageDevice* device, IDIRBuildCallback* callback, std::uint64_t superBlockSector,
                          bool usedBlocks);
};
