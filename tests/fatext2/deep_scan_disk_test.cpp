// A disk holding a FAT32, a FAT16, an EXT2 and an EXT3 volume, each with
// files, behind a wiped partition table: the FAT and EXT2 deep scans find
// all four at their starts, weighing puts them above every other
// candidate, and each one's tree gives its files back byte for byte. Also
// hostile sectors and the saved directory-candidate map.
#include <gtest/gtest.h>

#include <algorithm>

#include "deep_scan_support.h"
#include "fatext2/ext2_search_controller.h"
#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_search_controller.h"
#include "storage/image_file_device.h"
#include "storage/intelligent_search_score.h"
#include "storage/search_statistics.h"
#include "support/memory_device.h"
#include "support/memory_stream.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;
using qm::test::Quote;

namespace {

struct Volume {
  const char* name;
  std::uint32_t type;
  std::uint64_t start; // sectors
  std::uint64_t bytes;
  std::string make;    // %v: the volume file, %s: the folder of its files
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
};

std::string Replace(std::string text, const std::string& key, const std::string& value) {
  for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
    text.replace(at, key.size(), value);
  return text;
}

class DeepScanDisk : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    const std::string mtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
    volumes_ = {
        {"fat32", kFsFat32, 2048, 40u << 20,
         "mkfs.fat -F 32 -s 1 -n DISKFAT32 %v >/dev/null && cd %s && " + mtools + "mcopy -s -Q -i %v * ::/", {}},
        {"fat16", kFsFat16, 2048 + 90112, 16u << 20,
         "mkfs.fat -F 16 -s 4 -n DISKFAT16 %v >/dev/null && cd %s && " + mtools + "mcopy -s -Q -i %v * ::/", {}},
        {"ext2", kFsExt2, 2048 + 90112 + 36864, 16u << 20, "mke2fs -F -q -t ext2 -b 1024 -d %s %v", {}},
        {"ext3", kFsExt3, 2048 + 90112 + 36864 + 36864, 24u << 20, "mke2fs -F -q -t ext3 -b 1024 -d %s %v", {}},
    };
    disk_ = qm::MakeSparseImage("deep_scan_disk.img", 200u << 20);
    std::string table = "label: dos\n";
    std::uint32_t seed = 1;
    try {
      for (auto& v : volumes_) {
        const fs::path src = qm::ScratchPath(std::string("disk_src_") + v.name);
        fs::remove_all(src);
        for (int i = 0; i < 6; ++i) {
          const std::string path = "Folder" + std::to_string(i % 2) + "/Inner" + std::to_string(i) + "/data" +
                                   std::to_string(i) + ".bin";
          v.files.emplace_back(path, qm::test::PatternBytes(2000 + 3001 * i, seed++));
          qm::test::WriteHostFile(src / path, v.files.back().second);
        }
        const fs::path file = qm::MakeSparseImage(std::string("disk_vol_") + v.name, v.bytes);
        qm::test::Run(Replace(Replace(v.make, "%v", Quote(file.string())), "%s", Quote(src.string())));
        qm::test::Run("dd if=" + Quote(file.string()) + " of=" + Quote(disk_.string()) +
                      " bs=512 conv=notrunc,sparse status=none seek=" + std::to_string(v.start));
        fs::remove(file);
        fs::remove_all(src);
        table += "start=" + std::to_string(v.start) + ", size=" + std::to_string(v.bytes / 512) + ", type=" +
                 (v.type == kFsFat32 ? "c" : v.type == kFsFat16 ? "6" : "83") + "\n";
      }
      const fs::path script = qm::ScratchPath("deep_scan_disk.sfdisk");
      qm::test::WriteHostFile(script, std::vector<std::uint8_t>(table.begin(), table.end()));
      qm::test::Run("sfdisk -q " + Quote(disk_.string()) + " < " + Quote(script.string()));
    } catch (const std::exception&) {
      disk_.clear();
      return;
    }
    // The table is gone.
    qm::WriteFileBytes(disk_, 0, std::vector<std::uint8_t>(512, 0));
  }
  void SetUp() override {
    if (disk_.empty()) GTEST_SKIP() << "the disk tools failed";
  }

  static inline std::vector<Volume> volumes_;
  static inline fs::path disk_;
};

