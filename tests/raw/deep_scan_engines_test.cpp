// The complete search with the engines' own controllers, as the wizard
// makes them, over one disk holding an NTFS, a FAT32 and an EXT2 volume
// with files (the NTFS ones written with ntfscp) and no partition table:
// each real volume is found, weighed above every other candidate, chosen
// by the ranking, and its tree gives its files back byte for byte. Controllers not built yet are left out of
// the list (the list says so in the log).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "fatext2/deep_scan_support.h"
#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "raw/search_controllers.h"
#include "storage/app_settings.h"
#include "storage/image_file_device.h"
#include "storage/searched_partition_info.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kNtfsStart = 2048, kNtfsSectors = 40960;
constexpr std::uint64_t kFatStart = 45056, kFatSectors = 81920;
constexpr std::uint64_t kExtStart = 129024, kExtSectors = 32768;
constexpr std::uint64_t kDiskSectors = 165888;

struct Volume {
  const char* name;
  std::uint32_t type;
  std::uint64_t start;
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
};

TEST(DeepScanEngines, EveryRealVolumeRanksAboveTheNoiseAndIsRebuilt) {
  std::vector<Volume> volumes = {{"ntfs", kFsNtfs, kNtfsStart, {}},
                                 {"fat32", kFsFat32, kFatStart, {}},
                                 {"ext2", kFsExt2, kExtStart, {}}};
  const fs::path disk = qm::MakeSparseImage("deep_scan_engines.img", kDiskSectors * 512);
  const std::string d = disk.string();
  std::uint32_t seed = 1;
  for (auto& v : volumes) {
    const fs::path src = qm::ScratchPath(std::string("engines_src_") + v.name);
    fs::remove_all(src);
    for (int i = 0; i < 4; ++i) {
      // ntfscp writes into existing folders only: the NTFS files lie in its root.
      const std::string folder = v.type == kFsNtfs ? "" : "Docs" + std::to_string(i % 2) + "/";
      const std::string path = folder + "item" + std::to_string(i) + ".bin";
      v.files.emplace_back(path, qm::test::PatternBytes(1500 + 2500 * i, seed++));
      fs::create_directories((src / path).parent_path());
      std::ofstream(src / path, std::ios::binary)
          .write(reinterpret_cast<const char*>(v.files.back().second.data()),
                 static_cast<std::streamsize>(v.files.back().second.size()));
    }
  }
  const std::string ntfsVolume = d + ".ntfs";
  std::string ntfsCopies;
  for (const auto& [path, content] : volumes[0].files)
    ntfsCopies += "ntfscp -q -f " + ntfsVolume + " " + (qm::ScratchPath("engines_src_ntfs") / path).string() + " /" +
                  path + " && ";
  const std::string command =
      "truncate -s " + std::to_string(kNtfsSectors * 512) + " " + ntfsVolume + " && mkntfs -q -F -f -s 512 -p " +
      std::to_string(kNtfsStart) + " -H 0 -S 0 -L ENGNTFS " + ntfsVolume + " >/dev/null 2>&1 && " + ntfsCopies +
      "dd if=" + ntfsVolume + " of=" + d + " bs=512 seek=" + std::to_string(kNtfsStart) + " conv=notrunc,sparse status=none && rm " +
      ntfsVolume + " && mkfs.fat -F 32 -s 1 -n ENGFAT32 --offset=" + std::to_string(kFatStart) + " " + d + " " +
      std::to_string(kFatSectors / 2) + " >/dev/null && cd " + qm::ScratchPath("engines_src_fat32").string() +
      " && MTOOLS_SKIP_CHECK=1 mcopy -s -Q -i " + d + "@@" + std::to_string(kFatStart * 512) +
      " * ::/ && mke2fs -F -q -t ext2 -b 1024 -d " + qm::ScratchPath("engines_src_ext2").string() +
      " -E offset=" + std::to_string(kExtStart * 512) + " " + d + " " + std::to_string(kExtSectors / 2);
  if (qm::RunCommand(command) != 0) GTEST_SKIP() << "the disk tools failed";
  const auto original = qm::ReadFileBytes(disk);

  SearchControllerList list;
  BuildSearchControllerList(list);
  CRawFileCollection carved;
  DistributeRawFileCollection(list, &carved);
  const bool haveNtfs = std::any_of(list.begin(), list.end(),
                                    [](const auto& c) { return c->GetKind() == kNtfsSearchController; });
  CImageFileDevice device(disk.c_str());
  std::vector<CSearchedPartitionInfo*> partitions;
  ASSERT_EQ(RunIntelligentSearch(&device, list, partitions, nullptr), 1);
  std::vector<std::unique_ptr<CSearchedPartitionInfo>> owned(partitions.begin(), partitions.end());

  std::vector<CSearchedPartitionInfo*> real;
  for (const auto& v : volumes) {
    SCOPED_TRACE(v.name);
    if (v.type == kFsNtfs && !haveNtfs) continue;
    auto it = std::find_if(partitions.begin(), partitions.end(), [&](CSearchedPartitionInfo* p) {
      return p->GetStartSector() == v.start && p->GetFileSystemType() == v.type;
    });
    ASSERT_NE(it, partitions.end());
    EXPECT_EQ((*it)->GetChosen(), 1u);
    real.push_back(*it);
  }
  double lightest = 2.0;
  for (auto* p : real) lightest = std::min(lightest, p->GetWeight());
  for (std::size_t i = 0; i < partitions.size(); ++i) {
    if (std::find(real.begin(), real.end(), partitions[i]) != real.end()) {
      EXPECT_LT(i, real.size()); // the real volumes lead the list
      continue;
    }
    EXPECT_LT(partitions[i]->GetWeight(), lightest) << partitions[i]->GetStartSector();
  }

  int ordinal = 0;
  for (const auto& v : volumes) {
    SCOPED_TRACE(v.name);
    if (v.type == kFsNtfs && !haveNtfs) continue;
    auto it = std::find(partitions.begin(), partitions.end(),
                        *std::find_if(real.begin(), real.end(), [&](auto* p) { return p->GetStartSector() == v.start; }));
    CFileNode* root = BuildTreeOfFoundPartition(list, *it, &device, ordinal++, nullptr);
    ASSERT_NE(root, nullptr);
    const auto copied = qm::test::CopyOut(root, &device, std::string("engines_out_") + v.name);
    DeleteFileTree(root);
    for (const auto& [path, content] : v.files) {
      auto found = copied.find(path);
      for (auto at = copied.begin(); found == copied.end() && at != copied.end(); ++at)
        if (at->first.size() > path.size() && at->first.ends_with("/" + path)) found = at;
      ASSERT_NE(found, copied.end()) << path;
      EXPECT_TRUE(found->second == content) << path;
    }
  }
  GetAppSettings()->pTreeRoot = nullptr;
  EXPECT_TRUE(qm::ReadFileBytes(disk) == original);
  if (!haveNtfs) std::printf("note: no NTFS search controller in this build; NTFS volume not checked\n");
}

} // namespace
