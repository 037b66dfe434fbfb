// The quick build over real FAT12, FAT16 and FAT32 volumes made by
// mkfs.fat and mtools: every file at its path with its size (long and
// Unicode names, the deleted file flagged, the root named by the volume
// label), the checked tree copied out byte for byte, cancel at any point,
// and the image left as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "fat_fixture.h"
#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_file_properties.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "ntfs/tree_build_support.h"
#include "platform/log.h"
#include "storage/image_file_device.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

using qm::test::FatFixture;
using qm::test::GetFatFixture;

constexpr std::uint32_t kBootFlag[] = {qm::kFatFoundBoot12, qm::kFatFoundBoot16, qm::kFatFoundBoot32};

CFATSearchedPartitionInfo Partition(int fatType, std::uint32_t extraFlags = 0) {
  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(static_cast<std::uint32_t>(fatType));
  partition.SetStartSector(0);
  partition.SetFlags(kBootFlag[fatType] | qm::kFatUseFirstFat | qm::kFatUseSecondFat | extraFlags);
  return partition;
}

// Where the tree shows a fixture file, from the root: a deleted short name
// has lost its first character.
std::string TreePath(const qm::test::FatFixtureFile& file) {
  std::string path = file.path.substr(1);
  if (file.deleted) path[path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1] = '#';
  return path;
}

// Log lines written while it lives.
class LogLines {
public:
  LogLines() {
    id_ = qm::AddLogObserver([this](LogKind, std::string_view text) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.emplace_back(text);
    });
  }
  ~LogLines() { qm::RemoveLogObserver(id_); }
  bool Has(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& line : lines_)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

private:
  int id_ = 0;
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

class FatQuickBuild : public ::testing::TestWithParam<int> {
protected:
  void SetUp() override {
    fixture_ = &GetFatFixture(GetParam());
    static std::map<int, std::vector<std::uint8_t>> originals;
    auto& original = originals[GetParam()];
    if (original.empty()) original = qm::ReadFileBytes(fixture_->image);
    original_ = &original;
    imageTime_ = fs::last_write_time(fixture_->image);
    device_ = std::make_unique<CImageFileDevice>(fixture_->image.c_str());
    ASSERT_TRUE(device_->Open());
  }
  void TearDown() override {
    DeleteFileTree(root_);
    device_.reset();
    // Building read the image and wrote nothing to it.
    EXPECT_TRUE(qm::ReadFileBytes(fixture_->image) == *original_);
    EXPECT_EQ(fs::last_write_time(fixture_->image), imageTime_);
  }

  const FatFixture* fixture_ = nullptr;
  std::unique_ptr<CImageFileDevice> device_;
  CFileNode* root_ = nullptr;
  const std::vector<std::uint8_t>* original_ = nullptr;
  fs::file_time_type imageTime_;
};

TEST_P(FatQuickBuild, EveryFileAtItsPathAndTheCheckedTreeCopiesOutByteForByte) {
  qm::test::RecordingCallback callback;
  CFatTreeBuilder builder;
  CFileSystemNode* root = builder.StartQuickBuild(&callback, Partition(fixture_->fatType), device_.get(), 1);
  root_ = root;
  ASSERT_NE(root, nullptr);
  EXPECT_STREQ(root->GetName(), fixture_->label.c_str());
  EXPECT_EQ(root->GetVolumeState(), static_cast<std::uint32_t>(fixture_->fatType));
  ASSERT_GE(callback.titles.size(), 2u);
  EXPECT_EQ(callback.titles[0], "Reading partition parameters...");
  EXPECT_EQ(callback.titles[1], "Building Directories...");

  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(paths.duplicates, 0u);
  std::size_t expectedNodes = 0;
  for (const auto& file : fixture_->files) {
    const std::string path = TreePath(file);
    ++expectedNodes;
    const auto found = paths.byPath.find(path);
    ASSERT_NE(found, paths.byPath.end()) << path;
    const IFileProperties* properties = found->second->GetProperties();
    EXPECT_EQ(properties->IsFolder(), file.directory) << path;
    EXPECT_EQ((properties->GetState() & qm::kStateDeleted) != 0, file.deleted) << path;
    if (!file.directory) {
      EXPECT_EQ(properties->GetSize(), file.content.size()) << path;
    }
    const auto* fat = static_cast<const CFATFileProperties*>(properties);
    if (!file.chain.empty()) {
      EXPECT_EQ(fat->GetFirstCluster(), file.chain.front()) << path;
    }
  }
  // Nothing but the files the tools wrote.
  EXPECT_EQ(paths.nodes, expectedNodes);

  root->ToggleCheck(root, 0);
  const fs::path target = qm::ScratchPath("fat_tree_recovery_" + std::to_string(GetParam()));
  fs::remove_all(target);
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  root->GetVolumeGeometry(&base, &perCluster);
  qm::SaveContext context{nullptr, device_.get(), base, perCluster};
  std::string created;
  ASSERT_EQ(SaveCheckedTree(context, root, target.string(), &created), qm::kSaveDone);
  for (const auto& file : fixture_->files) {
    if (file.directory) continue;
    const fs::path path = fs::path(created) / fs::u8path(TreePath(file));
    ASSERT_TRUE(fs::exists(path)) << path;
    EXPECT_TRUE(qm::ReadFileBytes(path) == file.content) << file.path;
  }
  fs::remove_all(target);
}

