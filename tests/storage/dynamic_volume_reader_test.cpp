#include "storage/dynamic_volume_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ldm_test_builder.h"
#include "platform/disk_table.h"
#include "storage/disk_device.h"
#include "storage/dynamic_disk.h"
#include "storage/image_file_device.h"
#include "storage/volume_analyzer.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"
#include "support/sha256.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qm::MemoryDevice;
using qm::test::LdmBuilder;

constexpr std::uint64_t kDiskSectors = 4096;
constexpr std::uint64_t kData = LdmBuilder::kDataStart;

const char* const kGuids[] = {"c4ab6c3a-2c79-11d8-9a27-00e018c5e61e", "d1e2f3a4-2c79-11d8-9a27-00e018c5e61e",
                              "e5f6a7b8-2c79-11d8-9a27-00e018c5e61e"};

Bytes RandomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes out(n);
  for (auto& byte : out) byte = static_cast<std::uint8_t>(random());
  return out;
}

// A disk group of up to three disks that all carry the builder's database.
struct Group {
  LdmBuilder builder;
  std::vector<std::uint64_t> diskIds;
  std::vector<Bytes> images;

  explicit Group(int disks) {
    for (int i = 0; i < disks; ++i) {
      diskIds.push_back(builder.AddDisk(kGuids[i]));
      images.emplace_back(kDiskSectors * 512, 0);
    }
  }
  // Copies sectors of content into disk i at its data-area sector start.
  void Place(int disk, std::uint64_t start, const Bytes& content, std::uint64_t fromSector, std::uint64_t count) {
    std::memcpy(images[static_cast<std::size_t>(disk)].data() + (kData + start) * 512,
                content.data() + fromSector * 512, count * 512);
  }
  // The disks as devices; a disk not in `present` is left out of the list.
  std::vector<std::unique_ptr<MemoryDevice>> Devices() const {
    std::vector<std::unique_ptr<MemoryDevice>> devices;
    for (std::size_t i = 0; i < images.size(); ++i) {
      Bytes image = images[i];
      builder.WriteDisk(image, kGuids[i]);
      devices.push_back(std::make_unique<MemoryDevice>(std::move(image)));
    }
    return devices;
  }
};

std::vector<IStorageDevice*> Pointers(const std::vector<std::unique_ptr<MemoryDevice>>& devices,
                                      std::vector<int> present = {}) {
  std::vector<IStorageDevice*> out;
  for (std::size_t i = 0; i < devices.size(); ++i)
    if (present.empty() || std::find(present.begin(), present.end(), static_cast<int>(i)) != present.end())
      out.push_back(devices[i].get());
  return out;
}

Bytes ReadVolume(IStorageDevice& device, std::uint64_t sectors) {
  Bytes out(sectors * 512);
  EXPECT_EQ(device.ReadSectors(out.data(), 0, sectors), 1);
  return out;
}

TEST(DynamicVolumeReader, SimpleAndSpannedVolumesReadBackWhatWasPlaced) {
  Group group(2);
  const Bytes simple = RandomBytes(200 * 512, 1);
  const std::uint64_t v1 = group.builder.AddVolume("Volume1", 3, 200, 0x07, 1);
  const std::uint64_t k1 = group.builder.AddComponent(v1, 2, 1);
  group.builder.AddPartition(k1, group.diskIds[0], 100, 0, 200);
  group.Place(0, 100, simple, 0, 200);

  // Spanned over both disks; its pieces listed out of volume order.
  const Bytes spanned = RandomBytes(300 * 512, 2);
  const std::uint64_t v2 = group.builder.AddVolume("Volume2", 3, 300, 0x07, 1);
  const std::uint64_t k2 = group.builder.AddComponent(v2, 2, 2);
  group.builder.AddPartition(k2, group.diskIds[0], 400, 0, 200);
  group.builder.AddPartition(k2, group.diskIds[1], 50, 200, 100);
  group.Place(0, 400, spanned, 0, 200);
  group.Place(1, 50, spanned, 200, 100);

  const auto devices = group.Devices();
  DynamicVolumeList records;
  // Both disks carry the database: each volume is still listed once.
  ASSERT_EQ(CollectDynamicVolumes(Pointers(devices), records), 2u);
  EXPECT_STREQ(records[0]->typeName, "SIMPLE");
  EXPECT_EQ(records[0]->sectorCount, 200u);
  EXPECT_EQ(records[0]->fileSystemType, 7u);
  EXPECT_EQ(records[0]->driveLetter, 0); // not a dynamic disk of the machine
  EXPECT_EQ(ReadVolume(*records[0]->device, 200), simple);
  EXPECT_STREQ(records[1]->typeName, "SPANNED");
  EXPECT_EQ(records[1]->sectorCount, 300u);
  EXPECT_EQ(ReadVolume(*records[1]->device, 300), spanned);

  // The second disk alone: the simple volume is not on it and the spanned
  // one lacks its first piece (zeros), but is listed.
  DynamicVolumeList alone;
  ASSERT_EQ(CollectDynamicVolumes(Pointers(devices, {1}), alone), 1u);
  EXPECT_STREQ(alone[0]->typeName, "SPANNED");
  const Bytes read = ReadVolume(*alone[0]->device, 300);
  EXPECT_EQ(Bytes(read.begin(), read.begin() + 200 * 512), Bytes(200 * 512, 0));
  EXPECT_EQ(Bytes(read.begin() + 200 * 512, read.end()), Bytes(spanned.begin() + 200 * 512, spanned.end()));
}

