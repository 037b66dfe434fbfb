#include "ntfs/scan_holders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "filemodel/raw_file_collection.h"
#include "fixture_volume.h"
#include "ntfs/file_type_matches.h"
#include "ntfs/ntfs_partition_info.h"
#include "record_builder.h"
#include "support/memory_stream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FixtureRecordBytes(qm::test::FixtureVolume& v, std::uint64_t n) {
  Bytes bytes;
  EXPECT_TRUE(qm::ReadMftRecord(*v.device, v.geometry, v.mftRuns, n, bytes));
  return bytes;
}

TEST(ScanHolders, FolderIndexOfTheFixture) {
  auto v = qm::test::OpenFixtureVolume(512);
  const auto record = qm::test::LoadFixtureRecord(v, 76); // "many": 118 index blocks
  ASSERT_TRUE(record);
  const auto info = qm::MakeFolderIndexInfo(record->Record(), 1234, 512);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->folderNumber, 76u) << "its own number: the root names no entry";
  EXPECT_EQ(info->ownNumber, 76u);
  EXPECT_EQ(info->ownNumberPresent, 1u);
  EXPECT_EQ(info->sectorsPerClusterGuess, 8u);
  EXPECT_EQ(info->recordSector, 1234u);
  EXPECT_EQ(info->lsn, record->Record().le64(0x08));
  EXPECT_EQ(TotalClusters(info->indexRuns), 118u);
  // Scanned on a device of 4096-byte sectors, a cluster is one sector.
  EXPECT_EQ(qm::MakeFolderIndexInfo(record->Record(), 1234, 4096)->sectorsPerClusterGuess, 1u);

  const auto root = qm::test::LoadFixtureRecord(v, 5);
  EXPECT_FALSE(qm::MakeFolderIndexInfo(root->Record(), 0, 512)) << "the root folder proves nothing";
  const auto small = qm::test::LoadFixtureRecord(v, 71);
  EXPECT_FALSE(qm::MakeFolderIndexInfo(small->Record(), 0, 512)) << "no index allocation";
  Bytes extension(record->Record().bytes().begin(), record->Record().bytes().end());
  qm::StoreLe64(&extension[0x20], 76);
  EXPECT_FALSE(qm::MakeFolderIndexInfo(qm::ByteView(extension.data(), extension.size()), 0, 512));
}

TEST(ScanHolders, SystemFileAndDataStreamOfTheFixture) {
  auto v = qm::test::OpenFixtureVolume(512);
  Bytes logFile = FixtureRecordBytes(v, 2);
  const Bytes before = logFile;
  const auto info = qm::MakeSystemFileInfo(logFile, 777, 512);
  EXPECT_EQ(logFile, before);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->sectorsPerCluster, 8);
  ASSERT_EQ(info->dataRuns.size(), 1u);
  EXPECT_EQ(info->dataRuns[0], (qm::NtfsRun{0xC00, 0, 0x200}));
  EXPECT_EQ(info->recordSector, 777u);

  Bytes volume = FixtureRecordBytes(v, 3);
  EXPECT_FALSE(qm::MakeSystemFileInfo(volume, 0, 512)) << "no non-resident data";
  Bytes broken = logFile;
  broken[0] = 'X';
  EXPECT_FALSE(qm::MakeSystemFileInfo(broken, 0, 512));

  const auto data = qm::test::LoadFixtureRecord(v, 67); // 9000 bytes
  const auto stream = qm::MakeDataStreamInfo(data->Record(), 55);
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->size, 9000u);
  EXPECT_EQ(stream->recordSector, 55u);
  EXPECT_FALSE(qm::MakeDataStreamInfo(qm::test::LoadFixtureRecord(v, 69)->Record(), 0)) << "resident";
  EXPECT_FALSE(qm::MakeDataStreamInfo(qm::test::LoadFixtureRecord(v, 68)->Record(), 0)) << "empty";
}

TEST(ScanHolders, FolderIndexFromCraftedRecords) {
  // A folder whose root names parent 0x40 while its header says 0x41: the
  // entries win. A real size of 64 KiB over 2 clusters of 512-byte sectors
  // rounds 64 up to 64.
  const std::uint8_t pairs[] = {0x11, 0x02, 0x20, 0x00};
  auto build = [&](std::uint64_t initialized, std::uint64_t parent) {
    qm::test::RecordBuilder b(1024, 3);
    Bytes value(16 + 16 + 0x70 + 16, 0);
    qm::StoreLe32(&value[0], 0x30);
    qm::StoreLe32(&value[16], 16);
    qm::StoreLe32(&value[20], 16 + 0x70 + 16);
    std::uint8_t* e = &value[32];
    qm::StoreLe16(e + 8, 0x70);
    qm::StoreLe16(e + 10, 0x50);
    qm::StoreLe64(e + 16, parent);
    e[80] = 2;
    qm::StoreLe16(e + 0x70 + 8, 16);
    qm::StoreLe16(e + 0x70 + 12, 2);
    b.AddResident(0x90, value, u"$I30");
    const std::size_t at =
        b.AddNonResident(0xA0, Bytes(pairs, pairs + sizeof pairs), 0, 1, initialized, u"$I30");
    qm::StoreLe64(&b.bytes()[at + 0x38], initialized);
    qm::StoreLe32(&b.bytes()[0x2C], 0x41);
    return b.Plain();
  };
  Bytes r = build(65536, 0x40);
  auto info = qm::MakeFolderIndexInfo(qm::ByteView(r.data(), r.size()), 0, 0);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->folderNumber, 0x40u);
  EXPECT_EQ(info->ownNumber, 0x41u);
  EXPECT_EQ(info->sectorsPerClusterGuess, 64u);
  r = build(0, 0x40);
  EXPECT_FALSE(qm::MakeFolderIndexInfo(qm::ByteView(r.data(), r.size()), 0, 512)) << "no initialized size";
  r = build(2 * 512 * 200, 0x40);
  EXPECT_FALSE(qm::MakeFolderIndexInfo(qm::ByteView(r.data(), r.size()), 0, 512))
      << "clusters of 200 sectors";
}

