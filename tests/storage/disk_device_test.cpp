#include "storage/disk_device.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/byte_view.h"
#include "platform/disk_table.h"
#include "platform/fault_handle.h"
#include "storage/image_file_device.h"
#include "storage/volume_device.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace {

// An image file standing as a disk through the override list, opened
// through a fault-injecting handle that every reopen shares.
struct OverrideDisk {
  std::filesystem::path path;
  std::shared_ptr<qm::FaultPlan> plan = std::make_shared<qm::FaultPlan>();
  int index = -1;

  OverrideDisk(const std::string& name, std::uint64_t sectors) {
    path = qm::MakeSparseImage(name, sectors * 512);
    qm::WriteFileBytes(path, 0, qm::MakePatternBytes(64, 512));
    auto plan_ = plan;
    auto path_ = path.string();
    index = qm::AddDiskOverride(path_, [plan_, path_](int& error) -> std::unique_ptr<qm::IDeviceHandle> {
      auto inner = qm::OpenDeviceFile(path_, error);
      if (!inner) return nullptr;
      return std::make_unique<qm::FaultInjectingHandle>(std::move(inner), plan_);
    });
  }
  ~OverrideDisk() { qm::ClearDiskOverrides(); }
};

TEST(DiskDevice, OpensAnOverrideAndReadsIt) {
  OverrideDisk disk("disk_plain.img", 20000);
  CDiskDevice device(disk.index);
  ASSERT_EQ(device.IsOpen(), 1);
  EXPECT_EQ(device.GetSectorSize(), 512);
  EXPECT_EQ(device.GetSectorCount(), 20000u);
  EXPECT_EQ(device.GetDiskNumber(), disk.index);
  EXPECT_EQ(device.GetMediaType(), qm::kMediaTypeFixed);
  EXPECT_EQ(device.GetTracksPerCylinder(), 255);
  EXPECT_EQ(device.IsDynamic(), 0);
  std::vector<std::uint8_t> out(3 * 512);
  ASSERT_EQ(device.ReadSectors(out.data(), 5, 3), 1);
  const auto expected = qm::MakePatternBytes(64, 512);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin() + 5 * 512));
  EXPECT_EQ(device.ReadSectors(out.data(), 0, 0), 1);
}

TEST(DiskDevice, IndicesOutsideTheTableNeverOpen) {
  for (int index : {-1, 20, 21, 1000}) {
    CDiskDevice device(index);
    EXPECT_EQ(device.IsOpen(), 0) << index;
    EXPECT_EQ(device.GetSectorCount(), 0u);
    EXPECT_EQ(device.GetMediaType(), 255);
    std::vector<std::uint8_t> out(512, 0xEE);
    EXPECT_EQ(device.ReadSectors(out.data(), 0, 1), 0);
    EXPECT_EQ(out[0], 0) << "a closed device fills zeros";
  }
  EXPECT_EQ(CDiskDevice(20).GetDiskNumber(), 20);
  EXPECT_EQ(CDiskDevice(21).GetDiskNumber(), -1);
  EXPECT_EQ(CDiskDevice(-1).GetDiskNumber(), -1);
}

TEST(DiskDevice, NotReadyReopensAtMostThreeTimesClosingTheOldHandle) {
  OverrideDisk disk("disk_not_ready.img", 20000);
  CDiskDevice device(disk.index);
  ASSERT_EQ(disk.plan->opens, 1);
  std::vector<std::uint8_t> out(512);

  // Two not-ready reads: two reopens, the third attempt reads.
  disk.plan->notReadyReads = 2;
  EXPECT_EQ(device.ReadSectors(out.data(), 1, 1), 1);
  EXPECT_EQ(disk.plan->opens, 3);
  EXPECT_EQ(disk.plan->maxLiveHandles, 1) << "the old handle is closed before the reopen";
  EXPECT_TRUE(device.GetSectorReader().GetRanges().empty()) << "not ready is no bad area";

  // Not ready for good: three reopens, then failure; the counter then stays
  // at its limit, so the next call does not reopen again.
  disk.plan->notReadyReads = 100;
  EXPECT_EQ(device.ReadSectors(out.data(), 1, 1), 0);
  EXPECT_EQ(disk.plan->opens, 6);
  EXPECT_EQ(device.ReadSectors(out.data(), 1, 1), 0);
  EXPECT_EQ(disk.plan->opens, 6);
  EXPECT_EQ(disk.plan->liveHandles, 1);

  // The device comes back: a good read resets the counter.
  disk.plan->notReadyReads = 0;
  EXPECT_EQ(device.ReadSectors(out.data(), 1, 1), 1);
  disk.plan->notReadyReads = 1;
  EXPECT_EQ(device.ReadSectors(out.data(), 1, 1), 1);
  EXPECT_EQ(disk.plan->opens, 7);
}

