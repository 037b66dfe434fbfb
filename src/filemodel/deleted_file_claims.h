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
// ordering and sweeps over the ordered runs: a tree of millions of deleted
// files costs a walk, a look at the few claims out of order (a radix sort
// when many are) and a few sweeps, never a search of every pair.
// The pass runs at the end of every tree build, so its cost is kept to a
// small part of the build's: 16 bytes a claim, no lookups in maps, and
// arrays on huge pages (huge_page_array.h).
#pragma once

#include <compare>
#include <cstdint>
#include <functional>

#include "filemodel/huge_page_array.h"

class CFileNode;
class CFilePropertiesBase;

namespace qm {

// When a deleted file's clusters were last written, as far as its file
// system tells: compared by first, then by second.
struct ClaimAge {
  std::uint64_t first = 0;
  std::uint64_t second = 0;
  auto operator<=>(const ClaimAge&) const = default;
};

// Clusters [start, end) of one deleted file.
struct ClusterClaim {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
};

class DeletedFileClaims {
public:
  // A file's age read from its properties alone (a field or two, no
  // reads of the device).
  using PropertiesAge = ClaimAge (*)(const CFilePropertiesBase& properties);

  // Gathers the claims of every deleted file below root (folders and
  // carved files are no claimants). clusterBytes: the bytes of one unit of
  // the tree's runs (a cluster, or an EXT2 block); 0 gathers nothing.
  // ageOf, for a file system whose ages lie in the properties, is what
  // MarkOlderClaimants() asks; without it MarkOlderClaimants(ageOf) asks
  // about the nodes (the nodes are kept only then).
  DeletedFileClaims(CFileNode* root, std::uint64_t clusterBytes, PropertiesAge ageOf = nullptr);

  std::size_t FileCount() const { return fileCount_; }

  // Marks every file one of whose claims anyUsed answers true for.
  // anyUsed(start, end) is asked in increasing order of start (an engine
  // reading its allocation map in windows reads each window once), and
  // not again for a file it marked. Returns the files newly marked.
  std::size_t MarkFilesInUse(const std::function<bool(std::uint64_t start, std::uint64_t end)>& anyUsed);

  // Marks every file that shares a cluster with another file of the same
  // age or a later one: of files claiming the same clusters only the latest
  // keeps its state, and where the latest cannot be told apart, none does.
  // ageOf is asked once about each file that shares clusters, and never
  // about the others (it may read the device), in the order of the walk
  // over the tree. Returns the files newly marked.
  std::size_t MarkOlderClaimants(const std::function<ClaimAge(CFileNode& file)>& ageOf);
  // The same with the constructor's ageOf, asked about every claim that
  // shares clusters as the sweep meets it (without one nothing is marked).
  std::size_t MarkOlderClaimants();

private:
  // A claim that left the main run (see Order), with its file.
  struct Aside {
    ClusterClaim claim;
    std::uint32_t file;
  };

  // Appends one file's claims, merged; runs are its runs in any order.
  void AddFile(CFileNode* node, CFilePropertiesBase* properties, ClusterClaim* runs, std::size_t count);
  // Puts the claims in order of start.
  void Order();
  void RadixSort();
  // Fills claimFiles_ for the claims so far, with room for capacity.
  void KeepClaimFiles(std::size_t capacity);
  std::uint32_t FileOf(std::size_t at) const {
    return oneClaimEach_ ? static_cast<std::uint32_t>(at) : claimFiles_[at];
  }
  // visit(claim, file) for every claim, in order of start.
  template <class Visit> void ForEachInOrder(Visit&& visit) const;
  // The same, with ahead(position) called for the claim that comes a few
  // places on in the main run, to fetch early what its visit will read.
  template <class Visit, class Ahead> void ForEachInOrder(Visit&& visit, Ahead&& ahead) const;
  // The sweep over the claims that share clusters, with ageOf(file) the
  // age of a file; marks the files of the older claims and returns how
  // many were newly marked. kReadsProperties: ageOf and the marks read the
  // files' properties (rather than ages gathered apart).
  template <bool kReadsProperties, class AgeOf> std::size_t MarkOlder(AgeOf&& ageOf);
  // Sets the damaged bit; false when it was set already.
  bool Mark(std::uint32_t file);

  // The claimants' properties in the order of the walk, and their nodes
  // when there is no ageOf.
  PropertiesAge ageOf_ = nullptr;
  HugePageArray<CFilePropertiesBase*> properties_;
  HugePageArray<CFileNode*> files_;
  std::size_t fileCount_ = 0;
  // The claims in the order of the walk until Order, and the index of
  // each one's file. While every file has one claim, as nearly every file
  // has, the index is the claim's position and claimFiles_ stays empty:
  // the pass is bound by the memory it touches.
  HugePageArray<ClusterClaim> claims_;
  bool oneClaimEach_ = true;
  HugePageArray<std::uint32_t> claimFiles_;
  std::size_t claimCount_ = 0;
  // How many neighbours in the walk's order rise and fall in start.
  std::size_t rises_ = 0;
  std::size_t falls_ = 0;

  // After Order: the claims not set aside form a run in order of start,
  // read backwards when descending_; those set aside (their positions'
  // bits in asideBits_) are sorted by start in aside_. Each walk in order
  // merges the two.
  bool descending_ = false;
  HugePageArray<std::uint64_t> asideBits_;
  HugePageArray<Aside> aside_;
  std::size_t asideCount_ = 0;
};

} // namespace qm