TEST_F(DeepScanDisk, EveryVolumeIsFoundRankedAndRebuilt) {
  const auto original = qm::ReadFileBytes(disk_);
  CImageFileDevice device(disk_.c_str());
  CFATSearchController fat;
  CEXT2SearchController ext2;
  auto found = qm::test::SweepWith(&device, {&fat, &ext2});

  std::vector<CSearchedPartitionInfo*> list;
  for (auto& record : found.records) list.push_back(record.get());
  CIntelligentSearchScore::ComputeWeights(list);
  std::stable_sort(list.begin(), list.end(), [](auto* a, auto* b) { return a->GetWeight() > b->GetWeight(); });
  CIntelligentSearchScore::Rank(list, device.GetSectorCount());

  std::vector<CSearchedPartitionInfo*> real;
  for (const auto& v : volumes_) {
    SCOPED_TRACE(v.name);
    auto it = std::find_if(list.begin(), list.end(), [&](CSearchedPartitionInfo* p) {
      return p->GetStartSector() == v.start && p->GetFileSystemType() == v.type;
    });
    ASSERT_NE(it, list.end());
    EXPECT_EQ((*it)->GetChosen(), 1u);
    real.push_back(*it);
  }
  // Every real volume outweighs every other candidate, and they come first
  // in the ranked list.
  double lightest = 2.0;
  for (auto* p : real) lightest = std::min(lightest, p->GetWeight());
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (std::find(real.begin(), real.end(), list[i]) != real.end()) {
      EXPECT_LT(i, real.size());
      continue;
    }
    EXPECT_LT(list[i]->GetWeight(), lightest) << list[i]->GetStartSector();
  }

  for (std::size_t k = 0; k < volumes_.size(); ++k) {
    const Volume& v = volumes_[k];
    SCOPED_TRACE(v.name);
    IFileSystemSearchController* builder = v.type <= kFsFat32 ? static_cast<IFileSystemSearchController*>(&fat) : &ext2;
    qm::test::TreeRoot root(builder->BuildTree(real[k], &device, static_cast<int>(k), nullptr));
    ASSERT_NE(root, nullptr);
    const auto copied = qm::test::CopyOut(root.get(), &device, std::string("disk_out_") + v.name);
    for (const auto& [path, content] : v.files) {
      const auto it = copied.find(path);
      ASSERT_NE(it, copied.end()) << path;
      EXPECT_TRUE(it->second == content) << path;
    }
  }
  EXPECT_TRUE(qm::ReadFileBytes(disk_) == original);
}