TEST(DiskDevice, SectorCountFromGeometryLengthAndCapacity) {
  qm::DiskGeometry geometry;
  geometry.cylinders = 1000;
  geometry.tracksPerCylinder = 255;
  geometry.sectorsPerTrack = 63;
  geometry.bytesPerSector = 512;
  geometry.mediaType = qm::kMediaTypeRemovable;
  const std::uint64_t geometryCount = 1000ull * 255 * 63;
  const std::uint64_t cylinder = 255 * 63;
  struct Case {
    bool lengthFails;
    std::optional<std::uint64_t> cap0, cap1;
    std::uint64_t expected;
  } cases[] = {
      {false, {}, {}, 0},
      {true, {}, {}, geometryCount},
      {true, geometryCount + 100, {}, geometryCount + 100},
      {true, geometryCount + cylinder, {}, geometryCount},         // one cylinder more is too far
      {true, {}, geometryCount + 5, geometryCount + 5},
      {true, geometryCount + 7, geometryCount + 7, geometryCount + 7},
      {true, geometryCount - 1, geometryCount + 9, geometryCount + 9},
  };
  for (const Case& c : cases) {
    OverrideDisk disk("disk_count.img", 20000);
    disk.plan->geometry = geometry;
    disk.plan->lengthFails = c.lengthFails;
    disk.plan->capacity[0] = c.cap0;
    disk.plan->capacity[1] = c.cap1;
    CDiskDevice device(disk.index);
    // A length below the geometry's count is not taken: the geometry holds.
    const std::uint64_t expected = c.lengthFails ? c.expected : geometryCount;
    EXPECT_EQ(device.GetSectorCount(), expected);
    EXPECT_EQ(device.GetMediaType(), qm::kMediaTypeRemovable);
  }
  // A length at or above the geometry's count wins.
  OverrideDisk big("disk_count_big.img", geometryCount + 5000);
  big.plan->geometry = geometry;
  CDiskDevice device(big.index);
  EXPECT_EQ(device.GetSectorCount(), geometryCount + 5000);
}

TEST(DiskDevice, CapacitySelectionRule) {
  const std::uint64_t g = 1000, cyl = 100;
  struct Case {
    std::uint64_t a0, a1, expected;
  } cases[] = {{0, 0, g},        {1050, 1050, 1050}, {1100, 1100, g}, {1000, 1000, g},  {1050, 0, 1050},
               {0, 1050, 1050},  {1200, 1050, 1050}, {1040, 1060, 1040}, {999, 1001, 1001}, {5000, 6000, g}};
  for (const Case& c : cases) EXPECT_EQ(qm::SelectCapacityCount(g, cyl, c.a0, c.a1), c.expected) << c.a0 << "," << c.a1;
}

TEST(DiskDevice, A4096ByteSectorDiskAndItsView) {
  OverrideDisk disk("disk_4k.img", 8 * 1000);
  disk.plan->sectorSize = 4096;
  CDiskDevice device(disk.index);
  EXPECT_EQ(device.GetSectorSize(), 4096);
  EXPECT_EQ(device.GetSectorCount(), 1000u);
  IStorageDevice* view = device.Get512ByteSectorDevice();
  ASSERT_NE(view, &device);
  EXPECT_EQ(view->GetSectorCount(), 8000u);
  std::vector<std::uint8_t> out(3 * 512);
  ASSERT_EQ(view->ReadSectors(out.data(), 7, 3), 1);
  const auto expected = qm::MakePatternBytes(64, 512);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin() + 7 * 512));
}

