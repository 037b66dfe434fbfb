#include "ntfs/volume_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fixture_volume.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "ntfs_fixture.h"
#include "record_builder.h"
#include "storage/text_convert.h"
#include "storage/volume_analyzer.h"
#include "support/memory_device.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kFixtureLabel = "QM Fixture";

Bytes VolumeNameValue(const std::u16string& name) {
  Bytes value(name.size() * 2);
  for (std::size_t i = 0; i < name.size(); ++i)
    qm::StoreLe16(&value[2 * i], name[i]);
  return value;
}

std::unique_ptr<qm::MemoryDevice> FixtureDevice(std::int32_t sectorSize) {
  return std::make_unique<qm::MemoryDevice>(qm::test::NtfsBasicImage(), sectorSize);
}

CNTFSDBR FixtureBoot() {
  CNTFSDBR boot;
  EXPECT_TRUE(boot.Load(qm::test::NtfsBasicImage().data()));
  return boot;
}

class FixtureVolumeName : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(FixtureVolumeName, ThroughTheBootSectorAndFromTheMftRecord) {
  const std::int32_t sectorSize = GetParam();
  auto device = FixtureDevice(sectorSize);
  const CNTFSDBR boot = FixtureBoot();
  char name[qm::kVolumeNameBytes];
  ASSERT_EQ(ReadVolumeRecord(*device, 0, boot, name), 1);
  EXPECT_STREQ(name, kFixtureLabel);

  const std::uint64_t mftByte = static_cast<std::uint64_t>(boot.GetMftStartCluster()) * 4096;
  if (mftByte % sectorSize == 0) {
    ASSERT_EQ(ReadVolumeNameAt(static_cast<std::int64_t>(mftByte / sectorSize), *device, name, 1024), 1);
    EXPECT_STREQ(name, kFixtureLabel);
  }
  EXPECT_EQ(ReadVolumeNameAt(-1, *device, name, 1024), 0);
  EXPECT_EQ(ReadVolumeNameAt(0, *device, name, 512), 0);
  EXPECT_EQ(ReadVolumeNameAt(0, *device, name, 8192), 0);
  EXPECT_EQ(ReadVolumeNameAt(static_cast<std::int64_t>(device->GetSectorCount()) - 1, *device, name, 1024),
            0);
  EXPECT_STREQ(name, "");
}

TEST_P(FixtureVolumeName, AnalyserReportsTypeSizeAndLabel) {
  const std::int32_t sectorSize = GetParam();
  auto device = FixtureDevice(sectorSize);
  CNtfsVolumeAnalyze volume(device.get(), 0);
  EXPECT_EQ(volume.GetFileSystemType(), 3);
  EXPECT_EQ(volume.GetSectorCount(), FixtureBoot().GetTotalSectors() * 512 / sectorSize);
  char label[100];
  std::memset(label, 'x', sizeof label);
  volume.GetLabel(label, sizeof label);
  EXPECT_STREQ(label, kFixtureLabel);
  EXPECT_EQ(label[99], '\0') << "the description is zero-filled";
  char shortLabel[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
  volume.GetLabel(shortLabel, 4);
  EXPECT_EQ(std::string(shortLabel, 6), "QM Fxx");
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, FixtureVolumeName, ::testing::Values(512, 4096));

TEST(NtfsVolumeAnalyze, NothingElseIsTakenForNtfs) {
  auto device = FixtureDevice(512);
  struct Row {
    const char* what;
    IStorageDevice* device;
    std::uint64_t sector;
  };
  const Row rows[] = {
      {"no device", nullptr, 0},
      {"a sector inside the volume", device.get(), 1},
      {"past the device", device.get(), device->GetSectorCount()},
  };
  for (const Row& row : rows) {
    CNtfsVolumeAnalyze volume(row.device, row.sector);
    EXPECT_EQ(volume.GetFileSystemType(), 7) << row.what;
    EXPECT_EQ(volume.GetSectorCount(), 0u) << row.what;
    char label[100] = {'x'};
    volume.GetLabel(label, sizeof label);
    EXPECT_STREQ(label, "") << row.what;
  }
  device->AddFailingRange(0, 1);
  EXPECT_EQ(CNtfsVolumeAnalyze(device.get(), 0).GetFileSystemType(), 7) << "unreadable boot sector";
}

TEST(NtfsVolumeAnalyze, UnreadableVolumeRecordLeavesTheLabelEmpty) {
  auto device = FixtureDevice(512);
  const std::uint64_t mftSector = static_cast<std::uint64_t>(FixtureBoot().GetMftStartCluster()) * 8;
  device->AddFailingRange(mftSector, mftSector + 16);
  CNtfsVolumeAnalyze volume(device.get(), 0);
  EXPECT_EQ(volume.GetFileSystemType(), 3);
  char label[100] = {'x'};
  volume.GetLabel(label, sizeof label);
  EXPECT_STREQ(label, "");

  // A record size code that no volume uses sizes nothing.
  auto odd = FixtureDevice(512);
  odd->bytes()[qm::ntfs_boot::kRecordSizeCode] = 0x40; // 64 clusters
  CNtfsVolumeAnalyze oddVolume(odd.get(), 0);
  EXPECT_EQ(oddVolume.GetFileSystemType(), 3);
  oddVolume.GetLabel(label, sizeof label);
  EXPECT_STREQ(label, "");
}

TEST(NtfsVolumeAnalyze, RegistersWithTheAnalyserList) {
  qm::ScopedVolumeAnalyzers restore;
  qm::RegisterNtfsVolumeAnalyzer();
  auto device = FixtureDevice(512);
  CVolumeAnalyzerList list;
  list.Analyze(device.get(), 0);
  ASSERT_EQ(list.GetCount(), 3u);
  IVolume* found = list.FindRecognized();
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found, list.GetAt(0));
  EXPECT_EQ(found->GetFileSystemType(), 3);
  char label[100];
  found->GetLabel(label, sizeof label);
  EXPECT_STREQ(label, kFixtureLabel);
}

