// The file tree of an existing NTFS volume: the boot sector gives the
// $MFT, the $MFT is read in large blocks in record order, every base record
// that is not a system file becomes an entry, and the entries are linked
// into a tree. Runs on a worker thread; progress and cancel travel through
// the directory-build callback.
#pragma once

#include <cstdint>
#include <string>

#include "ntfs/data_runs.h"
#include "ntfs/ntfs_tree_linking.h"

class CFileNode;
class IDIRBuildCallback;
class IStorageDevice;

namespace qm {
// Progress texts of the tree builds.
inline constexpr const char* kNtfsReadingFilesTitle = "NTFS:Reading files";
inline constexpr const char* kNtfsBuildingTitle = "NTFS:Building Directories...";
// Sectors a progress position stands for.
inline constexpr std::uint64_t kNtfsProgressSectors = 128;
} // namespace qm

class CNtfsTreeBuilder {
public:
  // The tree of the volume whose boot sector is at firstSector, or null
  // when there is no sound boot sector or $MFT, no file was found, or the
  // build was cancelled (the partial tree is then deleted). Runs the build
  // on a worker thread while this thread pumps messages. The callback is
  // required.
  CFileNode* Start(std::uint64_t firstSector, IStorageDevice* device, IDIRBuildCallback* callback);
  // The same build on the calling thread.
  CFileNode* Build(std::uint64_t firstSector, IStorageDevice* device, IDIRBuildCallback* callback);

  // The threads that check the $MFT's records and read their fields: 1 (the
  // default) does it all on the build's thread, 0 takes one a core. The
  // device is read and the records are linked on the build's thread
  // whatever the count, and the tree comes out the same.
  void SetThreads(unsigned threads);
  unsigned Threads() const { return threads_; }

  // What the last build read of the $MFT (for tests and traces).
  const qm::NtfsRunList& MftRuns() const { return mftRuns_; }
  std::uint64_t EntriesFound() const { return entriesFound_; }

private:
  qm::NtfsRunList mftRuns_;
  std::uint64_t entriesFound_ = 0;
  qm::LostFilesCounter counter_;
  unsigned threads_ = 1;
};
