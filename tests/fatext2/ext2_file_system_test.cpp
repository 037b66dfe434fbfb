// Opening a file system: the choice among the descriptor table copies, the
// failures of opening, block reads at and past the device's end, and the
// form that opens a super block and table found elsewhere.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "fatext2/ext2_exceptions.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_fixture.h"
#include "support/memory_device.h"

using namespace qm::test;

namespace {

// The small-groups image: 1 KiB blocks, 2048 blocks per group, eight
// groups; super block and descriptor copies in groups 0, 1, 3, 5 and 7.
constexpr std::uint64_t kPerGroup = 2048;
constexpr std::uint64_t kBlock = 1024;

std::uint64_t SuperBlockAt(std::uint32_t copyGroup) { return (copyGroup * kPerGroup + 1) * kBlock; }
std::uint64_t DescriptorAt(std::uint32_t copyGroup, std::uint32_t group, std::size_t field) {
  return (copyGroup * kPerGroup + 2) * kBlock + group * 32 + field;
}

class Ext2TableChoiceTest : public ::testing::Test {
protected:
  void SetUp() override {
    bytes_ = GetExt2Image(Ext2Layout::Ext2SmallGroups).Bytes();
    originalBitmap2_ = Get(DescriptorAt(0, 2, 0));
    originalTable0_ = Get(DescriptorAt(0, 0, 8));
  }
  std::uint32_t Get(std::uint64_t at) const { return qm::ByteView(bytes_.data(), bytes_.size()).le32(at); }
  void Set(std::uint64_t at, std::uint32_t value) { qm::StoreLe32(bytes_.data() + at, value); }
  // Moves group 2's block bitmap inside group 2: the copy stays acceptable
  // but differs from the others.
  void Shift(std::uint32_t copyGroup, std::uint32_t by) {
    Set(DescriptorAt(copyGroup, 2, 0), originalBitmap2_ + by);
  }
  // Points group 0's inode table into group 1: the copy fails the range test.
  void Break(std::uint32_t copyGroup) {
    Set(DescriptorAt(copyGroup, 0, 8), static_cast<std::uint32_t>(kPerGroup + 50));
  }
  std::uint32_t ChosenShift() {
    qm::MemoryDevice device(bytes_);
    CExt2FileSystem fileSystem(&device, 2);
    EXPECT_EQ(fileSystem.InodeTableBlock(0), originalTable0_);
    return fileSystem.BlockBitmapBlock(2) - originalBitmap2_;
  }

  std::vector<std::uint8_t> bytes_;
  std::uint32_t originalBitmap2_ = 0;
  std::uint32_t originalTable0_ = 0;
};

TEST_F(Ext2TableChoiceTest, PrimaryWhenAllCopiesAgree) { EXPECT_EQ(ChosenShift(), 0u); }

TEST_F(Ext2TableChoiceTest, BrokenPrimaryGivesWayToTheBackups) {
  Break(0);
  EXPECT_EQ(ChosenShift(), 0u);
  // And the volume still reads.
  qm::MemoryDevice device(bytes_);
  CExt2FileSystem fileSystem(&device, 2);
  for (const auto& file : GetExt2Image(Ext2Layout::Ext2SmallGroups).files)
    ASSERT_TRUE(ReadContent(FindPath(fileSystem, file.path)) == file.content) << file.path;
}

TEST_F(Ext2TableChoiceTest, TwoEqualBackupsWinOverADifferentPrimary) {
  Shift(0, 1);
  EXPECT_EQ(ChosenShift(), 0u);
}

TEST_F(Ext2TableChoiceTest, WithoutAgreementTheLastAcceptableTableIsUsed) {
  for (std::uint32_t copy : {0u, 1u, 3u, 5u, 7u})
    Shift(copy, copy + 1);
  EXPECT_EQ(ChosenShift(), 8u);
}

TEST_F(Ext2TableChoiceTest, ALastTableThatFailsLeavesTheFirstAccepted) {
  for (std::uint32_t copy : {0u, 1u, 3u, 5u})
    Shift(copy, copy + 1);
  Break(7);
  EXPECT_EQ(ChosenShift(), 1u);
}

TEST_F(Ext2TableChoiceTest, ACopyOfAnotherFileSystemIsSkipped) {
  Break(0);
  // Group 1's copy belongs to another volume (its identity differs); had
  // its table counted, it would agree with group 5's and win.
  bytes_[SuperBlockAt(1) + qm::ext2::kVolumeId] ^= 0xFF;
  Shift(1, 1);
  Shift(5, 1);
  EXPECT_EQ(ChosenShift(), 0u);
}

TEST_F(Ext2TableChoiceTest, NoAcceptableTable) {
  for (std::uint32_t copy : {0u, 1u, 3u, 5u, 7u})
    Break(copy);
  qm::MemoryDevice device(bytes_);
  EXPECT_THROW(CExt2FileSystem(&device, 2), CExt2BadGroupDescriptor);
}

TEST_F(Ext2TableChoiceTest, UnreadableTablesAreNoTables) {
  // The primary fails the range test and the first backup cannot be read:
  // the search ends with nothing.
  std::vector<std::uint8_t> broken = bytes_;
  std::swap(broken, bytes_);
  Break(0);
  std::swap(broken, bytes_);
  qm::MemoryDevice brokenDevice(broken);
  brokenDevice.AddFailingRange(SuperBlockAt(1) / 512, SuperBlockAt(1) / 512 + 1);
  EXPECT_THROW(CExt2FileSystem(&brokenDevice, 2), CExt2BadGroupDescriptor);

  qm::MemoryDevice device(bytes_);
  // An unreadable backup ends the search, but the primary accepted before
  // it still counts.
  device.AddFailingRange(SuperBlockAt(3) / 512, SuperBlockAt(3) / 512 + 1);
  CExt2FileSystem fileSystem(&device, 2);
  EXPECT_EQ(fileSystem.BlockBitmapBlock(2), originalBitmap2_);
}

TEST(Ext2Open, Failures) {
  const std::vector<std::uint8_t> good = GetExt2Image(Ext2Layout::Ext2Blocks1K).Bytes();
  {
    qm::MemoryDevice device(good);
    device.AddFailingRange(5, 6); // inside the 4096 bytes read at the super block
    EXPECT_THROW(CExt2FileSystem(&device, 2), CExt2ReadSectorError);
  }
  {
    qm::MemoryDevice device(std::vector<std::uint8_t>(64 * 1024, 0));
    EXPECT_THROW(CExt2FileSystem(&device, 2), CExt2BadSuperBlock);
  }
  {
    // A volume larger than what the device holds after the partition start.
    qm::MemoryDevice device(std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2));
    EXPECT_THROW(CExt2FileSystem(&device, 2), CExt2BadSuperBlock);
  }
  {
    // A copy that claims a group whose offset reaches before the device.
    std::vector<std::uint8_t> bytes = good;
    qm::StoreLe16(bytes.data() + 1024 + qm::ext2::kGroupNumber, 1);
    qm::MemoryDevice device(bytes);
    EXPECT_THROW(CExt2FileSystem(&device, 2), CExt2BadSuperBlock);
  }
  {
    // Too close to the device's end for the 4096-byte read.
    qm::MemoryDevice device(good);
    EXPECT_THROW(CExt2FileSystem(&device, device.GetSectorCount() - 3), CExt2ReadSectorError);
    EXPECT_THROW(CExt2FileSystem(&device, ~std::uint64_t{0}), CExt2ReadSectorError);
  }
  EXPECT_THROW(CExt2FileSystem(nullptr, 2), CExt2ReadSectorError);
}

