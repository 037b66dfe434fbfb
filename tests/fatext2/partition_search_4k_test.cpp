// The lost-partition checkers on a disk of 4096-byte sectors: volumes made
// with that sector size are found, with start and size in the disk's own
// sectors.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fatext2/partition_search_controllers.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace {

constexpr std::uint64_t kStart = 63;
constexpr std::uint64_t kVolumeBytes = 16ull << 20;
constexpr std::uint64_t kDiskSectors = kStart + kVolumeBytes / 4096 + 10;

TEST(LostPartitionChecker4K, VolumesOnFourKilobyteSectors) {
  struct Case {
    const char* name;
    const char* command;
    std::uint32_t type;
    const char* label;
    int checker; // 0 FAT, 1 NTFS, 2 EXT2
  };
  const Case cases[] = {
      {"lost4k_fat.img", "mkfs.fat -F 16 -S 4096 -s 1 -n FOURKFAT %s >/dev/null", 1, "FOURKFAT", 0},
      {"lost4k_ntfs.img", "mkntfs -q -F -f -s 4096 -c 4096 -H 0 -S 0 -L FOURKNTFS %s", 3, "FOURKNTFS", 1},
      {"lost4k_ext2.img", "mke2fs -F -q -t ext2 -b 4096 -L fourkext %s", 4, "fourkext", 2},
  };
  std::vector<std::pair<std::string, std::string>> jobs;
  for (const Case& c : cases) jobs.emplace_back(c.name, c.command);
  const auto images = qm::MakeImagesWithTools(jobs, kVolumeBytes);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    if (images[i].empty()) {
      ADD_FAILURE() << "the tool failed";
      continue;
    }
    const std::vector<std::uint8_t> volume = qm::ReadFileBytes(images[i]);
    qm::MemoryDevice disk(kDiskSectors, 4096);
    std::memcpy(disk.sector(kStart), volume.data(), volume.size());
    CPartitionFATSearchController fat;
    CPartitionNTFSSearchController ntfs;
    CPartitionEXT2SearchController ext2;
    IPartitionFileSystemSearchController* checkers[] = {&fat, &ntfs, &ext2};
    for (int k = 0; k < 3; ++k) {
      checkers[k]->SetDevice(&disk);
      LostPartitionRecord record;
      const int found = checkers[k]->CheckSector(disk.sector(kStart), kStart, &record);
      std::unique_ptr<IStorageDevice> window(record.partitionDevice);
      EXPECT_EQ(found != 0, k == c.checker) << "checker " << k;
      if (found == 0) continue;
      EXPECT_EQ(record.startSector, kStart);
      EXPECT_GE(record.sectorCount, kVolumeBytes / 4096 - 1);
      EXPECT_LE(record.sectorCount, kVolumeBytes / 4096);
      EXPECT_EQ(record.fileSystemType, c.type);
      EXPECT_STREQ(record.volumeLabel, c.label);
    }
  }
}

} // namespace
