// Deleted files whose clusters later files took, on an NTFS volume made by
// mkntfs and written by ntfscp: the tree marks exactly the overwritten ones
// damaged, first from $Bitmap while the new file lives, and again once it
// is deleted too (the older claimants lose, the newer one keeps its state).
//
// The tools cannot delete (there is no FUSE mount here), so a file is
// deleted the way the driver leaves it: its record's in-use flag cleared
// and its clusters freed in $Bitmap; its record stays taken in the $MFT's
// own bitmap, so that ntfscp gives the next file a record of its own, as a
// busier volume would. ntfscp then allocates the freed clusters past the
// last used one, where the deleted files lie.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "filemodel/file_node.h"
#include "fixture_volume.h"
#include "ntfs/data_runs.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_file_properties.h"
#include "ntfs/ntfs_tree_builder.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"
#include "tree_build_support.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kClusterBytes = 4096;

class NtfsVolume {
public:
  NtfsVolume() {
    work_ = qm::ScratchPath("ntfs_overwritten_" + qm::ScratchTag());
    fs::remove_all(work_);
    fs::create_directories(work_);
    image_ = qm::MakeSparseImage("ntfs_overwritten_" + qm::ScratchTag() + ".img", 8u << 20);
    Run("mkntfs -q -F -f -c 4096 -s 512 -p 0 -H 0 -S 0 " + image_.string() + " >/dev/null 2>&1");
  }

  void Run(const std::string& command) { ASSERT_EQ(qm::RunCommand(command), 0) << command; }

  // A file of that many clusters, copied to the root.
  void Copy(const std::string& name, std::size_t clusters) {
    std::vector<std::uint8_t> bytes(clusters * kClusterBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<std::uint8_t>(i * 7 + name[0]);
    std::ofstream(work_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    Run("ntfscp " + image_.string() + " " + (work_ / name).string() + " /" + name + " >/dev/null 2>&1");
  }

  // Each deleted file of the tree by name, and whether it is marked damaged.
  std::map<std::string, bool> DeletedFiles() {
    qm::MemoryDevice device(qm::ReadFileBytes(image_), 512);
    CNtfsTreeBuilder builder;
    return qm::test::TakeDeletedFileMarks(builder.Build(0, &device, nullptr));
  }

  // Deletes files the way the driver leaves them (see above).
  void Delete(const std::vector<std::string>& names) {
    std::vector<std::uint64_t> recordSectors;
    std::vector<DataRunEntry> runs;
    Walk([&](const IFileProperties& properties) {
      if (std::find(names.begin(), names.end(), properties.GetName()) == names.end()) return;
      recordSectors.push_back(static_cast<const CNTFSFileProperties&>(properties).GetFileRecordSector());
      const auto list = properties.GetDataRunList();
      ASSERT_NE(list, nullptr);
      for (const auto& run : list->Runs())
        runs.push_back(run);
    });
    ASSERT_EQ(recordSectors.size(), names.size());

    auto bytes = qm::ReadFileBytes(image_);
    // $Bitmap's runs, from its record (number 6).
    qm::test::FixtureVolume volume =
        qm::test::OpenFixtureVolume(std::make_unique<qm::MemoryDevice>(bytes, 512));
    const auto bitmapRecord = qm::test::LoadFixtureRecord(volume, 6);
    ASSERT_NE(bitmapRecord, nullptr);
    const auto data = bitmapRecord->FindAttributeAnywhere(qm::mft::kData, 0);
    ASSERT_TRUE(data);
    const auto nonResident = qm::ReadNonResident(data.attribute.bytes);
    ASSERT_TRUE(nonResident);
    qm::NtfsRunList bitmapRuns;
    DecodeDataRuns(nonResident->mappingPairs, bitmapRuns, nonResident->firstVcn);

    for (const std::uint64_t sector : recordSectors)
      bytes[sector * 512 + qm::mft::kFlags] &= 0xFE;
    for (const auto& run : runs)
      for (std::uint64_t cluster = run.start; cluster < run.start + run.count; ++cluster) {
        const std::uint64_t offset = cluster / 8;
        const std::int64_t lcn = VcnToLcn(bitmapRuns, offset / kClusterBytes);
        ASSERT_GE(lcn, 0);
        bytes[static_cast<std::uint64_t>(lcn) * kClusterBytes + offset % kClusterBytes] &=
            static_cast<std::uint8_t>(~(1u << (cluster % 8)));
      }
    qm::WriteFileBytes(image_, 0, bytes);
  }

private:
  template <class Visit> void Walk(Visit&& visit) {
    qm::MemoryDevice device(qm::ReadFileBytes(image_), 512);
    CNtfsTreeBuilder builder;
    CFileNode* root = builder.Build(0, &device, nullptr);
    ASSERT_NE(root, nullptr);
    qm::ForEachInSubtree(root, [&](CFileNode* node) {
      if (node != root && node->GetProperties() != nullptr && !node->GetProperties()->IsFolder())
        visit(*node->GetProperties());
    });
    DeleteFileTree(root);
  }

  fs::path work_;
  fs::path image_;
};

TEST(NtfsOverwrittenFiles, TheTreeMarksExactlyTheDeletedFilesWhoseClustersALaterFileTook) {
  NtfsVolume volume;
  volume.Copy("keep.bin", 2);
  volume.Copy("a.bin", 3);
  volume.Copy("b.bin", 3);
  volume.Copy("c.bin", 3);
  volume.Delete({"a.bin", "b.bin", "c.bin"});
  EXPECT_EQ(volume.DeletedFiles(),
            (std::map<std::string, bool>{{"a.bin", false}, {"b.bin", false}, {"c.bin", false}}));

  // "x.bin" takes the clusters of "a.bin" and the first of "b.bin".
  volume.Copy("x.bin", 4);
  EXPECT_EQ(volume.DeletedFiles(),
            (std::map<std::string, bool>{{"a.bin", true}, {"b.bin", true}, {"c.bin", false}}));

  // Deleted too, it claims the same clusters as the two older files. The
  // records carry no log sequence numbers (ntfs-3g logs nothing): the
  // write times decide.
  volume.Delete({"x.bin"});
  EXPECT_EQ(
      volume.DeletedFiles(),
      (std::map<std::string, bool>{{"a.bin", true}, {"b.bin", true}, {"c.bin", false}, {"x.bin", false}}));
}

} // namespace