TEST(DynamicVolumeReader, StripedVolumeTakesItsColumnsAndStripeFromTheDatabase) {
  Group group(3);
  constexpr std::uint64_t kStripe = 16, kColumn = 160;
  const Bytes volume = RandomBytes(3 * kColumn * 512, 3);
  const std::uint64_t v = group.builder.AddVolume("Stripes", 3, 3 * kColumn, 0x07, 1);
  const std::uint64_t k = group.builder.AddComponent(v, 1, 3, kStripe, 3);
  for (int column = 0; column < 3; ++column) {
    group.builder.AddPartition(k, group.diskIds[static_cast<std::size_t>(column)], 300, 0, kColumn,
                               static_cast<std::uint64_t>(column));
    for (std::uint64_t row = 0; row < kColumn / kStripe; ++row)
      group.Place(column, 300 + row * kStripe, volume, (row * 3 + static_cast<std::uint64_t>(column)) * kStripe,
                  kStripe);
  }
  const auto devices = group.Devices();
  DynamicVolumeList records;
  ASSERT_EQ(CollectDynamicVolumes(Pointers(devices), records), 1u);
  EXPECT_STREQ(records[0]->typeName, "STRIPPED");
  EXPECT_EQ(records[0]->sectorCount, 3 * kColumn);
  EXPECT_EQ(ReadVolume(*records[0]->device, 3 * kColumn), volume);
}

TEST(DynamicVolumeReader, MirrorWithOneCopyMissingReadsTheOther) {
  Group group(2);
  const Bytes volume = RandomBytes(120 * 512, 4);
  const std::uint64_t v = group.builder.AddVolume("Mirror", 3, 120, 0x07, 2);
  for (int copy = 0; copy < 2; ++copy) {
    const std::uint64_t k = group.builder.AddComponent(v, 2, 1);
    group.builder.AddPartition(k, group.diskIds[static_cast<std::size_t>(copy)], 10, 0, 120);
    group.Place(copy, 10, volume, 0, 120);
  }
  const auto devices = group.Devices();
  for (int present : {0, 1}) {
    DynamicVolumeList records;
    ASSERT_EQ(CollectDynamicVolumes(Pointers(devices, {present}), records), 1u) << present;
    EXPECT_STREQ(records[0]->typeName, "MIRROR");
    // As large as one copy.
    EXPECT_EQ(records[0]->sectorCount, 120u);
    EXPECT_EQ(ReadVolume(*records[0]->device, 120), volume);
  }
}

