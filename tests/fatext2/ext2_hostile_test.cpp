// Hostile inodes, block maps and directories: every walk ends, every field
// is checked before it is used, and damage stays local.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "fatext2/ext2_block_iterator.h"
#include "fatext2/ext2_dir_iterator.h"
#include "fatext2/ext2_exceptions.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_fixture.h"
#include "fatext2/ext2_inode.h"
#include "fatext2/ext2_inode_table_cursor.h"
#include "support/memory_device.h"

using namespace qm::test;
using namespace qm::ext2;

namespace {

// The 1 KiB image in memory, with helpers that patch it where the reader
// finds things.
class Ext2HostileTest : public ::testing::Test {
protected:
  void SetUp() override { Reopen(GetExt2Image(Ext2Layout::Ext2Blocks1K).Bytes()); }
  void Reopen(std::vector<std::uint8_t> bytes) {
    fileSystem_.reset();
    device_ = std::make_unique<qm::MemoryDevice>(std::move(bytes));
    fileSystem_ = std::make_unique<CExt2FileSystem>(device_.get(), 2);
  }
  std::vector<std::uint8_t>& Bytes() { return device_->bytes(); }
  std::uint64_t BlockByte(std::uint32_t block) const { return std::uint64_t{block} * 1024; }
  std::uint64_t InodeByte(std::uint32_t inode) const {
    std::uint32_t block = 0;
    std::uint32_t offset = 0;
    EXPECT_TRUE(fileSystem_->LocateInode(inode, block, offset));
    return BlockByte(block) + offset;
  }
  void Put32(std::uint64_t at, std::uint32_t value) { qm::StoreLe32(Bytes().data() + at, value); }
  void Put16(std::uint64_t at, std::uint16_t value) { qm::StoreLe16(Bytes().data() + at, value); }
  std::uint32_t Get32(std::uint64_t at) { return qm::ByteView(Bytes().data(), Bytes().size()).le32(at); }
  std::uint32_t PhysicalBlock(const CExt2Inode& inode, std::uint32_t index) {
    CExt2BlockIterator it(&inode, index);
    return it.GetPhysicalBlock();
  }

