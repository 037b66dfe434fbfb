// Partition tables made by sfdisk and sgdisk with real file systems in
// their partitions (mkntfs, mkfs.fat): what the table reader, the boot
// sector test and the label reader make of them through the engines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fatext2/boot_sector_classifiers.h"
#include "fatext2/fat_volume_analyze.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "storage/image_file_device.h"
#include "storage/partition_table.h"
#include "storage/volume_analyzer.h"
#include "storage/volume_names.h"
#include "support/scratch_files.h"

namespace {

using Extent = std::pair<std::uint64_t, std::uint64_t>;

// mkntfs formats a file of `sectors` sectors, which is then written into
// the disk image at `start`.
std::string NtfsInto(const std::string& disk, std::uint64_t start, std::uint64_t sectors, const char* label) {
  const std::string volume = disk + ".ntfs" + std::to_string(start);
  return "truncate -s " + std::to_string(sectors * 512) + " " + volume + " && mkntfs -q -F -f -s 512 -p " +
         std::to_string(start) + " -H 0 -S 0 -L " + label + " " + volume + " && dd if=" + volume +
         " of=" + disk + " bs=512 seek=" + std::to_string(start) + " conv=notrunc,sparse status=none && rm " +
         volume;
}

std::string FatInto(const std::string& disk, std::uint64_t start, std::uint64_t sectors, int bits,
                    const char* label) {
  return "mkfs.fat -F " + std::to_string(bits) + " -s 1 -n " + label + " --offset=" + std::to_string(start) +
         " " + disk + " " + std::to_string(sectors / 2);
}

class PartitionVolumes : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    const std::string mbr = qm::ScratchPath("pv_mbr.img").string();
    const std::string gpt = qm::ScratchPath("pv_gpt.img").string();
    const std::string whole = qm::ScratchPath("pv_whole.img").string();
    paths_ = qm::MakeImagesWithTools(
        {
            // p1 FAT32, p2 NTFS that fills its partition, p3 an NTFS volume
            // 40,000 sectors smaller than its partition, logicals FAT16 and
            // hidden NTFS.
            {"pv_mbr.img", "printf 'label: dos\\n"
                           "start=2048,size=73728,type=c\\n"
                           "start=75776,size=40960,type=7\\n"
                           "start=116736,size=80000,type=7\\n"
                           "start=196736,size=40960,type=5\\n"
                           "start=198784,size=16384,type=6\\n"
                           "start=217216,size=16384,type=17\\n' | sfdisk %s && " +
                               FatInto(mbr, 2048, 73728, 32, "FATVOL32") + " && " +
                               NtfsInto(mbr, 75776, 40960, "NTFSVOL") + " && " +
                               NtfsInto(mbr, 116736, 40000, "SHRUNK") + " && " +
                               FatInto(mbr, 198784, 16384, 16, "FATVOL16") + " && " +
                               NtfsInto(mbr, 217216, 16384, "HIDDEN")},
            {"pv_gpt.img", "sgdisk -o -n1:2048:+20M -t1:0700 -c1:Data -n2:0:+8M -t2:8300 %s && " +
                               NtfsInto(gpt, 2048, 40960, "GPTNTFS")},
            // No table: one NTFS volume from sector 0 over the whole disk.
            {"pv_whole.img", NtfsInto(whole, 0, 262144, "WHOLE")},
        },
        128ull << 20);
  }
  void SetUp() override {
    qm::RegisterNtfsVolumeAnalyzer();
    qm::RegisterFatVolumeAnalyzer();
    qm::RegisterBootSectorClassifiers();
  }
  static std::vector<std::filesystem::path> paths_;
  qm::ScopedVolumeAnalyzers restore_;
};

std::vector<std::filesystem::path> PartitionVolumes::paths_;

