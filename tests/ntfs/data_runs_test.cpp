#include "ntfs/data_runs.h"

#include <gtest/gtest.h>

#include "support/memory_stream.h"
#include "filemodel/rs_exception.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qm::NtfsRun;
using qm::NtfsRunList;

qm::ByteView View(const Bytes& b) { return qm::ByteView(b.data(), b.size()); }

TEST(MappingPairs, DecodeTable) {
  struct Row {
    const char* what;
    Bytes pairs;
    NtfsRunList runs;
  };
  const Row rows[] = {
      {"one run", {0x21, 0x18, 0x34, 0x56, 0x00}, {{0x5634, 0, 0x18}}},
      {"empty", {0x00, 0x21, 0x18, 0x34, 0x56}, {}},
      {"3-byte offset 0x800000 is negative",
       {0x31, 0x01, 0x00, 0x00, 0x10, 0x31, 0x01, 0x00, 0x00, 0x80, 0x00},
       {{0x100000, 0, 1}, {0x100000 - 0x800000, 1, 1}}},
      {"3-byte offset 0x7FFFFF", {0x31, 0x02, 0xFF, 0xFF, 0x7F, 0x00}, {{0x7FFFFF, 0, 2}}},
      {"1-byte offset 0xFF is -1", {0x11, 0x01, 0x10, 0x11, 0x01, 0xFF, 0x00}, {{0x10, 0, 1}, {0x0F, 1, 1}}},
      {"sparse run keeps the running LCN",
       {0x11, 0x04, 0x20, 0x01, 0x08, 0x11, 0x02, 0x10, 0x00},
       {{0x20, 0, 4}, {-1, 4, 8}, {0x30, 12, 2}}},
      {"two runs, second back at 0",
       {0x31, 0x10, 0x00, 0x10, 0x00, 0x21, 0x08, 0x00, 0xF0, 0x00},
       {{0x1000, 0, 0x10}, {0, 0x10, 0x08}}},
      {"8-byte offset taken as it is", {0x81, 0x01, 0x05, 0, 0, 0, 0, 0, 0, 0, 0x00}, {{5, 0, 1}}},
      {"field size above 8 stops", {0x11, 0x01, 0x02, 0x91, 0x01, 0x00}, {{2, 0, 1}}},
      {"pair running past the bytes stops", {0x11, 0x01, 0x02, 0x41, 0x01, 0x02}, {{2, 0, 1}}},
      {"no terminator: end of bytes", {0x11, 0x03, 0x07}, {{7, 0, 3}}},
  };
  for (const Row& row : rows) {
    NtfsRunList runs;
    DecodeDataRuns(View(row.pairs), runs);
    EXPECT_EQ(runs, row.runs) << row.what;
  }
}

TEST(MappingPairs, HostileOffsetsWrapWithoutOverflow) {
  // Two 8-byte offsets of the largest positive value: the running LCN would
  // overflow a signed sum; it wraps and the reader sees a negative LCN.
  const Bytes pairs = {0x81, 1,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x81,
                       1,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0};
  NtfsRunList runs;
  DecodeDataRuns(View(pairs), runs);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_LT(runs[1].lcn, 0);
}

TEST(MappingPairs, ValidateTable) {
  struct Row {
    const char* what;
    Bytes pairs;
    bool valid;
  };
  const Row rows[] = {
      {"sound", {0x21, 0x18, 0x34, 0x56, 0x00}, true},
      {"just the end", {0x00}, true},
      {"nothing", {}, false},
      // Fields up to 8 bytes wide: volumes past 2^31 clusters need them.
      {"header 0x81: an 8-byte offset", {0x81, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}, true},
      {"offset size 5", {0x51, 1, 1, 1, 1, 1, 1, 0}, true},
      {"length size 5", {0x15, 1, 1, 1, 1, 1, 1, 0}, true},
      {"offset size 9", {0x91, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}, false},
      {"run before cluster 0", {0x11, 1, 0xFF, 0}, false},
      {"4 and 4", {0x44, 1, 0, 0, 0, 1, 0, 0, 0, 0}, true},
      {"terminator missing", {0x11, 1, 1}, false},
      {"pair reaches the end", {0x11, 1, 1, 0x11}, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ValidateMappingPairs(View(row.pairs)), row.valid) << row.what;
}

TEST(RunLists, LookupsSortAndSavedForm) {
  NtfsRunList runs = {{100, 8, 4}, {-1, 4, 4}, {50, 0, 4}};
  SortByVcn(runs);
  EXPECT_EQ(runs[0].vcn, 0u);
  EXPECT_EQ(runs[2].vcn, 8u);
  EXPECT_EQ(TotalClusters(runs), 12u);
  EXPECT_EQ(VcnToLcn(runs, 3), 53);
  EXPECT_EQ(VcnToLcn(runs, 5), -1) << "sparse";
  EXPECT_EQ(VcnToLcn(runs, 11), 103);
  EXPECT_EQ(VcnToLcn(runs, 12), -1);
  EXPECT_TRUE(ContainsVcn(runs, 5));
  EXPECT_FALSE(ContainsVcn(runs, 12));
  EXPECT_EQ(SumRunLengths(View({0x21, 0x18, 0x34, 0x56, 0x01, 0x05, 0x00})), 0x18u + 5);

  Bytes saved;
  qm::SaveRunList(runs, saved);
  ASSERT_EQ(saved.size(), 8u + 3 * 24);
  EXPECT_EQ(saved[8], 50) << "LCN first";
  EXPECT_EQ(saved[16], 4) << "then the length";
  std::size_t used = 0;
  const auto loaded = qm::LoadRunList(View(saved), &used);
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(SameRuns(*loaded, runs));
  EXPECT_EQ(used, saved.size());
  // A count that the bytes cannot hold is refused before anything is sized.
  Bytes lying = saved;
  qm::StoreLe64(lying.data(), 0x0FFFFFFFFFFFFFFFull);
  EXPECT_FALSE(qm::LoadRunList(View(lying)));
  lying.resize(lying.size() - 1);
  qm::StoreLe64(lying.data(), 3);
  EXPECT_FALSE(qm::LoadRunList(View(lying)));
}

TEST(RunLists, ResultStreamForm) {
  const NtfsRunList runs = {{0x1234, 0, 16}, {-1, 16, 4}, {0x20, 20, 1}};
  qm::test::MemoryStream stream;
  qm::SaveRunList(runs, stream);
  EXPECT_EQ(stream.bytes.size(), 8u + 3 * 24);
  const auto loaded = qm::LoadRunList(stream);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(*loaded, runs);

  // A damaged count: refused beyond the cap, and a count the stream cannot
  // back ends in the stream's short-read error, not a huge allocation.
  qm::test::MemoryStream huge;
  qm::RSWrite<std::uint64_t>(huge, 1ull << 40);
  EXPECT_FALSE(qm::LoadRunList(huge));
  qm::test::MemoryStream shortStream;
  qm::RSWrite<std::uint64_t>(shortStream, 1000);
  qm::RSWrite<std::uint64_t>(shortStream, 5);
  EXPECT_THROW(qm::LoadRunList(shortStream), CRSException);
}

} // namespace
