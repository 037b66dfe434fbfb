// A file spread over several MFT records through its $ATTRIBUTE_LIST, on a
// small in-memory volume: one-sector clusters, 1024-byte records, the $MFT
// at cluster 16.
#include <gtest/gtest.h>

#include "ntfs/ntfs_file_record.h"
#include "record_builder.h"
#include "support/memory_device.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qm::test::RecordBuilder;

constexpr std::uint64_t kMftCluster = 16;

Bytes ListEntry(std::uint32_t type, std::uint64_t record) {
  Bytes e(0x20, 0);
  qm::StoreLe32(&e[0], type);
  qm::StoreLe16(&e[4], 0x20);
  qm::StoreLe64(&e[0x10], record | (std::uint64_t{1} << 48));
  return e;
}

Bytes Entries(std::initializer_list<std::pair<std::uint32_t, std::uint64_t>> list) {
  Bytes out;
  for (auto [type, record] : list) {
    const Bytes e = ListEntry(type, record);
    out.insert(out.end(), e.begin(), e.end());
  }
  return out;
}

struct Volume {
  qm::MemoryDevice device{std::uint64_t{256}, 512};
  qm::NtfsVolumeGeometry geometry{0, 1, 512, 1024};
  qm::NtfsRunList mftRuns{{static_cast<std::int64_t>(kMftCluster), 0, 64}};

  // Records carry their own number in the header, as drivers write them.
  void PutRecord(std::uint64_t n, Bytes record) {
    ASSERT_GE(record.size(), 0x30u);
    qm::StoreLe32(&record[0x2C], static_cast<std::uint32_t>(n));
    std::copy(record.begin(), record.end(), device.sector(kMftCluster + 2 * n));
  }
  std::uint64_t SectorOf(std::uint64_t n) const { return kMftCluster + 2 * n; }
  Bytes Extension(std::uint64_t base, const Bytes& data) {
    RecordBuilder b;
    b.AddResident(0x80, data);
    Bytes r = b.Build();
    qm::StoreLe64(&r[0x20], base);
    return r;
  }
};

TEST(ExtensionRecords, ResidentListFindsAttributesAcrossRecords) {
  Volume v;
  RecordBuilder base;
  base.AddFileName(u"spread.bin");
  // Record 5 twice, record 7, the base record itself, and an unmapped one.
  base.AddResident(0x20, Entries({{0x30, 3}, {0x80, 5}, {0x80, 5}, {0x80, 7}, {0x80, 9}, {0x80, 999}}));
  Bytes record = base.Build();
  qm::StoreLe32(&record[0x2C], 3);
  v.PutRecord(5, v.Extension(3, {1, 1, 1}));
  v.PutRecord(7, v.Extension(3, {2, 2}));
  Bytes broken = v.Extension(3, {3});
  broken[0] = 'X';
  v.PutRecord(9, broken);
  const Bytes before = record;

  const auto list = BuildExtensionRecordList(record, v.SectorOf(3), v.device, v.geometry, v.mftRuns);
  EXPECT_EQ(record, before);
  ASSERT_TRUE(list);
  const qm::ExtensionRecordList expected = {
      {v.SectorOf(5), 5, 0}, {v.SectorOf(7), 7, 0}, {v.SectorOf(9), 9, 0}};
  EXPECT_EQ(*list, expected);

  CNTFSFileRecord file(record, v.SectorOf(3), &v.device, *list);
  ASSERT_TRUE(file.IsValid());
  const auto first = file.FindAttributeAnywhere(0x80, 0);
  ASSERT_TRUE(first);
  EXPECT_EQ(first.recordSector, v.SectorOf(5));
  EXPECT_EQ(first.attribute.bytes.le32(0x10), 3u) << "value length of record 5's $DATA";
  const auto second = file.FindAttributeAnywhere(0x80, 1);
  ASSERT_TRUE(second);
  EXPECT_EQ(second.recordSector, v.SectorOf(7));
  EXPECT_FALSE(file.FindAttributeAnywhere(0x80, 2)) << "the invalid record 9 is skipped";
  const auto name = file.FindAttributeAnywhere(0x30, 0);
  ASSERT_TRUE(name);
  EXPECT_EQ(name.recordSector, v.SectorOf(3));
}

