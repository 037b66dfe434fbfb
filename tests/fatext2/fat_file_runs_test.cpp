#include "fatext2/fat_file_runs.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fatext2/fat_table.h"
#include "platform/log.h"

namespace {

constexpr std::uint32_t kEnd = 0x0FFFFFFF;

// A table of the given links; every other cluster is free.
class FakeFat : public IFATTable {
public:
  explicit FakeFat(std::map<std::uint32_t, std::uint32_t> links) : links_(std::move(links)) {}
  std::uint32_t GetNextCluster(std::uint32_t n) const override {
    ++calls;
    const auto it = links_.find(n);
    return it == links_.end() ? 0 : it->second;
  }
  mutable std::uint64_t calls = 0;

private:
  std::map<std::uint32_t, std::uint32_t> links_;
};

// 4 KB clusters (8 sectors), a partition of 80000 sectors: 10000 clusters.
constexpr qm::FatVolumeGeometry kGeometry{8, 512, 80000};
constexpr std::uint64_t kCluster = 4096;

std::vector<DataRunEntry> Runs(const std::unique_ptr<CFATDataRunList>& list) {
  return list == nullptr ? std::vector<DataRunEntry>{} : list->Runs();
}

struct RunsCase {
  const char* what;
  std::map<std::uint32_t, std::uint32_t> links;
  std::uint32_t first;
  std::uint64_t size;
  bool deleted;
  std::vector<DataRunEntry> runs; // empty: no list
};

TEST(FatFileRuns, ChainsAndGuesses) {
  const RunsCase cases[] = {
      {"chain longer than the size", {{5, 6}, {6, 7}, {7, kEnd}}, 5, 2 * kCluster, false, {{3, 2}}},
      {"fragments keep every cluster",
       {{5, 6}, {6, 9}, {9, 10}, {10, kEnd}},
       5,
       4 * kCluster,
       false,
       {{3, 2}, {7, 2}}},
      {"one cluster per fragment",
       {{5, 9}, {9, 7}, {7, kEnd}},
       5,
       3 * kCluster - 1,
       false,
       {{3, 1}, {7, 1}, {5, 1}}},
      {"chain that ends early runs on", {{5, kEnd}}, 5, 3 * kCluster, false, {{3, 3}}},
      {"size covered before the chain ends", {{5, 9}, {9, 20}, {20, kEnd}}, 5, kCluster, false, {{3, 1}}},
      {"free first cluster: one run by size", {}, 5, 2 * kCluster + 1, false, {{3, 3}}},
      {"bad cluster in a chain ends it", {{5, 0x0FFFFFF7}}, 5, 2 * kCluster, false, {{3, 2}}},
      {"deleted: a bad cluster is stepped over", {{6, 0x0FFFFFF7}}, 5, 10000, true, {{3, 1}, {5, 2}}},
      {"deleted: the old chain is not followed", {{5, 9}}, 5, 2 * kCluster, true, {{3, 2}}},
      {"deleted at the partition's end", {}, 10001, 3 * kCluster, true, {{9999, 1}}},
      {"empty file", {{5, kEnd}}, 5, 0, false, {}},
      {"no first cluster", {}, 0, kCluster, false, {}},
      {"first cluster 1", {}, 1, kCluster, true, {}},
      {"run past the partition", {}, 9990, 40 * kCluster, false, {}},
      {"fragment past the partition", {{5, 20000}, {20000, kEnd}}, 5, 4 * kCluster, false, {}},
  };
  for (const auto& c : cases) {
    const FakeFat fat(c.links);
    EXPECT_EQ(Runs(BuildFatFileRuns(&fat, c.first, c.size, c.deleted, kGeometry)), c.runs) << c.what;
  }
}

// A deleted file's guess steps over clusters that live files hold; when
// it cannot cover the size, or its first cluster is taken, the file is
// known to be damaged.
TEST(FatFileRuns, DeletedGuessesSkipLiveClustersAndTellWhenShort) {
  struct Case {
    const char* what;
    std::map<std::uint32_t, std::uint32_t> links;
    std::uint32_t first;
    std::uint64_t size;
    std::vector<DataRunEntry> runs;
    bool damaged;
  };
  const Case cases[] = {
      {"around a live file", {{6, 7}, {7, kEnd}}, 5, 3 * kCluster, {{3, 1}, {6, 2}}, false},
      {"around a bad cluster and a live one", {{6, 0x0FFFFFF7}, {7, kEnd}}, 5, 2 * kCluster, {{3, 1}, {6, 1}}, false},
      {"short at the volume's end", {{10000, kEnd}}, 9999, 3 * kCluster, {{9997, 1}, {9999, 1}}, true},
      {"first cluster taken over", {{5, kEnd}}, 5, 2 * kCluster, {{3, 2}}, true},
      {"whole", {}, 5, 2 * kCluster, {{3, 2}}, false},
  };
  for (const auto& c : cases) {
    const FakeFat fat(c.links);
    bool damaged = !c.damaged;
    EXPECT_EQ(Runs(BuildFatFileRuns(&fat, c.first, c.size, true, kGeometry, &damaged)), c.runs) << c.what;
    EXPECT_EQ(damaged, c.damaged) << c.what;
  }
}

TEST(FatFileRuns, WithoutATable) {
  EXPECT_EQ(Runs(BuildFatFileRuns(nullptr, 5, 2 * kCluster + 1, false, kGeometry)),
            (std::vector<DataRunEntry>{{3, 3}}));
  EXPECT_EQ(Runs(BuildFatFileRuns(nullptr, 5, kCluster, true, kGeometry)),
            (std::vector<DataRunEntry>{{3, 1}}));
  EXPECT_EQ(BuildFatFileRuns(nullptr, 5, kCluster, false, qm::FatVolumeGeometry{0, 512, 8000}), nullptr);
}

TEST(FatFileRuns, OverflowIsLogged) {
  std::vector<std::string> lines;
  const int id = qm::AddLogObserver([&](LogKind, std::string_view line) { lines.emplace_back(line); });
  EXPECT_EQ(BuildFatFileRuns(nullptr, 9990, 40 * kCluster, false, kGeometry), nullptr);
  qm::RemoveLogObserver(id);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("File overflows partition!"), std::string::npos);
}

// Tables whose chains loop (a FAT12 copy is not checked for loops) must
// still end, however large the size the entry claims.
TEST(FatFileRuns, LoopingChainsEnd) {
  const FakeFat self(std::map<std::uint32_t, std::uint32_t>{{5, 5}});
  auto runs = BuildFatFileRuns(&self, 5, 0xFFFFFFFFull, false, kGeometry);
  EXPECT_LE(self.calls, 10003u);

  const FakeFat pair({{5, 6}, {6, 5}});
  runs = BuildFatFileRuns(&pair, 5, 0xFFFFFFFFull, false, kGeometry);
  EXPECT_LE(pair.calls, 10003u);

  // A small size is covered before the loop matters.
  const FakeFat small({{5, 6}, {6, 5}});
  EXPECT_EQ(Runs(BuildFatFileRuns(&small, 5, 3 * kCluster, false, kGeometry)),
            (std::vector<DataRunEntry>{{3, 2}, {3, 2}}));
}

} // namespace