TEST(Ext2Open, ReadBlocksAtAndPastTheEnd) {
  qm::MemoryDevice device(GetExt2Image(Ext2Layout::Ext2Blocks1K).Bytes());
  CExt2FileSystem fileSystem(&device, 2);
  std::vector<std::uint8_t> buffer(4 * 1024, 0xAA);
  const std::uint32_t last = fileSystem.BlockCount() - 1;
  EXPECT_NE(fileSystem.ReadBlocks(buffer.data(), last, 1), 0);
  try {
    fileSystem.ReadBlocks(buffer.data(), last + 1, 1);
    ADD_FAILURE() << "no range error";
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ(error.what(), "CExt2FileSystem::ReadBlocks");
  }
  EXPECT_THROW(fileSystem.ReadBlocks(buffer.data(), 0, 0xFFFFFFFF), std::out_of_range);

  // A failed device read leaves zeros behind, not old bytes.
  device.AddFailingRange(100 * 2, 100 * 2 + 1);
  std::fill(buffer.begin(), buffer.end(), 0xAA);
  EXPECT_THROW(fileSystem.ReadBlocks(buffer.data(), 99, 2), CExt2ReadSectorError);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + 2048, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(buffer[2048], 0xAA);
}

TEST(Ext2Open, SuperBlockAndTableFoundElsewhere) {
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext2Blocks1K);
  std::vector<std::uint8_t> disk(100 * 512, 0);
  const auto bytes = image.Bytes();
  disk.insert(disk.end(), bytes.begin(), bytes.end());
  qm::MemoryDevice device(disk);

  // Group 1's copy, as a deep scan finds it, with the primary's table.
  const std::uint64_t backup = 100 * 512 + (8192 + 1) * 1024;
  const std::span<const std::uint8_t> image1(disk.data() + backup, 1024);
  std::uint8_t firstBlock[1024];
  CExt2FileSystem reference(&device, 102);
  const std::span<const std::uint8_t> table = reference.Descriptors().bytes();

  CExt2FileSystem fileSystem(&device, 100, image1, table);
  EXPECT_EQ(fileSystem.GetSuperBlockSector(), 102u);
  EXPECT_EQ(fileSystem.SuperBlock().GroupNumber(), 0);
  EXPECT_EQ(fileSystem.GetBlockSector(0), 100);
  fileSystem.GetSuperBlock(firstBlock);
  EXPECT_EQ(qm::ByteView(firstBlock, 1024).le16(qm::ext2::kMagic), qm::ext2::kSuperBlockMagic);
  for (const auto& file : image.files)
    ASSERT_TRUE(ReadContent(FindPath(fileSystem, file.path)) == file.content) << file.path;

  EXPECT_THROW(CExt2FileSystem(&device, 100, image1, {}), CExt2BadGroupDescriptor);
  EXPECT_THROW(CExt2FileSystem(&device, 100, image1, table.first(table.size() - 1)), CExt2BadGroupDescriptor);
  std::vector<std::uint8_t> broken(table.begin(), table.end());
  qm::StoreLe32(broken.data() + 32 + 8, 3); // group 1's inode table in group 0
  EXPECT_THROW(CExt2FileSystem(&device, 100, image1, broken), CExt2BadGroupDescriptor);
  std::vector<std::uint8_t> badImage(image1.begin(), image1.end());
  badImage[qm::ext2::kMagic] ^= 1;
  EXPECT_THROW(CExt2FileSystem(&device, 100, badImage, table), CExt2BadSuperBlock);
  EXPECT_THROW(CExt2FileSystem(&device, 100, image1.first(1000), table), CExt2BadSuperBlock);
}

} // namespace
