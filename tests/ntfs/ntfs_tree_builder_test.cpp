// The tree builds over the fixture volume: every file of the manifest must
// come out at its path (deleted ones flagged, the recycled one under its
// original name), the checked tree must copy out byte for byte, and the
// image must stay as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "ntfs/fixture_volume.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_fixture.h"
#include "ntfs/ntfs_lost_tree_builder.h"
#include "ntfs/ntfs_partition_info.h"
#include "ntfs/ntfs_tree_builder.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"
#include "support/sha256.h"
#include "tree_build_support.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kRecycledName = "Quarterly report.docx";

bool IsDeletedKind(const qm::test::NtfsManifestEntry& entry) { return entry.kind.rfind("deleted", 0) == 0; }

// The manifest path under which the tree shows an entry: the recycled data
// file carries the name it had before it was deleted.
std::string ExpectedPath(const qm::test::NtfsManifestEntry& entry) {
  if (entry.Has("recycled") && entry.Name().rfind("$R", 0) == 0)
    return fs::path(entry.path).parent_path().string() + "/" + kRecycledName;
  return entry.path;
}

// Checks every manifest entry against the tree, each under prefix.
void ExpectManifestInTree(CFileNode* root, const std::string& prefix) {
  const auto paths = qm::test::CollectPaths(root);
  for (const auto& entry : qm::test::NtfsBasicManifest()) {
    if (entry.kind == "stream") continue;
    const std::string path = prefix + ExpectedPath(entry);
    const auto found = paths.byPath.find(path);
    ASSERT_NE(found, paths.byPath.end()) << path;
    const IFileProperties* properties = found->second->GetProperties();
    EXPECT_EQ((properties->GetState() & qm::kStateDeleted) != 0, IsDeletedKind(entry)) << path;
    const bool folder = entry.kind == "dir" || entry.kind == "deleted-dir";
    EXPECT_EQ(properties->IsFolder(), folder) << path;
    if (!folder) {
      EXPECT_EQ(properties->GetSize(), entry.size) << path;
    }
  }
}

// Consecutive FILE records of the image, as the deep scan keeps them.
std::vector<qm::NtfsRecordRange> RecordRanges(const std::vector<std::uint8_t>& image) {
  std::vector<qm::NtfsRecordRange> ranges;
  for (std::uint64_t sector = 0; (sector + 2) * 512 <= image.size(); sector += 2) {
    if (!IsFileRecordHeader(qm::ByteView(image.data() + sector * 512, 1024))) continue;
    if (ranges.empty() || !ranges.back().Extend(sector)) ranges.push_back({sector, 1});
  }
  return ranges;
}

class FixtureTreeBuild : public ::testing::Test {
protected:
  void SetUp() override {
    volume_ = qm::test::OpenFixtureVolume(
        std::make_unique<CImageFileDevice>(qm::test::NtfsBasicImagePath().c_str()));
    imageTime_ = fs::last_write_time(qm::test::NtfsBasicImagePath()).time_since_epoch().count();
  }
  void TearDown() override {
    DeleteFileTree(root_);
    // Reading left the image as it was: its bytes and its time.
    EXPECT_TRUE(qm::ReadFileBytes(qm::test::NtfsBasicImagePath()) == qm::test::NtfsBasicImage());
    EXPECT_EQ(fs::last_write_time(qm::test::NtfsBasicImagePath()).time_since_epoch().count(), imageTime_);
  }

  // A candidate record of the fixture volume as the deep scan would report
  // it, with the $MFT it found.
  std::unique_ptr<CSearchedNTFSPartitionInfo> FoundPartition(std::vector<NtfsMftInfo>& mfts) {
    auto partition = std::make_unique<CSearchedNTFSPartitionInfo>();
    partition->SetStartSector(0);
    partition->SetSectorCount(volume_.device->GetSectorCount());
    partition->SetSectorsPerCluster(static_cast<std::uint8_t>(volume_.geometry.sectorsPerCluster));
    partition->m_bUseMft = 1;
    NtfsMftInfo mft;
    mft.extents = volume_.mftRuns;
    mft.sectorsPerCluster = static_cast<std::uint8_t>(volume_.geometry.sectorsPerCluster);
    mft.sectorsPerFileRecord = 2;
    mft.recordSector =
        static_cast<std::uint64_t>(volume_.mftRuns.front().lcn) * volume_.geometry.sectorsPerCluster;
    partition->m_u64MftSector = mft.recordSector;
    mfts.push_back(mft);
    return partition;
  }

  qm::test::FixtureVolume volume_;
  CFileNode* root_ = nullptr;
  std::int64_t imageTime_ = 0;
};

