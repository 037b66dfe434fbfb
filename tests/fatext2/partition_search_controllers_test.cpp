// The lost-partition search over a disk image without a partition table,
// with real file systems (mkntfs, mkfs.fat, mke2fs) written at cylinder
// starts of the 255-head and the 240-head geometry and one track behind
// them, plus a few planted traps: an NTFS backup boot sector on a probe
// position, a FAT boot sector without its FAT, and a FAT volume that claims
// more sectors than the disk has left.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fatext2/partition_search_controllers.h"
#include "platform/byte_view.h"
#include "storage/image_file_device.h"
#include "storage/partition_searcher.h"
#include "support/scratch_files.h"

namespace {

constexpr std::uint64_t kDiskSectors = 210000;
constexpr std::uint64_t k255 = 255 * 63;
constexpr std::uint64_t k240 = 240 * 63;

// Positions (sectors) and sizes of what the image holds.
constexpr std::uint64_t kNtfsStart = 63;                 // first track behind cylinder 0
constexpr std::uint64_t kNtfsSectors = k255 + 1;          // backup boot sector lands on 16,128
constexpr std::uint64_t kFat16Start = 2 * k255;          // 32,130
constexpr std::uint64_t kExt2Start = 3 * k255 + 63;      // 48,258
constexpr std::uint64_t kFat32Start = 5 * k240;          // 75,600: a 240-head cylinder only
constexpr std::uint64_t kExt3Start = 10 * k240 + 63;     // 151,263
constexpr std::uint64_t kOversizedStart = 12 * k255;     // 192,780
constexpr std::uint64_t kLoneBootStart = 13 * k255;      // 208,845: a boot sector, no FAT

// The image's SHA-256 by the system tool (a debug build hashes 100 MB
// slowly).
std::string ImageDigest(const std::filesystem::path& image) {
  const std::filesystem::path sum = image.string() + ".sha256";
  if (qm::RunCommand("sha256sum " + image.string() + " > " + sum.string()) != 0) return "failed";
  const std::vector<std::uint8_t> text = qm::ReadFileBytes(sum);
  return std::string(text.begin(), text.end());
}

std::string NtfsInto(const std::string& disk, std::uint64_t start, std::uint64_t sectors, const char* label) {
  const std::string volume = disk + ".ntfs";
  return "truncate -s " + std::to_string(sectors * 512) + " " + volume + " && mkntfs -q -F -f -s 512 -p " +
         std::to_string(start) + " -H 0 -S 0 -L " + label + " " + volume + " && dd if=" + volume + " of=" + disk +
         " bs=512 seek=" + std::to_string(start) + " conv=notrunc,sparse status=none && rm " + volume;
}

std::string FatInto(const std::string& disk, std::uint64_t start, std::uint64_t sectors, int bits,
                    const char* label) {
  return "mkfs.fat -F " + std::to_string(bits) + " -s 1 -n " + label + " --offset=" + std::to_string(start) + " " +
         disk + " " + std::to_string(sectors / 2) + " >/dev/null";
}

std::string ExtInto(const std::string& disk, std::uint64_t start, std::uint64_t sectors, const char* type,
                    const char* label) {
  return std::string("mke2fs -F -q -t ") + type + " -b 1024 -L " + label + " -E offset=" +
         std::to_string(start * 512) + " " + disk + " " + std::to_string(sectors / 2);
}

struct Find {
  std::uint64_t start = 0;
  std::uint64_t count = 0;
  std::uint32_t type = 7;
  std::string label;
  std::unique_ptr<IStorageDevice> device;
};

// Keeps a copy of each record, as the progress dialog does, and owns its
// partition device.
class Recorder : public IPartitionSearchCallback {
public:
  explicit Recorder(std::size_t cancelAfterFinds = ~std::size_t{0}) : cancelAfter_(cancelAfterFinds) {}
  void PumpMessages() override { ++pumps; }
  void Step() override { ++steps; }
  int IsCancelled() override { return finds.size() >= cancelAfter_ ? 1 : 0; }
  void SetStep(std::uint64_t) override {}
  void Advance() override {}
  void SetRange(std::uint64_t, std::uint64_t high) override { range = high; }
  void SetPos(std::uint64_t) override {}
  void OnSearchEnd() override {}
  void OnPartitionFound(const LostPartitionRecord* record) override {
    Find find;
    find.start = record->startSector;
    find.count = record->sectorCount;
    find.type = record->fileSystemType;
    find.label.assign(record->volumeLabel, strnlen(record->volumeLabel, sizeof record->volumeLabel));
    find.device.reset(record->partitionDevice);
    finds.push_back(std::move(find));
  }
  std::vector<Find> finds;
  std::uint64_t steps = 0;
  std::uint64_t pumps = 0;
  std::uint64_t range = 0;

private:
  std::size_t cancelAfter_;
};

class LostPartitionSearch : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    const std::string disk = qm::ScratchPath("lost_partitions.img").string();
    const std::string command =
        NtfsInto(disk, kNtfsStart, kNtfsSectors, "LOSTNTFS") + " && " +
        FatInto(disk, kFat16Start, 8192, 16, "LOSTFAT16") + " && " +
        ExtInto(disk, kExt2Start, 16384, "ext2", "lostext2") + " && " +
        FatInto(disk, kFat32Start, 70000, 32, "LOSTFAT32") + " && " +
        ExtInto(disk, kExt3Start, 16384, "ext3", "lostext3") + " && " +
        FatInto(disk, kOversizedStart, 8192, 16, "OVERSIZED") + " && " +
        // A copy of the FAT16 boot sector with nothing behind it.
        "dd if=" + disk + " of=" + disk + " bs=512 skip=" + std::to_string(kFat16Start) + " seek=" +
        std::to_string(kLoneBootStart) + " count=1 conv=notrunc status=none";
    path_ = qm::MakeImagesWithTools({{"lost_partitions.img", command}}, kDiskSectors * 512)[0];
    if (path_.empty()) return;
    // The oversized volume claims 0x10000000 sectors in its 32-bit field.
    qm::WriteFileBytes(path_, kOversizedStart * 512 + 0x13, {0, 0});
    qm::WriteFileBytes(path_, kOversizedStart * 512 + 0x20, {0, 0, 0, 0x10});
  }
  void SetUp() override {
    if (path_.empty()) GTEST_SKIP() << "the disk tools failed";
  }

  // Runs the search the way the wizard sets it up.
  static void Search(IStorageDevice* disk, int heads, Recorder& recorder) {
    CPartitionFATSearchController fat;
    CPartitionNTFSSearchController ntfs;
    CPartitionEXT2SearchController ext2;
    CPartitionSearcher searcher;
    searcher.SetDevice(disk);
    searcher.AddController(&fat);
    searcher.AddController(&ntfs);
    searcher.AddController(&ext2);
    searcher.BuildAlgorithms(heads);
    searcher.Start(&recorder);
  }

  static std::filesystem::path path_;
};

