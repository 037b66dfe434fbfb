// Finding the device of a saved scan again: volumes and disks by their
// disks' identities (image files made by sfdisk standing as disks), images
// by their paths, and the stored 1277-byte volume record.
#include "filemodel/scan_state_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "platform/disk_table.h"
#include "storage/device_identity.h"
#include "storage/device_list_item_record.h"
#include "storage/disk_device.h"
#include "storage/image_file_device.h"
#include "storage/image_volumes.h"
#include "support/memory_stream.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;

TEST(DeviceListItemRecord, FieldsAtTheirOffsetsAndPointersNeverStored) {
  CDiskDevice* fakeDisk = reinterpret_cast<CDiskDevice*>(std::uintptr_t{0x1234567890});
  DeviceListItem item;
  item.kind = kDeviceKindDynamic;
  item.fileSystemType = 3;
  item.driveLetter = 'E';
  std::strcpy(item.volumeLabel, "Data");
  item.usbFlag = 1;
  item.extents[0] = {2048, 1000, fakeDisk};
  item.extents[1] = {0, 77, fakeDisk}; // a member at the disk's start
  std::strcpy(item.description, "Vendor  Product  USB");

  std::array<std::uint8_t, kDeviceListItemSize> bytes{};
  ASSERT_TRUE(qm::EncodeDeviceListItem(item, bytes));
  EXPECT_EQ(bytes[8], 1);
  EXPECT_EQ(bytes[12], 3);
  EXPECT_EQ(bytes[16], 'E');
  EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[17]), "Data");
  EXPECT_EQ(bytes[121], 1);
  EXPECT_EQ(bytes[125], 0x00);
  EXPECT_EQ(bytes[126], 0x08); // 2048
  EXPECT_EQ(bytes[125 + 20 + 8], 77);
  for (int slot : {4, 125 + 16, 125 + 20 + 16})
    EXPECT_EQ(bytes[slot], 0) << slot; // no address is kept
  EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[765]), "Vendor  Product  USB");

  std::size_t extents = 0;
  DeviceListItem back = qm::DecodeDeviceListItem(bytes, &extents);
  EXPECT_EQ(extents, 2u);
  EXPECT_EQ(back.extents[1].sectorCount, 77u);
  EXPECT_EQ(back.extents[0].disk, nullptr);
  EXPECT_STREQ(back.volumeLabel, "Data");

  // A record of the 32-bit program: an extent is there when its disk
  // pointer is, even with a count of 0.
  bytes[125 + 40 + 16] = 0x10;
  qm::DecodeDeviceListItem(bytes, &extents);
  EXPECT_EQ(extents, 3u);

  DeviceListItem image;
  image.sourceFlag = 1;
  image.imagePath = "/home/u/disk.img";
  ASSERT_TRUE(qm::EncodeDeviceListItem(image, bytes));
  EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[280]), "/home/u/disk.img");
  EXPECT_EQ(qm::DecodeDeviceListItem(bytes, &extents).imagePath, image.imagePath);
  EXPECT_EQ(extents, 0u);
  image.imagePath = std::string(300, 'a');
  EXPECT_FALSE(qm::EncodeDeviceListItem(image, bytes));
  // Hostile: no terminator in the path field.
  std::memset(&bytes[280], 'b', 997);
  EXPECT_EQ(qm::DecodeDeviceListItem(bytes, &extents).imagePath.size(), 259u);
}

// Two disks (image files made by sfdisk, two partitions each) that differ
// only in their disk signatures.
class SavedTargets : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    images_ = qm::MakeImagesWithTools(
        {{"state_disk_a.img", "printf 'label: dos\\nlabel-id: 0x11111111\\nstart=2048,size=4096,type=83\\n"
                              "start=8192,size=4096,type=83\\n' | sfdisk -q %s"},
         {"state_disk_b.img", "printf 'label: dos\\nlabel-id: 0x22222222\\nstart=2048,size=4096,type=83\\n"
                              "start=8192,size=4096,type=83\\n' | sfdisk -q %s"}},
        16ull << 20);
  }
  void SetUp() override {
    for (const auto& image : images_)
      ASSERT_FALSE(image.empty()) << "sfdisk failed";
    qm::ClearDiskOverrides();
    if (qm::ListDisks().size() + 2 > CDiskDevice::kMaxDiskIndex + 1) GTEST_SKIP() << "too many machine disks";
  }
  void TearDown() override { qm::ClearDiskOverrides(); }

  // The machine's disks with the two images added in the given order.
  void Collect(bool bFirst) {
    volumes_.clear();
    disks_.clear();
    qm::ClearDiskOverrides();
    qm::AddDiskOverride((bFirst ? images_[1] : images_[0]).string());
    qm::AddDiskOverride((bFirst ? images_[0] : images_[1]).string());
    CollectDisks(disks_);
    CollectAllBasicPartitionandDynamicVolume(disks_, volumes_);
  }
  DeviceListItem* SecondPartitionOf(int image) {
    const qm::DeviceIdentity wanted = Identity(image);
    for (auto& item : volumes_)
      if (item.extents[0].disk != nullptr && item.extents[0].startSector == 8192 &&
          qm::MakeDiskIdentity(*item.extents[0].disk) == wanted)
        return &item;
    return nullptr;
  }
  qm::DeviceIdentity Identity(int image) {
    for (auto& disk : disks_) {
      std::vector<std::uint8_t> sector(512);
      disk->ReadSectors(sector.data(), 0, 1);
      if (sector[440] == (image == 0 ? 0x11 : 0x22)) return qm::MakeDiskIdentity(*disk);
    }
    return {};
  }

  static std::vector<fs::path> images_;
  DiskList disks_;
  VolumeList volumes_;
};
std::vector<fs::path> SavedTargets::images_;

