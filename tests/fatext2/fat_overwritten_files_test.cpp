// Deleted files whose clusters later files took, on FAT16 and FAT32
// volumes written by mkfs.fat and mtools: the quick build marks exactly the
// overwritten ones damaged, first while the new file lives and again once
// it is deleted too (the older claimants lose, the newer one keeps its
// state); and deleted entries whose sizes a flipped bit made huge, whose
// guesses all run over the same free clusters, are all marked but the
// latest.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string.h>
#include <string>
#include <vector>

#include "deep_scan_support.h"
#include "fat_fixture.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "ntfs/tree_build_support.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

using qm::test::Quote;

class FatVolume {
public:
  FatVolume(const std::string& name, int bits, std::uint64_t bytes, const std::string& options)
      : bits_(bits) {
    work_ = qm::ScratchPath(name + "_" + qm::ScratchTag());
    fs::remove_all(work_);
    fs::create_directories(work_);
    image_ = qm::MakeSparseImage(name + "_" + qm::ScratchTag() + ".img", bytes);
    Run("mkfs.fat -F " + std::to_string(bits) + " " + options + " " + Quote(image_.string()) + " >/dev/null");
  }

  const fs::path& Image() const { return image_; }

  void Run(const std::string& command) { qm::test::Run(command); }
  void Mtools(const std::string& command) {
    Run("cd " + Quote(work_.string()) + " && MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 " + command + " -i " +
        Quote(image_.string()) + tail_);
    tail_.clear();
  }
  struct HostFile {
    std::string name;
    std::size_t size;
    std::string time; // the modification time, "2020-01-02 10:00"
  };
  // Copies the files in one go; mcopy -m keeps each one's modification
  // time as its entry's write and creation times.
  void Copy(const std::vector<HostFile>& files, const std::string& to) {
    std::string names;
    for (const auto& file : files) {
      const fs::path path = work_ / file.name;
      qm::test::WriteHostFile(path, qm::test::Pattern(file.size, static_cast<std::uint32_t>(file.size)));
      Run("touch -d " + Quote(file.time) + " " + Quote(path.string()));
      names += " " + file.name;
    }
    tail_ = names + " ::/" + to;
    Mtools("mcopy -m -Q");
  }
  void Delete(const std::vector<std::string>& paths) {
    for (const auto& path : paths)
      tail_ += " ::/" + path;
    Mtools("mdel");
  }
  // FAT32 hands out clusters from the allocation hint in its FSInfo sector,
  // past everything written so far; without a hint the next file takes the
  // first free clusters, where the deleted files lie.
  void ForgetAllocationHint() {
    if (bits_ != 32) return;
    auto bytes = qm::ReadFileBytes(image_);
    const std::uint64_t sector = bytes[0x30] | bytes[0x31] << 8;
    const std::uint64_t sectorSize = bytes[0x0B] | bytes[0x0C] << 8;
    qm::WriteFileBytes(image_, sector * sectorSize + 0x1EC, {0xFF, 0xFF, 0xFF, 0xFF});
  }

  // The quick build's tree (live files included): each deleted file's name
  // without its lost first character, and whether it is marked damaged.
  std::map<std::string, bool> DeletedFiles() {
    CImageFileDevice device(image_.c_str());
    EXPECT_TRUE(device.Open());
    CFATSearchedPartitionInfo partition;
    partition.SetFileSystemType(bits_ == 32 ? 2u : 1u);
    partition.SetFlags((bits_ == 32 ? qm::kFatFoundBoot32 : qm::kFatFoundBoot16) | qm::kFatUseFirstFat |
                       qm::kFatUseSecondFat);
    CFatTreeBuilder builder;
    std::map<std::string, bool> found;
    for (const auto& [name, damaged] :
         qm::test::TakeDeletedFileMarks(builder.QuickBuild(nullptr, partition, &device, 1)))
      found[name.substr(1)] = damaged;
    return found;
  }

private:
  int bits_;
  fs::path work_;
  fs::path image_;
  std::string tail_;
};

class FatOverwrittenFiles : public ::testing::TestWithParam<int> {};

