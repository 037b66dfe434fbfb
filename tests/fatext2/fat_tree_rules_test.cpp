// The rules the FAT tree builds apply between entries: which of two folders
// with one cluster stays, which names photo recovery keeps, a made-up
// folder taking the name of the deleted entry that lost its cluster's high
// half, and a partition that does not start at sector 0.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fat32_volume_builder.h"
#include "fat_fixture.h"
#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_file_properties.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "ntfs/tree_build_support.h"
#include "storage/app_settings.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

std::unique_ptr<CFATFileProperties> Folder(std::uint8_t state, std::uint16_t writeDate = 0x5821) {
  auto properties = CreateFatFileProperties();
  properties->SetAttributes(0x10);
  properties->SetState(state);
  properties->SetLastWriteTime(writeDate, 0);
  return properties;
}

TEST(FatTreeRules, WhichOfTwoFoldersWithOneClusterStays) {
  constexpr std::uint8_t live = 0, deleted = 1, made = 9;
  struct Case {
    std::uint8_t existing, found;
    std::uint16_t existingDate, foundDate;
    int sign; // of the answer: < 0 the found one replaces the existing one
  } cases[] = {
      {made, made, 0x5821, 0x5821, 0},     {made, live, 0x5821, 0x5821, -1},
      {made, deleted, 0x5821, 0x5821, -1}, {deleted, made, 0x5821, 0x5821, 1},
      {deleted, live, 0x5821, 0x5821, -1}, {deleted, deleted, 0x5821, 0x5A21, -1},
      {deleted, deleted, 0x5A21, 0x5821, 1}, {deleted, deleted, 0x5821, 0x5821, 0},
      {live, deleted, 0x5821, 0x5821, 1},  {live, made, 0x5821, 0x5821, 1},
      {live, live, 0x5821, 0x5821, 0},
  };
  for (const Case& c : cases) {
    const int answer = CompareDirectories(*Folder(c.existing, c.existingDate), *Folder(c.found, c.foundDate));
    EXPECT_EQ((answer > 0) - (answer < 0), c.sign) << int{c.existing} << " " << int{c.found};
  }
}

std::vector<std::uint8_t> ShortEntry(const char* name11, std::uint8_t attributes) {
  std::vector<std::uint8_t> e(32, 0);
  std::memcpy(e.data(), name11, 11);
  e[0x0B] = attributes;
  qm::StoreLe16(e.data() + 0x18, 0x5821);
  qm::StoreLe32(e.data() + 0x1C, 10);
  return e;
}

TEST(FatTreeRules, PhotoRecoveryKeepsFoldersAndMediaFilesOnly) {
  AppSettings* settings = GetAppSettings();
  const int saved = settings->bPhotoRecovery;
  settings->bPhotoRecovery = 1;
  struct Case {
    const char* name11;
    std::uint8_t attributes;
    bool kept;
  } cases[] = {
      {"PHOTO   JPG", 0x20, true}, {"NOTES   TXT", 0x20, false}, {"NOEXT      ", 0x20, false},
      {"ALBUM      ", 0x10, true}, {"SONG    MP3", 0x20, true},
  };
  for (const Case& c : cases) {
    const auto entry = ShortEntry(c.name11, c.attributes);
    EXPECT_EQ(MakeFatFilePropertiesFromEntries(qm::ByteView(entry.data(), entry.size())) != nullptr, c.kept)
        << c.name11;
  }
  settings->bPhotoRecovery = saved;
  const auto text = ShortEntry("NOTES   TXT", 0x20);
  const auto properties = MakeFatFilePropertiesFromEntries(qm::ByteView(text.data(), text.size()));
  ASSERT_NE(properties, nullptr);
  EXPECT_STREQ(properties->GetName(), "NOTES.TXT");
  EXPECT_EQ(properties->GetSize(), 10u);
}