TEST(ScanHolders, RangesAndGuesses) {
  qm::NtfsRecordRange range;
  EXPECT_EQ(range.firstSector, ~0ull);
  EXPECT_EQ(range.count, 0u);
  range = {100, 3};
  EXPECT_FALSE(range.Extend(105));
  EXPECT_TRUE(range.Extend(106));
  EXPECT_EQ(range.count, 4u);
  qm::test::MemoryStream stream;
  qm::SaveRecordRange(stream, range);
  EXPECT_EQ(stream.bytes.size(), 16u);
  const auto loaded = qm::LoadRecordRange(stream);
  EXPECT_EQ(loaded.firstSector, 100u);
  EXPECT_EQ(loaded.count, 4u);

  const qm::NtfsRangeMap maps[] = {{1000, 10, 5}, {2000, 12, 100}, {0, ~0ull - 1, 1}};
  EXPECT_EQ(qm::TranslateThroughRanges(maps, 10), 1000);
  EXPECT_EQ(qm::TranslateThroughRanges(maps, 14), 1004);
  EXPECT_EQ(qm::TranslateThroughRanges(maps, 15), 2003) << "past the first, inside the second";
  EXPECT_EQ(qm::TranslateThroughRanges(maps, 9), -1);
  EXPECT_EQ(qm::TranslateThroughRanges(maps, ~0ull - 1), 0);
  EXPECT_EQ(qm::TranslateThroughRanges(maps, ~0ull), -1);

  const std::pair<double, unsigned> guesses[] = {{0, 0},
                                                 {0.2, 1},
                                                 {1, 1},
                                                 {1.01, 2},
                                                 {3, 4},
                                                 {8, 8},
                                                 {8.5, 16},
                                                 {128, 128},
                                                 {128.1, 0},
                                                 {-5, 0},
                                                 {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const auto& [value, spc] : guesses)
    EXPECT_EQ(qm::RoundSectorsPerClusterGuess(value), spc) << value;
}

TEST(FileTypeMatches, AddedForKnownTypesOnly) {
  qm::FileTypeMatchList matches;
  EXPECT_EQ(AddFileTypeMatch(matches, "photo.JPG", 10, 100), 1);
  EXPECT_EQ(AddFileTypeMatch(matches, "notes.xyz", 10, 100), 0);
  EXPECT_EQ(AddFileTypeMatch(matches, "photo.jpg", -1, 100), 0);
  EXPECT_EQ(AddFileTypeMatch(matches, "photo.jpg", 10, -1), 0);
  ASSERT_EQ(matches.size(), 1u);
  EXPECT_EQ(matches[0].type, 33);
  EXPECT_EQ(matches[0].first, 10);
  EXPECT_EQ(matches[0].second, 100);
}

TEST(FileTypeMatches, CountedWhenTheCarverFoundTheFileAtItsCluster) {
  CSearchedNTFSPartitionInfo partition;
  partition.SetStartSector(1000);
  partition.SetSectorCount(10000);
  partition.SetSectorsPerCluster(8);
  partition.SetFilesMatched(5);
  CRawFileCollection carved;
  auto add = [&](std::uint64_t sector, int type) {
    auto file = std::make_unique<CRawFileInfo>();
    file->SetStartSector(sector);
    file->SetType(type);
    carved.Add(std::move(file));
  };
  add(1000 + 10 * 8, 33);
  add(1000 + 20 * 8, 33);
  add(1000 + 30 * 8, 35);

  qm::FileTypeMatchList matches = {
      {33, 10, 900},    // record before the partition: passed over
      {33, 10, 1100},   // counted
      {33, 11, 1102},   // nothing carved at that cluster
      {33, 30, 1104},   // another type there
      {35, 30, 1106},   // counted
      {33, 5000, 1108}, // data outside the partition
      {33, 20, 11000},  // record at the partition's end: the walk stops
      {33, 20, 1110},   // after the stop, not counted
  };
  CountFileTypeMatches(matches, carved, partition);
  EXPECT_EQ(partition.GetFilesMatched(), 7u);
}

} // namespace
