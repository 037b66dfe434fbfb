// The file tree of a FAT partition. The quick build walks an intact
// volume's directories from the root through the FAT's cluster chains; the
// complete build rebuilds a damaged one from the directory sectors that the
// deep scan remembered, gathering folders whose parents are gone under
// "Lost Folders" and directories that only survive as clusters as "DIR%d".
// Both run on a worker thread; progress and cancel travel through the
// directory-build callback.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/byte_view.h"

class CFATFileProperties;
class CFATSearchedPartitionInfo;
class CFileNode;
class CFileSystemNode;
class CRawFileCollection;
class IDIRBuildCallback;
class IFATTable;
class IStorageDevice;

namespace qm {

// One directory sector that the deep scan saw: the "." and ".." clusters of
// a directory's first sector, or both kNoCluster for a sector that only
// continues a directory.
struct FatDirCandidate {
  static constexpr std::uint32_t kNoCluster = 0xFFFFFFFF;
  std::uint32_t firstCluster = kNoCluster;
  std::uint32_t parentCluster = kNoCluster;
};
// Directory sectors by sector number.
using FatDirCandidateMap = std::map<std::uint64_t, FatDirCandidate>;

inline constexpr const char* kFatLostFoldersName = "Lost Folders";
inline constexpr std::size_t kFatRootNameMaxBytes = 48;

} // namespace qm

// Answers the builds' order of two folders that claim the same first
// cluster: >= 0 keeps the existing one, < 0 lets the new one replace it.
int CompareDirectories(const CFATFileProperties& existing, const CFATFileProperties& found);

// The properties of one directory entry and the long-name pieces before it
// (entries ends with the short entry); null when the entry's name is
// filtered out by the chosen file types or by photo recovery.
std::unique_ptr<CFATFileProperties> MakeFatFilePropertiesFromEntries(qm::ByteView entries);

class CFatTreeBuilder {
public:
  CFatTreeBuilder();
  ~CFatTreeBuilder();
  CFatTreeBuilder(const CFatTreeBuilder&) = delete;
  CFatTreeBuilder& operator=(const CFatTreeBuilder&) = delete;

  // The tree of the partition whose boot sector (or FAT32 backup boot
  // sector) the record's flags vouch for, or null: no sound boot sector, or
  // the build was cancelled. includeLiveFiles 0 leaves out the live files
  // of live folders. number is the partition's index for the root's name.
  // Runs on a worker thread while this thread pumps messages.
  CFileSystemNode* StartQuickBuild(IDIRBuildCallback* callback, const CFATSearchedPartitionInfo& partition,
                                   IStorageDevice* device, int includeLiveFiles, int number = 0);
  // The same build on the calling thread.
  CFileSystemNode* QuickBuild(IDIRBuildCallback* callback, const CFATSearchedPartitionInfo& partition,
                              IStorageDevice* device, int includeLiveFiles, int number = 0);

  // The tree of a partition the deep scan found, from its remembered
  // directory sectors; null when cancelled. The carved files of rawFiles
  // (may be null) that start in clusters no file claims go under "Raw
  // Files" (ntfs/carved_files_seam.h).
  CFileSystemNode* StartCompleteBuild(IDIRBuildCallback* callback, const qm::FatDirCandidateMap& candidates,
                                      const CFATSearchedPartitionInfo& partition, CRawFileCollection* rawFiles,
                                      IStorageDevice* device, int number);
  CFileSystemNode* CompleteBuild(IDIRBuildCallback* callback, const qm::FatDirCandidateMap& candidates,
                                 const CFATSearchedPartitionInfo& partition, CRawFileCollection* rawFiles,
                                 IStorageDevice* device, int number);

  // The data-area clusters that the built files' runs cover (index =
  // cluster - 2), for carving the rest.
  const std::vector<bool>& GetClusterUseBits() const { return clusterUse_; }

private:
  void Reset(IDIRBuildCallback* callback, IStorageDevice* device);
  void SetGeometry(std::uint64_t dataStart, std::uint64_t totalSectors);
  CFileSystemNode* MakeRootNode(int number);
  bool ClusterInVolume(std::uint64_t cluster) const;
  bool Cancelled() const { return cancel_ != 0; }
  bool Polled();

  // Reads the root directory into the root node (FAT32 by its chain, FAT12
  // / FAT16 from its fixed sectors).
  void ReadRoot(bool lostMode);
  // Reads a directory's chain from firstCluster; 0 when it stopped early
  // (cancel, a loop, a failed read, a directory that is not one). A
  // deleted folder (its first cluster free in the table) goes on through
  // the free clusters that follow while they continue a directory.
  int ReadDirectoryChain(CFileNode* folder, std::uint32_t firstCluster, bool dotRule);
  // The first cluster after the given one that the table shows free; 0
  // when none is near.
  std::uint32_t NextFreeCluster(std::uint32_t after) const;
  // Whether a cluster's first sector holds entries that carry on a
  // directory (not the start of another one).
  bool ContinuesDirectory(qm::ByteView cluster) const;
  // Bytes parsed (the rest is an unfinished long name), or -1.
  std::int64_t ParseEntries(qm::ByteView buffer, CFileNode* folder, bool lostMode);
  // Puts a new folder into the directory map, or settles which of two
  // folders with the same first cluster stays. False when the new one was
  // dropped (and deleted).
  bool EnterDirectory(CFileNode* node, CFileNode* folder, bool lostMode);
  // Runs for a file; also marks its clusters as used.
  bool AttachRuns(CFATFileProperties& properties);
  // Breadth-first reading of the queued folders.
  void ReadQueuedFolders();
  // Reports done x 100 / (done + queued) when it grew; false once cancelled.
  bool ReportProgress(std::uint64_t done, std::uint64_t queued, std::uint32_t& shown);
  void Prune();
  CFileNode* MakeSyntheticFolder(const char* name, std::uint32_t firstCluster, std::uint32_t parentCluster);
  // "DIR%d", numbered across the process.
  CFileNode* MakeNumberedFolder(std::uint32_t firstCluster, std::uint32_t parentCluster);
  CFileNode* LostFolders();
  void ReplaceTemporaryDirectories(CFileNode* folder);

  IDIRBuildCallback* callback_ = nullptr;
  IStorageDevice* device_ = nullptr;
  int fatType_ = 7;
  std::uint64_t partitionStart_ = 0;
  std::uint32_t sectorsPerCluster_ = 0;
  std::uint64_t rootDirStart_ = 0;
  std::uint32_t rootDirSectors_ = 0;
  std::uint32_t rootCluster_ = 0;
  int hasRoot_ = 0;
  std::uint64_t dataStart_ = 0;
  std::uint64_t totalSectors_ = 0;
  std::uint64_t clusterCount_ = 0;
  const IFATTable* fat_ = nullptr;
  int cancel_ = 0;
  bool includeLiveFiles_ = true;
  std::map<std::uint32_t, CFileNode*> directories_;
  std::unordered_set<const CFileNode*> binFolders_; // folders in a recycle bin
  std::vector<bool> visited_; // by cluster number
  std::vector<bool> clusterUse_;
  CFileSystemNode* root_ = nullptr;
  CFileNode* lostFolders_ = nullptr;
  std::uint32_t sectorSize_ = 512;
  std::deque<CFileNode*> queue_;
  std::vector<std::uint8_t> buffer_;
};
