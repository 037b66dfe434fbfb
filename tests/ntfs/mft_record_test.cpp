#include "ntfs/mft_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "ntfs/data_runs.h"
#include "ntfs/mft_attribute.h"
#include "record_builder.h"

namespace {

using qm::test::RecordBuilder;
using Bytes = std::vector<std::uint8_t>;

RecordBuilder SoundFile() {
  RecordBuilder b;
  b.AddStandardInformation(0x20);
  b.AddFileName(u"report.txt", 42);
  b.AddResident(0x80, Bytes{'h', 'e', 'l', 'l', 'o'});
  return b;
}

std::span<std::uint8_t> Span(Bytes& b) { return {b.data(), b.size()}; }

TEST(MftRecordHeader, Rules) {
  struct Row {
    const char* what;
    std::function<void(Bytes&)> patch;
    bool header;
  };
  const Row rows[] = {
      {"sound", [](Bytes&) {}, true},
      {"magic", [](Bytes& r) { r[0] = 'B'; }, false},
      {"17 sequence entries", [](Bytes& r) { qm::StoreLe16(&r[6], 17); }, false},
      {"allocated 1536", [](Bytes& r) { qm::StoreLe32(&r[0x1C], 1536); }, false},
      {"allocated 5120", [](Bytes& r) { qm::StoreLe32(&r[0x1C], 5120); }, false},
      {"allocated 0 with 1 entry",
       [](Bytes& r) {
         qm::StoreLe32(&r[0x1C], 0);
         qm::StoreLe16(&r[6], 1);
       },
       true},
      {"allocated 0 with 0 entries",
       [](Bytes& r) {
         qm::StoreLe32(&r[0x1C], 0);
         qm::StoreLe16(&r[6], 0);
       },
       true},
      {"allocated 0 with 3 entries", [](Bytes& r) { qm::StoreLe32(&r[0x1C], 0); }, false},
      {"allocated 4096 with 9 entries",
       [](Bytes& r) {
         qm::StoreLe32(&r[0x1C], 4096);
         qm::StoreLe16(&r[6], 9);
       },
       true},
      {"more entries than strides", [](Bytes& r) { qm::StoreLe16(&r[6], 4); }, false},
      {"sequence offset 41", [](Bytes& r) { qm::StoreLe16(&r[4], 41); }, false},
      {"sequence offset 42", [](Bytes& r) { qm::StoreLe16(&r[4], 42); }, true},
      {"sequence offset 256", [](Bytes& r) { qm::StoreLe16(&r[4], 256); }, true},
      {"sequence offset 257", [](Bytes& r) { qm::StoreLe16(&r[4], 257); }, false},
  };
  for (const Row& row : rows) {
    Bytes r = SoundFile().Build();
    row.patch(r);
    EXPECT_EQ(IsFileRecordHeader(qm::ByteView(r.data(), r.size())), row.header) << row.what;
  }
  EXPECT_FALSE(IsFileRecordHeader(qm::ByteView()));
  const Bytes r = SoundFile().Build();
  EXPECT_FALSE(IsFileRecordHeader(qm::ByteView(r.data(), 3)));
}

TEST(MftRecordFixup, ViewRestoresCallersBufferByteForByte) {
  const RecordBuilder builder = SoundFile();
  Bytes record = builder.Build();
  const Bytes original = record;
  const Bytes plain = builder.Plain();
  {
    CNTFSFileRecordView view(Span(record), false);
    ASSERT_TRUE(view.IsValid());
    EXPECT_TRUE(view.IsFixedUp());
    // The stride ends hold the saved bytes while the view lives.
    EXPECT_EQ(record[510], plain[510]);
    EXPECT_EQ(record[1023], plain[1023]);
    EXPECT_EQ(view.Record().data(), record.data());
  }
  EXPECT_EQ(record, original);

  {
    CNTFSFileRecordView copy(Span(record), true);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_NE(copy.Record().data(), record.data());
    EXPECT_EQ(copy.Record().u8(511), plain[511]);
    EXPECT_EQ(record, original) << "a copying view never touches the caller's buffer";
  }
  EXPECT_EQ(record, original);
  EXPECT_TRUE(IsValidFileRecord(Span(record)));
  EXPECT_EQ(record, original) << "validation undoes its fix-up";
}

TEST(MftRecordFixup, OnlyFirstTwoStridesOfALargeRecord) {
  RecordBuilder builder(4096);
  builder.AddFileName(u"big");
  Bytes record = builder.Build();
  // A 4096-byte record carries 9 entries; only strides 0 and 1 are fixed.
  qm::StoreLe16(&record[6], 3);
  const Bytes before = record;
  ASSERT_TRUE(ApplyUpdateSequenceFixup(Span(record)));
  EXPECT_EQ(record[510], 0xA0);
  EXPECT_EQ(record[1022], 0xA1);
  EXPECT_EQ(record[1534], before[1534]) << "third stride untouched";
  ASSERT_TRUE(UndoUpdateSequenceFixup(Span(record)));
  EXPECT_EQ(record, before);
}

TEST(MftRecordFixup, EveryStrideOfA4096ByteRecord) {
  RecordBuilder builder(4096);
  builder.AddFileName(u"big");
  Bytes record = builder.Build();
  const Bytes plain = builder.Plain();
  const Bytes before = record;
  ASSERT_EQ(record[6] | record[7] << 8, 9);
  ASSERT_TRUE(ApplyUpdateSequenceFixup(Span(record)));
  // Every stride's last two bytes come back, the eighth too.
  for (std::size_t end = 510; end < 4096; end += 512) {
    EXPECT_EQ(record[end], plain[end]) << end;
    EXPECT_EQ(record[end + 1], plain[end + 1]) << end;
  }
  ASSERT_TRUE(UndoUpdateSequenceFixup(Span(record)));
  EXPECT_EQ(record, before);

  // A view over the first 1024 bytes fixes only what it holds.
  Bytes head(record.begin(), record.begin() + 1024);
  ASSERT_TRUE(ApplyUpdateSequenceFixup(Span(head)));
  EXPECT_EQ(head[510], plain[510]);
  EXPECT_EQ(head[1022], plain[1022]);

  // A torn write in the seventh stride is caught.
  for (const std::size_t stride : {2u, 6u, 7u}) {
    Bytes torn = before;
    torn[stride * 512 + 511] ^= 0x5A;
    const Bytes tornBefore = torn;
    EXPECT_FALSE(CheckUpdateSequence(qm::ByteView(torn.data(), torn.size()))) << stride;
    EXPECT_FALSE(ApplyUpdateSequenceFixup(Span(torn))) << stride;
    EXPECT_EQ(torn, tornBefore);
  }
}

TEST(MftRecordFixup, FailuresChangeNothing) {
  Bytes record = SoundFile().Build();
  Bytes shortRecord(record.begin(), record.begin() + 1000);
  const Bytes shortBefore = shortRecord;
  EXPECT_FALSE(ApplyUpdateSequenceFixup(Span(shortRecord)));
  EXPECT_FALSE(UndoUpdateSequenceFixup(Span(shortRecord)));
  EXPECT_FALSE(IsValidFileRecord(Span(shortRecord)));
  EXPECT_EQ(shortRecord, shortBefore);

  // A stride end that does not match: the record is still used, unfixed.
  record[1022] ^= 0xFF;
  const Bytes before = record;
  EXPECT_FALSE(CheckUpdateSequence(qm::ByteView(record.data(), record.size())));
  EXPECT_FALSE(ApplyUpdateSequenceFixup(Span(record)));
  EXPECT_EQ(record, before);
  EXPECT_TRUE(IsValidFileRecord(Span(record)));
  CNTFSFileRecordView view(Span(record), false);
  EXPECT_TRUE(view.IsValid());
  EXPECT_FALSE(view.IsFixedUp());
}

TEST(MftRecordValidation, AttributeRules) {
  struct Row {
    const char* what;
    std::function<void(RecordBuilder&)> build;
    bool valid;
  };
  const Row rows[] = {
      {"sound", [](RecordBuilder& b) { b.AddFileName(u"a.txt"); }, true},
      {"name with colon", [](RecordBuilder& b) { b.AddFileName(u"a:b"); }, false},
      {"name with question mark", [](RecordBuilder& b) { b.AddFileName(u"why?"); }, false},
      {"forbidden char after a 0", [](RecordBuilder& b) { b.AddFileName(std::u16string(u"ok\0:x", 5)); },
       true},
      {"name running past its attribute",
       [](RecordBuilder& b) {
         const std::size_t at = b.AddFileName(u"abc");
         b.bytes()[at + 0x18 + 0x40] = 200; // claims 200 characters
       },
       false},
      {"resident value past its attribute",
       [](RecordBuilder& b) {
         const std::size_t at = b.AddResident(0x80, Bytes(16, 1));
         qm::StoreLe32(&b.bytes()[at + 0x10], 17);
       },
       false},
      {"value offset past its attribute",
       [](RecordBuilder& b) {
         const std::size_t at = b.AddResident(0x80, Bytes(16, 1));
         qm::StoreLe16(&b.bytes()[at + 0x14], 0x30);
       },
       false},
      {"non-resident header cut short",
       [](RecordBuilder& b) {
         const std::size_t at = b.AddNonResident(0x80, {0x11, 0x01, 0x10, 0}, 0, 0, 100);
         qm::StoreLe32(&b.bytes()[at + 4], 0x38);
       },
       false},
      {"mapping pairs offset past the attribute",
       [](RecordBuilder& b) {
         const std::size_t at = b.AddNonResident(0x80, {0x11, 0x01, 0x10, 0}, 0, 0, 100);
         qm::StoreLe16(&b.bytes()[at + 0x20], 0x100);
       },
       false},
      // A volume past 2^31 clusters needs offsets of 5 bytes and more.
      {"$DATA pairs with a 5-byte offset",
       [](RecordBuilder& b) {
         b.AddNonResident(0x80, {0x51, 1, 1, 2, 3, 4, 5, 0}, 0, 0, 1);
       },
       true},
      {"$DATA pairs with a 9-byte offset",
       [](RecordBuilder& b) {
         b.AddNonResident(0x80, {0x91, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}, 0, 0, 1);
       },
       false},
      {"$DATA pairs with a run before cluster 0",
       [](RecordBuilder& b) {
         b.AddNonResident(0x80, {0x11, 1, 0x80, 0}, 0, 0, 1);
       },
       false},
      {"$DATA pairs without end",
       [](RecordBuilder& b) {
         b.AddNonResident(0x80, {0x11, 1, 1, 0x11, 1, 1, 0x11, 1}, 0, 0, 1);
       },
       false},
      {"other pairs are not checked",
       [](RecordBuilder& b) {
         b.AddNonResident(0xA0, {0x51, 1, 1, 2, 3, 4, 5, 0}, 0, 0, 1);
       },
       true},
      {"attribute longer than the record",
       [](RecordBuilder& b) {
         const std::size_t at = b.AddFileName(u"x");
         qm::StoreLe32(&b.bytes()[at + 4], 0x1000);
       },
       false},
  };
  for (const Row& row : rows) {
    RecordBuilder b;
    row.build(b);
    Bytes record = b.Build();
    const Bytes before = record;
    EXPECT_EQ(IsValidFileRecord(Span(record)), row.valid) << row.what;
    EXPECT_EQ(record, before) << row.what;
    CNTFSFileRecordView view(Span(record), false);
    EXPECT_EQ(view.IsValid(), row.valid) << row.what;
  }
}

TEST(MftRecordWalk, StopsAt1016) {
  // Fill the record so that the last attribute ends exactly at 1016: it is
  // seen; one that starts at 1016 is not.
  RecordBuilder b;
  b.AddFileName(u"walk");
  const std::size_t filler = 1016 - b.end() - 0x18 - (0x18 + 0x20);
  b.AddResident(0x40, Bytes(filler, 0x11));
  const std::size_t last = b.AddResident(0x80, Bytes(0x20, 0x22));
  ASSERT_EQ(b.end(), 1016u);
  (void)last;
  Bytes record = b.Build();
  CNTFSFileRecordView view(Span(record), false);
  ASSERT_TRUE(view.IsValid());
  EXPECT_TRUE(FindAttribute(view.Record(), 0x80, 0));

  // An attribute placed at 1016 is never found.
  Bytes plain = b.Plain();
  qm::StoreLe32(&plain[1016], 0x80);
  qm::StoreLe32(&plain[1020], 0x18);
  EXPECT_EQ(CountAttributes(qm::ByteView(plain.data(), plain.size()), 0x80), 1u);
}

TEST(MftRecordWalk, FindAndCountByIndex) {
  RecordBuilder b;
  b.AddStandardInformation(0);
  b.AddFileName(u"LONGNA~1.TXT");
  b.AddFileName(u"long name.txt");
  b.AddResident(0x80, Bytes{1, 2, 3});
  b.AddResident(0x80, Bytes{4, 5}, u"stream");
  Bytes record = b.Build();
  CNTFSFileRecordView view(Span(record), false);
  ASSERT_TRUE(view.IsValid());
  EXPECT_EQ(CountAttributes(view.Record(), 0x30), 2u);
  const auto second = FindAttribute(view.Record(), 0x30, 1);
  ASSERT_TRUE(second);
  const auto info = qm::ReadFileName(second.bytes);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->name, u"long name.txt");
  EXPECT_EQ(info->parentRecord, 5u);
  EXPECT_FALSE(FindAttribute(view.Record(), 0x30, 2));
  const auto stream = FindAttribute(view.Record(), 0x80, 1);
  ASSERT_TRUE(stream);
  EXPECT_EQ(qm::attr::NameLength(stream.bytes), 6u);
  EXPECT_EQ(qm::attr::ResidentValue(stream.bytes)->size(), 2u);
  EXPECT_TRUE(IsInUse(view.Record()));
  EXPECT_FALSE(IsDirectory(view.Record()));
  EXPECT_FALSE(HasAttributeList(view.Record()));
  EXPECT_FALSE(IsExtensionRecord(view.Record()));
}

