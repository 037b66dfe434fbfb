#include "storage/device_collection.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "fatext2/fat_volume_analyze.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "platform/disk_table.h"
#include "platform/log.h"
#include "storage/disk_device.h"
#include "storage/volume_analyzer.h"
#include "storage/ldm_test_builder.h"
#include "support/scratch_files.h"

namespace {

class LogLines {
public:
  LogLines() {
    id_ = qm::AddLogObserver([this](LogKind kind, std::string_view text) {
      if (kind != LogKind::Info) return;
      std::lock_guard lock(mutex_);
      lines_.emplace_back(text);
    });
  }
  ~LogLines() { qm::RemoveLogObserver(id_); }
  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  // The index of the first line equal to text (after trailing CR LF are
  // dropped); -1 when none.
  int Find(const std::string& text) {
    const auto lines = Lines();
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (Trim(lines[i]) == text) return static_cast<int>(i);
    return -1;
  }
  static std::string Trim(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
  }

private:
  int id_;
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// The images are large and sparse: the system's tool hashes them far
// faster than a sanitised build could.
std::string FileDigest(const std::filesystem::path& path) {
  std::string digest;
  if (FILE* pipe = popen(("sha256sum '" + path.string() + "'").c_str(), "r")) {
    char buffer[128] = {};
    if (std::fgets(buffer, sizeof buffer, pipe)) digest = buffer;
    pclose(pipe);
  }
  return digest.substr(0, 64);
}

struct ExpectedVolume {
  std::uint64_t start;
  std::uint64_t count;
  int type;
  const char* label;
};

// Two images that stand as disks: an MBR disk with a FAT16 and an NTFS
// partition (made by sfdisk, mkfs.fat and mkntfs), a GPT disk with one
// FAT32 partition (sgdisk, mkfs.fat); and an entry that never opens.
class CollectedImages : public ::testing::Test {
protected:
  static constexpr std::uint64_t kImageBytes = 96ull << 20;

  static void SetUpTestSuite() {
    const std::string ntfsPart = qm::ScratchPath("collect_ntfs_part.img").string();
    images_ = qm::MakeImagesWithTools(
        {{"collect_mbr.img",
          "printf 'label: dos\\nstart=2048,size=40960,type=6\\nstart=45056,size=32768,type=7\\n' | sfdisk -q %s"
          " && mkfs.fat -F 16 -n MBRFAT --offset 2048 %s 20480"
          " && rm -f " + ntfsPart + " && truncate -s 16M " + ntfsPart +
          " && mkntfs -q -F -f -L NTVOL -p 45056 -H 255 -S 63 " + ntfsPart +
          " && dd if=" + ntfsPart + " of=%s bs=512 seek=45056 conv=notrunc status=none"},
         {"collect_gpt.img", "sgdisk -o -n 1:2048:+70M -t 1:0700 %s >/dev/null && mkfs.fat -F 32 -n GPTFAT --offset 2048 %s 71680"}},
        kImageBytes);
  }

  void SetUp() override {
    for (const auto& image : images_) ASSERT_FALSE(image.empty()) << "image tools failed";
    qm::RegisterFatVolumeAnalyzer();
    qm::RegisterNtfsVolumeAnalyzer();
    qm::ClearDiskOverrides();
    machineDisks_ = static_cast<int>(qm::ListDisks().size());
    if (machineDisks_ + 3 > CDiskDevice::kMaxDiskIndex + 1) GTEST_SKIP() << "too many machine disks";
    mbrIndex_ = qm::AddDiskOverride(images_[0].string());
    brokenIndex_ = qm::AddDiskOverride("/nonexistent/broken.img", [](int& error) -> std::unique_ptr<qm::IDeviceHandle> {
      error = EIO;
      return nullptr;
    });
    gptIndex_ = qm::AddDiskOverride(images_[1].string());
  }
  void TearDown() override { qm::ClearDiskOverrides(); }

