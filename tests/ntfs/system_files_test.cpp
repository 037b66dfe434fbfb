#include "ntfs/system_files.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ntfs/ntfs_boot_sector.h"
#include "ntfs_fixture.h"
#include "record_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Record n of the fixture's $MFT, from its first extent.
Bytes FixtureRecord(std::uint64_t n) {
  const auto& image = qm::test::NtfsBasicImage();
  CNTFSDBR dbr;
  EXPECT_TRUE(dbr.Load(image.data()));
  const std::uint64_t at = dbr.GetMftStartCluster() * 4096 + n * 1024;
  return Bytes(image.begin() + at, image.begin() + at + 1024);
}

TEST(SystemFiles, NumbersOfTheRealVolume) {
  for (int n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) {
    Bytes record = FixtureRecord(n);
    const Bytes before = record;
    {
      CNTFSFileRecordView view({record.data(), record.size()}, false);
      ASSERT_TRUE(view.IsValid()) << n;
      EXPECT_EQ(GetSystemFileNumber(view), n);
      EXPECT_TRUE(IsSystemFileRecord(view)) << n;
      EXPECT_EQ(IsMftFileRecord(view), n == 0);
      EXPECT_EQ(IsMftMirrFileRecord(view), n == 1);
      EXPECT_EQ(IsLogFileFileRecord(view), n == 2);
      EXPECT_EQ(IsVolumeFileRecord(view), n == 3);
      EXPECT_EQ(IsAttrDefFileRecord(view), n == 4);
      EXPECT_EQ(IsBitmapFileRecord(view), n == 6);
      EXPECT_EQ(IsUpCaseFileRecord(view), n == 10);
    }
    EXPECT_EQ(record, before);
  }
  // The buffer forms look at the first 1024 bytes of a longer buffer.
  Bytes padded = FixtureRecord(6);
  padded.resize(4096, 0xEE);
  EXPECT_TRUE(IsBitmapFileRecord(std::span<std::uint8_t>(padded)));
  EXPECT_FALSE(IsUpCaseFileRecord(std::span<std::uint8_t>(padded)));
  Bytes logFile = FixtureRecord(2);
  EXPECT_TRUE(IsLogFileFileRecord(std::span<std::uint8_t>(logFile)));

  Bytes ordinary = FixtureRecord(69); // resident.bin
  CNTFSFileRecordView view({ordinary.data(), ordinary.size()}, false);
  ASSERT_TRUE(view.IsValid());
  EXPECT_EQ(GetSystemFileNumber(view), -1);
}

TEST(SystemFiles, NameIsCaseSensitive) {
  qm::test::RecordBuilder b;
  b.AddStandardInformation(0x06);
  b.AddFileName(u"$mft");
  Bytes record = b.Build();
  CNTFSFileRecordView view({record.data(), record.size()}, false);
  ASSERT_TRUE(view.IsValid());
  EXPECT_EQ(GetSystemFileNumber(view), -1);
  EXPECT_FALSE(IsMftFileRecord(view));
}

TEST(VolumeLabel, RealVolumeAndBoundedOutput) {
  Bytes record = FixtureRecord(3);
  char label[kVolumeLabelBytes];
  std::memset(label, 'x', sizeof label);
  ASSERT_TRUE(GetVolumeLabelFromRecord({record.data(), record.size()}, label));
  EXPECT_STREQ(label, "QM Fixture");

  // A 120-character label (Greek, two bytes each in UTF-8) is cut at a whole
  // character and terminated inside the 80 bytes.
  qm::test::RecordBuilder b;
  b.AddStandardInformation(0x06);
  b.AddFileName(u"$Volume", 5);
  std::u16string longLabel(120, u'\u03A9');
  Bytes value(longLabel.size() * 2);
  for (std::size_t i = 0; i < longLabel.size(); ++i)
    qm::StoreLe16(&value[2 * i], longLabel[i]);
  b.AddResident(0x60, value);
  Bytes crafted = b.Build();
  std::memset(label, 'x', sizeof label);
  ASSERT_TRUE(GetVolumeLabelFromRecord({crafted.data(), crafted.size()}, label));
  EXPECT_EQ(std::strlen(label), 78u);

  // Not a $Volume record: the output stays as it was.
  Bytes other = FixtureRecord(0);
  std::memset(label, 'x', sizeof label);
  EXPECT_FALSE(GetVolumeLabelFromRecord({other.data(), other.size()}, label));
  EXPECT_EQ(label[0], 'x');
}

TEST(ClusterGuess, FromMftRecord) {
  Bytes mft = FixtureRecord(0);
  CNTFSFileRecordView view({mft.data(), mft.size()}, false);
  ASSERT_TRUE(view.IsValid());
  EXPECT_EQ(GuessSectorsPerClusterFromMftRecord(view.Record()), 8u);
  EXPECT_EQ(GuessSectorsPerClusterFromMftRecord(view.Record(), 4096), 1u);

  struct Row {
    const char* what;
    std::uint64_t clusters;
    std::uint64_t realSize;
    unsigned expected;
  };
  const Row rows[] = {
      {"1 sector", 16, 16 * 512, 1},
      {"3 sectors round to 4", 10, 10 * 1536, 4},
      {"5 sectors round to 8", 10, 10 * 2560, 8},
      {"128 sectors", 2, 2 * 65536, 128},
      {"too large", 1, 129 * 512, 0},
  };
  for (const Row& row : rows) {
    qm::test::RecordBuilder b;
    b.AddFileName(u"$MFT");
    const Bytes pairs = {0x11, static_cast<std::uint8_t>(row.clusters), 0x10, 0x00};
    b.AddNonResident(0x80, pairs, 0, row.clusters - 1, row.realSize);
    Bytes record = b.Build();
    CNTFSFileRecordView v({record.data(), record.size()}, false);
    ASSERT_TRUE(v.IsValid()) << row.what;
    EXPECT_EQ(GuessSectorsPerClusterFromMftRecord(v.Record()), row.expected) << row.what;
  }
  // Run lengths that disagree with the VCN range give no guess; a resident
  // unnamed $DATA gives none either.
  qm::test::RecordBuilder wrong;
  wrong.AddNonResident(0x80, {0x11, 0x04, 0x10, 0x00}, 0, 9, 4096);
  Bytes w = wrong.Build();
  CNTFSFileRecordView wv({w.data(), w.size()}, false);
  EXPECT_EQ(GuessSectorsPerClusterFromMftRecord(wv.Record()), 0u);
  qm::test::RecordBuilder resident;
  resident.AddResident(0x80, Bytes(10, 1));
  Bytes r = resident.Build();
  CNTFSFileRecordView rv({r.data(), r.size()}, false);
  EXPECT_EQ(GuessSectorsPerClusterFromMftRecord(rv.Record()), 0u);
}

} // namespace