TEST_F(SavedTargets, AVolumeIsFoundAgainByItsDisksIdentityWhateverItsNumber) {
  Collect(false);
  DeviceListItem* target = SecondPartitionOf(1);
  ASSERT_NE(target, nullptr);
  qm::test::MemoryStream stream;
  ASSERT_EQ(CScanStateStore::SaveSearchRecord(*target, &stream), 1);
  EXPECT_EQ(stream.bytes.size(), kDeviceListItemSize + qm::kDeviceIdentitySize);
  const auto saved = stream.bytes;

  // Another start: the disks are numbered the other way round.
  Collect(true);
  VolumeList images;
  stream.readPosition = 0;
  DeviceListItem* found = CScanStateStore::LoadSearchRecord(&stream, volumes_, images);
  EXPECT_EQ(found, SecondPartitionOf(1));
  ASSERT_NE(found, nullptr);
  EXPECT_NE(found, SecondPartitionOf(0));
  EXPECT_TRUE(images.empty());

  // A disk whose first sector changed outside its partition table is another
  // disk; the table itself is left out (a rewritten table is no other disk).
  qm::test::MemoryStream changed;
  changed.bytes = saved;
  changed.bytes[kDeviceListItemSize + qm::kIdentitySectorOffset + 100] ^= 1;
  EXPECT_EQ(CScanStateStore::LoadSearchRecord(&changed, volumes_, images), nullptr);
  const auto identity = qm::MakeDiskIdentity(*found->extents[0].disk);
  EXPECT_TRUE(std::all_of(identity.begin() + qm::kIdentityTableOffset,
                          identity.begin() + qm::kIdentityTableOffset + qm::kIdentityTableSize,
                          [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(identity[qm::kIdentitySectorOffset + 510], 0x55);
  // Another extent start is another volume.
  changed.bytes = saved;
  changed.readPosition = 0;
  changed.bytes[125] ^= 1;
  EXPECT_EQ(CScanStateStore::LoadSearchRecord(&changed, volumes_, images), nullptr);
  // Cut short: a stream error, passed on.
  qm::test::MemoryStream cut;
  cut.bytes.assign(saved.begin(), saved.end() - 1);
  EXPECT_THROW(CScanStateStore::LoadSearchRecord(&cut, volumes_, images), IRSException);
}

// A volume of a disk image is kept with its window: found again it reads
// the same sectors of the image, never the whole image.
TEST_F(SavedTargets, AVolumeOfAnImageIsFoundAgainThroughItsWindow) {
  auto image = std::shared_ptr<IStorageDevice>(std::make_unique<CImageFileDevice>(images_[0].c_str()));
  VolumeList listed = qm::ImageVolumes(image, images_[0].string(), images_[0].filename().string());
  ASSERT_EQ(listed.size(), 2u);
  DeviceListItem& second = listed[1];
  EXPECT_EQ(second.imageStart, 8192u);
  EXPECT_EQ(second.imageSectors, 4096u);
  qm::test::MemoryStream stream;
  ASSERT_EQ(CScanStateStore::SaveSearchRecord(second, &stream), 1);
  EXPECT_EQ(stream.bytes.size(), kDeviceListItemSize);

  VolumeList none, images;
  stream.readPosition = 0;
  DeviceListItem* found = CScanStateStore::LoadSearchRecord(&stream, none, images);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->imagePath, images_[0].string());
  ASSERT_NE(found->device, nullptr);
  EXPECT_EQ(found->device->GetSectorCount(), 4096u);
  std::vector<std::uint8_t> a(512), b(512);
  ASSERT_TRUE(found->device->ReadSectors(a.data(), 0, 1));
  ASSERT_TRUE(image->ReadSectors(b.data(), 8192, 1));
  EXPECT_EQ(a, b);
  // Once open, the same volume is not opened twice; the other one is.
  stream.readPosition = 0;
  EXPECT_EQ(CScanStateStore::LoadSearchRecord(&stream, none, images), found);
  qm::test::MemoryStream first;
  ASSERT_EQ(CScanStateStore::SaveSearchRecord(listed[0], &first), 1);
  DeviceListItem* other = CScanStateStore::LoadSearchRecord(&first, none, images);
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, found);
  EXPECT_EQ(other->imageStart, 2048u);
  // A window that no longer lies inside its image is no volume.
  stream.bytes[qm::kItemImageStartOffset + 3] = 0x40;
  stream.readPosition = 0;
  VolumeList fresh;
  EXPECT_EQ(CScanStateStore::LoadSearchRecord(&stream, none, fresh), nullptr);
}

TEST_F(SavedTargets, DiskRecordsAndImagesFoundAgain) {
  Collect(false);
  std::vector<std::unique_ptr<CScanStateRecord>> records;
  for (auto& disk : disks_) {
    auto record = std::make_unique<CScanStateRecord>();
    record->disk = disk.get();
    record->device = disk.get();
    records.push_back(std::move(record));
  }
  CDiskDevice* wanted = nullptr;
  for (auto& disk : disks_)
    if (qm::MakeDiskIdentity(*disk) == Identity(0)) wanted = disk.get();
  ASSERT_NE(wanted, nullptr);
  CScanStateRecord chosen;
  chosen.disk = wanted;
  qm::test::MemoryStream stream;
  ASSERT_EQ(CScanStateStore::SaveRecord(chosen, &stream), 1);
  EXPECT_EQ(stream.bytes.size(), qm::kScanStateRecordSize + qm::kDeviceIdentitySize);
  std::vector<std::unique_ptr<CScanStateRecord>> images;
  CScanStateRecord* found = CScanStateStore::LoadRecords(&stream, records, images);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->disk, wanted);

  // An image record: opened once, then the open one is reused.
  CScanStateRecord image;
  image.SetKind(1);
  ASSERT_TRUE(image.SetImagePath(images_[1].string()));
  qm::test::MemoryStream imageStream;
  ASSERT_EQ(CScanStateStore::SaveRecord(image, &imageStream), 1);
  EXPECT_EQ(imageStream.bytes.size(), qm::kScanStateRecordSize);
  CScanStateRecord* opened = CScanStateStore::LoadRecords(&imageStream, records, images);
  ASSERT_NE(opened, nullptr);
  ASSERT_NE(opened->device, nullptr);
  EXPECT_EQ(opened->device->GetSectorCount(), (16u << 20) / 512);
  imageStream.readPosition = 0;
  EXPECT_EQ(CScanStateStore::LoadRecords(&imageStream, records, images), opened);
  EXPECT_EQ(images.size(), 1u);
  // A missing image gives nothing; an entry of kind 2 never matches.
  ASSERT_TRUE(image.SetImagePath("/nonexistent/gone.img"));
  qm::test::MemoryStream gone;
  CScanStateStore::SaveRecord(image, &gone);
  EXPECT_EQ(CScanStateStore::LoadRecords(&gone, records, images), nullptr);
  image.SetKind(2);
  qm::test::MemoryStream never;
  CScanStateStore::SaveRecord(image, &never);
  EXPECT_EQ(CScanStateStore::LoadRecords(&never, records, images), nullptr);

  // A volume item of an image.
  DeviceListItem imageItem;
  imageItem.sourceFlag = 1;
  imageItem.imagePath = images_[0].string();
  qm::test::MemoryStream itemStream;
  ASSERT_EQ(CScanStateStore::SaveSearchRecord(imageItem, &itemStream), 1);
  VolumeList imageItems;
  DeviceListItem* item = CScanStateStore::LoadSearchRecord(&itemStream, volumes_, imageItems);
  ASSERT_NE(item, nullptr);
  ASSERT_NE(item->device, nullptr);
  EXPECT_EQ(item->imagePath, images_[0].string());
}

} // namespace

