// Real EXT2 and EXT3 volumes made by mke2fs and debugfs, read back through
// the reader: geometry, names, deep paths, sizes and contents byte for byte,
// deleted files, backup super blocks, other sector sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "fatext2/ext2_block_iterator.h"
#include "fatext2/ext2_dir_iterator.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_fixture.h"
#include "fatext2/ext2_inode.h"
#include "fatext2/ext2_inode_table_cursor.h"
#include "storage/image_file_device.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

using namespace qm::test;

namespace {

std::string Leaf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Every file and directory of the fixture is where it was written, with
// its size and its bytes.
void ExpectAllFiles(CExt2FileSystem& fileSystem, const Ext2Image& image) {
  for (const auto& dir : image.directories) {
    const CExt2Inode inode = FindPath(fileSystem, dir);
    EXPECT_TRUE(inode.IsInUse() && inode.IsDirectory()) << dir;
    EXPECT_EQ(inode.Name(), Leaf(dir));
  }
  for (const auto& file : image.files) {
    const CExt2Inode inode = FindPath(fileSystem, file.path);
    ASSERT_TRUE(inode.IsInUse()) << file.path;
    EXPECT_FALSE(inode.IsDirectory());
    EXPECT_FALSE(inode.IsDeleted());
    EXPECT_EQ(inode.Name(), Leaf(file.path));
    EXPECT_EQ(inode.GetSize(), file.content.size()) << file.path;
    EXPECT_TRUE(ReadContent(inode) == file.content) << file.path;
  }
}

class Ext2VolumeTest : public ::testing::TestWithParam<Ext2Layout> {};

TEST_P(Ext2VolumeTest, EveryWrittenFileReadsBackByteForByte) {
  const Ext2Image& image = GetExt2Image(GetParam());
  qm::MemoryDevice device(image.Bytes());
  CExt2FileSystem fileSystem(&device, 2);
  EXPECT_EQ(fileSystem.BlockSize(), image.blockSize);
  ExpectAllFiles(fileSystem, image);
}

TEST_P(Ext2VolumeTest, RootListsItsEntriesAndTheBigDirectoryListsAll) {
  const Ext2Image& image = GetExt2Image(GetParam());
  qm::MemoryDevice device(image.Bytes());
  CExt2FileSystem fileSystem(&device, 2);

  CExt2Inode root;
  root.Load(&fileSystem, 2);
  const auto rootNames = ListNames(root);
  const std::set<std::string> names(rootNames.begin(), rootNames.end());
  for (const char* expected :
       {".", "..", "lost+found", "a", "many", "small.txt", "big.bin", "exact.bin", "empty.txt"})
    EXPECT_TRUE(names.count(expected)) << expected;
  // The removed file's entry is gone from its directory.
  EXPECT_FALSE(names.count("gone.bin"));

  const CExt2Inode many = FindPath(fileSystem, "/many");
  if (image.blockSize <= 4096) {
    ASSERT_GT(many.GetEffectiveSize(), image.blockSize) << "the directory should span several blocks";
  }
  std::size_t listed = 0;
  for (const auto& name : ListNames(many))
    listed += name.rfind("entry_with", 0) == 0;
  EXPECT_EQ(listed, 150u);
}

TEST_P(Ext2VolumeTest, DeletedFilesKeepTheirInodesAndBlocks) {
  const Ext2Image& image = GetExt2Image(GetParam());
  qm::MemoryDevice device(image.Bytes());
  CExt2FileSystem fileSystem(&device, 2);

  // Removed with rm: no entry names it, the inode walk finds it.
  std::vector<std::uint64_t> deletedSizes;
  CExt2Inode inode;
  for (auto it = fileSystem.FirstInodeCursor(), end = fileSystem.EndInodeCursor(); it != end; it.Next()) {
    it.Read(inode);
    if (!inode.IsDeleted()) continue;
    deletedSizes.push_back(inode.GetSize());
    // The block pointers of a freed inode are left in place: the content
    // is whole.
    if (inode.GetSize() == image.deleted.content.size()) {
      EXPECT_TRUE(ReadContent(inode) == image.deleted.content);
    }
  }
  std::sort(deletedSizes.begin(), deletedSizes.end());
  EXPECT_EQ(deletedSizes,
            (std::vector<std::uint64_t>{image.deleted.content.size(), image.killed.content.size()}));

  // Freed with kill_file: its entry still names it.
  const CExt2Inode killed = FindPath(fileSystem, image.killed.path);
  EXPECT_TRUE(killed.IsDeleted());
  EXPECT_TRUE(killed.IsInUse());
  EXPECT_TRUE(ReadContent(killed) == image.killed.content);
}

TEST_P(Ext2VolumeTest, InodeWalkMatchesSingleLoads) {
  const Ext2Image& image = GetExt2Image(GetParam());
  qm::MemoryDevice device(image.Bytes());
  CExt2FileSystem fileSystem(&device, 2);
  const std::uint32_t count = fileSystem.SuperBlock().InodeCount();
  std::uint32_t walked = 0;
  std::uint32_t inUse = 0;
  CExt2Inode fromWalk;
  CExt2Inode loaded;
  for (auto it = fileSystem.FirstInodeCursor(), end = fileSystem.EndInodeCursor(); it != end; it.Next()) {
    it.Read(fromWalk);
    loaded.Load(&fileSystem, it.GetNumber());
    ASSERT_TRUE(std::equal(fromWalk.Raw().bytes().begin(), fromWalk.Raw().bytes().end(),
                           loaded.Raw().bytes().begin()))
        << it.GetNumber();
    ++walked;
    inUse += fromWalk.IsInUse();
  }
  EXPECT_EQ(walked, count - fileSystem.SuperBlock().FirstInode() + 1);
  EXPECT_GE(inUse, image.files.size() + image.directories.size());
}

INSTANTIATE_TEST_SUITE_P(Layouts, Ext2VolumeTest,
                         ::testing::Values(Ext2Layout::Ext2Blocks1K, Ext2Layout::Ext3Blocks4K,
                                           Ext2Layout::Ext2SmallGroups, Ext2Layout::Ext2Revision0,
                                           Ext2Layout::Ext2Blocks8K));

TEST(Ext2Volume, TypeLabelAndGeometry) {
  struct Row {
    Ext2Layout layout;
    int type;
    const char* label;
    std::uint32_t groups;
    std::uint32_t inodeSize;
  };
  for (const Row& row :
       {Row{Ext2Layout::Ext2Blocks1K, 4, "ext2label", 3, 256},
        Row{Ext2Layout::Ext3Blocks4K, 5, "journalled", 2, 256},
        Row{Ext2Layout::Ext2SmallGroups, 4, "", 8, 256}, Row{Ext2Layout::Ext2Revision0, 4, "", 1, 128},
        Row{Ext2Layout::Ext2Blocks8K, 4, "", 1, 256}}) {
    const Ext2Image& image = GetExt2Image(row.layout);
    CImageFileDevice device(image.path.c_str());
    ASSERT_EQ(device.Open(), 1);
    CExt2FileSystem fileSystem(&device, 2);
    EXPECT_EQ(fileSystem.GetFileSystemType(), row.type);
    EXPECT_EQ(fileSystem.GetLabel(), row.label);
    EXPECT_EQ(fileSystem.GroupCount(), row.groups);
    EXPECT_EQ(fileSystem.SuperBlock().InodeSize(), row.inodeSize);
    EXPECT_EQ(fileSystem.SuperBlock().FirstInode(), 11u);
    EXPECT_EQ(fileSystem.GetSizeInBytes(), std::filesystem::file_size(image.path));
    EXPECT_EQ(fileSystem.GetBlockSector(0), 0);
    EXPECT_EQ(fileSystem.GetBlockSector(5), 5 * image.blockSize / 512);
  }
}

TEST(Ext2Volume, BackupSuperBlockGivesTheSameBlockSectors) {
  struct Row {
    Ext2Layout layout;
    std::uint64_t backupSector; // group 1's copy
  };
  // 1 KiB blocks: block 8192 x 1 + 1; 4 KiB blocks: the start of block 32768.
  for (const Row& row :
       {Row{Ext2Layout::Ext2Blocks1K, (8192 + 1) * 2}, Row{Ext2Layout::Ext3Blocks4K, 32768 * 8}}) {
    const Ext2Image& image = GetExt2Image(row.layout);
    qm::MemoryDevice device(image.Bytes());
    CExt2FileSystem primary(&device, 2);
    CExt2FileSystem backup(&device, row.backupSector);
    EXPECT_EQ(backup.SuperBlock().GroupNumber(), 1);
    for (std::uint32_t block : {0u, 1u, 77u, 9000u})
      EXPECT_EQ(backup.GetBlockSector(block), primary.GetBlockSector(block));
    ExpectAllFiles(backup, image);
  }
}

TEST(Ext2Volume, PartitionInsideALargerDiskAndOtherSectorSizes) {
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext2Blocks1K);
  std::vector<std::uint8_t> disk(2048 * 512, 0xEE);
  const auto bytes = image.Bytes();
  disk.insert(disk.end(), bytes.begin(), bytes.end());
  qm::MemoryDevice device(disk);
  CExt2FileSystem fileSystem(&device, 2048 + 2);
  EXPECT_EQ(fileSystem.GetBlockSector(0), 2048);
  ExpectAllFiles(fileSystem, image);

