// The super block's derived values, repair and check over crafted images:
// one good image per block size, each row patches fields.
#include <gtest/gtest.h>

#include <functional>

#include "fatext2/ext2_super_block.h"

using namespace qm::ext2;

namespace {

// A good revision-1 super block: 1 KiB blocks, 3 groups of 8192 blocks.
CExt2SuperBlock Good(std::uint32_t logBlockSize = 0) {
  std::array<std::uint8_t, kSuperBlockBytes> image{};
  const std::uint32_t blockSize = 1024u << logBlockSize;
  const std::uint32_t perGroup = 8 * blockSize;
  qm::StoreLe32(&image[kInodeCount], 3 * 2048);
  qm::StoreLe32(&image[kBlockCount], 3 * perGroup - 100);
  qm::StoreLe32(&image[kFirstDataBlock], logBlockSize == 0 ? 1 : 0);
  qm::StoreLe32(&image[kLogBlockSize], logBlockSize);
  qm::StoreLe32(&image[kBlocksPerGroup], perGroup);
  qm::StoreLe32(&image[kInodesPerGroup], 2048);
  qm::StoreLe16(&image[kMagic], kSuperBlockMagic);
  qm::StoreLe32(&image[kRevisionLevel], 1);
  qm::StoreLe32(&image[kFirstInode], 11);
  qm::StoreLe16(&image[kInodeSize], 256);
  return CExt2SuperBlock(image);
}

void Put32(CExt2SuperBlock& sb, std::size_t at, std::uint32_t value) {
  std::array<std::uint8_t, kSuperBlockBytes> image = sb.Image();
  qm::StoreLe32(&image[at], value);
  sb.Assign(image);
}
void Put16(CExt2SuperBlock& sb, std::size_t at, std::uint16_t value) {
  std::array<std::uint8_t, kSuperBlockBytes> image = sb.Image();
  qm::StoreLe16(&image[at], value);
  sb.Assign(image);
}

TEST(Ext2SuperBlock, DerivedValues) {
  CExt2SuperBlock sb = Good();
  sb.Normalise();
  EXPECT_EQ(sb.BlockSize(), 1024u);
  EXPECT_EQ(sb.SectorsPerBlock(), 2u);
  EXPECT_EQ(sb.GroupCount(), 3u);
  EXPECT_EQ(sb.FirstInode(), 11u);
  EXPECT_EQ(sb.InodeSize(), 256u);
  EXPECT_EQ(sb.InodeGroup(1), 0u);
  EXPECT_EQ(sb.InodeGroup(2049), 1u);
  EXPECT_EQ(sb.InodeIndex(2049), 0u);
  EXPECT_EQ(sb.InodeIndex(2048), 2047u);
  EXPECT_TRUE(sb.Check());

  // Revision 0: fixed first inode and inode size whatever the fields say.
  Put32(sb, kRevisionLevel, 0);
  Put32(sb, kFirstInode, 99);
  Put16(sb, kInodeSize, 512);
  sb.Normalise();
  EXPECT_EQ(sb.FirstInode(), 11u);
  EXPECT_EQ(sb.InodeSize(), 128u);
  EXPECT_EQ(sb.InodeSizeField(), 128u);
}

TEST(Ext2SuperBlock, FirstDataBlockFollowsTheBlockSize) {
  CExt2SuperBlock small = Good(0);
  Put32(small, kFirstDataBlock, 0);
  small.Normalise();
  EXPECT_EQ(small.FirstDataBlock(), 1u);
  EXPECT_TRUE(small.Check());

  CExt2SuperBlock large = Good(2);
  Put32(large, kFirstDataBlock, 1);
  large.Normalise();
  EXPECT_EQ(large.FirstDataBlock(), 0u);
  EXPECT_TRUE(large.Check());
}

TEST(Ext2SuperBlock, InodeCountRepairedFromTheGroups) {
  for (std::uint32_t stored : {0u, 11u, 2048u, 3u * 2048 + 1, 0xFFFFFFFFu}) {
    CExt2SuperBlock sb = Good();
    Put32(sb, kInodeCount, stored);
    sb.Normalise();
    EXPECT_EQ(sb.InodeCount(), 3u * 2048) << stored;
    EXPECT_TRUE(sb.Check()) << stored;
  }
  // A count inside the last group is believed.
  CExt2SuperBlock sb = Good();
  Put32(sb, kInodeCount, 2 * 2048 + 5);
  sb.Normalise();
  EXPECT_EQ(sb.InodeCount(), 2u * 2048 + 5);
}

TEST(Ext2SuperBlock, CheckTable) {
  struct Row {
    const char* what;
    std::function<void(CExt2SuperBlock&, std::uint32_t blockSize)> patch;
    bool passes;
    bool only1K = false;
  };
  const Row rows[] = {
      {"good", [](CExt2SuperBlock&, std::uint32_t) {}, true},
      {"bad magic", [](CExt2SuperBlock& s, std::uint32_t) { Put16(s, kMagic, 0xEF54); }, false},
      {"no blocks", [](CExt2SuperBlock& s, std::uint32_t) { Put32(s, kBlockCount, 0); }, false},
      {"no blocks per group", [](CExt2SuperBlock& s, std::uint32_t) { Put32(s, kBlocksPerGroup, 0); }, false},
      {"no inodes per group", [](CExt2SuperBlock& s, std::uint32_t) { Put32(s, kInodesPerGroup, 0); }, false},
      {"copy in the last group", [](CExt2SuperBlock& s, std::uint32_t) { Put16(s, kGroupNumber, 2); }, true},
      {"copy past the groups", [](CExt2SuperBlock& s, std::uint32_t) { Put16(s, kGroupNumber, 4); }, false},
      {"inode size 64", [](CExt2SuperBlock& s, std::uint32_t) { Put16(s, kInodeSize, 64); }, false},
      {"inode size 128", [](CExt2SuperBlock& s, std::uint32_t) { Put16(s, kInodeSize, 128); }, true},
      {"inode size 1024", [](CExt2SuperBlock& s, std::uint32_t) { Put16(s, kInodeSize, 1024); }, true},
      {"inode size not a power of two", [](CExt2SuperBlock& s, std::uint32_t) { Put16(s, kInodeSize, 384); },
       false},
      {"inode size over a block",
       [](CExt2SuperBlock& s, std::uint32_t bs) { Put16(s, kInodeSize, static_cast<std::uint16_t>(2 * bs)); },
       false},
      {"block size 512", [](CExt2SuperBlock& s, std::uint32_t) { Put32(s, kLogBlockSize, 0xFFFFFFFF); },
       false},
      {"block size 16384", [](CExt2SuperBlock& s, std::uint32_t) { Put32(s, kLogBlockSize, 4); }, false},
      {"block size field huge", [](CExt2SuperBlock& s, std::uint32_t) { Put32(s, kLogBlockSize, 40); },
       false},
      {"more blocks per group than a bitmap covers",
       [](CExt2SuperBlock& s, std::uint32_t bs) { Put32(s, kBlocksPerGroup, 8 * bs + 1); }, false},
      {"more inodes per group than a bitmap covers",
       [](CExt2SuperBlock& s, std::uint32_t bs) { Put32(s, kInodesPerGroup, 8 * bs + 1); }, false},
      {"small groups (mke2fs -g)",
       [](CExt2SuperBlock& s, std::uint32_t) {
         Put32(s, kBlocksPerGroup, 1024);
         Put32(s, kInodeCount, 0);
       },
       true},
      {"descriptor table outgrows its group",
       [](CExt2SuperBlock& s, std::uint32_t bs) {
         Put32(s, kBlocksPerGroup, 8);
         Put32(s, kBlockCount, 8 * (bs / 4 + 50));
         Put32(s, kInodeCount, 0);
       },
       false},
      {"first inode beyond every inode",
       [](CExt2SuperBlock& s, std::uint32_t) { Put32(s, kFirstInode, 3 * 2048); }, false},
      // 2^32 blocks of 1 KiB need a 16 MiB descriptor table: more than a group.
      {"largest block count",
       [](CExt2SuperBlock& s, std::uint32_t) {
         Put32(s, kBlockCount, 0xFFFFFFFF);
         Put32(s, kInodeCount, 0);
       },
       false, true},
  };
  for (const Row& row : rows) {
    for (std::uint32_t log : {0u, 2u}) {
      if (row.only1K && log != 0) continue;
      CExt2SuperBlock sb = Good(log);
      row.patch(sb, 1024u << log);
      sb.Normalise();
      EXPECT_EQ(sb.Check(), row.passes) << row.what << " at block size " << (1024u << log);
    }
  }
}

TEST(Ext2SuperBlock, BlockSizeShiftStaysDefined) {
  for (std::uint32_t log : {21u, 22u, 31u, 32u, 0xFFFFFFFFu}) {
    CExt2SuperBlock sb = Good();
    Put32(sb, kLogBlockSize, log);
    EXPECT_EQ(sb.BlockSize(), 0u) << log;
    EXPECT_EQ(sb.SectorsPerBlock(), 0u);
  }
}

TEST(Ext2SuperBlock, BackupOffsets) {
  // 1 KiB blocks: group g's copy is block g x 8192 + 1, i.e. sector
  // (g x 8192 + 1) x 2, which lies g x 8192 x 2 after the primary's sector 2.
  CExt2SuperBlock small = Good(0);
  Put16(small, kGroupNumber, 1);
  small.Normalise();
  EXPECT_EQ(small.SuperBlockOffset(), 16384);
  // 4 KiB blocks: group 1's copy starts block 32768, two sectors less.
  CExt2SuperBlock large = Good(2);
  Put16(large, kGroupNumber, 1);
  large.Normalise();
  EXPECT_EQ(large.SuperBlockOffset(), 32768 * 8 - 2);
  Put16(large, kGroupNumber, 0);
  EXPECT_EQ(large.SuperBlockOffset(), 0);
}

TEST(Ext2SuperBlock, CopiesAreEqualByTheirGeometryAndIdentity) {
  CExt2SuperBlock a = Good();
  CExt2SuperBlock b = Good();
  Put16(b, kGroupNumber, 1);
  Put32(b, kMountTime, 12345); // times and group differ between copies
  a.Normalise();
  b.Normalise();
  EXPECT_TRUE(a.EqualTo(b));
  for (std::size_t field : {kBlockCount, kInodesPerGroup, kVolumeId + 12}) {
    CExt2SuperBlock c = Good();
    Put32(c, field, CExt2SuperBlock(Good()).View().le32(field) ^ 0x10);
    c.Normalise();
    EXPECT_FALSE(a.EqualTo(c)) << field;
  }
}

} // namespace