TEST(DynamicVolumeReader, Raid5VolumeReadsWithParityAndWithOneDiskMissing) {
  Group group(3);
  constexpr std::uint64_t kStripe = 16, kColumn = 96;
  const Bytes volume = RandomBytes(2 * kColumn * 512, 5);
  const std::uint64_t v = group.builder.AddVolume("Raid", 4, 2 * kColumn, 0x07, 1);
  const std::uint64_t k = group.builder.AddComponent(v, 3, 3, kStripe, 3);
  for (int column = 0; column < 3; ++column)
    group.builder.AddPartition(k, group.diskIds[static_cast<std::size_t>(column)], 500, 0, kColumn,
                               static_cast<std::uint64_t>(column));
  // Rotating parity: row r keeps it in column 2 - r mod 3, data follows it.
  for (std::uint64_t row = 0; row < kColumn / kStripe; ++row) {
    const std::uint64_t parity = 2 - row % 3;
    Bytes xored(kStripe * 512, 0);
    for (std::uint64_t d = 0; d < 2; ++d) {
      const std::uint64_t from = (row * 2 + d) * kStripe;
      group.Place(static_cast<int>((parity + 1 + d) % 3), 500 + row * kStripe, volume, from, kStripe);
      for (std::size_t i = 0; i < xored.size(); ++i) xored[i] ^= volume[from * 512 + i];
    }
    group.Place(static_cast<int>(parity), 500 + row * kStripe, xored, 0, kStripe);
  }
  const auto devices = group.Devices();
  DynamicVolumeList records;
  ASSERT_EQ(CollectDynamicVolumes(Pointers(devices), records), 1u);
  EXPECT_STREQ(records[0]->typeName, "RAID5");
  EXPECT_EQ(records[0]->sectorCount, 2 * kColumn);
  EXPECT_EQ(ReadVolume(*records[0]->device, 2 * kColumn), volume);
  for (int missing = 0; missing < 3; ++missing) {
    std::vector<int> present;
    for (int i = 0; i < 3; ++i)
      if (i != missing) present.push_back(i);
    DynamicVolumeList degraded;
    ASSERT_EQ(CollectDynamicVolumes(Pointers(devices, present), degraded), 1u) << missing;
    EXPECT_EQ(ReadVolume(*degraded[0]->device, 2 * kColumn), volume) << missing;
  }
  DynamicVolumeList one;
  EXPECT_EQ(CollectDynamicVolumes(Pointers(devices, {1}), one), 0u);
}

// One disk with a simple volume, its header wherever the test puts it.
struct SingleDisk {
  Group group{1};
  Bytes content = RandomBytes(64 * 512, 6);
  SingleDisk() {
    const std::uint64_t v = group.builder.AddVolume("Volume1", 3, 64, 0x07, 1);
    const std::uint64_t k = group.builder.AddComponent(v, 2, 1);
    group.builder.AddPartition(k, group.diskIds[0], 200, 0, 64);
    group.Place(0, 200, content, 0, 64);
  }
  Bytes Image() const {
    Bytes image = group.images[0];
    group.builder.WriteDisk(image, kGuids[0]);
    return image;
  }
};

void MoveHeader(Bytes& image, std::uint64_t to) {
  std::memmove(image.data() + to * 512, image.data() + 6 * 512, 512);
  std::memset(image.data() + 6 * 512, 0, 512);
}

// A GPT whose array (from sector 2) names the metadata partition, ending at
// the sector that holds the header.
void PutGpt(Bytes& image, std::uint32_t entries, std::uint32_t entrySize, std::uint64_t metadataEnd) {
  std::uint8_t* header = image.data() + 512;
  std::memcpy(header, "EFI PART", 8);
  qm::StoreLe64(header + 72, 2);
  qm::StoreLe32(header + 80, entries);
  qm::StoreLe32(header + 84, entrySize);
  std::uint8_t* entry = image.data() + 2 * 512 + 128; // the second entry
  qm::StoreLe64(entry + 32, metadataEnd - 2047);
  qm::StoreLe64(entry + 40, metadataEnd);
  const char16_t name[] = u"LDM metadata partition";
  for (std::size_t i = 0; name[i] != 0; ++i) qm::StoreLe16(entry + 56 + 2 * i, static_cast<std::uint16_t>(name[i]));
}

