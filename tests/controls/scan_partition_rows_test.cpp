#include "controls/scan_partition_rows.h"

#include <gtest/gtest.h>

#include <memory>

#include "fatext2/fat_partition_info.h"
#include "ntfs/ntfs_partition_info.h"
#include "storage/searched_partition_info.h"

namespace qm {
namespace {

struct Owned {
  std::vector<std::unique_ptr<CSearchedPartitionInfo>> parts;
  std::vector<ScanPartitionEntry> entries;

  CSearchedPartitionInfo* Add(std::unique_ptr<CSearchedPartitionInfo> p, std::uint32_t fs, double score,
                              std::uint64_t start = 2048, std::uint64_t size = 1000) {
    p->SetFileSystemType(fs);
    p->SetStartSector(start);
    p->SetSectorCount(size);
    entries.push_back({p.get(), score, 0});
    parts.push_back(std::move(p));
    return parts.back().get();
  }
};

TEST(ScanPartitionRows, ThresholdTable) {
  struct Case {
    std::vector<double> scores;
    double expected;
  } cases[] = {
      {{}, 0.5},         {{1.0, 0.995}, 0.5},  // all above 0.99
      {{0.2, 0.6}, 0.4}, {{0.99, 0.5}, 0.745}, // 0.99 itself counts
      {{0.3}, 0.3},      {{1.0, 0.1, 0.9}, 0.5},
  };
  for (const Case& c : cases) {
    std::vector<ScanPartitionEntry> entries;
    for (double s : c.scores)
      entries.push_back({nullptr, s, 0});
    EXPECT_DOUBLE_EQ(ComputeThreshold(entries), c.expected);
  }
}

TEST(ScanPartitionRows, BestPartitionIsTheFirstOfTheHighestScoreAboveZero) {
  std::vector<ScanPartitionEntry> entries{
      {nullptr, 0.4, 2}, {nullptr, 0.9, 0}, {nullptr, 0.9, 0}, {nullptr, 0.1, 1}};
  SelectBestPartition(entries);
  EXPECT_EQ(entries[0].level, 0u);
  EXPECT_EQ(entries[1].level, 1u);
  EXPECT_EQ(entries[2].level, 0u);
  EXPECT_EQ(entries[3].level, 0u);
  std::vector<ScanPartitionEntry> zeros{{nullptr, 0.0, 1}, {nullptr, -1.0, 2}};
  SelectBestPartition(zeros);
  EXPECT_EQ(zeros[0].level, 0u);
  EXPECT_EQ(zeros[1].level, 0u);
}

TEST(ScanPartitionRows, SuggestionLevels) {
  EXPECT_EQ(SuggestionOf(0.991, 0.5), Suggestion::High);
  EXPECT_EQ(SuggestionOf(0.99, 0.5), Suggestion::Medium);
  EXPECT_EQ(SuggestionOf(0.99, 0.995), Suggestion::Low);
  EXPECT_EQ(SuggestionOf(0.5, 0.5), Suggestion::Medium);
  EXPECT_EQ(SuggestionOf(0.49, 0.5), Suggestion::Low);
  EXPECT_STREQ(SuggestionText(Suggestion::High), "High");
}

TEST(ScanPartitionRows, PrecheckOnlyRecommendedRowsUpToTheLimit) {
  EXPECT_TRUE(PrecheckRow(1, 0, 4));
  EXPECT_TRUE(PrecheckRow(1, 3, 4));
  EXPECT_FALSE(PrecheckRow(1, 4, 4));
  EXPECT_FALSE(PrecheckRow(2, 0, 4));
  EXPECT_FALSE(PrecheckRow(0, 0, 4));
  EXPECT_FALSE(PrecheckRow(1, 1, 1));
}

TEST(ScanPartitionRows, NamesRangesAndOptionsByFileSystem) {
  Owned o;
  auto* ntfs =
      static_cast<CSearchedNTFSPartitionInfo*>(o.Add(std::make_unique<CSearchedNTFSPartitionInfo>(), 3, 0.9));
  ntfs->m_u64MftSector = 100;
  ntfs->m_bFilesFromMftOnly = 1;
  o.Add(std::make_unique<CSearchedNTFSPartitionInfo>(), 3, 0.8); // $MFT place unknown: no option
  auto* fat =
      static_cast<CFATSearchedPartitionInfo*>(o.Add(std::make_unique<CFATSearchedPartitionInfo>(), 2, 0.7));
  fat->SetFlags(kFatFoundFat1 | kFatFoundFat2 | kFatUseFat2);
  o.Add(std::make_unique<CSearchedPartitionInfo>(), 4, 0.6, 100, 50);
  o.Add(std::make_unique<CSearchedPartitionInfo>(), 4, 0.6, 100, 0);
  o.entries[2].level = 2;
  const auto rows = BuildPartitionRows(o.entries);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].name, "Partition 1 NTFS");
  ASSERT_EQ(rows[0].options.size(), 1u);
  EXPECT_EQ(rows[0].options[0].text, "$MFT Only");
  EXPECT_EQ(rows[0].options[0].value, 1u);
  EXPECT_TRUE(rows[1].options.empty());
  EXPECT_EQ(rows[2].name, "Partition 3 FAT32");
  EXPECT_EQ(rows[2].kind, 2u);
  ASSERT_EQ(rows[2].options.size(), 2u);
  EXPECT_EQ(rows[2].options[0].text, "FAT1");
  EXPECT_EQ(rows[2].options[0].value, 0u);
  EXPECT_EQ(rows[2].options[1].text, "FAT2");
  EXPECT_EQ(rows[2].options[1].value, 1u);
  EXPECT_EQ(rows[0].firstSector, 2048u);
  EXPECT_EQ(rows[0].lastSector, 3047u); // inclusive for NTFS and FAT too
  EXPECT_EQ(rows[2].lastSector, 3047u);
  EXPECT_EQ(rows[3].firstSector, 100u);
  EXPECT_EQ(rows[3].lastSector, 149u); // inclusive
  EXPECT_EQ(rows[4].lastSector, 100u); // size 0 does not wrap
}