#include "filemodel/state_variant.h"
#include "support/memory_device.h"

namespace {

TEST(StateVariant, EachKindAnswersOnlyForItself) {
  qm::MemoryDevice disk(std::uint64_t{16}, 512), volume(std::uint64_t{8}, 512), window(std::uint64_t{4}, 512);
  CScanStateRecord record;
  record.device = &disk;
  DeviceListItem item;
  item.device = std::make_unique<qm::MemoryDevice>(std::uint64_t{8}, 512);
  CSearchedPartitionInfo partition;

  const StateVariant none;
  EXPECT_EQ(none.GetKind0(), nullptr);
  EXPECT_EQ(none.GetValue(), nullptr);
  const StateVariant ofDisk(&record), ofVolume(&item), ofPartition(&partition, &window);
  EXPECT_EQ(ofDisk.GetKind0(), &record);
  EXPECT_EQ(ofDisk.GetKind1(), nullptr);
  EXPECT_EQ(ofDisk.GetValue(), &disk);
  EXPECT_EQ(ofVolume.GetKind1(), &item);
  EXPECT_EQ(ofVolume.GetKind2(), nullptr);
  EXPECT_EQ(ofVolume.GetValue(), item.device.get());
  EXPECT_EQ(ofPartition.GetKind2(), &partition);
  EXPECT_EQ(ofPartition.GetKind0(), nullptr);
  EXPECT_EQ(ofPartition.GetValue(), &window);
}

} // namespace