TEST(DynamicVolumeReader, PrivateHeaderIsSoughtInItsFourPlaces) {
  SingleDisk disk;
  struct Row {
    const char* what;
    void (*arrange)(Bytes&, MemoryDevice*&);
    bool found;
  };
  const Row rows[] = {
      {"sector 6", [](Bytes&, MemoryDevice*&) {}, true},
      {"last sector", [](Bytes& b, MemoryDevice*&) { MoveHeader(b, kDiskSectors - 1); }, true},
      {"sector 2081", [](Bytes& b, MemoryDevice*&) { MoveHeader(b, 2081); }, true},
      {"GPT metadata partition",
       [](Bytes& b, MemoryDevice*&) {
         MoveHeader(b, 3000);
         PutGpt(b, 128, 128, 3000);
       },
       true},
      {"GPT metadata entry without a header, a later one with it",
       [](Bytes& b, MemoryDevice*&) {
         MoveHeader(b, 3000);
         PutGpt(b, 128, 128, 3000);
         std::memcpy(b.data() + 2 * 512, b.data() + 2 * 512 + 128, 128); // first entry: same name
         qm::StoreLe64(b.data() + 2 * 512 + 40, 2999);                     // ending at an empty sector
       },
       true},
      {"GPT of 200 entries",
       [](Bytes& b, MemoryDevice*&) {
         MoveHeader(b, 3000);
         PutGpt(b, 200, 128, 3000);
       },
       false},
      {"GPT entry size 0",
       [](Bytes& b, MemoryDevice*&) {
         MoveHeader(b, 3000);
         PutGpt(b, 128, 0, 3000);
       },
       false},
      {"GPT entry size past a sector",
       [](Bytes& b, MemoryDevice*&) {
         MoveHeader(b, 3000);
         PutGpt(b, 128, 1024, 3000);
       },
       false},
      {"no header",
       [](Bytes& b, MemoryDevice*&) { std::memset(b.data() + 6 * 512, 0, 512); }, false},
  };
  for (const Row& row : rows) {
    Bytes image = disk.Image();
    MemoryDevice* unused = nullptr;
    row.arrange(image, unused);
    MemoryDevice device(std::move(image));
    std::uint8_t header[512] = {};
    EXPECT_EQ(FindPrivateHeader(&device, header), row.found ? 1 : 0) << row.what;
    IStorageDevice* list[] = {&device};
    DynamicVolumeList records;
    EXPECT_EQ(CollectDynamicVolumes(list, records), row.found ? 1u : 0u) << row.what;
    if (row.found && !records.empty()) {
      EXPECT_EQ(ReadVolume(*records[0]->device, 64), disk.content) << row.what;
    }
  }

  // A header in the last sector as well as at sector 6, the last one
  // unreadable: sector 6 serves.
  Bytes image = disk.Image();
  std::memcpy(image.data() + (kDiskSectors - 1) * 512, image.data() + 6 * 512, 512);
  MemoryDevice device(std::move(image));
  device.AddFailingRange(kDiskSectors - 1, kDiskSectors);
  std::uint8_t header[512] = {};
  EXPECT_EQ(FindPrivateHeader(&device, header), 1);
  EXPECT_TRUE(IsPrivHead(header, sizeof header));
}

TEST(DynamicVolumeReader, DiskRecordsWithABinaryGuidFindTheirDisk) {
  LdmBuilder builder;
  const std::uint64_t disk = builder.AddDisk("C4AB6C3A-2C79-11D8-9A27-00E018C5E61E", true);
  const std::uint64_t v = builder.AddVolume("Volume1", 3, 32, 0x07, 1);
  builder.AddPartition(builder.AddComponent(v, 2, 1), disk, 40, 0, 32);
  Bytes image(kDiskSectors * 512, 0);
  const Bytes content = RandomBytes(32 * 512, 7);
  std::memcpy(image.data() + (kData + 40) * 512, content.data(), content.size());
  builder.WriteDisk(image, kGuids[0]); // the header holds the id in lower case
  MemoryDevice device(std::move(image));
  IStorageDevice* list[] = {&device};
  DynamicVolumeList records;
  ASSERT_EQ(CollectDynamicVolumes(list, records), 1u);
  EXPECT_EQ(ReadVolume(*records[0]->device, 32), content);
}