TEST_F(FixtureTreeBuild, EveryFileAtItsPathAndTheCheckedTreeCopiesOutByteForByte) {
  qm::test::RecordingCallback callback;
  CNtfsTreeBuilder builder;
  root_ = builder.Start(0, volume_.device.get(), &callback);
  ASSERT_NE(root_, nullptr);
  ASSERT_TRUE(root_->IsFileSystemNode());
  auto* volumeNode = static_cast<CFileSystemNode*>(root_);
  EXPECT_STREQ(volumeNode->GetName(), "QM Fixture");
  EXPECT_EQ(volumeNode->GetVolumeState(), qm::kVolumeNtfs);
  ASSERT_EQ(callback.titles.size(), 2u);
  EXPECT_EQ(callback.titles[0], "NTFS:Reading files");
  EXPECT_EQ(callback.titles[1], "NTFS:Building Directories...");
  EXPECT_EQ(callback.totals[1], builder.EntriesFound());

  ExpectManifestInTree(root_, "");
  const auto paths = qm::test::CollectPaths(root_);
  // System files stay out, and every record of the volume found a folder.
  EXPECT_EQ(paths.byPath.count("$MFT"), 0u);
  EXPECT_EQ(paths.byPath.count("LostFiles1"), 0u);
  EXPECT_EQ(paths.duplicates, 0u);

  volumeNode->ToggleCheck(root_, 0);
  const fs::path target = qm::ScratchPath("ntfs_tree_recovery");
  fs::remove_all(target);
  qm::SaveContext context{nullptr, volume_.device.get()};
  std::string created;
  ASSERT_EQ(SaveCheckedTree(context, root_, target.string(), &created), qm::kSaveDone);
  std::size_t files = 0;
  for (const auto& entry : qm::test::NtfsBasicManifest()) {
    if (entry.kind != "file" && entry.kind != "deleted") continue;
    const fs::path path = fs::path(created) / fs::u8path(ExpectedPath(entry));
    ASSERT_TRUE(fs::exists(path)) << path;
    EXPECT_EQ(qm::test::Sha256Hex(qm::ReadFileBytes(path)), entry.sha256) << entry.path;
    ++files;
  }
  EXPECT_GE(files, 25u);
  fs::remove_all(target);
}

TEST_F(FixtureTreeBuild, DisksOf4096ByteSectorsGiveTheSameTree) {
  // Four records share each sector: every record still comes out, and a
  // resident file is read back from the right quarter of its sector.
  auto volume = qm::test::OpenFixtureVolume(4096);
  CNtfsTreeBuilder builder;
  root_ = builder.Start(0, volume.device.get(), nullptr);
  ASSERT_NE(root_, nullptr);
  ExpectManifestInTree(root_, "");
  static_cast<CFileSystemNode*>(root_)->ToggleCheck(root_, 0);
  const fs::path target = qm::ScratchPath("ntfs_tree_4096");
  fs::remove_all(target);
  qm::SaveContext context{nullptr, volume.device.get()};
  std::string created;
  ASSERT_EQ(SaveCheckedTree(context, root_, target.string(), &created), qm::kSaveDone);
  for (const auto& entry : qm::test::NtfsBasicManifest()) {
    if (entry.kind != "file" && entry.kind != "deleted") continue;
    const fs::path path = fs::path(created) / fs::u8path(ExpectedPath(entry));
    EXPECT_EQ(qm::test::Sha256Hex(qm::ReadFileBytes(path)), entry.sha256) << entry.path;
  }
  fs::remove_all(target);
}

TEST_F(FixtureTreeBuild, LostPartitionBuildFromRecordRangesFindsTheSameTree) {
  std::vector<NtfsMftInfo> mfts;
  auto partition = FoundPartition(mfts);
  const auto ranges = RecordRanges(qm::test::NtfsBasicImage());
  ASSERT_FALSE(ranges.empty());
  qm::test::RecordingCallback callback;
  CNtfsLostPartitionTreeBuilder builder;
  root_ = builder.Start(mfts, ranges, partition.get(), nullptr, volume_.device.get(), 1, &callback);
  ASSERT_NE(root_, nullptr);
  EXPECT_STREQ(static_cast<CFileSystemNode*>(root_)->GetName(), "QM Fixture");
  ASSERT_EQ(callback.titles.size(), 2u);
  EXPECT_EQ(callback.steps >= builder.WindowsRead(), true);
  EXPECT_GT(builder.WindowsRead(), 0u);
  ExpectManifestInTree(root_, "");
}

TEST_F(FixtureTreeBuild, WithoutTheMftEveryFileStillKeepsItsFoldersUnderLostFiles) {
  // Records filed under no $MFT are linked by the numbers their headers
  // carry: the folders keep their files, and what hung from the root
  // folder ends in one LostFiles folder.
  std::vector<NtfsMftInfo> mfts;
  auto partition = FoundPartition(mfts);
  partition->m_bUseMft = 0;
  CNtfsLostPartitionTreeBuilder builder;
  root_ = builder.Start(mfts, RecordRanges(qm::test::NtfsBasicImage()), partition.get(), nullptr,
                        volume_.device.get(), 0, nullptr);
  ASSERT_NE(root_, nullptr);
  ExpectManifestInTree(root_, "LostFiles1/");
  EXPECT_EQ(qm::test::CollectPaths(root_).byPath.count("LostFiles2"), 0u);
}