// Record 3 is a deleted file whose list names record 5. What record 5 holds
// now decides whether its $DATA is read as the file's.
TEST(ExtensionRecords, AnExtensionGivenToAnotherFileIsNotRead) {
  struct Row {
    const char* what;
    std::uint64_t owner; // base reference of record 5
    std::uint16_t flags; // of record 5
    std::int64_t number; // own number in record 5's header; -1: old format without one
    bool baseHasNumber;  // record 3 carries its own number
    bool read;
  };
  const Row rows[] = {
      {"still the file's", 3, 1, 5, true, true},
      {"freed, still naming the file", 3, 0, 5, true, true},
      {"freed with its base reference cleared", 0, 0, 5, true, true},
      {"now an extension of file 12", 12, 1, 5, true, false},
      {"freed extension of file 12", 12, 0, 5, true, false},
      {"now a file of its own", 0, 1, 5, true, false},
      {"header names another record", 3, 1, 6, true, false},
      {"old format: nothing to compare", 12, 1, -1, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Volume v;
    RecordBuilder base(1024, 0);
    base.AddFileName(u"gone.bin");
    base.AddResident(0x20, Entries({{0x30, 3}, {0x80, 5}}));
    Bytes record = base.Build();
    if (row.baseHasNumber)
      qm::StoreLe32(&record[0x2C], 3);
    else
      qm::StoreLe16(&record[0x04], 0x2A);
    RecordBuilder extension(1024, row.flags);
    extension.AddResident(0x80, {7, 7, 7});
    Bytes five = extension.Build();
    qm::StoreLe64(&five[0x20], row.owner);
    std::copy(five.begin(), five.end(), v.device.sector(v.SectorOf(5)));
    if (row.number >= 0)
      qm::StoreLe32(v.device.sector(v.SectorOf(5)) + 0x2C, static_cast<std::uint32_t>(row.number));
    else
      qm::StoreLe16(v.device.sector(v.SectorOf(5)) + 0x04, 0x2A);

    const auto list = BuildExtensionRecordList(record, v.SectorOf(3), v.device, v.geometry, v.mftRuns);
    ASSERT_TRUE(list);
    CNTFSFileRecord file(record, v.SectorOf(3), &v.device, *list);
    ASSERT_TRUE(file.IsValid());
    EXPECT_EQ(static_cast<bool>(file.FindAttributeAnywhere(0x80, 0)), row.read);
  }
}

TEST(ExtensionRecords, HostileListsCostNothing) {
  struct Row {
    const char* what;
    Bytes pairs;
    std::uint64_t allocated;
    std::uint64_t initialized;
    bool found;
  };
  // The entries of a non-resident list live at cluster 200.
  const Row rows[] = {
      {"sound non-resident list", {0x21, 0x01, 200, 0x00, 0x00}, 512, 0x40, true},
      {"terabyte list", {0x21, 0x01, 200, 0x00, 0x00}, 1ull << 40, 1ull << 40, true},
      {"initialized beyond allocated", {0x21, 0x01, 200, 0x00, 0x00}, 512, 1024, false},
      {"nothing initialized", {0x21, 0x01, 200, 0x00, 0x00}, 512, 0, false},
      {"run past the device", {0x21, 0x01, 0x00, 0x10, 0x00}, 512, 512, false},
      {"negative cluster", {0x11, 0x01, 0x80, 0x00}, 512, 512, false},
      {"huge run length",
       {0x81, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x00},
       4096,
       4096,
       false},
  };
  for (const Row& row : rows) {
    Volume v;
    const Bytes entries = Entries({{0x80, 5}, {0x80, 7}});
    std::copy(entries.begin(), entries.end(), v.device.sector(200));
    v.PutRecord(5, v.Extension(3, {1}));
    v.PutRecord(7, v.Extension(3, {2}));
    RecordBuilder base;
    base.AddFileName(u"f");
    const std::size_t at = base.AddNonResident(0x20, row.pairs, 0, 0, row.initialized);
    qm::StoreLe64(&base.bytes()[at + 0x28], row.allocated);
    qm::StoreLe64(&base.bytes()[at + 0x38], row.initialized);
    Bytes record = base.Build();
    const auto list = BuildExtensionRecordList(record, v.SectorOf(3), v.device, v.geometry, v.mftRuns);
    EXPECT_EQ(list.has_value(), row.found) << row.what;
    if (list) {
      EXPECT_EQ(list->size(), 2u) << row.what;
    }
  }
}

TEST(MftRecords, RecordSplitAcrossTwoRunsOfTheMft) {
  // One-sector clusters: record 1 covers VCN 2 and 3, which lie in
  // different runs of a fragmented $MFT.
  qm::MemoryDevice device(std::uint64_t{128}, 512);
  const qm::NtfsVolumeGeometry g{0, 1, 512, 1024};
  const qm::NtfsRunList runs = {{10, 0, 3}, {50, 3, 4}};
  RecordBuilder b;
  b.AddFileName(u"split");
  const Bytes record = b.Build();
  std::copy(record.begin(), record.begin() + 512, device.sector(12));
  std::copy(record.begin() + 512, record.end(), device.sector(50));
  Bytes out;
  ASSERT_TRUE(qm::ReadMftRecord(device, g, runs, 1, out));
  EXPECT_EQ(out, record);
  EXPECT_FALSE(qm::ReadMftRecord(device, g, runs, 3, out)) << "second half (VCN 7) unmapped";
}

TEST(ExtensionRecords, RecordsOfA4096ByteSectorDevice) {
  // 4096-byte sectors hold four records each; record 6 is the third record
  // of the sector that holds records 4 to 7.
  qm::NtfsVolumeGeometry g{0, 1, 4096, 1024};
  const qm::NtfsRunList runs = {{10, 0, 4}};
  const auto at = qm::LocateMftRecord(g, runs, 6);
  ASSERT_TRUE(at);
  EXPECT_EQ(at->sector, 11u);
  EXPECT_EQ(at->offsetInSector, 2048u);
  EXPECT_FALSE(qm::LocateMftRecord(g, runs, 16)) << "past the $MFT's runs";
  EXPECT_FALSE(qm::LocateMftRecord(qm::NtfsVolumeGeometry{0, 0, 512, 1024}, runs, 1)) << "no cluster size";
}

} // namespace
