#include "filemodel/data_run_list.h"

#include <gtest/gtest.h>

#include "filemodel/ntfs_data_run_lists.h"

namespace {

using Runs = std::vector<DataRunEntry>;
constexpr std::uint64_t kSparse = qm::kSparseRunStart;

TEST(DataRunList, CursorWalksEveryRunOnce) {
  CNoneResidentNTFSDataRunList list;
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.FirstRun(), nullptr);
  EXPECT_EQ(list.NextRun(), nullptr);

  list.AddRun(10, 1);
  list.AddRun(DataRunEntry{20, 2});
  Runs seen;
  for (const DataRunEntry* run = list.FirstRun(); run != nullptr; run = list.NextRun())
    seen.push_back(*run);
  EXPECT_EQ(seen, (Runs{{10, 1}, {20, 2}}));
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.NextRun(), nullptr); // past the end stays at the end
  ASSERT_NE(list.FirstRun(), nullptr);
  EXPECT_FALSE(list.IsEmpty());
}

TEST(DataRunList, AppendAndMergeRules) {
  const struct {
    const char* name;
    Runs existing;
    DataRunEntry added;
    bool merged;   // AddRunMerged
    bool appended; // AppendRun
  } cases[] = {
      {"continues the last run", {{5, 5}}, {10, 2}, true, true},
      {"leaves a gap", {{5, 4}}, {10, 2}, false, false},
      {"both start at 0", {{0, 4}}, {0, 2}, false, true},
      {"data after a hole at 0", {{0, 4}}, {4, 2}, true, false},
      {"empty list", {}, {10, 2}, false, false},
      // A sparse run never merges with a real one: all ones plus a length
      // wraps to a small start that a real run could have, and merging
      // would turn data into holes or holes into data.
      {"after a sparse run", {{kSparse, 3}}, {2, 1}, false, false},
      {"sparse after a run", {{kSparse - 5, 5}}, {kSparse, 1}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CNoneResidentNTFSDataRunList merged;
    CNoneResidentNTFSDataRunList appended;
    for (const DataRunEntry& run : c.existing) {
      merged.AddRun(run);
      appended.AddRun(run);
    }
    merged.AddRunMerged(c.added);
    appended.AppendRun(c.added);
    const std::size_t base = c.existing.size();
    EXPECT_EQ(merged.RunCount(), c.merged ? base : base + 1);
    EXPECT_EQ(appended.RunCount(), c.appended ? base : base + 1);
    if (c.merged) {
      EXPECT_EQ(merged.Runs().back().count, c.existing.back().count + c.added.count);
    } else {
      EXPECT_EQ(merged.Runs().back(), c.added);
    }
  }
}

} // namespace