TEST(ScanPartitionRows, AtMostAHundredRowsPerFamilyButNumbersCountEveryEntry) {
  Owned o;
  for (int i = 0; i < 101; ++i)
    o.Add(std::make_unique<CSearchedNTFSPartitionInfo>(), 3, 0.5);
  o.Add(std::make_unique<CFATSearchedPartitionInfo>(), 1, 0.5);
  for (int i = 0; i < 101; ++i)
    o.Add(std::make_unique<CSearchedPartitionInfo>(), i % 2 ? 4 : 5, 0.5);
  const auto rows = BuildPartitionRows(o.entries);
  ASSERT_EQ(rows.size(), 201u);
  EXPECT_EQ(rows[99].name, "Partition 100 NTFS");
  EXPECT_EQ(rows[100].name, "Partition 102 FAT16");  // the 101st NTFS is skipped but counted
  EXPECT_EQ(rows.back().name, "Partition 202 EXT2"); // the 101st EXT (203) is skipped
}

TEST(ScanPartitionRows, OptionChangesSetTheChoiceFlags) {
  CSearchedNTFSPartitionInfo ntfs;
  ntfs.SetFileSystemType(3);
  EXPECT_FALSE(ApplyPartitionOption(&ntfs, 3, 0, true)); // $MFT place unknown
  ntfs.m_u64MftSector = 8;
  EXPECT_TRUE(ApplyPartitionOption(&ntfs, 3, 0, true));
  EXPECT_EQ(ntfs.m_bFilesFromMftOnly, 1u);
  EXPECT_FALSE(ApplyPartitionOption(&ntfs, 0, 0, false)); // not the Option column

  CFATSearchedPartitionInfo fat;
  fat.SetFileSystemType(2);
  fat.SetFlags(kFatFoundFat1 | kFatFoundFat2);
  EXPECT_TRUE(ApplyPartitionOption(&fat, 3, 0, true));
  EXPECT_TRUE(ApplyPartitionOption(&fat, 3, 1, true));
  EXPECT_EQ(fat.GetFlags(), kFatFoundFat1 | kFatFoundFat2 | kFatUseFat1 | kFatUseFat2);
  EXPECT_TRUE(ApplyPartitionOption(&fat, 3, 0, false));
  EXPECT_EQ(fat.GetFlags() & kFatUseFat1, 0u);
  // Only the second table found: its option is the first part.
  CFATSearchedPartitionInfo second;
  second.SetFileSystemType(1);
  second.SetFlags(kFatFoundFat2);
  EXPECT_TRUE(ApplyPartitionOption(&second, 3, 0, true));
  EXPECT_EQ(second.GetFlags(), kFatFoundFat2 | kFatUseFat2);
}

TEST(ScanPartitionRows, CountMarkedAfterFirst) {
  Owned o;
  o.Add(std::make_unique<CSearchedPartitionInfo>(), 3, 0.5)->SetChosen(1);
  o.Add(std::make_unique<CSearchedPartitionInfo>(), 3, 0.5);
  EXPECT_EQ(CountMarkedAfterFirst(o.entries), 1u);
  o.parts[1]->SetChosen(1);
  EXPECT_EQ(CountMarkedAfterFirst(o.entries), 2u);
}

} // namespace
} // namespace qm