  CDiskDevice* DiskOfIndex(const DiskList& disks, int index) {
    for (const auto& disk : disks)
      if (disk->GetDiskNumber() == index) return disk.get();
    return nullptr;
  }

  static std::vector<std::filesystem::path> images_;
  qm::ScopedVolumeAnalyzers restore_;
  int machineDisks_ = 0, mbrIndex_ = -1, brokenIndex_ = -1, gptIndex_ = -1;
};
std::vector<std::filesystem::path> CollectedImages::images_;

TEST_F(CollectedImages, DisksAreListedAndLoggedAndBrokenOnesLeftOut) {
  const std::string before0 = FileDigest(images_[0]), before1 = FileDigest(images_[1]);
  ASSERT_EQ(before0.size(), 64u);
  LogLines log;
  DiskList disks;
  CollectDisks(disks);

  CDiskDevice* mbr = DiskOfIndex(disks, mbrIndex_);
  CDiskDevice* gpt = DiskOfIndex(disks, gptIndex_);
  ASSERT_NE(mbr, nullptr);
  ASSERT_NE(gpt, nullptr);
  EXPECT_EQ(DiskOfIndex(disks, brokenIndex_), nullptr);
  for (std::size_t i = 1; i < disks.size(); ++i) EXPECT_LT(disks[i - 1]->GetDiskNumber(), disks[i]->GetDiskNumber());

  const int header = log.Find("Disk    TotalSectors       Cylinders    Heads    Sectors/Track     DIskInfo");
  ASSERT_GE(header, 1);
  const auto lines = log.Lines();
  EXPECT_EQ(LogLines::Trim(lines[header - 1]), std::string(106, '-'));
  ASSERT_GT(lines.size(), header + disks.size() + 1);
  EXPECT_EQ(LogLines::Trim(lines[header + disks.size() + 1]), std::string(106, '-'));

  for (CDiskDevice* disk : {mbr, gpt}) {
    EXPECT_EQ(disk->GetSectorCount(), kImageBytes / 512);
    qm::DiskGeometry geometry;
    ASSERT_TRUE(disk->GetGeometry(geometry));
    const std::uint64_t cylinder = std::uint64_t{geometry.tracksPerCylinder} * geometry.sectorsPerTrack;
    ASSERT_GT(cylinder, 0u);
    EXPECT_LE(geometry.cylinders * cylinder, disk->GetSectorCount());
    EXPECT_GT(geometry.cylinders * cylinder + cylinder, disk->GetSectorCount());
    // Its row: number, sectors, cylinders, heads, sectors per track, text.
    char row[256];
    std::snprintf(row, sizeof row, "%d  %16llu  %10llu  %10d   %16d   %30s", disk->GetDiskNumber(),
                  static_cast<unsigned long long>(kImageBytes / 512),
                  static_cast<unsigned long long>(geometry.cylinders), static_cast<int>(geometry.tracksPerCylinder),
                  static_cast<int>(geometry.sectorsPerTrack), qm::DiskText(disk).c_str());
    const int at = log.Find(row);
    EXPECT_GT(at, header) << row;
    EXPECT_LE(at, header + static_cast<int>(disks.size())) << row;
    EXPECT_LE(qm::DiskText(disk).size(), 49u);
  }
  disks.clear();
  EXPECT_EQ(FileDigest(images_[0]), before0);
  EXPECT_EQ(FileDigest(images_[1]), before1);
}

TEST_F(CollectedImages, VolumesOfBothTablesWithTheirTypesLabelsAndExtents) {
  const std::string before0 = FileDigest(images_[0]), before1 = FileDigest(images_[1]);
  ASSERT_EQ(before0.size(), 64u);
  DiskList disks;
  CollectDisks(disks);
  LogLines log;
  {
    VolumeList volumes;
    CollectAllBasicPartitionandDynamicVolume(disks, volumes);
    CDiskDevice* mbr = DiskOfIndex(disks, mbrIndex_);
    CDiskDevice* gpt = DiskOfIndex(disks, gptIndex_);
    ASSERT_NE(mbr, nullptr);
    ASSERT_NE(gpt, nullptr);

    const std::vector<std::pair<CDiskDevice*, ExpectedVolume>> expected = {
        {mbr, {2048, 40960, 1, "MBRFAT"}}, {mbr, {45056, 32768, 3, "NTVOL"}}, {gpt, {2048, 143360, 2, "GPTFAT"}}};
    std::size_t ours = 0;
    for (const auto& item : volumes) {
      if (item.extents[0].disk != mbr && item.extents[0].disk != gpt) continue;
      ASSERT_LT(ours, expected.size());
      const auto& [disk, want] = expected[ours++];
      SCOPED_TRACE(want.label);
      EXPECT_EQ(item.extents[0].disk, disk);
      EXPECT_EQ(item.extents[0].startSector, want.start);
      EXPECT_EQ(item.extents[0].sectorCount, want.count);
      EXPECT_EQ(item.extents[1].disk, nullptr);
      EXPECT_EQ(item.kind, kDeviceKindBasic);
      EXPECT_EQ(item.sourceFlag, 0u);
      EXPECT_EQ(item.floppyFlag, 0u);
      EXPECT_EQ(item.usbFlag, 0u);
      EXPECT_EQ(item.fileSystemType, want.type);
      EXPECT_STREQ(item.volumeLabel, want.label);
      EXPECT_EQ(item.driveLetter, 0); // images have no system letters
      EXPECT_EQ(std::string(item.description), qm::DiskText(disk));
      ASSERT_NE(item.device, nullptr);
      EXPECT_EQ(item.device->GetSectorCount(), want.count);
      // The window reads the partition: its boot sector carries the label.
      std::vector<std::uint8_t> sector(512);
      ASSERT_TRUE(item.device->ReadSectors(sector.data(), 0, 1));
      std::vector<std::uint8_t> direct(512);
      ASSERT_TRUE(disk->ReadSectors(direct.data(), want.start, 1));
      EXPECT_EQ(sector, direct);
    }
    EXPECT_EQ(ours, expected.size());

    // The log: the basic table with its header, a row per volume, the
    // dynamic table empty.
    const int begin = log.Find("-----------------------------begin collect basic volume-----------------------------------");
    const int header =
        log.Find("DriverLetter   FileSystem  StartSector     TotalSectors     ParentDisk: Disk      VolumeLabel");
    const int end = log.Find("-----------------------------end collect basic volume-----------------------------------");
    ASSERT_GE(begin, 0);
    EXPECT_EQ(header, begin + 1);
    char row[256];
    std::snprintf(row, sizeof row, "%c  %16s  %16llu  %16llu  %16d  %20s", '*', "NTFS", 45056ull, 32768ull,
                  mbr->GetDiskNumber(), "NTVOL");
    const int at = log.Find(row);
    EXPECT_GT(at, header) << row;
    EXPECT_LT(at, end);
    const int dynamicBegin =
        log.Find("-----------------------------begin collect dynamic volume-----------------------------------");
    const int dynamicEnd =
        log.Find("-----------------------------end collect dynamic volume-------------------------------------");
    EXPECT_GT(dynamicBegin, end);
    EXPECT_EQ(dynamicEnd, dynamicBegin + 2);
  }
  disks.clear();
  EXPECT_EQ(FileDigest(images_[0]), before0);
  EXPECT_EQ(FileDigest(images_[1]), before1);
}

TEST(CollectAllBasicPartitionandDynamicVolume, AnEmptyDiskListGivesNothing) {
  LogLines log;
  DiskList disks;
  VolumeList volumes;
  CollectAllBasicPartitionandDynamicVolume(disks, volumes);
  EXPECT_TRUE(volumes.empty());
  for (const auto& line : log.Lines()) EXPECT_EQ(line.find("collect"), std::string::npos) << line;
}

// Two dynamic disks (written by the database builder) standing as disks: a
// simple volume on the first, a spanned volume over both, and a spanned
// volume of more pieces than an item holds.
TEST(CollectDynamicVolumeItems, ExtentsDescriptionsAndRows) {
  using qm::test::LdmBuilder;
  constexpr std::uint64_t kSectors = 8192;
  const char* const guids[] = {"c4ab6c3a-2c79-11d8-9a27-00e018c5e61e", "d1e2f3a4-2c79-11d8-9a27-00e018c5e61e"};
  LdmBuilder builder;
  const std::uint64_t disk0 = builder.AddDisk(guids[0]);
  const std::uint64_t disk1 = builder.AddDisk(guids[1]);
  const std::uint64_t simple = builder.AddVolume("Volume1", 3, 200, 0x07, 1);
  builder.AddPartition(builder.AddComponent(simple, 2, 1), disk0, 100, 0, 200);
  const std::uint64_t spanned = builder.AddVolume("Volume2", 3, 300, 0x07, 1);
  const std::uint64_t k2 = builder.AddComponent(spanned, 2, 2);
  builder.AddPartition(k2, disk0, 400, 0, 200);
  builder.AddPartition(k2, disk1, 50, 200, 100);
  constexpr std::uint64_t kPieces = 40;
  const std::uint64_t many = builder.AddVolume("Volume3", 3, kPieces * 10, 0x07, 1);
  const std::uint64_t k3 = builder.AddComponent(many, 2, kPieces);
  for (std::uint64_t i = 0; i < kPieces; ++i) builder.AddPartition(k3, i % 2 ? disk1 : disk0, 1000 + i * 10, i * 10, 10);

  std::vector<std::filesystem::path> paths;
  std::vector<std::string> digests;
  qm::ClearDiskOverrides();
  std::vector<int> indexes;
  for (int i = 0; i < 2; ++i) {
    std::vector<std::uint8_t> image(kSectors * 512, 0);
    // Each sector of the data area tells where it lies.
    for (std::uint64_t s = LdmBuilder::kDataStart; s < kSectors - LdmBuilder::kConfigSectors; ++s) {
      image[s * 512] = static_cast<std::uint8_t>(i + 1);
      std::memcpy(&image[s * 512 + 8], &s, 8);
    }
    builder.WriteDisk(image, guids[i]);
    paths.push_back(qm::MakeSparseImage("collect_dynamic" + std::to_string(i) + ".img", image.size()));
    qm::WriteFileBytes(paths.back(), 0, image);
    digests.push_back(FileDigest(paths.back()));
    indexes.push_back(qm::AddDiskOverride(paths.back().string()));
  }
  if (indexes[1] > CDiskDevice::kMaxDiskIndex) {
    qm::ClearDiskOverrides();
    GTEST_SKIP() << "too many machine disks";
  }
  {
    LogLines log;
    DiskList disks;
    CollectDisks(disks);
    VolumeList volumes;
    CollectAllBasicPartitionandDynamicVolume(disks, volumes);
    std::vector<const DeviceListItem*> dynamic;
    for (const auto& item : volumes)
      if (item.kind == kDeviceKindDynamic) dynamic.push_back(&item);
    ASSERT_EQ(dynamic.size(), 3u);

    const std::uint64_t wantExtents[] = {1, 2, kMaxDeviceListExtents};
    for (std::size_t v = 0; v < dynamic.size(); ++v) {
      const DeviceListItem& item = *dynamic[v];
      SCOPED_TRACE(v);
      std::size_t n = 0;
      while (n < kMaxDeviceListExtents && item.extents[n].disk) ++n;
      EXPECT_EQ(n, wantExtents[v]);
      // Every extent names the disk sectors that hold the volume's piece.
      std::uint64_t volumeSector = 0;
      for (std::size_t e = 0; e < n; ++e) {
        const DeviceExtent& extent = item.extents[e];
        std::vector<std::uint8_t> viaVolume(512), viaDisk(512);
        ASSERT_TRUE(item.device->ReadSectors(viaVolume.data(), volumeSector, 1));
        ASSERT_TRUE(extent.disk->ReadSectors(viaDisk.data(), extent.startSector, 1));
        EXPECT_EQ(viaVolume, viaDisk) << "extent " << e;
        volumeSector += extent.sectorCount;
      }
      EXPECT_EQ(item.driveLetter, 0);
      EXPECT_EQ(item.fileSystemType, 7);
      EXPECT_LT(std::strlen(item.description), kDeviceDescriptionSize);
    }
    // The spanned volume: its two disks, one line each, no trailing line feed.
    const DeviceListItem& two = *dynamic[1];
    EXPECT_NE(two.extents[0].disk, two.extents[1].disk);
    EXPECT_EQ(std::string(two.description),
              qm::DiskText(two.extents[0].disk) + "\n" + qm::DiskText(two.extents[1].disk));
    EXPECT_EQ(dynamic[0]->extents[0].sectorCount, 200u);

    const int begin =
        log.Find("-----------------------------begin collect dynamic volume-----------------------------------");
    ASSERT_GE(begin, 0);
    EXPECT_EQ(log.Find("DriverLetter   FileSystem   DynamicVolumeType   TotalSectors       VolumeLabel      "
                       "ParentDiskInfo"),
              begin + 1);
    char row[1024];
    std::snprintf(row, sizeof row, "%c  %16s  %16s  %16llu  %20s  %50s", '*', "UNKNOWN", "SIMPLE", 200ull, "",
                  dynamic[0]->description);
    EXPECT_EQ(log.Find(row), begin + 2) << row;
    EXPECT_EQ(log.Find("-----------------------------end collect dynamic volume-------------------------------------"),
              begin + 5);
  }
  qm::ClearDiskOverrides();
  for (int i = 0; i < 2; ++i) EXPECT_EQ(FileDigest(paths[i]), digests[i]);
}

TEST(CollectFloppyDiskDevice, NoFloppyDriveGivesNoItems) {
  const auto a = qm::FindVolume('A');
  if (a && a->isFloppy) GTEST_SKIP() << "this machine has a floppy drive";
  VolumeList volumes;
  CollectFloppyDiskDevice(volumes);
  EXPECT_TRUE(volumes.empty());
}

// ------------------------------------------------------------ list rules

DeviceListItem Item(char letter, std::uint64_t tag = 0) {
  DeviceListItem item;
  item.driveLetter = letter;
  item.extents[0].startSector = tag; // tells equal letters apart
  return item;
}

std::string Letters(const VolumeList& volumes) {
  std::string text;
  for (const auto& item : volumes) text += item.driveLetter ? item.driveLetter : '-';
  return text;
}

TEST(SortVolumeList, LettersFirstThenTheRestInCollectedOrder) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""}, {"---", "---"}, {"DC", "CD"}, {"-D-C", "CD--"}, {"E-C-D", "CDE--"}, {"C", "C"}, {"-", "-"},
  };
  for (const auto& c : cases) {
    VolumeList volumes;
    std::uint64_t tag = 0;
    for (const char* p = c.in; *p; ++p) volumes.push_back(Item(*p == '-' ? 0 : *p, tag++));
    qm::SortVolumeList(volumes);
    EXPECT_EQ(Letters(volumes), c.out) << c.in;
    // Items without a letter (and equal letters) keep their order.
    std::uint64_t last = 0;
    bool first = true;
    for (const auto& item : volumes) {
      if (item.driveLetter) continue;
      if (!first) {
        EXPECT_GT(item.extents[0].startSector, last) << c.in;
      }
      last = item.extents[0].startSector;
      first = false;
    }
  }
  VolumeList same;
  for (std::uint64_t tag : {5, 3, 9}) same.push_back(Item('F', tag));
  qm::SortVolumeList(same);
  EXPECT_EQ(same[0].extents[0].startSector, 5u);
  EXPECT_EQ(same[1].extents[0].startSector, 3u);
  EXPECT_EQ(same[2].extents[0].startSector, 9u);
}