TEST(DiskDescription, TextCuttingAndBusTexts) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"ATA     ", "ATA "}, {"WDC WD10EZEX-00B", "WDC WD10EZEX-00B"}, {"Samsung SSD  860", "Samsung SSD "},
               {"   WD-WCC4E1234567", "WD-WCC4E1234567"}, {" X", "X"}, {"", ""}, {"    ", ""}};
  for (const Case& c : cases) EXPECT_EQ(qm::TrimDescriptionText(c.in), c.out) << '"' << c.in << '"';
  EXPECT_STREQ(qm::BusTypeText(7), "USB Device");
  EXPECT_STREQ(qm::BusTypeText(3), "ATA Bus");
  EXPECT_STREQ(qm::BusTypeText(8), "RAID Disk Device");
  EXPECT_STREQ(qm::BusTypeText(9), "");
  EXPECT_STREQ(qm::BusTypeText(0), "");

  OverrideDisk disk("described.img", 100);
  CDiskDevice device(disk.index);
  DiskDescription description;
  ASSERT_EQ(GetDiskDescription(&device, &description), 1);
  EXPECT_EQ(description.busType, 15);
  EXPECT_STREQ(description.product, "described.img");
  EXPECT_STREQ(description.busText, "");
  CDiskDevice missing(19);
  if (missing.GetDiskNumber() >= static_cast<int>(qm::ListDisks().size())) {
    EXPECT_EQ(GetDiskDescription(&missing, &description), 0);
    EXPECT_EQ(description.busType, 0);
    EXPECT_STREQ(description.vendor, "");
  }
}

TEST(DiskTable, SysfsPathsMountsAndLayouts) {
  EXPECT_EQ(qm::BusTypeFromSysfsPath("/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb"), 7);
  EXPECT_EQ(qm::BusTypeFromSysfsPath("/sys/devices/pci0000:00/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0/block/sda"), 3);
  EXPECT_EQ(qm::BusTypeFromSysfsPath("/sys/devices/pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0/nvme0n1"), 17);
  EXPECT_EQ(qm::BusTypeFromSysfsPath("/sys/devices/virtual/block/loop0"), 15);
  const std::string mountinfo =
      "22 28 0:21 / /proc rw,relatime - proc proc rw\n"
      "30 28 8:17 / /media/my\\040stick rw - vfat /dev/sdb1 rw\n"
      "31 28 0:50 / /mnt/img rw - ext4 /dev/loop3 rw\n";
  EXPECT_EQ(qm::FindMountPoint(mountinfo, 8, 17, "/dev/sdb1"), "/media/my stick");
  EXPECT_EQ(qm::FindMountPoint(mountinfo, 7, 3, "/dev/loop3"), "/mnt/img");
  EXPECT_EQ(qm::FindMountPoint(mountinfo, 8, 18, "/dev/sdb2"), "");

  // Every machine volume's letter leads back to it; overrides follow them.
  const auto volumes = qm::ListVolumes();
  char last = 'B';
  for (const auto& volume : volumes) {
    if (volume.isFloppy) continue;
    EXPECT_GT(volume.letter, last);
    last = volume.letter;
    if (volume.diskIndex >= 0 && volume.partitionNumber > 0) {
      EXPECT_EQ(qm::FindVolumeLetter(volume.diskIndex, volume.startByte), volume.letter);
    }
  }

  OverrideDisk disk("layout.img", 100);
  CDiskDevice device(disk.index);
  void* layout = nullptr;
  ASSERT_EQ(device.QueryLayoutBuffer(&layout, kQueryDriveLayoutEx), 1);
  EXPECT_EQ(qm::ByteView(layout, qm::kLayoutHeaderSize).le32(0), 0u) << "an image has no partitions of its own here";
  MemFree(layout);
  EXPECT_EQ(device.QueryLayoutBuffer(&layout, 1234), 0);
}

TEST(VolumeDevice, AnOverrideVolumeReadsAndCountsEverySector) {
  // 20001 sectors: not a whole number of cylinders.
  const auto path = qm::MakeSparseImage("volume.img", 20001 * 512);
  qm::WriteFileBytes(path, 0, qm::MakePatternBytes(16, 512));
  const char letter = qm::AddVolumeOverride(path.string());
  ASSERT_NE(letter, 0);
  CVolumeDevice volume(static_cast<char>(letter - 'A' + 'a'));
  ASSERT_EQ(volume.IsOpen(), 1);
  EXPECT_EQ(volume.GetSectorSize(), 512);
  EXPECT_EQ(volume.GetSectorCount(), 20001u);
  EXPECT_EQ(volume.GetMediaType(), qm::kMediaTypeFixed);
  EXPECT_EQ(volume.GetFreeSpace(), 0) << "not mounted";
  std::vector<std::uint8_t> out(512);
  ASSERT_EQ(volume.ReadSectors(out.data(), 3, 1), 1);
  const auto expected = qm::MakePatternBytes(16, 512);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin() + 3 * 512));
  qm::ClearVolumeOverrides();

  CVolumeDevice bad('1');
  EXPECT_EQ(bad.IsOpen(), 0);
  EXPECT_EQ(bad.GetSectorCount(), 0u);
  EXPECT_EQ(bad.GetMediaType(), 0);
}

