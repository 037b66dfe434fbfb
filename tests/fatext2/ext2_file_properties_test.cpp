// The properties an EXT2 tree keeps per file: saved and loaded byte for
// byte, the child-name map, the extra value and inode times.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "fatext2/ext2_file_properties.h"
#include "filemodel/rs_exception.h"
#include "support/memory_stream.h"

namespace {

std::unique_ptr<CExt2FileProperties> Sample(bool withExtents) {
  auto properties = CreateExt2FileProperties();
  properties->SetName("report.txt");
  properties->SetSize(0x123456789ull);
  properties->SetAttributes(qm::kAttrSparse);
  properties->SetCreationTime(111);
  properties->SetLastWriteTime(222);
  properties->SetLastAccessTime(333);
  properties->SetState(CExt2FileProperties::kStateDeleted);
  properties->SetCheckState(qm::kChecked);
  properties->SetExtraValue(1);
  properties->SetInodeNumber(77);
  if (withExtents) {
    CExt2DataRunList list;
    list.AddRun(500, 12);
    list.AddRun(qm::kSparseRunStart, 40);
    list.AddRun(9000, 3);
    properties->SetDataRunList(&list);
  }
  return properties;
}

TEST(Ext2FileProperties, SaveThenLoadGivesTheSameBytesAndFields) {
  for (const bool withExtents : {true, false}) {
    const auto original = Sample(withExtents);
    qm::test::MemoryStream stream;
    ASSERT_EQ(original->Save(&stream), 1);
    // Name length, name, size, attributes, three times, state, extents flag.
    const std::size_t fixed = 2 + 10 + 8 + 2 + 24 + 1 + 4;
    if (withExtents)
      EXPECT_GT(stream.bytes.size(), fixed);
    else
      EXPECT_EQ(stream.bytes.size(), fixed);

    CExt2FileProperties loaded;
    loaded.SetCheckState(qm::kChecked);
    loaded.SetExtraValue(1);
    ASSERT_EQ(loaded.Load(&stream), 1);
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_STREQ(loaded.GetName(), "report.txt");
    EXPECT_EQ(loaded.GetSize(), 0x123456789ull);
    EXPECT_EQ(loaded.GetAttributes(), qm::kAttrSparse);
    qm::FileTime t = 0;
    EXPECT_EQ(*loaded.GetCreationTime(&t), 111u);
    EXPECT_EQ(*loaded.GetLastWriteTime(&t), 222u);
    EXPECT_EQ(*loaded.GetLastAccessTime(&t), 333u);
    EXPECT_EQ(loaded.GetState(), 1);
    // Neither is saved: a loaded file starts unchecked.
    EXPECT_EQ(loaded.GetCheckState(), 0);
    EXPECT_EQ(loaded.GetExtraValue(), 0u);
    EXPECT_EQ(loaded.GetInodeNumber(), 0u);
    const auto runs = loaded.GetDataRunList();
    if (withExtents) {
      ASSERT_NE(runs, nullptr);
      const std::vector<DataRunEntry> expected{{500, 12}, {qm::kSparseRunStart, 40}, {9000, 3}};
      EXPECT_EQ(runs->Runs(), expected);
    } else {
      EXPECT_EQ(runs, nullptr);
    }

    qm::test::MemoryStream again;
    loaded.Save(&again);
    EXPECT_EQ(again.bytes, stream.bytes);
  }
}

TEST(Ext2FileProperties, ATruncatedRecordRaisesAndLeavesTheObjectAsItWas) {
  const auto original = Sample(true);
  qm::test::MemoryStream full;
  original->Save(&full);
  for (std::size_t cut : {std::size_t{1}, std::size_t{11}, std::size_t{30}}) {
    qm::test::MemoryStream stream;
    stream.bytes.assign(full.bytes.begin(), full.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    auto target = Sample(false);
    target->SetName("keep");
    EXPECT_THROW(target->Load(&stream), CRSException) << cut;
    EXPECT_STREQ(target->GetName(), "keep");
  }
}

TEST(Ext2FileProperties, ChildNamesAreTakenOnceAndTheMapGoesWhenEmpty) {
  CExt2FileProperties directory;
  EXPECT_EQ(directory.TakeChildName(5), "");
  directory.StoreChildName(5, "first");
  directory.StoreChildName(5, "second"); // a later name replaces
  directory.StoreChildName(9, "other");
  EXPECT_EQ(directory.ChildNameCount(), 2u);
  EXPECT_EQ(directory.TakeChildName(5), "second");
  EXPECT_EQ(directory.TakeChildName(5), "");
  EXPECT_EQ(directory.TakeChildName(9), "other");
  EXPECT_EQ(directory.ChildNameCount(), 0u);
}

TEST(Ext2FileProperties, ExtraValueIsZeroOrOneAndReturnsThePrevious) {
  CExt2FileProperties properties;
  EXPECT_EQ(properties.SetExtraValue(7), 0u);
  EXPECT_EQ(properties.GetExtraValue(), 1u);
  EXPECT_EQ(properties.SetExtraValue(0), 1u);
  EXPECT_EQ(properties.GetExtraValue(), 0u);
  EXPECT_EQ(properties.GetValidFields(), 255u);
  EXPECT_EQ(properties.GetTypeCode(), 2u);
  EXPECT_STREQ(properties.GetDescription(), "");
  EXPECT_EQ(properties.GetDataRunList(), nullptr);
  EXPECT_EQ(CExt2DataRunList().GetKind(), 4u);
}

TEST(Ext2FileProperties, InodeTimesAreLocalWallClockTimes) {
  const char* saved = std::getenv("TZ");
  const std::string old = saved != nullptr ? saved : "";
  setenv("TZ", "UTC", 1);
  tzset();
  // 2001-09-09 01:46:40 UTC.
  constexpr qm::FileTime kBillion = (11644473600ull + 1000000000ull) * 10000000ull;
  EXPECT_EQ(qm::ext2::InodeTimeToFileTime(1000000000), kBillion);
  EXPECT_EQ(qm::ext2::InodeTimeToFileTime(-5), 11644473600ull * 10000000ull);
  setenv("TZ", "CET-1", 1);
  tzset();
  EXPECT_EQ(qm::ext2::InodeTimeToFileTime(1000000000), kBillion + 3600ull * 10000000ull);
  if (saved != nullptr)
    setenv("TZ", old.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

} // namespace