std::filesystem::path LostPartitionSearch::path_;

TEST_F(LostPartitionSearch, FindsEveryVolumeInOrderWithStartSizeTypeAndLabel) {
  const std::string before = ImageDigest(path_);
  CImageFileDevice disk(path_.c_str());
  ASSERT_TRUE(disk.Open());
  Recorder recorder;
  Search(&disk, 240, recorder);

  // mkfs.fat rounds the size it was given down; take what it wrote.
  std::vector<std::uint8_t> boot(512);
  ASSERT_TRUE(disk.ReadSectors(boot.data(), kFat32Start, 1));
  const std::uint64_t fat32Sectors = qm::ByteView(boot.data(), boot.size()).le32(0x20);
  EXPECT_GT(fat32Sectors, 69000u);
  struct Expected {
    std::uint64_t start, count;
    std::uint32_t type;
    const char* label;
  };
  const std::vector<Expected> expected = {
      // The volume and its backup boot sector, 16,128 (a probe position).
      {kNtfsStart, kNtfsSectors, 3, "LOSTNTFS"},
      {kFat16Start, 8192, 1, "LOSTFAT16"},
      {kExt2Start, 16384, 4, "lostext2"},
      // Claims far more than the disk has: it gets the rest of the disk.
      {kOversizedStart, kDiskSectors - kOversizedStart, 1, "OVERSIZED"},
      // The 240-head pass comes second.
      {kFat32Start, fat32Sectors, 2, "LOSTFAT32"},
      {kExt3Start, 16384, 5, "lostext3"},
  };
  ASSERT_EQ(recorder.finds.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Find& find = recorder.finds[i];
    SCOPED_TRACE(expected[i].label);
    EXPECT_EQ(find.start, expected[i].start);
    EXPECT_EQ(find.count, expected[i].count);
    EXPECT_EQ(find.type, expected[i].type);
    EXPECT_EQ(find.label, expected[i].label);
    // The window shows the volume from its first sector, all of it inside
    // the disk.
    ASSERT_NE(find.device, nullptr);
    EXPECT_EQ(find.device->GetSectorCount(), expected[i].count);
    std::vector<std::uint8_t> first(512);
    std::vector<std::uint8_t> onDisk(512);
    ASSERT_TRUE(find.device->ReadSectors(first.data(), 0, 1));
    ASSERT_TRUE(disk.ReadSectors(onDisk.data(), expected[i].start, 1));
    EXPECT_EQ(first, onDisk);
    EXPECT_TRUE(find.device->ReadSectors(first.data(), expected[i].count - 1, 1));
  }
  const std::uint64_t positions = kDiskSectors / k255 + kDiskSectors / k240 + (kDiskSectors + 2047) / 2048;
  EXPECT_EQ(recorder.range, positions);
  EXPECT_EQ(recorder.steps, positions);
  EXPECT_GE(recorder.pumps, 2 * kDiskSectors / k255);
  recorder.finds.clear();
  disk.Close();
  EXPECT_EQ(ImageDigest(path_), before) << "the search must not write";
}

