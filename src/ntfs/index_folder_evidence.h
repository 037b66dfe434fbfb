// The folder evidence of the NTFS deep scan: index blocks ("INDX") and the
// folder records whose $INDEX_ALLOCATION holds them. A block's VCN, turned
// into a cluster by its folder's runs, ties the block's sector to a volume
// start. Whichever of the two is found first waits for the other: blocks
// in a map by the folder they belong to, folders in a map by their number.
#pragma once

#include <cstdint>
#include <map>
#include <span>

#include "ntfs/ntfs_candidate_map.h"
#include "ntfs/scan_holders.h"
#include "platform/byte_view.h"

namespace qm {

// The most bytes of a window an index block is checked in (index blocks
// are 4096 bytes; two strides of room for larger ones).
inline constexpr std::size_t kMaxIndexWindowBytes = 8192;

struct NtfsIndexBlockInfo {
  std::uint64_t sector = 0;
  std::uint64_t vcn = 0;
  std::uint64_t folderNumber = 0;
};

class CNtfsIndexFolderEvidence {
public:
  CNtfsIndexFolderEvidence(NtfsCandidateMap& candidates, std::uint32_t sectorSize);

  // A sector whose window starts with "INDX": checked, and matched with
  // the folders known. The window may be changed while it is looked at and
  // comes back as it was.
  void AnalyzeIndexBlock(std::uint64_t sector, std::span<std::uint8_t> window);
  // A folder record with a non-resident $INDEX_ALLOCATION (fixed up).
  // False when it gives no folder evidence.
  bool AnalyzeFolderRecord(std::uint64_t sector, ByteView record);

  std::size_t IndexBlocks() const { return blocks_.size(); }
  std::size_t Folders() const { return folders_.size(); }

private:
  void Match(const NtfsIndexBlockInfo& block, const NtfsFolderIndexInfo& folder);

  NtfsCandidateMap& candidates_;
  std::uint32_t sectorSize_;
  std::multimap<std::uint64_t, NtfsIndexBlockInfo> blocks_;
  std::multimap<std::uint64_t, NtfsFolderIndexInfo> folders_;
};

} // namespace qm