  // A disk of 4096-byte sectors is read through its 512-byte view.
  qm::MemoryDevice bigSectors(disk, 4096);
  CExt2FileSystem viaView(&bigSectors, 2048 + 2);
  EXPECT_EQ(viaView.GetDevice()->GetSectorSize(), 512);
  ExpectAllFiles(viaView, image);
}

TEST(Ext2Volume, ReadingLeavesTheImageUnchanged) {
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext2Blocks1K);
  const std::vector<std::uint8_t> before = image.Bytes();
  {
    CImageFileDevice device(image.path.c_str());
    ASSERT_EQ(device.Open(), 1);
    CExt2FileSystem fileSystem(&device, 2);
    ExpectAllFiles(fileSystem, image);
  }
  EXPECT_TRUE(image.Bytes() == before);
}

TEST(Ext2HashedDirectory, IndexBlocksDoNotEndTheListing) {
  // A two-level hashed directory keeps its interior index blocks among the
  // leaves; each begins with an unused record (inode 0, no name) spanning
  // the block, and leaves added later follow them.
  qm::MemoryDevice device(qm::ReadFileBytes(GetHashedDirectoryImage()));
  CExt2FileSystem fileSystem(&device, 2);
  const CExt2Inode big = FindPath(fileSystem, "/big");
  ASSERT_TRUE(big.IsDirectory());
  std::set<std::string> names;
  for (const auto& name : ListNames(big))
    names.insert(name);
  for (int i = 1; i <= kHashedEntries; ++i)
    ASSERT_TRUE(names.count("file_with_quite_a_long_name_number_" + std::to_string(i))) << i;
}

} // namespace