TEST(FatTreeRules, AMadeUpFolderTakesTheNameOfTheDeletedEntryThatLostItsClusterHighHalf) {
  using qm::test::Fat32VolumeBuilder;
  // Room for a folder above cluster 65535.
  Fat32VolumeBuilder volume(66000);
  ASSERT_NE(volume.Allocate(0x10005 - 3), 0u);
  const std::uint32_t folder = volume.AddFolder(2, "OLDDIR     ");
  ASSERT_EQ(folder, 0x10005u);
  volume.AddFile(folder, "INSIDE  TXT", 700, 0x61);
  // Its entry in the root deleted, and the cluster's high half gone.
  std::uint8_t* entry = volume.Cluster(2);
  ASSERT_EQ(std::memcmp(entry, "OLDDIR", 6), 0);
  entry[0] = 0xE5;
  qm::StoreLe16(entry + 0x14, 0);

  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(kFatType32);
  partition.SetSectorsPerCluster(1);
  partition.SetClusterZeroSector(volume.DataStart());
  partition.SetSectorCount(volume.Bytes().size() / 512);
  partition.SetReservedSectors(Fat32VolumeBuilder::kReserved);
  partition.SetSectorsPerFat(static_cast<std::uint32_t>((volume.DataStart() - Fat32VolumeBuilder::kReserved) / 2));
  partition.SetRootValue(2);
  partition.SetFlags(qm::kFatFoundBoot32 | qm::kFatUseFirstFat | qm::kFatUseSecondFat);
  // The scan saw the folder's first sector.
  qm::FatDirCandidateMap candidates{{volume.DataStart() + folder - 2, {folder, 0}}};
  qm::MemoryDevice device(volume.Bytes());
  CFatTreeBuilder builder;
  CFileSystemNode* root = builder.CompleteBuild(nullptr, candidates, partition, nullptr, &device, 0);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  ASSERT_EQ(paths.byPath.count("#LDDIR/INSIDE.TXT"), 1u);
  const auto* properties = static_cast<CFATFileProperties*>(paths.byPath.at("#LDDIR")->GetProperties());
  EXPECT_EQ(properties->GetFirstCluster(), folder);
  EXPECT_NE(properties->GetState() & 1, 0);
  // The made-up folder and the emptied entry are gone.
  EXPECT_EQ(paths.nodes, 2u);
  DeleteFileTree(root);
}

TEST(FatTreeRules, ARecycledFileShowsTheNameItsInfoFileRecorded) {
  using qm::test::Fat32VolumeBuilder;
  Fat32VolumeBuilder volume(40000);
  const std::uint32_t bin = volume.AddFolder(2, "RECYCLED   ");
  volume.AddFile(bin, "$RAB12  TXT", 900, 0x44);
  const std::u16string original = u"C:\\Users\\me\\Holiday plan.txt";
  const std::uint32_t info = volume.AddFile(bin, "$IAB12  TXT", static_cast<std::uint32_t>(original.size() * 2 + 2), 0);
  for (std::size_t i = 0; i < original.size(); ++i)
    qm::StoreLe16(volume.Cluster(info) + 2 * i, original[i]);
  qm::MemoryDevice device(volume.Bytes());
  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(kFatType32);
  partition.SetFlags(qm::kFatFoundBoot32 | qm::kFatUseFirstFat);
  CFatTreeBuilder builder;
  CFileSystemNode* root = builder.QuickBuild(nullptr, partition, &device, 1);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(paths.byPath.count("RECYCLED/Holiday plan.txt"), 1u);
  EXPECT_EQ(paths.byPath.count("RECYCLED/$IAB12.TXT"), 1u);
  DeleteFileTree(root);
}

TEST(FatTreeRules, APartitionAfterTheDiskStartCopiesOutByteForByte) {
  const auto& fixture = qm::test::GetFatFixture(kFatType16);
  constexpr std::uint64_t kStart = 2048;
  std::vector<std::uint8_t> disk(kStart * 512, 0);
  const auto volume = qm::ReadFileBytes(fixture.image);
  disk.insert(disk.end(), volume.begin(), volume.end());
  qm::MemoryDevice device(std::move(disk));
  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(kFatType16);
  partition.SetStartSector(kStart);
  partition.SetFlags(qm::kFatFoundBoot16 | qm::kFatUseFirstFat);
  CFatTreeBuilder builder;
  CFileSystemNode* root = builder.QuickBuild(nullptr, partition, &device, 1);
  ASSERT_NE(root, nullptr);
  EXPECT_STREQ(root->GetName(), fixture.label.c_str());
  root->ToggleCheck(root, 0);
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  root->GetVolumeGeometry(&base, &perCluster);
  qm::SaveContext context{nullptr, &device, base, perCluster};
  const fs::path target = qm::ScratchPath("fat_tree_offset");
  fs::remove_all(target);
  std::string created;
  ASSERT_EQ(SaveCheckedTree(context, root, target.string(), &created), qm::kSaveDone);
  for (const auto& file : fixture.files) {
    if (file.directory || file.deleted) continue;
    const fs::path path = fs::path(created) / fs::u8path(file.path.substr(1));
    EXPECT_TRUE(qm::ReadFileBytes(path) == file.content) << file.path;
  }
  fs::remove_all(target);
  DeleteFileTree(root);
}

} // namespace
