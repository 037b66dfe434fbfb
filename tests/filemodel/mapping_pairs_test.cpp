#include "filemodel/mapping_pairs.h"

#include <gtest/gtest.h>

#include <random>

#include "filemodel/ntfs_data_run_lists.h"

namespace {

using qm::MappingPairsEnd;
using Bytes = std::vector<std::uint8_t>;
using Runs = std::vector<DataRunEntry>;

constexpr std::uint64_t kSparse = qm::kSparseRunStart;

std::uint64_t Lcn(std::int64_t value) { return static_cast<std::uint64_t>(value); }

struct DecodeCase {
  const char* name;
  Bytes bytes;
  Runs runs;
  MappingPairsEnd end;
};

TEST(MappingPairsDecode, Table) {
  const DecodeCase cases[] = {
      {"one run, two-byte start",
       {0x21, 0x18, 0x34, 0x56, 0x00},
       {{0x5634, 0x18}},
       MappingPairsEnd::kTerminator},
      {"second run steps back to LCN 0",
       {0x31, 0x10, 0x00, 0x10, 0x00, 0x21, 0x08, 0x00, 0xF0, 0x00},
       {{0x1000, 0x10}, {0, 0x08}},
       MappingPairsEnd::kTerminator},
      {"0 header ends at once", {0x00, 0x11, 0x01, 0x01}, {}, MappingPairsEnd::kTerminator},
      {"header 0x01 is a sparse run", {0x01, 0x05, 0x00}, {{kSparse, 5}}, MappingPairsEnd::kTerminator},
      {"one-byte 0xFF is -1",
       {0x11, 0x01, 0x10, 0x11, 0x01, 0xFF, 0x00},
       {{0x10, 1}, {0x0F, 1}},
       MappingPairsEnd::kTerminator},
      {"three-byte 0x800000 is negative",
       {0x41, 0x01, 0x00, 0x00, 0x90, 0x00, 0x31, 0x01, 0x00, 0x00, 0x80, 0x00},
       {{0x900000, 1}, {0x100000, 1}},
       MappingPairsEnd::kTerminator},
      {"three-byte 0x7FFFFF is positive",
       {0x31, 0x01, 0xFF, 0xFF, 0x7F, 0x00},
       {{0x7FFFFF, 1}},
       MappingPairsEnd::kTerminator},
      {"first run below 0 wraps like a signed LCN",
       {0x11, 0x01, 0xFE, 0x00},
       {{Lcn(-2), 1}},
       MappingPairsEnd::kTerminator},
      {"sparse run keeps the previous start",
       {0x11, 0x04, 0x20, 0x01, 0x02, 0x11, 0x03, 0x05, 0x00},
       {{0x20, 4}, {kSparse, 2}, {0x25, 3}},
       MappingPairsEnd::kTerminator},
      {"eight-byte offset is taken as it is",
       {0x81, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00},
       {{Lcn(-1), 1}},
       MappingPairsEnd::kTerminator},
      {"eight-byte length",
       {0x08, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x88, 0x00},
       {{kSparse, 0x8807060504030201ull}},
       MappingPairsEnd::kTerminator},
      {"length nibble above 8 stops",
       {0x11, 0x01, 0x10, 0x19, 0x01, 0x01},
       {{0x10, 1}},
       MappingPairsEnd::kBadFieldSize},
      {"offset nibble above 8 stops",
       {0x11, 0x01, 0x10, 0xF1, 0x01},
       {{0x10, 1}},
       MappingPairsEnd::kBadFieldSize},
      {"entry running past the end is dropped",
       {0x11, 0x01, 0x10, 0x32, 0x01, 0x00, 0x00},
       {{0x10, 1}},
       MappingPairsEnd::kTruncated},
      {"entry ending exactly at the end is kept",
       {0x11, 0x01, 0x10},
       {{0x10, 1}},
       MappingPairsEnd::kEndOfBytes},
      {"no bytes at all", {}, {}, MappingPairsEnd::kEndOfBytes},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Runs runs;
    EXPECT_EQ(qm::DecodeMappingPairs(qm::ByteView(c.bytes.data(), c.bytes.size()), runs), c.end);
    EXPECT_EQ(runs, c.runs);
  }
}

TEST(MappingPairsDecode, ReportsVcnAndConsumedBytes) {
  const Bytes bytes = {0x11, 0x04, 0x20, 0x01, 0x02, 0x11, 0x03, 0x05, 0x00, 0xAA};
  qm::MappingPairsReader reader(qm::ByteView(bytes.data(), bytes.size()));
  DataRunEntry run;
  std::vector<std::uint64_t> vcns;
  while (reader.Next(run))
    vcns.push_back(reader.Vcn());
  EXPECT_EQ(vcns, (std::vector<std::uint64_t>{0, 4, 6}));
  EXPECT_EQ(reader.Position(), 9u); // the 0 byte counts, the byte after it does not
  EXPECT_FALSE(reader.Next(run));   // stays ended
}

struct EncodeCase {
  const char* name;
  Runs runs;
  Bytes bytes;
};

TEST(MappingPairsEncode, Table) {
  const EncodeCase cases[] = {
      {"run (0x100, 8)", {{0x100, 8}}, {0x21, 0x08, 0x00, 0x01, 0x00}},
      {"delta -1 takes one byte", {{0x10, 1}, {0x0F, 1}}, {0x11, 0x01, 0x10, 0x11, 0x01, 0xFF, 0x00}},
      {"delta 128 takes two bytes", {{0x80, 1}}, {0x21, 0x01, 0x80, 0x00, 0x00}},
      {"delta -128 takes one byte",
       {{0x100, 1}, {0x80, 1}},
       {0x21, 0x01, 0x00, 0x01, 0x11, 0x01, 0x80, 0x00}},
      {"length 128 takes two bytes", {{0x10, 128}}, {0x12, 0x80, 0x00, 0x10, 0x00}},
      {"sparse run against the run before it",
       {{0x20, 4}, {kSparse, 2}, {0x25, 3}},
       {0x11, 0x04, 0x20, 0x01, 0x02, 0x11, 0x03, 0x05, 0x00}},
      // A zero delta or a zero length still takes a byte: an empty offset
      // would read as sparse, an empty header as the end.
      {"run at cluster 0", {{0, 3}}, {0x11, 0x03, 0x00, 0x00}},
      {"sparse run of length 0", {{kSparse, 0}}, {0x01, 0x00, 0x00}},
      {"huge length takes all 8 bytes",
       {{kSparse, ~0ull}},
       {0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}},
      {"no runs", {}, {0x00}},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(qm::EncodeMappingPairs(c.runs), c.bytes);
  }
}

// Whatever the runs, decoding what the encoder wrote gives them back.
TEST(MappingPairsEncode, RoundTripsRandomLists) {
  std::mt19937_64 random(7);
  for (int list = 0; list < 500; ++list) {
    Runs runs;
    const int count = static_cast<int>(random() % 20) + 1;
    for (int i = 0; i < count; ++i) {
      DataRunEntry run;
      const unsigned startBits = static_cast<unsigned>(random() % 64) + 1;
      const unsigned lengthBits = static_cast<unsigned>(random() % 64) + 1;
      run.start = random() % 5 == 0 ? kSparse : random() >> (64 - startBits);
      run.count = random() >> (64 - lengthBits);
      runs.push_back(run);
    }
    const Bytes bytes = qm::EncodeMappingPairs(runs);
    Runs decoded;
    ASSERT_EQ(qm::DecodeMappingPairs(qm::ByteView(bytes.data(), bytes.size()), decoded),
              MappingPairsEnd::kTerminator);
    ASSERT_EQ(decoded, runs);
    ASSERT_EQ(qm::MappingPairsLength(qm::ByteView(bytes.data(), bytes.size())), bytes.size());
  }
}

TEST(MappingPairsLength, StepsToTheZeroByte) {
  const Bytes bytes = {0x21, 0x08, 0x00, 0x01, 0x00, 0x77, 0x77};
  EXPECT_EQ(qm::MappingPairsLength(qm::ByteView(bytes.data(), bytes.size())), 5u);
  const Bytes unterminated = {0x21, 0x08, 0x00, 0x01, 0x31};
  EXPECT_EQ(qm::MappingPairsLength(qm::ByteView(unterminated.data(), unterminated.size())),
            unterminated.size());
  EXPECT_EQ(qm::MappingPairsLength(qm::ByteView()), 0u);
}

TEST(MappingPairsValidate, StrictRules) {
  const struct {
    const char* name;
    Bytes bytes;
    bool valid;
  } cases[] = {
      {"one run then the end", {0x21, 0x18, 0x34, 0x56, 0x00}, true},
      {"only the end", {0x00}, true},
      {"header with the top bit set: an 8-byte offset", {0x81, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}, true},
      // Volumes past 2^31 clusters need wider fields; the format allows 8.
      {"length field of 5 bytes", {0x15, 1, 2, 3, 4, 5, 0x01, 0x00}, true},
      {"offset field of 5 bytes", {0x51, 1, 1, 2, 3, 4, 5, 0x00}, true},
      {"offset of 8 bytes, cluster 2^62", {0x81, 1, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x00}, true},
      {"length of 8 bytes", {0x18, 1, 0, 0, 0, 0, 0, 0, 1, 0x05, 0x00}, true},
      {"offset field of 9 bytes", {0x91, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x00}, false},
      {"length field of 9 bytes", {0x19, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x00}, false},
      {"first run before cluster 0", {0x11, 0x08, 0xF0, 0x00}, false},
      {"second run steps before cluster 0", {0x11, 0x08, 0x10, 0x11, 0x08, 0xE0, 0x00}, false},
      {"second run steps back inside the volume", {0x11, 0x08, 0x20, 0x11, 0x08, 0xF0, 0x00}, true},
      {"sparse run keeps the start", {0x11, 0x08, 0x20, 0x01, 0x08, 0x00}, true},
      {"entry whose offset runs past the bytes", {0x51, 1, 1, 2}, false},
      {"entry that reaches the length", {0x21, 0x18, 0x34, 0x56}, false},
      {"nothing", {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(qm::ValidateMappingPairsStrict(qm::ByteView(c.bytes.data(), c.bytes.size())), c.valid);
  }
}

TEST(NtfsRunLists, NonResidentKeepsWhatDecodedBeforeDamage) {
  const Bytes bytes = {0x31, 0x10, 0x00, 0x10, 0x00, 0x21, 0x08, 0x00, 0xF0, 0xC1, 0x01};
  CNoneResidentNTFSDataRunList list;
  EXPECT_EQ(list.ParseMappingPairs(bytes.data(), bytes.size()), 1);
  EXPECT_EQ(list.Runs(), (Runs{{0x1000, 0x10}, {0, 8}}));
  EXPECT_EQ(list.GetKind(), 2u);
  EXPECT_EQ(list.IsResident(), 0);
  EXPECT_EQ(list.GetResidentValue(), 0u);
}

TEST(NtfsRunLists, ResidentHoldsRecordSectorAndOffset) {
  CResidentNTFSDataRunList list;
  EXPECT_EQ(list.GetResidentValue(), 0u);
  list.SetResidentData(123456, 1, 0x198);
  EXPECT_EQ(list.Runs(), (Runs{{123456, 1}}));
  EXPECT_EQ(list.IsResident(), 1);
  EXPECT_EQ(list.GetResidentValue(), 0x198u);
  EXPECT_EQ(list.GetKind(), 1u);
}

} // namespace
