// The EXT2 deep scan over real volumes made with mke2fs and debugfs: a
// volume whose primary super block is zeroed is found from its backups
// with the right start and its files come back; a whole volume scores as
// high as its copies allow; ext4's 64-bit layout is refused.
#include <gtest/gtest.h>

#include <algorithm>

#include "deep_scan_support.h"
#include "ext2_fixture.h"
#include "fatext2/ext2_search_controller.h"
#include "fatext2/ext2_searched_partition_info.h"
#include "filemodel/file_node.h"
#include "support/memory_stream.h"
#include "storage/image_file_device.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;
using qm::test::Ext2Layout;
using qm::test::GetExt2Image;

namespace {

const CExt2SearchedPartitionInfo* AtStart(const qm::test::FoundPartitions& found, std::uint64_t start) {
  for (const auto& record : found.records)
    if (record->GetKind() == kPartitionKindExt2 && record->GetStartSector() == start)
      return static_cast<const CExt2SearchedPartitionInfo*>(record.get());
  return nullptr;
}

void ExpectFiles(const qm::test::Ext2Image& image, const std::map<std::string, std::vector<std::uint8_t>>& copied) {
  for (const auto& file : image.files) {
    const auto it = copied.find(file.path.substr(1));
    ASSERT_NE(it, copied.end()) << file.path;
    EXPECT_TRUE(it->second == file.content) << file.path;
  }
}

struct Case {
  Ext2Layout layout;
  std::uint32_t sectorSize;
  std::uint32_t type;
};

class Ext2ZeroedPrimary : public ::testing::TestWithParam<Case> {};

TEST_P(Ext2ZeroedPrimary, FoundFromABackupWithTheRightStartAndItsFilesComeBack) {
  const Case c = GetParam();
  const auto& image = GetExt2Image(c.layout);
  auto bytes = image.Bytes();
  // The primary super block: bytes 1024 to 2047.
  std::fill_n(bytes.begin() + 1024, 1024, 0);
  // Some noise before the volume so that it does not start at sector 0.
  const std::uint64_t lead = 64 * 1024;
  bytes.insert(bytes.begin(), lead, 0);
  const auto noise = qm::test::PatternBytes(lead, 3);
  std::copy(noise.begin(), noise.end(), bytes.begin());
  const auto original = bytes;
  qm::MemoryDevice device(std::move(bytes), static_cast<std::int32_t>(c.sectorSize));

  CEXT2SearchController controller;
  const auto found = qm::test::SweepWith(&device, {&controller});
  ASSERT_EQ(found.records.size(), 1u);
  const CExt2SearchedPartitionInfo* volume = AtStart(found, lead / 512);
  ASSERT_NE(volume, nullptr);
  EXPECT_EQ(volume->GetFileSystemType(), c.type);
  EXPECT_NE(volume->GetFoundAt() - volume->GetStartSector(), 2u); // a backup
  EXPECT_EQ(volume->GetSectorCount(), image.Bytes().size() / 512);
  EXPECT_GE(volume->GetHitCount(), 1u);
  EXPECT_EQ(volume->GetScore(), volume->GetHitCount() >= 2 ? 90u : 45u);

  qm::test::TreeRoot root(controller.BuildTree(const_cast<CExt2SearchedPartitionInfo*>(volume), &device, 0, nullptr));
  ASSERT_NE(root, nullptr);
  ExpectFiles(image, qm::test::CopyOut(root.get(), &device, "ext2_zeroed_primary"));
  EXPECT_TRUE(device.bytes() == original);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Ext2ZeroedPrimary,
                         ::testing::Values(Case{Ext2Layout::Ext2Blocks1K, 512, kFsExt2},
                                           Case{Ext2Layout::Ext2SmallGroups, 512, kFsExt2},
                                           Case{Ext2Layout::Ext3Blocks4K, 512, kFsExt3},
                                           Case{Ext2Layout::Ext2Blocks1K, 4096, kFsExt2}));

TEST(Ext2DeepScan, AWholeVolumeCountsItsBackupsAndScoresFull) {
  const auto& image = GetExt2Image(Ext2Layout::Ext2SmallGroups);
  CImageFileDevice device(image.path.c_str());
  CEXT2SearchController controller;
  const auto found = qm::test::SweepWith(&device, {&controller});
  ASSERT_EQ(found.records.size(), 1u);
  const CExt2SearchedPartitionInfo* volume = AtStart(found, 0);
  ASSERT_NE(volume, nullptr);
  EXPECT_EQ(volume->GetFoundAt(), 2u);
  EXPECT_EQ(volume->GetHitCount(), 5u); // groups 0, 1, 3, 5 and 7
  EXPECT_EQ(volume->GetFoldersMatched(), 4u);
  EXPECT_EQ(volume->GetScore(), 100u);
}

TEST(Ext2DeepScan, RecordsSavedAndLoadedReadTheirTableAgainForTheTree) {
  const auto& image = GetExt2Image(Ext2Layout::Ext2Blocks1K);
  CImageFileDevice device(image.path.c_str());
  CEXT2SearchController controller;
  auto found = qm::test::SweepWith(&device, {&controller});
  const CExt2SearchedPartitionInfo* volume = AtStart(found, 0);
  ASSERT_NE(volume, nullptr);
  qm::test::MemoryStream stream;
  ASSERT_EQ(const_cast<CExt2SearchedPartitionInfo*>(volume)->Save(&stream), 1);
  stream.readPosition = 0;
  CExt2SearchedPartitionInfo loaded;
  ASSERT_EQ(loaded.Load(&stream), 1);
  EXPECT_EQ(loaded.GetStartSector(), 0u);
  EXPECT_EQ(loaded.GetDescriptorSector(), volume->GetDescriptorSector());
  EXPECT_TRUE(loaded.Table().empty());
  qm::test::TreeRoot root(controller.BuildTree(&loaded, &device, 0, nullptr));
  ASSERT_NE(root, nullptr);
  ExpectFiles(image, qm::test::CopyOut(root.get(), &device, "ext2_loaded_record"));

  // A disk whose super block no longer checks gives no tree.
  auto bytes = image.Bytes();
  std::fill_n(bytes.begin() + 1024 + 0x38, 2, 0);
  qm::MemoryDevice changed(std::move(bytes), 512);
  CExt2SearchedPartitionInfo again;
  stream.readPosition = 0;
  ASSERT_EQ(again.Load(&stream), 1);
  EXPECT_EQ(controller.BuildTree(&again, &changed, 0, nullptr), nullptr);
}

TEST(Ext2DeepScan, SixtyFourBitAndMetaBgVolumesAreRefused) {
  for (const char* features : {"64bit", "meta_bg,^resize_inode"}) {
    SCOPED_TRACE(features);
    const fs::path path = qm::MakeSparseImage("ext4_refused.img", 32u << 20);
    if (qm::RunCommand(std::string("mke2fs -F -q -t ext4 -O ") + features + " " + path.string()) != 0)
      GTEST_SKIP() << "mke2fs failed";
    CImageFileDevice device(path.c_str());
    CEXT2SearchController controller;
    const auto found = qm::test::SweepWith(&device, {&controller});
    EXPECT_TRUE(found.records.empty());
  }
}

// An ext4 volume without the 64-bit and meta_bg layouts is found, but its
// extent-mapped files are not read through block pointers: they stay listed
// with their sizes and no extents.
TEST(Ext2DeepScan, ExtentMappedFilesStayListedWithoutExtents) {
  const fs::path src = qm::ScratchPath("ext4_extents_src");
  fs::remove_all(src);
  const auto content = qm::test::PatternBytes(50000, 77);
  qm::test::WriteHostFile(src / "folder" / "mapped.bin", content);
  const fs::path path = qm::MakeSparseImage("ext4_extents.img", 32u << 20);
  if (qm::RunCommand("mke2fs -F -q -t ext4 -b 1024 -O ^64bit,^flex_bg,^metadata_csum -d " + src.string() + " " +
                     path.string()) != 0)
    GTEST_SKIP() << "mke2fs failed";
  fs::remove_all(src);
  CImageFileDevice device(path.c_str());
  CEXT2SearchController controller;
  const auto found = qm::test::SweepWith(&device, {&controller});
  const CExt2SearchedPartitionInfo* volume = AtStart(found, 0);
  ASSERT_NE(volume, nullptr);
  qm::test::TreeRoot root(controller.BuildTree(const_cast<CExt2SearchedPartitionInfo*>(volume), &device, 0, nullptr));
  ASSERT_NE(root, nullptr);
  // The root folder maps its entries by extents too: the file is listed
  // as a loose inode.
  bool listed = false;
  std::vector<CFileNode*> stack{root.get()};
  while (!stack.empty()) {
    CFileNode* node = stack.back();
    stack.pop_back();
    for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
      stack.push_back(child);
      const IFileProperties* properties = child->GetProperties();
      if (properties == nullptr || properties->IsFolder() || properties->GetSize() != content.size()) continue;
      listed = true;
      const auto runs = properties->GetDataRunList();
      EXPECT_TRUE(runs == nullptr || runs->RunCount() == 0);
    }
  }
  EXPECT_TRUE(listed);
}

} // namespace