  std::unique_ptr<qm::MemoryDevice> device_;
  std::unique_ptr<CExt2FileSystem> fileSystem_;
};

TEST_F(Ext2HostileTest, InodePredicates) {
  struct Row {
    const char* what;
    std::uint16_t mode;
    std::uint32_t sizeLow, sizeHigh, sectors, pointer0, pointer12;
    std::uint64_t size, effective;
    bool sparse, inUse;
    std::uint32_t blocks;
  };
  const std::uint32_t tooFar = 24 * 1024; // the block count
  const Row rows[] = {
      {"regular file of 5 GiB", 0x81A4, 0x40000000, 1, 10485768, 500, 501, 5ull << 30, 5ull << 30, false,
       true, tooFar},
      {"directory ignores the high word", 0x41ED, 1024, 1, 2, 500, 0, 1024, 1024, false, true, 1},
      {"directory of size 0 with 8 sectors", 0x41ED, 0, 0, 8, 500, 0, 0, 4096, false, true, 4},
      {"sparse file", 0x81A4, 1 << 20, 0, 2, 500, 0, 1 << 20, 1 << 20, true, true, 1024},
      {"sparse size beyond the volume", 0x81A4, 0, 0x100, 2, 500, 0, 0x100ull << 32, 0x100ull << 32, true,
       true, tooFar},
      {"small file", 0x81A4, 3000, 0, 6, 500, 0, 3000, 3000, false, true, 3},
      {"unused mode", 0, 3000, 0, 6, 500, 0, 3000, 3000, false, false, 3},
      {"direct pointer off the volume", 0x81A4, 3000, 0, 6, tooFar, 0, 3000, 3000, false, false, 3},
      {"indirect pointer checked from 13 blocks on", 0x81A4, 13 * 1024, 0, 28, 500, tooFar, 13 * 1024,
       13 * 1024, false, false, 14},
      {"indirect pointer unchecked below 13 blocks", 0x81A4, 12 * 1024, 0, 24, 500, tooFar, 12 * 1024,
       12 * 1024, false, true, 12},
      {"every sector allocated", 0x81A4, 100, 0, 0xFFFFFFFF, 500, 0, 100, 100, false, true, tooFar},
  };
  for (const Row& row : rows) {
    std::uint8_t slot[128] = {};
    qm::StoreLe16(slot + kMode, row.mode);
    qm::StoreLe32(slot + kSizeLow, row.sizeLow);
    qm::StoreLe32(slot + kSizeHigh, row.sizeHigh);
    qm::StoreLe32(slot + kSectorCount, row.sectors);
    qm::StoreLe32(slot + kBlockPointers, row.pointer0);
    qm::StoreLe32(slot + kBlockPointers + 12 * 4, row.pointer12);
    CExt2Inode inode;
    inode.FromTableSlot(fileSystem_.get(), qm::ByteView(slot, sizeof slot), 20);
    EXPECT_EQ(inode.GetSize(), row.size) << row.what;
    EXPECT_EQ(inode.GetEffectiveSize(), row.effective) << row.what;
    EXPECT_EQ(inode.IsSparse(), row.sparse) << row.what;
    EXPECT_EQ(inode.IsInUse(), row.inUse) << row.what;
    EXPECT_EQ(inode.GetBlockCount(), row.blocks) << row.what;
  }
}

TEST_F(Ext2HostileTest, IndirectBlocksPointingAtThemselves) {
  const std::uint32_t number = FindPath(*fileSystem_, "/big.bin").GetNumber();
  const std::uint64_t inodeAt = InodeByte(number);
  const std::uint32_t single = Get32(inodeAt + kBlockPointers + 12 * 4);
  const std::uint32_t dbl = Get32(inodeAt + kBlockPointers + 13 * 4);
  Put32(BlockByte(single), single);
  Put32(BlockByte(dbl), dbl);
  // And a sector count that claims the whole volume.
  Put32(inodeAt + kSectorCount, 0xFFFFFFFF);
  Reopen(Bytes());

  CExt2Inode inode;
  inode.Load(fileSystem_.get(), number);
  EXPECT_EQ(PhysicalBlock(inode, 12), single);
  EXPECT_EQ(PhysicalBlock(inode, 12 + 256), dbl);
  EXPECT_EQ(inode.GetBlockCount(), fileSystem_->BlockCount());
  std::uint64_t steps = 0;
  for (auto it = inode.Blocks(), end = inode.BlocksEnd(); !(it == end); it.Next()) {
    it.ReadData();
    ++steps;
  }
  EXPECT_EQ(steps, fileSystem_->BlockCount());
}

TEST_F(Ext2HostileTest, TripleIndirectMapAndIndexesPastIt) {
  const std::uint32_t number = FindPath(*fileSystem_, "/small.txt").GetNumber();
  const std::uint64_t inodeAt = InodeByte(number);
  // Blocks near the end of the last group are free in the fixture.
  const std::uint32_t top = fileSystem_->BlockCount() - 10, mid = top + 1, low = top + 2, data = top + 3;
  Put32(inodeAt + kBlockPointers + 14 * 4, top);
  Put32(BlockByte(top) + 4 * 2, mid);
  Put32(BlockByte(mid) + 4 * 3, low);
  Put32(BlockByte(low) + 4 * 5, data);
  Put32(BlockByte(low) + 4 * 6, fileSystem_->BlockCount()); // off the volume
  Reopen(Bytes());

  CExt2Inode inode;
  inode.Load(fileSystem_.get(), number);
  const std::uint32_t first = 12 + 256 + 256 * 256;
  EXPECT_EQ(PhysicalBlock(inode, first + 2 * 65536 + 3 * 256 + 5), data);
  EXPECT_EQ(PhysicalBlock(inode, first + 2 * 65536 + 3 * 256 + 6), 0u);
  EXPECT_EQ(PhysicalBlock(inode, first + 2 * 65536 + 3 * 256 + 4), 0u);
  EXPECT_EQ(PhysicalBlock(inode, first + 255u * 65536 + 255 * 256 + 255), 0u);
  // Beyond the triple-indirect range: no block, and no read outside the
  // indirect block.
  EXPECT_EQ(PhysicalBlock(inode, first + 256u * 65536), 0u);
  EXPECT_EQ(PhysicalBlock(inode, 0xFFFFFFFFu), 0u);
}

TEST_F(Ext2HostileTest, UnreadableIndirectBlockReadsAsHoles) {
  CExt2Inode inode = FindPath(*fileSystem_, "/big.bin");
  const std::uint32_t single = Get32(InodeByte(inode.GetNumber()) + kBlockPointers + 12 * 4);
  device_->AddFailingRange(single * 2, single * 2 + 2);
  EXPECT_NE(PhysicalBlock(inode, 11), 0u);
  EXPECT_EQ(PhysicalBlock(inode, 12), 0u);
  EXPECT_NE(PhysicalBlock(inode, 12 + 256), 0u);
}

// The names /many lists when entry k of its first block is patched.
class Ext2DirEntryTest : public Ext2HostileTest {
protected:
  void SetUp() override {
    Ext2HostileTest::SetUp();
    many_ = FindPath(*fileSystem_, "/many").GetNumber();
    CExt2Inode inode;
    inode.Load(fileSystem_.get(), many_);
    firstBlock_ = PhysicalBlock(inode, 0);
    secondBlock_ = PhysicalBlock(inode, 1);
    original_ = ListNames(inode);
  }
  // Byte offset of entry k in the directory's first block.
  std::uint64_t EntryAt(int k) {
    std::uint64_t at = BlockByte(firstBlock_);
    for (int i = 0; i < k; ++i)
      at += Get32(at + 4) & 0xFFFF;
    return at;
  }
  std::vector<std::string> List() {
    Reopen(Bytes());
    CExt2Inode inode;
    inode.Load(fileSystem_.get(), many_);
    return ListNames(inode);
  }
  std::uint32_t many_ = 0;
  std::uint32_t firstBlock_ = 0;
  std::uint32_t secondBlock_ = 0;
  std::vector<std::string> original_;
};

TEST_F(Ext2DirEntryTest, CorruptEntryEndsTheListing) {
  struct Row {
    const char* what;
    std::uint16_t recordLength;
    int nameLength; // -1 keeps it
    std::size_t listed;
  };
  const Row rows[] = {
      {"record length 0", 0, -1, 5},
      {"record length not a multiple of 4", 50, -1, 5},
      {"record length below header and name", 12, 5, 5},
      // The entry itself is whole; nothing after it can be trusted.
      {"record length past the block", 1028, -1, 6},
  };
  const std::vector<std::uint8_t> clean = Bytes();
  for (const Row& row : rows) {
    Reopen(clean);
    const std::uint64_t at = EntryAt(5);
    Put16(at + kEntryRecordLength, row.recordLength);
    if (row.nameLength >= 0) Bytes()[at + kEntryNameLength] = static_cast<std::uint8_t>(row.nameLength);
    const auto names = List();
    EXPECT_EQ(names,
              std::vector<std::string>(original_.begin(), original_.begin() + static_cast<long>(row.listed)))
        << row.what;
  }
  // Name length 5 in a record of 16 is valid: the entry is listed, cut to
  // its five bytes.
  Reopen(clean);
  const std::uint64_t at = EntryAt(5);
  Put16(at + kEntryRecordLength, 16);
  Bytes()[at + kEntryNameLength] = 5;
  const auto names = List();
  ASSERT_GE(names.size(), 6u);
  EXPECT_EQ(names[5], original_[5].substr(0, 5));
}

TEST_F(Ext2DirEntryTest, EmptyRecordDoesNotHideLaterBlocks) {
  // The second block becomes one unused record (inode 0, no name), as an
  // emptied or index block of a hashed directory looks.
  std::fill(Bytes().begin() + BlockByte(secondBlock_), Bytes().begin() + BlockByte(secondBlock_) + 1024, 0);
  Put16(BlockByte(secondBlock_) + kEntryRecordLength, 1024);
  const auto names = List();
  EXPECT_LT(names.size(), original_.size());
  EXPECT_EQ(names.back(), original_.back());
}

TEST_F(Ext2DirEntryTest, DirectoryWithALostSizeIsReadByItsAllocation) {
  Put32(InodeByte(many_) + kSizeLow, 0);
  EXPECT_EQ(List(), original_);
}

TEST_F(Ext2DirEntryTest, EntriesNamingNoInode) {
  Put32(EntryAt(5) + kEntryInode, 0xFFFFFFF0u);
  Put32(EntryAt(6) + kEntryInode, 0);
  Reopen(Bytes());
  CExt2Inode directory;
  directory.Load(fileSystem_.get(), many_);
  int seen = 0;
  for (auto it = directory.Entries(), end = directory.EntriesEnd(); it != end; it.Next(), ++seen) {
    if (seen != 5 && seen != 6) continue;
    const CExt2Inode child = it.MakeInode();
    EXPECT_FALSE(child.IsInUse());
    EXPECT_EQ(child.GetMode(), 0);
    EXPECT_EQ(child.Name(), original_[static_cast<std::size_t>(seen)]);
  }
  EXPECT_EQ(seen, static_cast<int>(original_.size()));
}

TEST_F(Ext2HostileTest, DirectoryWithoutAFirstBlock) {
  std::uint8_t slot[128] = {};
  qm::StoreLe16(slot + kMode, 0x41ED);
  qm::StoreLe32(slot + kSizeLow, 1024);
  qm::StoreLe32(slot + kSectorCount, 2);
  CExt2Inode directory;
  directory.FromTableSlot(fileSystem_.get(), qm::ByteView(slot, sizeof slot), 30);
  CExt2DirIterator it = directory.Entries();
  EXPECT_TRUE(it == directory.EntriesEnd());
  EXPECT_THROW(it.Current(), CExt2DirEntry::CBadDir);
  it.Next();
  EXPECT_TRUE(it == directory.EntriesEnd());
}

TEST_F(Ext2HostileTest, InodeNumbersOutsideTheVolume) {
  std::uint32_t block = 0, offset = 0;
  EXPECT_EQ(fileSystem_->LocateInode(0, block, offset), 0);
  EXPECT_EQ(fileSystem_->LocateInode(fileSystem_->SuperBlock().InodeCount() + 1, block, offset), 0);
  EXPECT_EQ(fileSystem_->LocateInode(0xFFFFFFFF, block, offset), 0);
  CExt2Inode inode;
  inode.Load(fileSystem_.get(), 0);
  EXPECT_EQ(inode.GetMode(), 0);
  EXPECT_FALSE(inode.IsInUse());
}

TEST_F(Ext2HostileTest, BadSectorInAnInodeTableCostsOnlyItsInodes) {
  const std::uint32_t table = fileSystem_->InodeTableBlock(0);
  // Block 3 of the table holds inodes 13 to 16 (256-byte inodes).
  device_->AddFailingRange((table + 3) * 2, (table + 3) * 2 + 1);
  CExt2Inode inode;
  std::vector<std::uint32_t> failed;
  for (auto it = fileSystem_->FirstInodeCursor(), end = fileSystem_->EndInodeCursor(); it != end; it.Next()) {
    try {
      it.Read(inode);
      EXPECT_EQ(inode.GetNumber(), it.GetNumber());
    } catch (const CExt2ReadSectorError&) {
      failed.push_back(it.GetNumber());
    }
  }
  EXPECT_EQ(failed, (std::vector<std::uint32_t>{13, 14, 15, 16}));
}

TEST_F(Ext2HostileTest, InodeTableOutsideTheDeviceStopsTheWalk) {
  // Only the first group is on the device; the table still describes three.
  std::vector<std::uint8_t> table(fileSystem_->Descriptors().bytes().begin(),
                                  fileSystem_->Descriptors().bytes().end());
  std::vector<std::uint8_t> head(Bytes().begin(), Bytes().begin() + 9000 * 1024);
  qm::MemoryDevice short_(head);
  CExt2FileSystem fileSystem(&short_, 0, std::span<const std::uint8_t>(head.data() + 1024, 1024), table);
  CExt2Inode inode;
  std::uint32_t last = 0;
  try {
    for (auto it = fileSystem.FirstInodeCursor(), end = fileSystem.EndInodeCursor(); it != end; it.Next()) {
      it.Read(inode);
      last = it.GetNumber();
    }
    ADD_FAILURE() << "the walk did not stop";
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ(error.what(), "CExt2FileSystem::ReadBlocks");
  }
  EXPECT_EQ(last, fileSystem.SuperBlock().InodesPerGroup() * 2);
}

} // namespace