TEST_F(LostPartitionSearch, Without240HeadsTheVolumesOnItsCylindersStayLost) {
  CImageFileDevice disk(path_.c_str());
  ASSERT_TRUE(disk.Open());
  Recorder recorder;
  Search(&disk, 255, recorder);
  ASSERT_EQ(recorder.finds.size(), 4u);
  EXPECT_EQ(recorder.finds.back().start, kOversizedStart);
  EXPECT_EQ(recorder.range, kDiskSectors / k255 + (kDiskSectors + 2047) / 2048);
}

TEST_F(LostPartitionSearch, CancelEndsTheSearchAtOnceKeepingEarlierFinds) {
  CImageFileDevice disk(path_.c_str());
  ASSERT_TRUE(disk.Open());
  Recorder recorder(2);
  Search(&disk, 240, recorder);
  ASSERT_EQ(recorder.finds.size(), 2u);
  EXPECT_EQ(recorder.finds[1].start, kFat16Start);
  // The FAT16 volume sits at the third position; the fourth is not taken.
  EXPECT_EQ(recorder.steps, 3u);
}

TEST(FoundVolumeSectors, ClaimsAreCutToWhatTheDiskHasLeft) {
  struct Case {
    std::uint64_t start, claimed, disk, expected;
  };
  for (const Case& c : {Case{0, 100, 1000, 100}, Case{900, 100, 1000, 100}, Case{900, 101, 1000, 100},
                        Case{900, 0, 1000, 100}, Case{10, ~std::uint64_t{0}, 1000, 990},
                        Case{1000, 5, 1000, 0}, Case{2000, 5, 1000, 0}})
    EXPECT_EQ(qm::FoundVolumeSectors(c.start, c.claimed, c.disk), c.expected)
        << c.start << " " << c.claimed << " " << c.disk;
}

} // namespace