TEST_P(FatOverwrittenFiles, TheTreeMarksExactlyTheDeletedFilesWhoseClustersALaterFileTook) {
  const int bits = GetParam();
  // One sector a cluster; FAT32 needs 40 MiB for that many clusters.
  FatVolume volume("fat_overwritten_" + std::to_string(bits), bits, bits == 32 ? 40u << 20 : 8u << 20,
                   "-s 1");
  const std::size_t cluster = 512;
  volume.Mtools("mmd ::/OLD");
  volume.Copy({{"KEEP.BIN", 2 * cluster, "2020-01-01 10:00"}}, "");
  // Three deleted files of three clusters each, one after the other.
  const std::string day = "2020-01-02 10:00";
  volume.Copy({{"FA.BIN", 3 * cluster, day}, {"FB.BIN", 3 * cluster, day}, {"FC.BIN", 3 * cluster, day}},
              "OLD/");
  volume.Delete({"OLD/FA.BIN", "OLD/FB.BIN", "OLD/FC.BIN"});
  // Nothing reused yet: nothing marked.
  EXPECT_EQ(volume.DeletedFiles(),
            (std::map<std::string, bool>{{"A.BIN", false}, {"B.BIN", false}, {"C.BIN", false}}));

  // A live file of four clusters takes all of "FA.BIN"'s and the first of
  // "FB.BIN"'s; "FC.BIN" keeps its clusters.
  volume.ForgetAllocationHint();
  volume.Copy({{"FX.BIN", 4 * cluster, "2020-01-03 10:00"}}, "");
  EXPECT_EQ(volume.DeletedFiles(),
            (std::map<std::string, bool>{{"A.BIN", true}, {"B.BIN", true}, {"C.BIN", false}}));

  // Deleted too, it claims the same clusters as the two older files: they
  // stay marked, the newer one does not.
  volume.Delete({"FX.BIN"});
  EXPECT_EQ(
      volume.DeletedFiles(),
      (std::map<std::string, bool>{{"A.BIN", true}, {"B.BIN", true}, {"C.BIN", false}, {"X.BIN", false}}));
}

INSTANTIATE_TEST_SUITE_P(Fat, FatOverwrittenFiles, ::testing::Values(16, 32),
                         [](const auto& info) { return "Fat" + std::to_string(info.param); });

// One flipped bit in the size of a deleted entry makes its guess run on
// over every free cluster after it (64 MiB here, on a 128 MiB volume), so
// that a save wrote the same free clusters again for every such entry. Of
// entries whose guesses meet, all but the latest are marked damaged.
TEST(FatOverwrittenFiles, DeletedEntriesWithFlippedSizeBitsAreAllMarkedButTheLatest) {
  FatVolume volume("fat_flipped_sizes", 32, 128u << 20, "");
  constexpr int kEntries = 23;
  volume.Mtools("mmd ::/D");
  std::vector<FatVolume::HostFile> files;
  for (int i = 1; i <= kEntries; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "F%02d.BIN", i);
    char time[32];
    std::snprintf(time, sizeof time, "2021-03-04 10:%02d", i);
    files.push_back({name, 3000 + 700 * static_cast<std::size_t>(i), time});
  }
  volume.Copy(files, "D/");
  std::vector<std::string> paths;
  for (int i = 1; i <= kEntries; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "D/F%02d.BIN", i);
    paths.push_back(name);
  }
  volume.Delete(paths);

  // Bit 26 of each deleted entry's size: 64 MiB more.
  auto bytes = qm::ReadFileBytes(volume.Image());
  for (int i = 1; i <= kEntries; ++i) {
    char entry[12];
    std::snprintf(entry, sizeof entry, "\xE5%02d     BIN", i);
    const void* at = memmem(bytes.data(), bytes.size(), entry, 11);
    ASSERT_NE(at, nullptr) << entry + 1;
    const auto offset = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(at) - bytes.data());
    std::vector<std::uint8_t> size(bytes.begin() + static_cast<std::ptrdiff_t>(offset + 28),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(offset + 32));
    size[3] ^= 0x04;
    qm::WriteFileBytes(volume.Image(), offset + 28, size);
  }

  const auto found = volume.DeletedFiles();
  ASSERT_EQ(found.size(), static_cast<std::size_t>(kEntries));
  std::vector<std::string> unmarked;
  for (const auto& [name, damaged] : found)
    if (!damaged) unmarked.push_back(name);
  // The last one written.
  EXPECT_EQ(unmarked, std::vector<std::string>{"23.BIN"});
}

} // namespace