TEST_P(FatQuickBuild, LiveFilesOfLiveFoldersCanBeLeftOut) {
  CFatTreeBuilder builder;
  CFileSystemNode* root = builder.QuickBuild(nullptr, Partition(fixture_->fatType), device_.get(), 0);
  root_ = root;
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  for (const auto& file : fixture_->files)
    EXPECT_EQ(paths.byPath.count(TreePath(file)), file.directory || file.deleted ? 1u : 0u) << file.path;
}

TEST_P(FatQuickBuild, CancelAtAnyPointLeavesNoTree) {
  // Count the calls of a whole build, then cancel at several of them.
  qm::test::RecordingCallback counting;
  CFatTreeBuilder builder;
  CFileSystemNode* whole = builder.QuickBuild(&counting, Partition(fixture_->fatType), device_.get(), 1);
  ASSERT_NE(whole, nullptr);
  DeleteFileTree(whole);
  for (long at : {0L, 3L, 5L, counting.calls / 2, counting.calls - 3}) {
    LogLines log;
    qm::test::RecordingCallback cancelling(at);
    CFatTreeBuilder again;
    EXPECT_EQ(again.StartQuickBuild(&cancelling, Partition(fixture_->fatType), device_.get(), 1), nullptr) << at;
    if (at == 3) {
      EXPECT_TRUE(log.Has("User abort searching!"));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fat, FatQuickBuild, ::testing::Values(0, 1, 2),
                         [](const auto& info) { return "Fat" + std::to_string(info.param == 0 ? 12 : info.param == 1 ? 16 : 32); });

// The FAT32 fixture with its first boot sector wiped.
std::vector<std::uint8_t> Fat32WithoutBootSector() {
  auto bytes = qm::ReadFileBytes(GetFatFixture(kFatType32).image);
  std::fill(bytes.begin(), bytes.begin() + 512, 0);
  return bytes;
}

TEST(FatQuickBuildBoot, ADamagedBootSectorIsReplacedByTheBackupOnlyWhenItWasSeen) {
  qm::MemoryDevice device(Fat32WithoutBootSector());
  {
    LogLines log;
    CFatTreeBuilder builder;
    EXPECT_EQ(builder.QuickBuild(nullptr, Partition(kFatType32), &device, 1), nullptr);
    EXPECT_TRUE(log.Has("Failed to read DBR information!"));
  }
  CFatTreeBuilder builder;
  CFileSystemNode* root = builder.QuickBuild(nullptr, Partition(kFatType32, qm::kFatFoundBackupBoot), &device, 1);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(paths.byPath.count("Docs/Deep Folder/ünïcödé naïve.bin"), 1u);
  DeleteFileTree(root);
}

TEST(FatQuickBuildBoot, NoBootFlagOrNoFatBehindTheBootSectorBuildsNothing) {
  const FatFixture& fixture = GetFatFixture(kFatType16);
  auto bytes = qm::ReadFileBytes(fixture.image);
  qm::MemoryDevice device(bytes);
  CFATSearchedPartitionInfo noFlags;
  CFatTreeBuilder builder;
  EXPECT_EQ(builder.QuickBuild(nullptr, noFlags, &device, 1), nullptr);
  // Both FAT copies' first sectors wiped: the boot sector alone is not enough.
  const CFATDBR dbr(qm::ByteView(bytes.data(), 512), 512);
  for (const std::uint64_t sector :
       {std::uint64_t{dbr.GetReservedSectors()}, std::uint64_t{dbr.GetReservedSectors()} + dbr.GetSectorsPerFat()})
    std::fill_n(device.sector(sector), 512, 0);
  EXPECT_EQ(builder.QuickBuild(nullptr, Partition(kFatType16), &device, 1), nullptr);
}

} // namespace