// The table that the checking walk fills answers every search as a walk of
// the record would, and checks as IsValidFileRecord does: sound records of
// few and of as many attributes as fit, and seeded damage of each.
TEST(MftRecordWalk, AttributeTableAnswersAsTheWalk) {
  std::vector<Bytes> records;
  RecordBuilder names;
  names.AddStandardInformation(0);
  names.AddFileName(u"LONGNA~1.TXT");
  names.AddFileName(u"long name.txt");
  names.AddResident(0x80, Bytes{1, 2, 3});
  names.AddResident(0x80, Bytes{4, 5}, u"stream");
  names.AddNonResident(0x80, {0x11, 0x01, 0x10, 0}, 0, 0, 100, u"runs");
  records.push_back(names.Build());
  records.push_back(SoundFile().Build());
  RecordBuilder full;
  const std::uint32_t kinds[] = {0x10, 0x30, 0x40, 0x80, 0xA0};
  for (std::size_t i = 0; full.end() + 0x18 + 8 <= 1016; ++i)
    full.AddResident(kinds[i % 5] == 0x30 ? 0x50 : kinds[i % 5], Bytes{});
  records.push_back(full.Build());
  std::mt19937 random(16);
  for (std::size_t k = 0, sound = records.size(); k < 600; ++k) {
    Bytes damaged = records[k % sound];
    for (int i = 0; i < 3; ++i)
      damaged[0x14 + random() % (1016 - 0x14)] = static_cast<std::uint8_t>(random());
    records.push_back(std::move(damaged));
  }

  std::size_t valid = 0;
  for (std::size_t k = 0; k < records.size(); ++k) {
    Bytes record = records[k];
    const bool expected = IsValidFileRecord(Span(record));
    // The table checks the attributes; the header is tested before.
    if (!IsFileRecordHeader(qm::ByteView(record.data(), record.size()))) {
      EXPECT_FALSE(expected);
      continue;
    }
    ApplyUpdateSequenceFixup(Span(record));
    const qm::ByteView fixed(record.data(), record.size());
    qm::NtfsAttributeTable table;
    ASSERT_EQ(table.Check(fixed), expected) << "record " << k;
    if (!expected) {
      EXPECT_TRUE(table.Record().empty());
      EXPECT_FALSE(table.Find(0x30, 0));
      continue;
    }
    ++valid;
    for (const std::uint32_t type : {0x10u, 0x20u, 0x30u, 0x40u, 0x50u, 0x80u, 0xA0u, 0xFFFFFFFFu}) {
      EXPECT_EQ(table.Count(type), CountAttributes(fixed, type)) << "record " << k;
      for (unsigned index = 0; index < 12; ++index) {
        const qm::NtfsAttribute walked = FindAttribute(fixed, type, index);
        const qm::NtfsAttribute listed = table.Find(type, index);
        ASSERT_EQ(listed.bytes.data(), walked.bytes.data()) << "record " << k;
        ASSERT_EQ(listed.bytes.size(), walked.bytes.size()) << "record " << k;
        ASSERT_EQ(listed.offset, walked.offset) << "record " << k;
      }
    }
  }
  EXPECT_GT(valid, 3u);
  EXPECT_LT(valid, records.size());
}

TEST(MftRecordWalk, InvalidViewFindsNothing) {
  Bytes record = SoundFile().Build();
  record[0] = 'X';
  CNTFSFileRecordView view(Span(record), false);
  EXPECT_FALSE(view.IsValid());
  EXPECT_FALSE(FindAttribute(view.Record(), 0x30, 0));
  EXPECT_EQ(CountAttributes(view.Record(), 0x10), 0u);
}

} // namespace