TEST(DynamicVolumeReader, SizeFallsBackToTheBootSectorWhenThePiecesLeaveTheDisk) {
  qm::ScopedVolumeAnalyzers scoped;
  // A stand-in NTFS test: the OEM id, and a volume that names itself.
  qm::RegisterBootSectorClassifier(qm::VolumeAnalyzerSlot::Ntfs, [](qm::ByteView sector, std::uint32_t) {
    return sector.matches(3, "NTFS    ") ? 3 : 7;
  });
  struct FakeNtfs : IVolume {
    int type = 7;
    FakeNtfs(IStorageDevice* device, std::uint64_t start) {
      Bytes sector(512);
      if (device->ReadSectors(sector.data(), start, 1) && std::memcmp(sector.data() + 3, "NTFS    ", 8) == 0) type = 3;
    }
    int GetFileSystemType() override { return type; }
    std::uint64_t GetSectorCount() override { return 0; }
    void GetLabel(char* buffer, int length) override {
      std::memset(buffer, 0, static_cast<std::size_t>(length));
      std::strncpy(buffer, "Dyn", static_cast<std::size_t>(length) - 1);
    }
  };
  qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Ntfs, [](IStorageDevice* device, std::uint64_t start) {
    return std::make_unique<FakeNtfs>(device, start);
  });

  LdmBuilder builder;
  const std::uint64_t disk = builder.AddDisk(kGuids[0]);
  // The database says 100000 sectors, far more than the disk has.
  const std::uint64_t v = builder.AddVolume("Big", 3, 100000, 0x07, 1);
  builder.AddPartition(builder.AddComponent(v, 2, 1), disk, 40, 0, 100000);
  Bytes image(kDiskSectors * 512, 0);
  std::uint8_t* boot = image.data() + (kData + 40) * 512;
  std::memcpy(boot + 3, "NTFS    ", 8);
  qm::StoreLe64(boot + 0x28, 999);
  builder.WriteDisk(image, kGuids[0]);
  MemoryDevice device(std::move(image));
  IStorageDevice* list[] = {&device};
  DynamicVolumeList records;
  ASSERT_EQ(CollectDynamicVolumes(list, records), 1u);
  EXPECT_EQ(records[0]->sectorCount, 1000u);
  EXPECT_EQ(records[0]->fileSystemType, 3u);
  EXPECT_STREQ(records[0]->volumeLabel, "Dyn");
  EXPECT_EQ(records[0]->device->GetFileSystemType(), 3);
}

