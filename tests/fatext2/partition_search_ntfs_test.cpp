// The NTFS checker of the lost-partition search on a real mkntfs volume
// whose boot sector and first records are then damaged: it must accept the
// volume through $MFTMirr when $MFT is gone, refuse a lone boot sector, and
// never trust the sizes and positions that a boot sector claims.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fatext2/partition_search_controllers.h"
#include "platform/byte_view.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace {

constexpr std::uint64_t kVolumeSectors = 16384;
constexpr std::uint64_t kStart = 63;
constexpr std::uint64_t kDiskSectors = kStart + kVolumeSectors + 100;

const std::vector<std::uint8_t>& VolumeBytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    const auto paths = qm::MakeImagesWithTools(
        {{"lost_ntfs_volume.img", "mkntfs -q -F -f -s 512 -H 0 -S 0 -L DAMAGED %s"}}, kVolumeSectors * 512);
    return paths[0].empty() ? std::vector<std::uint8_t>{} : qm::ReadFileBytes(paths[0]);
  }();
  return bytes;
}

void Put64(std::uint8_t* at, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct Damage {
  const char* name;
  std::function<void(qm::MemoryDevice&)> apply;
  bool found;
  std::uint64_t count; // when found
};

TEST(LostNtfsChecker, DamagedVolumes) {
  if (VolumeBytes().empty()) GTEST_SKIP() << "mkntfs failed";
  const qm::ByteView boot(VolumeBytes().data(), 512);
  const std::uint64_t total = boot.le64(0x28);
  const std::uint64_t perCluster = boot.u8(0x0D);
  const std::uint64_t mft = kStart + boot.le64(0x30) * perCluster;
  const std::uint64_t mirror = kStart + boot.le64(0x38) * perCluster;
  auto zero = [](std::uint64_t sector, std::uint64_t count) {
    return [=](qm::MemoryDevice& d) { std::memset(d.sector(sector), 0, count * 512); };
  };
  const std::vector<Damage> cases = {
      // The window takes in the backup boot sector behind the count.
      {"intact", [](qm::MemoryDevice&) {}, true, total + 1},
      {"$MFT gone, $MFTMirr holds", zero(mft, 2), true, total + 1},
      {"$Volume record gone from $MFT", zero(mft + 6, 2), true, total + 1},
      {"both copies gone", [=](qm::MemoryDevice& d) { zero(mft, 2)(d), zero(mirror, 2)(d); }, false, 0},
      {"lone boot sector", zero(kStart + 1, kVolumeSectors - 1), false, 0},
      {"size past the disk end", [](qm::MemoryDevice& d) { Put64(d.sector(kStart) + 0x28, 1ull << 40); }, true,
       kDiskSectors - kStart},
      {"size zero", [](qm::MemoryDevice& d) { Put64(d.sector(kStart) + 0x28, 0); }, true, kDiskSectors - kStart},
      {"$MFT cluster at the end of 64 bits",
       [=](qm::MemoryDevice& d) {
         Put64(d.sector(kStart) + 0x30, 0x7FFFFFFFFFFFFFFFull);
         Put64(d.sector(kStart) + 0x38, 0x7FFFFFFFFFFFFFF0ull);
       },
       false, 0},
      {"negative $MFT cluster, $MFTMirr holds",
       [](qm::MemoryDevice& d) { Put64(d.sector(kStart) + 0x30, ~std::uint64_t{0}); }, true, total + 1},
      {"record size of 64 KiB", [](qm::MemoryDevice& d) { d.sector(kStart)[0x40] = 0xF0; }, false, 0},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    qm::MemoryDevice disk(kDiskSectors, 512);
    std::memcpy(disk.sector(kStart), VolumeBytes().data(), VolumeBytes().size());
    c.apply(disk);
    CPartitionNTFSSearchController checker;
    checker.SetDevice(&disk);
    LostPartitionRecord record;
    record.fileSystemType = 9;
    std::vector<std::uint8_t> sector(disk.sector(kStart), disk.sector(kStart) + 512);
    const int found = checker.CheckSector(sector.data(), kStart, &record);
    std::unique_ptr<IStorageDevice> window(record.partitionDevice);
    EXPECT_EQ(found != 0, c.found);
    if (!c.found) {
      EXPECT_EQ(record.fileSystemType, 9u) << "a refused sector leaves the record alone";
      continue;
    }
    EXPECT_EQ(record.startSector, kStart);
    EXPECT_EQ(record.sectorCount, c.count);
    EXPECT_EQ(record.fileSystemType, 3u);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetSectorCount(), c.count);
    if (std::string(c.name) == "intact") {
      EXPECT_STREQ(record.volumeLabel, "DAMAGED");
    }
  }
}

TEST(LostNtfsChecker, BackupBootSectorIsNotAVolumeOfItsOwn) {
  if (VolumeBytes().empty()) GTEST_SKIP() << "mkntfs failed";
  qm::MemoryDevice disk(kDiskSectors, 512);
  std::memcpy(disk.sector(kStart), VolumeBytes().data(), VolumeBytes().size());
  const std::uint64_t total = qm::ByteView(VolumeBytes().data(), 512).le64(0x28);
  const std::uint64_t backup = kStart + total;
  ASSERT_EQ(std::memcmp(disk.sector(backup), disk.sector(kStart), 512), 0) << "mkntfs wrote no backup there";
  CPartitionNTFSSearchController checker;
  checker.SetDevice(&disk);
  LostPartitionRecord record;
  EXPECT_EQ(checker.CheckSector(disk.sector(backup), backup, &record), 0);
  // With its first boot sector gone, the backup is all that is left of it:
  // then it may not pose as a volume that starts at the backup either,
  // since its $MFT is not found from there.
  std::memset(disk.sector(kStart), 0, 512);
  EXPECT_EQ(checker.CheckSector(disk.sector(backup), backup, &record), 0);
  delete record.partitionDevice;
}

} // namespace