TEST(VolumeName, RecordRules) {
  auto build = [](const std::u16string& name, std::size_t padding) {
    qm::test::RecordBuilder record;
    record.AddStandardInformation(6);
    record.AddFileName(u"$Volume");
    if (padding != 0) record.AddResident(0x80, Bytes(padding, 0xAA));
    record.AddResident(0x60, VolumeNameValue(name));
    return record.Build();
  };
  char name[qm::kVolumeNameBytes];
  Bytes record = build(u"Data", 0);
  const Bytes before = record;
  EXPECT_TRUE(GetVolumeNameFromRecord(record, name));
  EXPECT_STREQ(name, "Data");
  EXPECT_EQ(record, before);

  // A long name is cut at a whole character inside 80 bytes.
  const std::u16string greek(60, u'λ');
  record = build(greek, 0);
  EXPECT_TRUE(GetVolumeNameFromRecord(record, name));
  EXPECT_EQ(std::strlen(name), 78u);
  EXPECT_EQ(qm::Utf8ToUtf16String(name), greek.substr(0, 39));

  // A name that would end past the first 1024 bytes, in a 2048-byte record.
  qm::test::RecordBuilder big(2048);
  big.AddResident(0x80, Bytes(900, 0xAA));
  big.AddResident(0x60, VolumeNameValue(u"Beyond"));
  record = big.Build();
  EXPECT_FALSE(GetVolumeNameFromRecord(record, name));
  EXPECT_STREQ(name, "");

  record = build(u"Data", 0);
  record[0] = 'B';
  EXPECT_FALSE(GetVolumeNameFromRecord(record, name));
  EXPECT_FALSE(GetVolumeNameFromRecord(std::span<std::uint8_t>(record).first(1000), name));
}

TEST(VolumeRecord, MftAtLcnAndText) {
  EXPECT_TRUE(IsMftAtLcn(100 + 4 * 8, 4, 100, 8));
  EXPECT_FALSE(IsMftAtLcn(100 + 4 * 8 + 2, 4, 100, 8)) << "not the cluster's first sector";
  EXPECT_FALSE(IsMftAtLcn(100 + 5 * 8, 4, 100, 8)) << "another cluster";
  EXPECT_FALSE(IsMftAtLcn(90, 0, 100, 8)) << "before the partition";
  EXPECT_FALSE(IsMftAtLcn(132, 4, 100, 0)) << "no cluster size";
  EXPECT_FALSE(IsMftAtLcn(100, -1, 100, 8));

  EXPECT_EQ(WideStringToMultiByte(u""), "");
  // Three bytes a character: more than twice the UTF-16 length.
  EXPECT_EQ(WideStringToMultiByte(u"日本語のファイル名"), "日本語のファイル名");
}

} // namespace