TEST(DynamicVolumeReader, CraftedDatabasesYieldOnlyWhatTheirMembersHold) {
  struct Row {
    const char* what;
    void (*build)(LdmBuilder&, std::uint64_t disk);
    std::size_t volumes;
  };
  const Row rows[] = {
      {"stripe size 0 takes 64 KiB",
       [](LdmBuilder& b, std::uint64_t d) {
         const std::uint64_t v = b.AddVolume("V", 3, 256, 7, 1);
         const std::uint64_t k = b.AddComponent(v, 1, 1, 0, 1);
         b.AddPartition(k, d, 10, 0, 256, 0);
       },
       1},
      {"partition on a disk the database lacks",
       [](LdmBuilder& b, std::uint64_t) {
         const std::uint64_t v = b.AddVolume("V", 3, 64, 7, 1);
         b.AddPartition(b.AddComponent(v, 2, 1), 999, 10, 0, 64);
       },
       0},
      {"disk record of a disk not in the list",
       [](LdmBuilder& b, std::uint64_t) {
         const std::uint64_t other = b.AddDisk("00000000-0000-0000-0000-000000000000");
         const std::uint64_t v = b.AddVolume("V", 3, 64, 7, 1);
         b.AddPartition(b.AddComponent(v, 2, 1), other, 10, 0, 64);
       },
       0},
      {"volume without components",
       [](LdmBuilder& b, std::uint64_t) { b.AddVolume("V", 3, 64, 7, 1); }, 0},
      {"component without partitions",
       [](LdmBuilder& b, std::uint64_t) { b.AddComponent(b.AddVolume("V", 3, 64, 7, 1), 2, 1); }, 0},
      {"unknown volume type",
       [](LdmBuilder& b, std::uint64_t d) {
         const std::uint64_t v = b.AddVolume("V", 5, 64, 7, 1);
         b.AddPartition(b.AddComponent(v, 2, 1), d, 10, 0, 64);
       },
       0},
      {"unknown component type",
       [](LdmBuilder& b, std::uint64_t d) {
         const std::uint64_t v = b.AddVolume("V", 3, 64, 7, 1);
         b.AddPartition(b.AddComponent(v, 9, 1), d, 10, 0, 64);
       },
       0},
      {"component that is its own parent",
       [](LdmBuilder& b, std::uint64_t d) {
         // Ids are handed out in order: the component is v + 1, the
         // partition v + 2; a second component names itself as parent.
         const std::uint64_t v = b.AddVolume("V", 3, 64, 7, 1);
         const std::uint64_t k = b.AddComponent(v, 2, 1);
         b.AddPartition(k, d, 10, 0, 64);
         b.AddComponent(k + 2, 2, 1);
       },
       1},
      {"partition count of 2^64 - 1 over one partition",
       [](LdmBuilder& b, std::uint64_t d) {
         const std::uint64_t v = b.AddVolume("V", 3, 64, 7, 1);
         b.AddPartition(b.AddComponent(v, 2, ~std::uint64_t{0}), d, 10, 0, 64);
       },
       1},
      {"partition past the disk's end",
       [](LdmBuilder& b, std::uint64_t d) {
         const std::uint64_t v = b.AddVolume("V", 3, 64, 7, 1);
         b.AddPartition(b.AddComponent(v, 2, 1), d, ~std::uint64_t{0} - 10, 0, 64);
       },
       1},
      {"striped columns past the member count",
       [](LdmBuilder& b, std::uint64_t d) {
         const std::uint64_t v = b.AddVolume("V", 3, 1u << 30, 7, 1);
         const std::uint64_t k = b.AddComponent(v, 1, 300);
         for (std::uint64_t i = 0; i < 300; ++i) b.AddPartition(k, d, i, 0, 1, i);
       },
       0},
      {"raid-5 of one column",
       [](LdmBuilder& b, std::uint64_t d) {
         const std::uint64_t v = b.AddVolume("V", 4, 64, 7, 1);
         b.AddPartition(b.AddComponent(v, 3, 1), d, 10, 0, 64);
       },
       0},
  };
  for (const Row& row : rows) {
    LdmBuilder builder;
    const std::uint64_t disk = builder.AddDisk(kGuids[0]);
    row.build(builder, disk);
    Bytes image(kDiskSectors * 512, 0);
    builder.WriteDisk(image, kGuids[0]);
    MemoryDevice device(std::move(image));
    IStorageDevice* list[] = {&device};
    DynamicVolumeList records;
    EXPECT_EQ(CollectDynamicVolumes(list, records), row.volumes) << row.what;
    // Whatever was built reads without touching foreign memory.
    for (const auto& record : records) {
      Bytes sectors(8 * 512);
      record->device->ReadSectors(sectors.data(), 0, 8);
      if (record->sectorCount > 8) record->device->ReadSectors(sectors.data(), record->sectorCount - 8, 8);
    }
  }
}

TEST(DynamicVolumeReader, ImageFilesAreOnlyRead) {
  SingleDisk disk;
  const Bytes image = disk.Image();
  const auto path = qm::MakeSparseImage("dynamic_volume_reader.img", image.size());
  qm::WriteFileBytes(path, 0, image);
  const std::string before = qm::test::Sha256Hex(qm::ReadFileBytes(path));
  {
    CImageFileDevice device(path.string().c_str());
    IStorageDevice* list[] = {&device};
    DynamicVolumeList records;
    ASSERT_EQ(CollectDynamicVolumes(list, records), 1u);
    EXPECT_EQ(ReadVolume(*records[0]->device, 64), disk.content);
  }
  // The same image standing as a disk of the machine: a dynamic disk.
  const int index = qm::AddDiskOverride(path.string());
  {
    CDiskDevice device(index);
    ASSERT_TRUE(device.IsOpen());
    EXPECT_EQ(device.IsDynamic(), 1);
    IStorageDevice* list[] = {&device};
    DynamicVolumeList records;
    ASSERT_EQ(CollectDynamicVolumes(list, records), 1u);
    EXPECT_EQ(ReadVolume(*records[0]->device, 64), disk.content);
    // The system lists no partition of an image, so no letter.
    EXPECT_EQ(records[0]->driveLetter, 0);
  }
  qm::ClearDiskOverrides();
  EXPECT_EQ(qm::test::Sha256Hex(qm::ReadFileBytes(path)), before);
}

} // namespace
