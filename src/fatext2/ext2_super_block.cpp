#include "fatext2/ext2_super_block.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace qm::ext2;

void CExt2SuperBlock::Assign(std::span<const std::uint8_t> image) {
  m_image.fill(0);
  std::memcpy(m_image.data(), image.data(), std::min(image.size(), m_image.size()));
}

std::string CExt2SuperBlock::VolumeName() const {
  const char* name = reinterpret_cast<const char*>(m_image.data() + kVolumeName);
  return std::string(name, strnlen(name, 16));
}

std::uint32_t CExt2SuperBlock::BlockSize() const {
  const std::uint32_t log = LogBlockSize();
  // Anything past 1 << 30 is no block size; keep the shift defined.
  return log <= 20 ? (std::uint32_t{1} << (log + 10)) : 0;
}

std::uint64_t CExt2SuperBlock::GroupCount() const {
  const std::uint64_t perGroup = BlocksPerGroup();
  if (perGroup == 0) return 0;
  const std::uint64_t blocks = BlockCount();
  const std::uint64_t first = FirstDataBlock();
  if (blocks + perGroup < first + 1) return 0;
  return (blocks + perGroup - first - 1) / perGroup;
}

std::uint32_t CExt2SuperBlock::FirstInode() const {
  return RevisionLevel() == 0 ? kGoodOldFirstInode : FirstInodeField();
}

std::uint32_t CExt2SuperBlock::InodeSize() const {
  return RevisionLevel() == 0 ? kGoodOldInodeSize : InodeSizeField();
}

std::uint32_t CExt2SuperBlock::InodeGroup(std::uint32_t inode) const {
  const std::uint32_t perGroup = InodesPerGroup();
  return perGroup == 0 ? 0 : (inode - 1) / perGroup;
}

std::uint32_t CExt2SuperBlock::InodeIndex(std::uint32_t inode) const {
  const std::uint32_t perGroup = InodesPerGroup();
  return perGroup == 0 ? 0 : (inode - 1) % perGroup;
}

std::int64_t CExt2SuperBlock::SuperBlockOffset() const {
  const std::uint64_t group = GroupNumber();
  if (group == 0) return 0;
  // A 1024-byte-block volume keeps each copy in the block after its group's
  // first block boundary; larger blocks keep backups at the very start of
  // the group, two sectors before where the primary sits in block 0.
  const std::int64_t offset = static_cast<std::int64_t>(group * BlocksPerGroup() * SectorsPerBlock());
  return FirstDataBlock() == 0 ? offset - 2 : offset;
}

void CExt2SuperBlock::Normalise() {
  if (RevisionLevel() == 0) qm::StoreLe16(m_image.data() + kInodeSize, kGoodOldInodeSize);
  qm::StoreLe32(m_image.data() + kFirstDataBlock, BlockSize() == 1024 ? 1 : 0);
  if (BlocksPerGroup() == 0) return;
  const std::uint64_t groups = GroupCount();
  if (groups == 0) return;
  const std::uint64_t perGroup = InodesPerGroup();
  const std::uint64_t count = InodeCount();
  // mke2fs always makes exactly groups x inodes per group inodes; a count
  // that cannot be right is repaired from the geometry.
  if (count <= FirstInodeField() || count <= (groups - 1) * perGroup || count > groups * perGroup) {
    const std::uint64_t repaired =
        std::min<std::uint64_t>(groups * perGroup, std::numeric_limits<std::uint32_t>::max());
    qm::StoreLe32(m_image.data() + kInodeCount, static_cast<std::uint32_t>(repaired));
  }
}

bool CExt2SuperBlock::Check() const {
  if (Magic() != kSuperBlockMagic) return false;
  if (BlockCount() == 0 || InodeCount() == 0 || BlocksPerGroup() == 0 || InodesPerGroup() == 0) return false;
  const std::uint64_t groups = GroupCount();
  if (GroupNumber() > groups) return false;
  const std::uint32_t inodeSize = InodeSize();
  if (RevisionLevel() == 0 && inodeSize != kGoodOldInodeSize) return false;
  if (inodeSize < kGoodOldInodeSize) return false;
  const std::uint32_t blockSize = BlockSize();
  if (blockSize < 1024 || blockSize > 8192) return false;
  // Inode slots are a power of two no larger than a block (what mke2fs
  // allows), so that no slot straddles a block.
  if ((inodeSize & (inodeSize - 1)) != 0 || inodeSize > blockSize) return false;
  // A group's block and inode bitmaps are one block each, so a group holds
  // at most 8 x block size blocks and inodes; and the descriptor table
  // follows the super block inside the first group. This bounds the group
  // count (and every table the reader allocates) by the volume's geometry
  // while accepting volumes made with fewer blocks per group.
  const std::uint64_t bitsPerBlock = std::uint64_t{8} * blockSize;
  if (BlocksPerGroup() > bitsPerBlock || InodesPerGroup() > bitsPerBlock) return false;
  const std::uint64_t tableBlocks = (groups * kDescriptorBytes + blockSize - 1) / blockSize;
  if (tableBlocks >= BlocksPerGroup()) return false;
  const std::uint64_t inodes = InodeCount();
  return inodes > FirstInodeField() && inodes <= groups * InodesPerGroup();
}

bool CExt2SuperBlock::EqualTo(const CExt2SuperBlock& other) const {
  return Magic() == other.Magic() && LogBlockSize() == other.LogBlockSize() &&
         BlockCount() == other.BlockCount() && InodeCount() == other.InodeCount() &&
         BlocksPerGroup() == other.BlocksPerGroup() && InodesPerGroup() == other.InodesPerGroup() &&
         InodeSize() == other.InodeSize() && FirstDataBlock() == other.FirstDataBlock() &&
         std::memcmp(m_image.data() + kVolumeId, other.m_image.data() + kVolumeId, 16) == 0;
}

namespace qm::ext2 {

bool DescriptorsInRange(const CExt2SuperBlock& superBlock, ByteView table, std::uint64_t groupCount) {
  if (!table.has(0, groupCount * kDescriptorBytes)) return false;
  const std::uint64_t perGroup = superBlock.BlocksPerGroup();
  const std::uint64_t first = superBlock.FirstDataBlock();
  for (std::uint64_t i = 0; i < groupCount; ++i) {
    const std::uint64_t low = first + i * perGroup;
    const std::uint64_t high = low + perGroup;
    const std::uint64_t at = i * kDescriptorBytes;
    for (std::size_t field : {kBlockBitmapBlock, kInodeBitmapBlock, kInodeTableBlock}) {
      const std::uint64_t block = table.le32(at + field);
      if (block < low || block >= high) return false;
    }
  }
  return true;
}

bool DescriptorTablesEqual(ByteView a, ByteView b, std::uint64_t groupCount) {
  if (!a.has(0, groupCount * kDescriptorBytes) || !b.has(0, groupCount * kDescriptorBytes)) return false;
  for (std::uint64_t i = 0; i < groupCount; ++i) {
    const std::uint64_t at = i * kDescriptorBytes;
    if (std::memcmp(a.data() + at, b.data() + at, 12) != 0) return false;
  }
  return true;
}

} // namespace qm::ext2
