// The complete search over a whole disk that sfdisk partitioned at 1 MiB
// boundaries, with an NTFS (mkntfs, ntfscp), a FAT32 (mkfs.fat, mtools)
// and an EXT2 (mke2fs) volume: the three deep scans together find each
// volume at its partition's start with exactly its partition's sector
// count, and those three are the ones the ranking chooses.
#include <gtest/gtest.h>

#include <algorithm>

#include "deep_scan_support.h"
#include "fatext2/ext2_search_controller.h"
#include "fatext2/fat_search_controller.h"
#include "ntfs/ntfs_search_controller.h"
#include "storage/image_file_device.h"
#include "storage/intelligent_search_score.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;
using qm::test::Quote;

namespace {

struct Partition {
  const char* name;
  std::uint32_t type;
  std::uint64_t start; // sectors
  std::uint64_t sectors;
  const char* mbrType;
};

constexpr std::uint64_t kMiB = 2048; // sectors
const Partition kPartitions[] = {
    {"ntfs", kFsNtfs, 1 * kMiB, 20 * kMiB, "7"},
    {"fat32", kFsFat32, 21 * kMiB, 36 * kMiB, "c"},
    {"ext2", kFsExt2, 57 * kMiB, 16 * kMiB, "83"},
};

fs::path MakeDisk() {
  const fs::path disk = qm::MakeSparseImage("complete_search_disk.img", 80 * kMiB * 512);
  const fs::path src = qm::ScratchPath("complete_search_src");
  fs::remove_all(src);
  qm::test::WriteHostFile(src / "letter.txt", qm::test::PatternBytes(5000, 7));
  qm::test::WriteHostFile(src / "photo.jpg", qm::test::PatternBytes(40000, 8));
  const fs::path ntfs = qm::ScratchPath("complete_search_ntfs.part");
  const std::string d = Quote(disk.string()), n = Quote(ntfs.string()), s = Quote(src.string());
  std::string table = "label: dos\n";
  for (const Partition& p : kPartitions)
    table += "start=" + std::to_string(p.start) + ",size=" + std::to_string(p.sectors) +
             ",type=" + p.mbrType + "\n";
  const fs::path script = qm::ScratchPath("complete_search_disk.sfdisk");
  qm::test::WriteHostFile(script, std::vector<std::uint8_t>(table.begin(), table.end()));
  const Partition& nt = kPartitions[0];
  const Partition& fat = kPartitions[1];
  const Partition& ext = kPartitions[2];
  try {
    qm::test::Run("sfdisk -q " + d + " < " + Quote(script.string()));
    qm::test::Run(
        "rm -f " + n + " && truncate -s " + std::to_string(nt.sectors * 512) + " " + n +
        " && mkntfs -q -F -f -s 512 -H 0 -S 0 -p " + std::to_string(nt.start) + " -L SEARCHNTFS " + n +
        " >/dev/null && ntfscp -q -f " + n + " " + s + "/letter.txt /letter.txt && ntfscp -q -f " + n + " " +
        s + "/photo.jpg /photo.jpg && dd if=" + n + " of=" + d + " bs=512 seek=" + std::to_string(nt.start) +
        " conv=notrunc,sparse status=none && rm -f " + n);
    qm::test::Run("mkfs.fat -F 32 -s 1 -n SEARCHFAT --offset=" + std::to_string(fat.start) + " " + d + " " +
                  std::to_string(fat.sectors / 2) + " >/dev/null && cd " + s +
                  " && MTOOLS_SKIP_CHECK=1 mcopy -Q -i " + d + "@@" + std::to_string(fat.start * 512) +
                  " letter.txt photo.jpg ::/");
    qm::test::Run("mke2fs -F -q -t ext2 -b 1024 -d " + s + " -E offset=" + std::to_string(ext.start * 512) +
                  " " + d + " " + std::to_string(ext.sectors / 2));
  } catch (const std::exception& error) {
    ADD_FAILURE() << error.what();
    return {};
  }
  fs::remove_all(src);
  return disk;
}

TEST(CompleteSearchDisk, EveryVolumeIsFoundWithItsPartitionsStartAndSectorCount) {
  const fs::path disk = MakeDisk();
  ASSERT_FALSE(disk.empty());
  CImageFileDevice device(disk.c_str());
  CNTFSSearchController ntfs;
  CFATSearchController fat;
  CEXT2SearchController ext2;
  auto found = qm::test::SweepWith(&device, {&ntfs, &fat, &ext2});
  std::vector<CSearchedPartitionInfo*> list;
  for (auto& record : found.records)
    list.push_back(record.get());
  CIntelligentSearchScore::ComputeWeights(list);
  std::stable_sort(list.begin(), list.end(),
                   [](auto* a, auto* b) { return a->GetWeight() > b->GetWeight(); });
  CIntelligentSearchScore::Rank(list, device.GetSectorCount());

  for (const Partition& p : kPartitions) {
    SCOPED_TRACE(p.name);
    // The chosen candidate of the volume's type at the partition's start.
    const auto it = std::find_if(list.begin(), list.end(), [&](CSearchedPartitionInfo* c) {
      return c->GetChosen() != 0 && c->GetStartSector() == p.start && c->GetFileSystemType() == p.type;
    });
    ASSERT_NE(it, list.end());
    EXPECT_EQ((*it)->GetSectorCount(), p.sectors);
    // Among the three first in the list, which the page shows on top.
    EXPECT_LT(it - list.begin(), 3);
  }
  fs::remove(disk);
}

} // namespace