TEST_F(PartitionVolumes, MbrPartitionsWithTheirFileSystems) {
  ASSERT_FALSE(paths_[0].empty()) << "making the image failed";
  CImageFileDevice disk(paths_[0].c_str());
  DiskPartitionList records;
  ReadDiskPartitionTable(&disk, records);
  struct Expected {
    std::uint64_t start, count;
    int bootType; // GetBootSectorFileSystem of the first sector
    int ntfs;     // 1 when the NTFS analyser names it
    const char* label;
  } expected[] = {
      {2048, 73728, 2, 0, "FATVOL32"},
      // The window is the partition, the backup boot sector in its last
      // sector included.
      {75776, 40960, 3, 1, "NTFSVOL"},
      // The table and the file system disagree by 40,001 sectors: both,
      // the second covering the volume and its backup boot sector.
      {116736, 80000, 3, 1, "SHRUNK"},
      {116736, 40000, 3, 1, "SHRUNK"},
      {198784, 16384, 1, 0, "FATVOL16"},
      {217216, 16384, 3, 1, "HIDDEN"},
  };
  ASSERT_EQ(records.size(), std::size(expected));
  for (std::size_t i = 0; i < records.size(); ++i) {
    const DiskPartitionRecord& record = *records[i];
    const Expected& e = expected[i];
    EXPECT_EQ(Extent(record.startSector, record.sectorCount), Extent(e.start, e.count)) << i;
    std::uint8_t sector[512];
    ASSERT_TRUE(record.partitionDevice->ReadSectors(sector, 0, 1));
    EXPECT_EQ(GetBootSectorFileSystem(sector, 512), e.bootType) << i;
    if (e.ntfs != 0) {
      EXPECT_EQ(record.fileSystemType, 3) << i;
      EXPECT_STREQ(record.volumeLabel, e.label) << i;
      char label[100];
      EXPECT_EQ(ReadVolumeLabel(record.partitionDevice.get(), 3, label, sizeof label), 1) << i;
      EXPECT_STREQ(label, e.label) << i;
    } else {
      // Not NTFS: the NTFS label reader finds nothing there.
      char label[100];
      EXPECT_EQ(ReadVolumeLabel(record.partitionDevice.get(), 3, label, sizeof label), 0) << i;
      // The FAT analyser names the FAT ones with their root's label entry.
      EXPECT_EQ(record.fileSystemType, e.bootType) << i;
      EXPECT_STREQ(record.volumeLabel, e.label) << i;
    }
  }
}

TEST_F(PartitionVolumes, GptPartitionWithNtfs) {
  ASSERT_FALSE(paths_[1].empty()) << "making the image failed";
  CImageFileDevice disk(paths_[1].c_str());
  DiskPartitionList records;
  ReadDiskPartitionTable(&disk, records);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(Extent(records[0]->startSector, records[0]->sectorCount), Extent(2048, 40960));
  EXPECT_EQ(records[0]->volumeSectorCount, 40959u);
  EXPECT_EQ(records[0]->fileSystemType, 3);
  EXPECT_STREQ(records[0]->volumeLabel, "GPTNTFS");
  EXPECT_EQ(Extent(records[1]->startSector, records[1]->sectorCount), Extent(43008, 16384));
  EXPECT_EQ(records[1]->fileSystemType, 7);
  // Sector 0 of a GPT disk is its protective MBR, no boot sector.
  std::uint8_t sector[512];
  ASSERT_TRUE(disk.ReadSectors(sector, 0, 1));
  EXPECT_EQ(GetBootSectorFileSystem(sector, 512), 7);
}

TEST_F(PartitionVolumes, AVolumeFromSectorZeroWithoutTable) {
  ASSERT_FALSE(paths_[2].empty()) << "making the image failed";
  CImageFileDevice disk(paths_[2].c_str());
  DiskPartitionList records;
  ASSERT_EQ(ReadDiskPartitionTable(&disk, records), 1u);
  // No table: the window covers the volume and its backup boot sector.
  EXPECT_EQ(Extent(records[0]->startSector, records[0]->sectorCount), Extent(0, 262144));
  EXPECT_EQ(records[0]->volumeSectorCount, 262143u);
  EXPECT_EQ(records[0]->fileSystemType, 3);
  EXPECT_STREQ(records[0]->volumeLabel, "WHOLE");
}

} // namespace
