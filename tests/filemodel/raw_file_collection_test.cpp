#include <gtest/gtest.h>

#include <vector>

#include "filemodel/raw_file_collection.h"

namespace {

std::unique_ptr<CRawFileInfo> Record(std::uint64_t start, int type) {
  auto record = std::make_unique<CRawFileInfo>();
  record->SetStartSector(start);
  record->SetType(type);
  record->SetExtraName(std::string(64, 'x')); // heap text: a leak would show
  return record;
}

TEST(RawFileCollection, KeepsFoundOrderAndIndexesByStartSector) {
  CRawFileCollection collection;
  collection.Add(Record(500, 33));
  collection.Add(Record(100, 47));
  collection.Add(Record(500, 9)); // same sector: listed, but the index keeps the first
  EXPECT_EQ(collection.GetCount(), 3u);

  std::vector<std::uint64_t> starts;
  auto& it = collection.GetIterator();
  for (it.First(); !it.IsDone(); it.Next())
    starts.push_back(it.CurrentItem()->GetStartSector());
  EXPECT_EQ(starts, (std::vector<std::uint64_t>{500, 100, 500}));
  EXPECT_EQ(it.CurrentItem(), nullptr);

  ASSERT_NE(collection.FindByStartSector(500), nullptr);
  EXPECT_EQ(collection.FindByStartSector(500)->GetType(), 33);
  EXPECT_EQ(collection.FindByStartSector(100)->GetType(), 47);
  EXPECT_EQ(collection.FindByStartSector(101), nullptr);
  EXPECT_EQ(collection.GetCarvedFiles().size(), 3u);
}

TEST(RawFileCollection, ClearEmptiesListIndexAndIterator) {
  CRawFileCollection collection;
  collection.Add(Record(1, 1));
  collection.Clear();
  EXPECT_TRUE(collection.GetCarvedFiles().empty());
  EXPECT_EQ(collection.FindByStartSector(1), nullptr);
  collection.GetIterator().First();
  EXPECT_TRUE(collection.GetIterator().IsDone());
  EXPECT_EQ(collection.Add(nullptr), nullptr);
}

TEST(RawFileCollection, DestructionFreesEveryRecord) {
  // The sanitizer build's leak check fails this test if a record survives.
  auto collection = std::make_unique<CRawFileCollection>();
  for (std::uint64_t i = 0; i < 1000; ++i)
    collection->Add(Record(i * 8, 33));
  collection.reset();
}

} // namespace
