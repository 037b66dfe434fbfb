#include "fatext2/ext2_reused_blocks.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "fatext2/ext2_file_properties.h"
#include "fatext2/ext2_file_system.h"
#include "filemodel/allocation_bits.h"
#include "filemodel/deleted_file_claims.h"
#include "filemodel/file_node.h"
#include "platform/log.h"
#include "platform/out_of_memory.h"

namespace {

// The groups' block bitmaps, each read when a block of its group is first
// asked about: deleted files usually lie in a few groups of many.
class BlockBitmaps {
public:
  explicit BlockBitmaps(CExt2FileSystem& fileSystem)
      : fs_(fileSystem), first_(fileSystem.SuperBlock().FirstDataBlock()),
        perGroup_(fileSystem.SuperBlock().BlocksPerGroup()), bitmaps_(fileSystem.GroupCount()),
        read_(fileSystem.GroupCount(), false) {}

  // Whether a block of [start, end) is in use. Blocks that no bitmap
  // covers (before the first data block, past the volume, in a group whose
  // bitmap cannot be read) count as free: nothing says another file has
  // them.
  bool AnyUsed(std::uint64_t start, std::uint64_t end) {
    if (perGroup_ == 0) return false;
    if (start < first_) start = first_;
    end = std::min<std::uint64_t>(end, fs_.BlockCount());
    for (std::uint64_t block = start; block < end;) {
      const std::uint64_t group = (block - first_) / perGroup_;
      if (group >= bitmaps_.size()) return false;
      const std::uint64_t groupFirst = first_ + group * perGroup_;
      const std::uint64_t past = std::min(end, groupFirst + perGroup_);
      const std::vector<std::uint8_t>& bits = Bitmap(static_cast<std::uint32_t>(group));
      if (qm::AnyAllocationBitSet(bits, block - groupFirst, past - groupFirst)) return true;
      block = past;
    }
    return false;
  }

private:
  const std::vector<std::uint8_t>& Bitmap(std::uint32_t group) {
    if (read_[group]) return bitmaps_[group];
    read_[group] = true;
    std::vector<std::uint8_t> bits(fs_.BlockSize());
    try {
      fs_.ReadBlocks(bits.data(), fs_.BlockBitmapBlock(group), 1);
      bitmaps_[group] = std::move(bits);
    } catch (const qm::OutOfMemoryException&) {
      throw; // the memory crash, never a bad record
    } catch (const std::exception&) {
      // A descriptor that points off the volume, or a failed read: the
      // group's blocks are not known to be in use.
    }
    return bitmaps_[group];
  }

  CExt2FileSystem& fs_;
  std::uint64_t first_;
  std::uint64_t perGroup_;
  std::vector<std::vector<std::uint8_t>> bitmaps_;
  std::vector<bool> read_;
};

// When the inode last changed. Every claimant of an EXT2 tree carries EXT2
// properties.
qm::ClaimAge Ext2ClaimAge(const CFilePropertiesBase& properties) {
  return qm::ClaimAge{static_cast<const CExt2FileProperties&>(properties).GetChangeSeconds(), 0};
}

} // namespace

void MarkReusedDeletedFiles(CFileNode* root, CExt2FileSystem& fileSystem) {
  qm::DeletedFileClaims claims(root, fileSystem.BlockSize(), &Ext2ClaimAge);
  if (claims.FileCount() == 0) return;
  BlockBitmaps bitmaps(fileSystem);
  const std::size_t inUse = claims.MarkFilesInUse(
      [&](std::uint64_t start, std::uint64_t end) { return bitmaps.AnyUsed(start, end); });
  const std::size_t older = claims.MarkOlderClaimants();
  if (inUse + older != 0)
    LogInfo(
        "Ext2: %zu of %zu deleted files marked damaged: %zu with blocks in use, %zu sharing blocks with a "
        "later one",
        inUse + older, claims.FileCount(), inUse, older);
}
