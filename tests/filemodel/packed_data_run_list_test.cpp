#include "filemodel/packed_data_run_list.h"

#include <gtest/gtest.h>

#include "filemodel/ntfs_data_run_lists.h"
#include "support/memory_stream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Runs = std::vector<DataRunEntry>;
using qm::test::MemoryStream;
constexpr std::uint64_t kSparse = qm::kSparseRunStart;

Bytes PairsOf(const CPackedDataRunList& packed) {
  const qm::ByteView view = packed.MappingPairs();
  return Bytes(view.data(), view.data() + view.size());
}

TEST(PackedDataRunList, PacksRunsAsMappingPairs) {
  const struct {
    const char* name;
    Runs runs;
    Bytes pairs;
  } cases[] = {
      {"run (0x100, 8)", {{0x100, 8}}, {0x21, 0x08, 0x00, 0x01, 0x00}},
      {"negative delta", {{0x10, 1}, {0x0F, 1}}, {0x11, 0x01, 0x10, 0x11, 0x01, 0xFF, 0x00}},
      {"delta 128", {{0x80, 1}}, {0x21, 0x01, 0x80, 0x00, 0x00}},
      {"sparse",
       {{0x20, 4}, {kSparse, 2}, {0x25, 3}},
       {0x11, 0x04, 0x20, 0x01, 0x02, 0x11, 0x03, 0x05, 0x00}},
      // Longer than fits inside the object.
      {"many runs",
       {{0x1000, 0x10}, {0, 8}, {0x123456, 0x7FFF}},
       {0x21, 0x10, 0x00, 0x10, 0x21, 0x08, 0x00, 0xF0, 0x32, 0xFF, 0x7F, 0x56, 0x34, 0x12, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CNoneResidentNTFSDataRunList list;
    for (const DataRunEntry& run : c.runs)
      list.AddRun(run);
    const auto packed = CPackedDataRunList::FromDataRunList(&list);
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(PairsOf(*packed), c.pairs);
    EXPECT_EQ(packed->GetResidentValue(), 0u);
    const auto unpacked = packed->Unpack();
    ASSERT_NE(unpacked, nullptr);
    EXPECT_EQ(unpacked->GetKind(), qm::kRunListNtfsNonResident);
    EXPECT_EQ(unpacked->Runs(), c.runs);
  }
}

// Packing straight from runs gives the pairs that packing their run list
// gives, for lists shorter and longer than the ones packed in one pass.
TEST(PackedDataRunList, FromRunsPacksAsTheRunList) {
  Runs runs;
  std::uint64_t start = 0x10;
  for (std::size_t count = 1; count <= 40; ++count) {
    start = count % 5 == 0 ? start / 3 : start * 5 + count;
    runs.push_back({count % 7 == 0 ? kSparse : start, count * 97});
    CNoneResidentNTFSDataRunList list;
    for (const DataRunEntry& run : runs)
      list.AddRun(run);
    const auto expected = CPackedDataRunList::FromDataRunList(&list);
    const auto packed = CPackedDataRunList::FromRuns(
        runs, [](const DataRunEntry& run) { return run; }, 0);
    ASSERT_NE(expected, nullptr);
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(PairsOf(*packed), PairsOf(*expected)) << count << " runs";
  }
  EXPECT_GT(PairsOf(*CPackedDataRunList::FromRuns(
                        runs, [](const DataRunEntry& run) { return run; }, 0))
                .size(),
            64u);
  EXPECT_EQ(CPackedDataRunList::FromRuns(
                Runs{}, [](const DataRunEntry& run) { return run; }, 0),
            nullptr);
}

TEST(PackedDataRunList, NoRunsNoPackedList) {
  CNoneResidentNTFSDataRunList empty;
  EXPECT_EQ(CPackedDataRunList::FromDataRunList(&empty), nullptr);
  EXPECT_EQ(CPackedDataRunList::FromDataRunList(nullptr), nullptr);
}

TEST(PackedDataRunList, ResidentListKeepsRecordSectorAndOffset) {
  CResidentNTFSDataRunList list;
  list.SetResidentData(0x123456, 1, 0x1198);
  const auto packed = CPackedDataRunList::FromDataRunList(&list);
  ASSERT_NE(packed, nullptr);
  EXPECT_EQ(packed->GetResidentValue(), 0x1198u);
  const auto unpacked = packed->Unpack();
  ASSERT_NE(unpacked, nullptr);
  EXPECT_EQ(unpacked->IsResident(), 1);
  EXPECT_EQ(unpacked->GetResidentValue(), 0x1198u);
  EXPECT_EQ(unpacked->Runs(), (Runs{{0x123456, 1}}));

  // A resident value over mapping pairs that decode to nothing.
  const Bytes nothing = {0x00};
  const auto hollow =
      CPackedDataRunList::FromMappingPairs(qm::ByteView(nothing.data(), nothing.size()), 0x40);
  EXPECT_EQ(hollow->Unpack(), nullptr);
}

TEST(PackedDataRunList, StreamRoundTrip) {
  for (const Runs& runs :
       {Runs{{0x100, 8}}, Runs{{0x1000, 0x10}, {kSparse, 3}, {0, 8}, {0x123456789A, 0x7FFF}}}) {
    CNoneResidentNTFSDataRunList list;
    for (const DataRunEntry& run : runs)
      list.AddRun(run);
    const auto packed = CPackedDataRunList::FromDataRunList(&list);
    MemoryStream stream;
    EXPECT_EQ(packed->Write(&stream), 1);
    const std::size_t n = packed->MappingPairs().size();
    ASSERT_EQ(stream.bytes.size(), 4 + n + 2);
    EXPECT_EQ(qm::ByteView(stream.bytes.data(), 4).le32(0), n);
    const auto back = CPackedDataRunList::Read(&stream);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_EQ(PairsOf(*back), PairsOf(*packed));
    EXPECT_EQ(back->Unpack()->Runs(), runs);
  }
}

// A badly fragmented file: its pairs are longer than one read piece.
TEST(PackedDataRunList, LongListRoundTripAndTruncation) {
  CNoneResidentNTFSDataRunList list;
  for (std::uint64_t i = 0; i < 2000; ++i)
    list.AddRun(i % 7 == 0 ? kSparse : (i * 0x10001) % 0x7654321, i + 1);
  const auto packed = CPackedDataRunList::FromDataRunList(&list);
  ASSERT_GT(packed->MappingPairs().size(), 8192u);
  MemoryStream stream;
  packed->Write(&stream);
  MemoryStream truncated;
  truncated.bytes.assign(stream.bytes.begin(), stream.bytes.end() - 3);
  const auto back = CPackedDataRunList::Read(&stream);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Unpack()->Runs(), list.Runs());
  EXPECT_EQ(CPackedDataRunList::Read(&truncated), nullptr);
}

TEST(PackedDataRunList, DamagedStreamsReadAsNull) {
  const auto packed = [] {
    CNoneResidentNTFSDataRunList list;
    list.AddRun(0x100, 8);
    return CPackedDataRunList::FromDataRunList(&list);
  }();
  MemoryStream good;
  packed->Write(&good);
  for (std::size_t cut = 0; cut < good.bytes.size(); ++cut) {
    SCOPED_TRACE(cut);
    MemoryStream truncated;
    truncated.bytes.assign(good.bytes.begin(), good.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_EQ(CPackedDataRunList::Read(&truncated), nullptr);
  }
  // A count of 4 GiB over a few bytes fails without reserving it.
  MemoryStream huge;
  huge.bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0x21, 0x08, 0x00, 0x01, 0x00};
  EXPECT_EQ(CPackedDataRunList::Read(&huge), nullptr);
  // Within the cap but longer than the data: the read fails at the end.
  MemoryStream longer;
  longer.bytes = {0x00, 0x00, 0x10, 0x00, 0x21, 0x08, 0x00, 0x01, 0x00};
  EXPECT_EQ(CPackedDataRunList::Read(&longer), nullptr);
}

TEST(PackedDataRunList, UnpackStopsAtDamagedPairs) {
  // No closing 0 and a last entry that runs past the end.
  const Bytes pairs = {0x21, 0x08, 0x00, 0x01, 0x33, 0x01};
  const auto packed = CPackedDataRunList::FromMappingPairs(qm::ByteView(pairs.data(), pairs.size()), 0);
  EXPECT_EQ(packed->Unpack()->Runs(), (Runs{{0x100, 8}}));
}

TEST(RunListSave, RoundTripsBothNtfsLists) {
  CNoneResidentNTFSDataRunList list;
  list.AddRun(0x100, 8);
  list.AddRun(kSparse, 2);
  MemoryStream stream;
  EXPECT_EQ(list.Save(&stream), 1);
  EXPECT_EQ(stream.bytes.size(), 4u + 2 * 16);
  CNoneResidentNTFSDataRunList back;
  EXPECT_EQ(back.Load(&stream), 1);
  EXPECT_EQ(back.Runs(), list.Runs());

  CResidentNTFSDataRunList resident;
  resident.SetResidentData(777, 1, 0x2A0);
  MemoryStream residentStream;
  resident.Save(&residentStream);
  EXPECT_EQ(residentStream.bytes.size(), 4u + 16 + 4);
  CResidentNTFSDataRunList residentBack;
  residentBack.Load(&residentStream);
  EXPECT_EQ(residentBack.Runs(), resident.Runs());
  EXPECT_EQ(residentBack.GetResidentValue(), 0x2A0u);
}

TEST(RunListSave, DamagedCountFailsWithoutHugeAllocation) {
  MemoryStream stream;
  stream.bytes = {0xFF, 0xFF, 0xFF, 0xFF}; // 4 billion runs, none there
  CNoneResidentNTFSDataRunList list;
  EXPECT_THROW(list.Load(&stream), IRSException);
}

} // namespace
