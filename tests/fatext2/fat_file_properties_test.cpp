#include "fatext2/fat_file_properties.h"

#include <gtest/gtest.h>

#include <vector>

#include "filemodel/ntfs_data_run_lists.h"
#include "support/memory_stream.h"

namespace {

constexpr std::uint16_t DosDate(int year, int month, int day) {
  return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
constexpr std::uint16_t DosTime(int hours, int minutes, int seconds) {
  return static_cast<std::uint16_t>((hours << 11) | (minutes << 5) | (seconds / 2));
}

// 100-ns ticks from 1601-01-01 to 1980-01-01.
constexpr std::uint64_t k1980 = 119600064000000000ull;
constexpr std::uint64_t kDay = 86400ull * 10000000ull;

TEST(FatDosTime, Conversion) {
  struct Case {
    std::uint16_t date;
    std::uint16_t time;
    bool ok;
    std::uint64_t ticks;
  };
  const Case cases[] = {
      {DosDate(1980, 1, 1), 0, true, k1980},
      {DosDate(1980, 1, 2), DosTime(1, 2, 4), true, k1980 + kDay + (3600 + 120 + 4) * 10000000ull},
      {DosDate(1980, 3, 1), 0, true, k1980 + 60 * kDay}, // 1980 is a leap year
      {DosDate(2000, 2, 29), 0, true, 125962560000000000ull},
      {DosDate(2107, 12, 31), DosTime(23, 59, 58), true, 159992927980000000ull},
      {DosDate(1981, 2, 29), 0, false, 0},
      {DosDate(1990, 4, 31), 0, false, 0},
      {DosDate(1990, 0, 1), 0, false, 0},
      {DosDate(1990, 13, 1), 0, false, 0},
      {DosDate(1990, 1, 0), 0, false, 0},
      {0, 0, false, 0},
      {DosDate(1990, 1, 1), DosTime(24, 0, 0), false, 0},
      {DosDate(1990, 1, 1), DosTime(0, 60, 0), false, 0},
      {DosDate(1990, 1, 1), 30, false, 0}, // 60 seconds
  };
  for (const auto& c : cases) {
    qm::FileTime out = 7;
    EXPECT_EQ(qm::DosDateTimeToFileTime(c.date, c.time, &out), c.ok) << c.date << " " << c.time;
    EXPECT_EQ(out, c.ok ? c.ticks : 7u) << c.date << " " << c.time;
  }
}

TEST(FatFileProperties, TimesFromDirectoryEntryValues) {
  CFATFileProperties p;
  p.SetCreationTime(DosDate(1980, 1, 2), DosTime(1, 2, 4));
  p.SetLastWriteTime(DosDate(1980, 1, 1), 0);
  p.SetLastAccessDate(DosDate(1980, 1, 2));
  qm::FileTime t = 0;
  EXPECT_EQ(*p.GetCreationTime(&t), k1980 + kDay + 37240000000ull);
  EXPECT_EQ(*p.GetLastWriteTime(&t), k1980);
  EXPECT_EQ(*p.GetLastAccessTime(&t), k1980 + kDay);

  p.SetCreationTime(DosDate(1990, 13, 1), 0);
  EXPECT_EQ(*p.GetCreationTime(&t), 0u) << "an impossible date reads as no time";
  p.ClearLastWriteTime();
  EXPECT_EQ(*p.GetLastWriteTime(&t), 0u);
  p.ClearLastAccessTime();
  EXPECT_EQ(*p.GetLastAccessTime(&t), 0u);
}

TEST(FatFileProperties, Basics) {
  auto p = CreateFatFileProperties();
  EXPECT_STREQ(p->GetName(), "");
  EXPECT_EQ(p->GetNameLength(), 0u);
  EXPECT_EQ(p->GetDataRunList(), nullptr);
  EXPECT_EQ(p->GetTypeCode(), qm::kPropertiesFat);
  EXPECT_EQ(p->GetValidFields(), 255u);
  EXPECT_STREQ(p->GetDescription(), "");

  p->SetName("Report 2024.doc");
  EXPECT_EQ(p->GetNameLength(), 15u);
  p->SetName(nullptr);
  EXPECT_STREQ(p->GetName(), "");

  EXPECT_EQ(p->SetExtraValue(0x1234), 1u);
  EXPECT_EQ(p->GetExtraValue(), 0x34u);
  EXPECT_EQ(p->SetExtraValue(5), 1u) << "whatever was stored before";

  p->SetAttributes(0x10);
  EXPECT_TRUE(p->IsFolder());
  p->SetState(CFATFileProperties::kStateSynthetic);
  EXPECT_EQ(p->GetState(), 9u);
}

TEST(FatDataRunList, MergedAppends) {
  CFATDataRunList list;
  EXPECT_EQ(list.GetKind(), qm::kRunListFat);
  list.AddRun(5, 5);
  list.AddRunMerged({10, 2});
  ASSERT_EQ(list.RunCount(), 1u);
  EXPECT_EQ(list.Runs()[0], (DataRunEntry{5, 7}));

  CFATDataRunList gap;
  gap.AddRun(5, 4);
  gap.AddRunMerged({10, 2});
  EXPECT_EQ(gap.RunCount(), 2u);

  CFATDataRunList empty;
  empty.AddRunMerged({3, 1});
  EXPECT_EQ(empty.RunCount(), 1u);
}

TEST(FatFileProperties, SaveLoadRoundTrip) {
  CFATFileProperties p;
  p.SetName("A long file name.text");
  p.SetSize(0x1'0000'0001ull);
  p.SetAttributes(0x21);
  p.SetCreationTime(DosDate(2024, 5, 17), DosTime(13, 45, 20));
  p.SetLastWriteTime(DosDate(2024, 5, 18), DosTime(8, 0, 0));
  p.SetLastAccessDate(DosDate(2024, 5, 19));
  p.SetState(CFATFileProperties::kStateDeleted);
  p.SetFirstCluster(0x00123456);
  p.SetParentCluster(CFATFileProperties::kNoCluster);
  p.SetCheckState(qm::kChecked);
  p.SetExtraValue(9);
  auto runs = std::make_unique<CFATDataRunList>();
  runs->AddRun(0x00123454, 3);
  runs->AddRunMerged({0x00123457, 2});
  runs->AddRun(10, 1);
  p.SetDataRunList(std::move(runs));

  qm::test::MemoryStream stream;
  EXPECT_EQ(p.Save(&stream), 1);
  CFATFileProperties q;
  q.SetCheckState(qm::kChecked);
  q.SetExtraValue(3);
  EXPECT_EQ(q.Load(&stream), 1);
  EXPECT_EQ(stream.Remaining(), 0u);

  EXPECT_STREQ(q.GetName(), "A long file name.text");
  EXPECT_EQ(q.GetNameLength(), 21u);
  EXPECT_EQ(q.GetSize(), p.GetSize());
  EXPECT_EQ(q.GetAttributes(), 0x21);
  qm::FileTime a = 0, b = 0;
  EXPECT_EQ(*q.GetCreationTime(&a), *p.GetCreationTime(&b));
  EXPECT_EQ(*q.GetLastWriteTime(&a), *p.GetLastWriteTime(&b));
  EXPECT_EQ(*q.GetLastAccessTime(&a), *p.GetLastAccessTime(&b));
  EXPECT_EQ(q.GetState(), 1u);
  EXPECT_EQ(q.GetFirstCluster(), 0x00123456u);
  EXPECT_EQ(q.GetParentCluster(), 0xFFFFFFFFu);
  EXPECT_EQ(q.GetCheckState(), 0u) << "check state and extra value are not saved";
  EXPECT_EQ(q.GetExtraValue(), 0u);

  auto list = q.GetDataRunList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetKind(), qm::kRunListNtfsNonResident);
  const std::vector<DataRunEntry> expected = {{0x00123454, 5}, {10, 1}};
  EXPECT_EQ(list->Runs(), expected);
}

TEST(FatFileProperties, NoExtentsSavesFlagZero) {
  CFATFileProperties p;
  p.SetName("empty.txt");
  p.SetDataRunList(std::make_unique<CFATDataRunList>()); // empty: nothing to pack
  EXPECT_FALSE(p.HasExtents());
  qm::test::MemoryStream stream;
  p.Save(&stream);
  // name length, second length, 9 name bytes, size, attributes, 3 times,
  // state, 2 clusters, flag.
  ASSERT_EQ(stream.bytes.size(), 2u + 2 + 9 + 8 + 2 + 24 + 1 + 8 + 4);
  EXPECT_EQ(stream.bytes.back(), 0);
  CFATFileProperties q;
  q.Load(&stream);
  EXPECT_EQ(q.GetDataRunList(), nullptr);
  EXPECT_STREQ(q.GetName(), "empty.txt");
}

TEST(FatFileProperties, DamagedSavedRecords) {
  CFATFileProperties p;
  p.SetName("keep.me");
  auto runs = std::make_unique<CFATDataRunList>();
  runs->AddRun(4, 4);
  p.SetDataRunList(std::move(runs));
  qm::test::MemoryStream good;
  p.Save(&good);

  // Cut short at every length: the stream's error is passed on and the
  // object keeps what it had.
  for (std::size_t cut = 0; cut < good.bytes.size(); ++cut) {
    qm::test::MemoryStream shortStream;
    shortStream.bytes.assign(good.bytes.begin(), good.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    CFATFileProperties q;
    q.SetName("before");
    bool raised = false;
    try {
      q.Load(&shortStream);
    } catch (const IRSException&) {
      raised = true;
    }
    // The packed list reader swallows its own stream errors.
    if (!raised) {
      EXPECT_GE(cut, good.bytes.size() - 20) << cut;
      EXPECT_EQ(q.GetDataRunList(), nullptr) << cut;
    } else {
      EXPECT_STREQ(q.GetName(), "before") << cut;
    }
  }

  // A zero byte inside a saved name ends the name.
  qm::test::MemoryStream zero = good;
  zero.bytes[4 + 2] = 0;
  CFATFileProperties q;
  q.Load(&zero);
  EXPECT_STREQ(q.GetName(), "ke");
  EXPECT_EQ(q.GetNameLength(), 2u);
}

} // namespace