TEST_F(FixtureTreeBuild, CancelStopsEveryBuild) {
  {
    // Cancelled while the $MFT is read: nothing is returned.
    qm::test::RecordingCallback callback(1);
    CNtfsTreeBuilder builder;
    EXPECT_EQ(builder.Start(0, volume_.device.get(), &callback), nullptr);
    EXPECT_EQ(callback.titles.size(), 1u);
  }
  {
    // Cancelled while linking: the partial tree is dropped.
    qm::test::RecordingCallback counting;
    CNtfsTreeBuilder whole;
    CFileNode* full = whole.Start(0, volume_.device.get(), &counting);
    ASSERT_NE(full, nullptr);
    DeleteFileTree(full);
    qm::test::RecordingCallback callback(counting.calls - 100);
    CNtfsTreeBuilder builder;
    EXPECT_EQ(builder.Start(0, volume_.device.get(), &callback), nullptr);
    EXPECT_EQ(callback.titles.size(), 2u);
  }
  {
    // The lost-partition build stops reading after the window in which the
    // cancel came.
    std::vector<NtfsMftInfo> mfts;
    auto partition = FoundPartition(mfts);
    qm::test::RecordingCallback callback(1);
    CNtfsLostPartitionTreeBuilder builder;
    CFileNode* partial = builder.Start(mfts, RecordRanges(qm::test::NtfsBasicImage()), partition.get(),
                                       nullptr, volume_.device.get(), 0, &callback);
    DeleteFileTree(partial);
    EXPECT_EQ(builder.WindowsRead(), 1u);
  }
}

TEST_F(FixtureTreeBuild, LostPartitionBuildRefusesOtherPartitionRecords) {
  CSearchedPartitionInfo other;
  CNtfsLostPartitionTreeBuilder builder;
  EXPECT_EQ(builder.Start({}, RecordRanges(qm::test::NtfsBasicImage()), &other, nullptr, volume_.device.get(),
                          0, nullptr),
            nullptr);
}

// A file in hundreds of fragments: its run list outgrew the base record, and
// ntfs-3g gave it an attribute list and moved its $FILE_NAME and the rest of
// its $DATA into extension records. It must be found under its name and
// copy out whole. (The driver strips the $FILE_NAME out of the deleted
// one's extension record, so that one has no name left to find it by.)
TEST(AttributeListTreeBuild, AFileNamedOnlyInAnExtensionRecordIsFoundAndCopiedWhole) {
  const std::string image = qm::test::NtfsFixtureImagePath("ntfs_attrlist");
  ASSERT_FALSE(image.empty());
  const auto before = qm::test::Sha256Hex(qm::ReadFileBytes(image));
  CImageFileDevice device(image.c_str());
  qm::test::RecordingCallback callback;
  CNtfsTreeBuilder builder;
  CFileNode* root = builder.Start(0, &device, &callback);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  const auto manifest = qm::test::LoadNtfsManifest("ntfs_attrlist");
  ASSERT_EQ(manifest.size(), 2u);
  static_cast<CFileSystemNode*>(root)->ToggleCheck(root, 0);
  const fs::path target = qm::ScratchPath("ntfs_attrlist_out");
  fs::remove_all(target);
  qm::SaveContext context{nullptr, &device};
  std::string created;
  qm::SaveSummary summary;
  SaveCheckedTree(context, root, target.string(), &created, &summary);
  // The filler files deleted to scatter the two large ones had their
  // clusters taken by them: those, and only those, are marked damaged and
  // count as failed saves.
  std::uint64_t damaged = 0;
  qm::ForEachInSubtree(root, [&](CFileNode* node) {
    const IFileProperties* properties = node->GetProperties();
    if (properties == nullptr || (properties->GetState() & qm::kStateDamaged) == 0) return;
    EXPECT_NE(properties->GetState() & qm::kStateDeleted, 0u) << properties->GetName();
    ++damaged;
  });
  EXPECT_GT(damaged, 0u);
  EXPECT_EQ(summary.failed, damaged);
  for (const auto& entry : manifest) {
    if (entry.kind != "file") continue;
    SCOPED_TRACE(entry.path);
    const auto found = paths.byPath.find(entry.path);
    ASSERT_NE(found, paths.byPath.end());
    const IFileProperties* properties = found->second->GetProperties();
    EXPECT_EQ(properties->GetSize(), entry.size);
    EXPECT_EQ(properties->GetState() & qm::kStateDeleted, 0u);
    EXPECT_EQ(qm::test::Sha256Hex(qm::ReadFileBytes(fs::path(created) / entry.path)), entry.sha256);
  }
  DeleteFileTree(root);
  fs::remove_all(target);
  EXPECT_EQ(qm::test::Sha256Hex(qm::ReadFileBytes(image)), before);
}

} // namespace
