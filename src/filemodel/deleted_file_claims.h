// The clusters that the deleted files of a built tree claim, gathered once
// after the build so that files whose bytes now belong to another file can
// be marked damaged: a deleted file's clusters are free for any later file,
// and a save would hand back that file's bytes under the old name.
//
// Two checks use it. An engine that can read its volume's allocation map
// marks the deleted files any of whose clusters are in use now
// (MarkFilesInUse). And when several deleted files claim the same clusters,
// only the latest of them can still hold its own bytes: the others are
// marked (MarkOlderClaimants). Both only set the damaged state bit: the
// files stay in the tree and can still be saved.
//
// A claim is cut at the file's size (clusters allocated past it held none
// of its bytes) and leaves sparse runs and resident data out. Every file's
// claims are merged first, so that no file ever overlaps itself. All work is
// sorting and sweeps over the sorted runs: a tree of millions of deleted
// files costs a few sorts, never a search of every pair.
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class CFileNode;

namespace qm {

// When a deleted file's clusters were last written, as far as its file
// system tells: compared by first, then by second.
struct ClaimAge {
  std::uint64_t first = 0;
  std::uint64_t second = 0;
  auto operator<=>(const ClaimAge&) const = default;
};

// Clusters [start, end) of one deleted file (an index into the files).
struct ClusterClaim {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  std::uint32_t file = 0;
};

class DeletedFileClaims {
public:
  // Gathers the claims of every deleted file below root (folders and
  // carved files are no claimants). clusterBytes: the bytes of one unit of
  // the tree's runs (a cluster, or an EXT2 block); 0 gathers nothing.
  DeletedFileClaims(CFileNode* root, std::uint64_t clusterBytes);

  // Sorted by start, then end.
  std::span<const ClusterClaim> Claims() const { return claims_; }
  std::size_t FileCount() const { return files_.size(); }
  CFileNode* File(std::uint32_t index) const { return files_[index]; }

  // Marks every file one of whose claims anyUsed answers true for.
  // anyUsed(start, end) is asked in increasing order of start (an engine
  // reading its allocation map in windows reads each window once), and
  // not again for a file already marked. Returns the files newly marked.
  std::size_t MarkFilesInUse(const std::function<bool(std::uint64_t start, std::uint64_t end)>& anyUsed);

  // Marks every file that shares a cluster with another file of the same
  // age or a later one: of files claiming the same clusters only the latest
  // keeps its state, and where the latest cannot be told apart, none does.
  // ageOf is asked once about each file that shares clusters, and never
  // about the others (it may read the device). Returns the files newly
  // marked.
  std::size_t MarkOlderClaimants(const std::function<ClaimAge(CFileNode& file)>& ageOf);

private:
  // Sets the damaged bit; false when it was set already.
  bool Mark(std::uint32_t file);

  std::vector<CFileNode*> files_;
  std::vector<ClusterClaim> claims_;
};

} // namespace qm