// Sectors made to pass each first test and then lie: boot sectors with
// extreme geometry, FAT starts at the end of the device, directory
// entries naming clusters near 2^32, super blocks with huge group counts.
// The sweep ends, hands out what it found, and every tree build ends.
TEST(DeepScanHostile, CraftedSectorsEndCleanly) {
  for (const std::int32_t sectorSize : {512, 4096}) {
    SCOPED_TRACE(sectorSize);
    const std::uint64_t sectors = (8u << 20) / sectorSize;
    qm::MemoryDevice device(sectors, sectorSize);
    auto noise = qm::test::PatternBytes(device.bytes().size(), 42);
    std::copy(noise.begin(), noise.end(), device.bytes().begin());
    std::uint32_t x = 7;
    auto next = [&] {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      return x;
    };
    for (std::uint64_t s = 0; s < sectors; s += 3) {
      std::uint8_t* p = device.sector(s);
      switch (next() % 5) {
      case 0: { // a FAT boot sector with random geometry
        static const std::uint8_t jump[] = {0xEB, 0x58, 0x90, 'M', 'S', 'D', 'O', 'S', '5', '.', '0'};
        std::copy(std::begin(jump), std::end(jump), p);
        qm::StoreLe16(p + 0x0B, static_cast<std::uint16_t>(sectorSize));
        p[0x0D] = static_cast<std::uint8_t>(1u << (next() % 8));
        qm::StoreLe16(p + 0x0E, static_cast<std::uint16_t>(next()));
        p[0x10] = static_cast<std::uint8_t>(1 + next() % 2);
        qm::StoreLe16(p + 0x11, static_cast<std::uint16_t>(next() % 2 ? 0 : next()));
        qm::StoreLe16(p + 0x13, 0);
        p[0x15] = 0xF8;
        qm::StoreLe16(p + 0x16, static_cast<std::uint16_t>(next() % 2 ? 0 : next()));
        qm::StoreLe32(p + 0x20, next());
        qm::StoreLe32(p + 0x24, next() % 100000);
        qm::StoreLe32(p + 0x2C, next());
        std::copy_n("FAT32   ", 8, p + 0x52);
        p[0x1FE] = 0x55;
        p[0x1FF] = 0xAA;
        break;
      }
      case 1: { // a FAT start
        static const std::uint8_t fat[] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F};
        std::copy(std::begin(fat), std::end(fat), p);
        break;
      }
      case 2: { // a first directory sector with hostile clusters
        std::fill_n(p, sectorSize, 0);
        std::copy_n(".          ", 11, p);
        p[0x0B] = 0x10;
        std::copy_n("..         ", 11, p + 32);
        p[32 + 0x0B] = 0x10;
        for (int e = 0; e < 4; ++e) {
          std::copy_n("FILE    JPG", 11, p + 64 + 32 * e);
          p[64 + 32 * e + 0x0B] = static_cast<std::uint8_t>(e == 3 ? 0x10 : 0x20);
        }
        for (int e = 0; e < 6; ++e) {
          const std::uint32_t c = next();
          qm::StoreLe16(p + 32 * e + 0x14, static_cast<std::uint16_t>(c >> 16));
          qm::StoreLe16(p + 32 * e + 0x1A, static_cast<std::uint16_t>(c));
          qm::StoreLe32(p + 32 * e + 0x1C, next());
        }
        break;
      }
      case 3: { // a super block with random geometry, descriptors after it
        std::uint8_t* sb = p;
        qm::StoreLe32(sb + 0x00, next());
        qm::StoreLe32(sb + 0x04, next());
        qm::StoreLe32(sb + 0x18, next() % 4);
        qm::StoreLe32(sb + 0x20, 1 + next() % 16384);
        qm::StoreLe32(sb + 0x28, 1 + next() % 16384);
        qm::StoreLe16(sb + 0x38, 0xEF53);
        qm::StoreLe32(sb + 0x4C, next() % 2);
        qm::StoreLe16(sb + 0x58, 128);
        qm::StoreLe16(sb + 0x5A, static_cast<std::uint16_t>(next() % 4));
        qm::StoreLe32(sb + 0x60, next() % 2 ? 0 : next());
        break;
      }
      default:
        break;
      }
    }
    CFATSearchController fat;
    CEXT2SearchController ext2;
    auto found = qm::test::SweepWith(&device, {&fat, &ext2});
    for (std::size_t i = 0; i < found.records.size() && i < 40; ++i) {
      CSearchedPartitionInfo* record = found.records[i].get();
      IFileSystemSearchController* builder =
          record->GetFileSystemType() <= kFsFat32 ? static_cast<IFileSystemSearchController*>(&fat) : &ext2;
      qm::test::TreeRoot root(builder->BuildTree(record, &device, 0, nullptr));
    }
  }
}

TEST(FatDeepScanMap, SavedDirectoryCandidatesLoadBackInOrder) {
  qm::MemoryDevice device(64, 512);
  // Directory sectors at 40 (a first one) and 10 (a continuation).
  for (std::uint64_t s : {40u, 10u}) {
    std::uint8_t* p = device.sector(s);
    std::copy_n(s == 40 ? ".          " : "NAME    TXT", 11, p);
    p[0x0B] = s == 40 ? 0x10 : 0x20;
    qm::StoreLe16(p + 0x1A, 7);
    if (s == 10) qm::StoreLe32(p + 0x1C, 100);
    if (s == 40) {
      std::copy_n("..         ", 11, p + 32);
      p[32 + 0x0B] = 0x10;
      qm::StoreLe16(p + 32 + 0x1A, 5);
    }
  }
  CFATSearchController controller;
  controller.SetDevice(&device);
  SearchStatistics statistics;
  controller.AnalyzeBlock(0, 64, &statistics);
  EXPECT_EQ(statistics.FATFolders, 1u);
  EXPECT_EQ(statistics.FATFolderParts, 1u);
  qm::test::MemoryStream stream;
  ASSERT_EQ(controller.Save(&stream), 1);
  ASSERT_EQ(stream.bytes.size(), 4u + 2 * 16);
  EXPECT_EQ(qm::ByteView(stream.bytes.data(), stream.bytes.size()).le64(4), 10u);
  CFATSearchController loaded;
  ASSERT_EQ(loaded.Load(&stream), 1);
  const auto& map = loaded.GetDirectoryCandidates();
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map.at(10).firstCluster, qm::FatDirCandidate::kNoCluster);
  EXPECT_EQ(map.at(40).firstCluster, 7u);
  EXPECT_EQ(map.at(40).parentCluster, 5u);
  // A damaged count ends at the stream's end.
  qm::test::MemoryStream damaged;
  damaged.bytes = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3};
  EXPECT_THROW(loaded.Load(&damaged), CRSException);
}

} // namespace
