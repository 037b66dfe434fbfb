// Deleted data on FAT12 and FAT16 volumes written by mkfs.fat and mtools,
// whose chains are gone from the table: a deleted folder that grew past
// its first cluster (around a live file), and a deleted file written
// around a live one. Both come back whole through the quick build and the
// saver.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "deep_scan_support.h"
#include "fat_fixture.h"
#include "fatext2/fat_file_properties.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "ntfs/tree_build_support.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

using qm::test::Pattern;
using qm::test::Quote;

struct HostFile {
  std::string name;
  std::vector<std::uint8_t> content;
};

struct DeletedVolume {
  fs::path image;
  std::vector<HostFile> folderFiles; // in the deleted folder "OLD"
  HostFile written;                  // "D.BIN": deleted, written around "C.BIN"
  std::vector<HostFile> live;        // at the root
};

void Run(const std::string& command) { ASSERT_EQ(qm::RunCommand(command), 0) << command; }

// 512-byte clusters. "OLD" gets 30 empty files (two clusters of entries),
// then the live "LIVE.BIN" takes the next two clusters, then four more
// empty files and three with data move "OLD" on to a third cluster past
// it: OLD <2-3> <6>. Then "B.BIN" is deleted between "A.BIN" and "C.BIN"
// and "D.BIN" fills its clusters and goes on past "C.BIN": D <21-22>
// <24-26>. Last "D.BIN" is deleted and "OLD" with all it holds.
void MakeVolume(int bits, DeletedVolume& volume) {
  const fs::path work = qm::ScratchPath("fat_deleted_" + std::to_string(bits));
  fs::remove_all(work);
  fs::create_directories(work);
  volume.image = qm::MakeSparseImage("fat_deleted_" + std::to_string(bits) + ".img", bits == 12 ? 1u << 20 : 4u << 20);
  const std::string img = Quote(volume.image.string());
  const std::string mtools = "cd " + Quote(work.string()) + " && MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
  auto write = [&](const std::string& name, std::size_t size) {
    HostFile file{name, Pattern(size, static_cast<std::uint32_t>(name[0] * 131 + name[1] * 7 + size))};
    std::ofstream(work / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.content.data()), static_cast<std::streamsize>(file.content.size()));
    return file;
  };
  auto copy = [&](const std::vector<HostFile>& files, const std::string& to) {
    std::string names;
    for (const auto& file : files)
      names += " " + file.name;
    Run(mtools + "mcopy -Q -i " + img + names + " ::/" + to);
  };
  Run("mkfs.fat -F " + std::to_string(bits) + " -s 1 " + img + " >/dev/null");
  Run(mtools + "mmd -i " + img + " ::/OLD");
  std::vector<HostFile> first;
  for (int i = 1; i <= 30; ++i)
    first.push_back(write("E" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".TXT", 0));
  copy(first, "OLD/");
  volume.live.push_back(write("LIVE.BIN", 700));
  copy({volume.live.back()}, "");
  // mcopy writes a file's data before its entry: the empty files grow the
  // folder first, so that the files with data find room in that cluster.
  std::vector<HostFile> more;
  for (int i = 31; i <= 34; ++i)
    more.push_back(write("E" + std::to_string(i) + ".TXT", 0));
  copy(more, "OLD/");
  std::vector<HostFile> data;
  for (int i = 1; i <= 3; ++i)
    data.push_back(write("D" + std::to_string(i) + ".BIN", 900 * static_cast<std::size_t>(i)));
  copy(data, "OLD/");
  more.insert(more.end(), data.begin(), data.end());
  volume.folderFiles = first;
  volume.folderFiles.insert(volume.folderFiles.end(), more.begin(), more.end());

  volume.live.push_back(write("A.BIN", 1024));
  const HostFile b = write("B.BIN", 1024);
  volume.live.push_back(write("C.BIN", 512));
  copy({volume.live[1], b, volume.live[2]}, "");
  Run(mtools + "mdel -i " + img + " ::/B.BIN");
  volume.written = write("D.BIN", 2560);
  copy({volume.written}, "");
  Run(mtools + "mdel -i " + img + " ::/D.BIN");
  Run(mtools + "mdeltree -i " + img + " ::/OLD");
}

// A deleted entry has lost its first character.
std::string Tail(const std::string& name) { return name.substr(1); }

class FatDeletedRecovery : public ::testing::TestWithParam<int> {};

TEST_P(FatDeletedRecovery, DeletedFolderAndFileWrittenAroundLiveOnesComeBackWhole) {
  const int bits = GetParam();
  DeletedVolume volume;
  ASSERT_NO_FATAL_FAILURE(MakeVolume(bits, volume));
  const auto original = qm::ReadFileBytes(volume.image);
  CImageFileDevice device(volume.image.c_str());
  ASSERT_TRUE(device.Open());
  CFATSearchedPartitionInfo partition;
  const int type = bits == 12 ? 0 : 1;
  partition.SetFileSystemType(static_cast<std::uint32_t>(type));
  partition.SetFlags((bits == 12 ? qm::kFatFoundBoot12 : qm::kFatFoundBoot16) | qm::kFatUseFirstFat |
                     qm::kFatUseSecondFat);
  CFatTreeBuilder builder;
  CFileSystemNode* root = builder.QuickBuild(nullptr, partition, &device, 1);
  ASSERT_NE(root, nullptr);

  // Every entry of the deleted folder, from all three of its clusters.
  CFileNode* old = nullptr;
  for (CFileNode* child = root->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    if (child->GetProperties()->IsFolder() && Tail(child->GetProperties()->GetName()) == "LD") old = child;
  ASSERT_NE(old, nullptr);
  std::set<std::string> found;
  for (CFileNode* child = old->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    found.insert(Tail(child->GetProperties()->GetName()));
  std::set<std::string> expected;
  for (const auto& file : volume.folderFiles)
    expected.insert(Tail(file.name));
  EXPECT_EQ(found, expected);

  root->ToggleCheck(root, 0);
  const fs::path target = qm::ScratchPath("fat_deleted_out_" + std::to_string(bits));
  fs::remove_all(target);
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  root->GetVolumeGeometry(&base, &perCluster);
  qm::SaveContext context{nullptr, &device, base, perCluster};
  qm::SaveSummary summary;
  std::string created;
  EXPECT_EQ(SaveCheckedTree(context, root, target.string(), &created, &summary), qm::kSaveDone);
  EXPECT_EQ(summary.failed, 0u);
  EXPECT_EQ(summary.files, volume.folderFiles.size() + volume.live.size() + 1);
  const fs::path savedOld = fs::path(created) / old->GetProperties()->GetName();
  for (const auto& file : volume.folderFiles)
    EXPECT_TRUE(qm::ReadFileBytes(savedOld / ("#" + Tail(file.name))) == file.content) << file.name;
  for (const auto& file : volume.live)
    EXPECT_TRUE(qm::ReadFileBytes(fs::path(created) / file.name) == file.content) << file.name;
  // Not mixed with "C.BIN", whose cluster lies inside its span.
  EXPECT_TRUE(qm::ReadFileBytes(fs::path(created) / "#.BIN") == volume.written.content);
  DeleteFileTree(root);
  fs::remove_all(target);
  EXPECT_TRUE(qm::ReadFileBytes(volume.image) == original);
}

INSTANTIATE_TEST_SUITE_P(Fat, FatDeletedRecovery, ::testing::Values(12, 16),
                         [](const auto& info) { return "Fat" + std::to_string(info.param); });

} // namespace