class LetterRules : public ::testing::Test {
protected:
  // Disk numbers only are used here; the disks need not open.
  CDiskDevice disk18_{18}, disk19_{19}, far1_{25}, far2_{26};

  DeviceListItem On(char letter, CDiskDevice* disk, std::uint64_t start, std::uint64_t count,
                    CDiskDevice* disk2 = nullptr, std::uint64_t start2 = 0, std::uint64_t count2 = 0) {
    DeviceListItem item;
    item.driveLetter = letter;
    item.extents[0] = {start, count, disk};
    if (disk2) item.extents[1] = {start2, count2, disk2};
    return item;
  }
};

TEST_F(LetterRules, FindVolumeByLetterGivesTheFirstWithIt) {
  VolumeList volumes;
  volumes.push_back(On(0, &disk18_, 0, 10));
  volumes.push_back(On('E', &disk18_, 100, 10));
  volumes.push_back(On('E', &disk19_, 100, 10));
  EXPECT_EQ(FindVolumeByLetter('E', volumes), &volumes[1]);
  EXPECT_EQ(FindVolumeByLetter('F', volumes), nullptr);
  EXPECT_EQ(FindVolumeByLetter('E', *std::make_unique<VolumeList>()), nullptr);
}

TEST_F(LetterRules, VolumeMatchesLetter) {
  VolumeList volumes;
  volumes.push_back(On('E', &disk18_, 1000, 500));
  volumes.push_back(On('G', &disk19_, 0, 100, &disk18_, 4000, 100)); // two extents
  volumes.push_back(On('H', &far1_, 0, 100));

  const struct {
    const char* name;
    DeviceListItem item;
    char letter;
    int want;
  } cases[] = {
      {"own letter", On('E', &disk18_, 0, 1), 'E', 1},
      {"another letter even when overlapping", On('F', &disk18_, 1000, 500), 'E', 0},
      {"no letter, overlaps at the end", On(0, &disk18_, 1499, 10), 'E', 1},
      {"no letter, overlaps at the start", On(0, &disk18_, 990, 11), 'E', 1},
      {"no letter, just before", On(0, &disk18_, 990, 10), 'E', 0},
      {"no letter, just after", On(0, &disk18_, 1500, 10), 'E', 0},
      {"no letter, inside, other disk", On(0, &disk19_, 1000, 500), 'E', 0},
      {"no letter, second extent of the lettered volume", On(0, &disk18_, 4050, 1), 'G', 1},
      {"no letter, second extent of its own", On(0, &disk19_, 0, 0, &disk18_, 1200, 1), 'E', 1},
      {"no letter, no volume of that letter", On(0, &disk18_, 1000, 500), 'Z', 0},
      {"no letter, no extents", DeviceListItem{}, 'E', 0},
      {"empty extent inside", On(0, &disk18_, 1200, 0), 'E', 0},
      // Disks past the numbered range carry no number: they are not taken
      // for one another.
      {"no letter, another unnumbered disk", On(0, &far2_, 0, 100), 'H', 0},
      {"no letter, the same unnumbered disk", On(0, &far1_, 50, 100), 'H', 1},
  };
  for (const auto& c : cases) EXPECT_EQ(VolumeMatchesLetter(c.item, c.letter, volumes), c.want) << c.name;

  DeviceListItem image = On('E', &disk18_, 1000, 500);
  image.sourceFlag = 1;
  EXPECT_EQ(VolumeMatchesLetter(image, 'E', volumes), 0);
  EXPECT_EQ(VolumeMatchesLetter(On(0, &disk18_, 1000, 1), 'E', volumes), 1);

  // A count that reaches past the end of the sector range does not wrap.
  VolumeList huge;
  huge.push_back(On('E', &disk18_, ~0ull - 10, ~0ull));
  EXPECT_EQ(VolumeMatchesLetter(On(0, &disk18_, 5, 10), 'E', huge), 0);
  EXPECT_EQ(VolumeMatchesLetter(On(0, &disk18_, ~0ull - 5, 1), 'E', huge), 1);
}

} // namespace