TEST(ImageFileDevice, PathsSizesAndShortReads) {
  const auto path = qm::ScratchPath("thousand.img");
  qm::MakeSparseImage("thousand.img", 1000);
  CImageFileDevice image(path.c_str());
  ASSERT_EQ(image.IsOpen(), 1);
  EXPECT_EQ(image.GetSectorCount(), 1u);
  std::vector<std::uint8_t> out(1024);
  EXPECT_EQ(image.ReadSectors(out.data(), 0, 1), 1);
  EXPECT_EQ(image.ReadSectors(out.data(), 1, 1), 0);
  EXPECT_EQ(image.ReadSectors(out.data(), 0, 2), 0);

  std::string tooLong(260, 'a');
  CImageFileDevice ignored(tooLong.c_str());
  EXPECT_STREQ(ignored.GetPath(), "");
  EXPECT_EQ(ignored.Open(), 0);
  CImageFileDevice empty("");
  EXPECT_EQ(empty.GetSectorCount(), 0u);
  EXPECT_EQ(empty.ReadSectors(out.data(), 0, 1), 0);
  CImageFileDevice none(nullptr);
  EXPECT_EQ(none.IsOpen(), 0);
}

// An image of a disk of 4096-byte sectors is read in its own sectors: its
// GPT header lies in the second 4096-byte sector.
TEST(ImageFileDevice, AnImageOfAGptDiskOf4096ByteSectors) {
  const auto path = qm::MakeSparseImage("gpt4k.img", 64 * 1024);
  const std::string signature = "EFI PART";
  const std::vector<std::uint8_t> header(signature.begin(), signature.end());
  qm::WriteFileBytes(path, 4096, header);
  EXPECT_EQ(qm::RawImageSectorSize(path.string()), 4096);
  CImageFileDevice image(path.c_str(), qm::RawImageSectorSize(path.string()));
  EXPECT_EQ(image.GetSectorSize(), 4096);
  EXPECT_EQ(image.GetSectorCount(), 16u);
  std::vector<std::uint8_t> sector(4096);
  ASSERT_EQ(image.ReadSectors(sector.data(), 1, 1), 1);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), sector.begin()));
  EXPECT_EQ(image.ReadSectors(sector.data(), 16, 1), 0);
  // A header at 512 is a disk of 512-byte sectors (a GPT of 4096-byte
  // sectors may follow as its backup or a copy); so is anything else.
  qm::WriteFileBytes(path, 512, header);
  EXPECT_EQ(qm::RawImageSectorSize(path.string()), 512);
  EXPECT_EQ(qm::RawImageSectorSize(qm::MakeSparseImage("plain4k.img", 64 * 1024).string()), 512);
  EXPECT_EQ(qm::RawImageSectorSize(qm::ScratchPath("absent.img").string()), 512);
  EXPECT_EQ(CImageFileDevice(path.c_str(), 1000).GetSectorSize(), 512);
}

TEST(ImageFileDevice, ReadingAWholeImageLeavesItUnchanged) {
  const auto path = qm::MakeSparseImage("untouched.img", 1 << 20);
  qm::WriteFileBytes(path, 12345, std::vector<std::uint8_t>(5000, 0x77));
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  const auto bytesBefore = qm::ReadFileBytes(path);

  CImageFileDevice image(path.c_str());
  const int index = qm::AddDiskOverride(path.string());
  CDiskDevice disk(index);
  std::vector<std::uint8_t> buffer(256 * 512);
  for (std::uint64_t s = 0; s < image.GetSectorCount(); s += 256) {
    ASSERT_EQ(image.ReadSectors(buffer.data(), s, 256), 1);
    ASSERT_EQ(disk.ReadSectors(buffer.data(), s, 256), 1);
  }
  image.Close();
  disk.Close();
  qm::ClearDiskOverrides();

  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(qm::ReadFileBytes(path), bytesBefore);
}

} // namespace
