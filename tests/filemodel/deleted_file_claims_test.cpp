#include "filemodel/deleted_file_claims.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/file_properties_base.h"
#include "filemodel/file_system_node.h"

namespace {

using qm::ClaimAge;

constexpr std::uint64_t kCluster = 4096;
constexpr std::uint64_t kClaimSparse = qm::kSparseRunStart;

class ClaimProperties : public CFilePropertiesBase {
public:
  ClaimProperties(std::uint8_t state, std::uint64_t size, const std::vector<DataRunEntry>& runs,
                  std::uint16_t attributes = 0, std::uint16_t residentValue = 0) {
    state_ = state;
    size_ = size;
    attributes_ = attributes;
    extents_ = CPackedDataRunList::FromRuns(
        runs, [](const DataRunEntry& run) { return run; }, residentValue);
  }
  int Save(IRSData*) const override { return 0; }
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesFat; }
  int Load(IRSData*) override { return 0; }
};

struct FileSpec {
  std::string name;
  std::uint8_t state = qm::kStateDeleted;
  std::uint64_t clusters = 0; // the size, in whole clusters
  std::vector<DataRunEntry> runs;
  std::uint64_t age = 0;
  std::uint16_t attributes = 0;
  std::uint16_t residentValue = 0;
};

class Tree {
public:
  explicit Tree(const std::vector<FileSpec>& files) : root_(CreateFileSystemNode()) {
    CFileNode* folder = root_->AddChild(CreateFileNode());
    folder->SetProperties(
        std::make_unique<ClaimProperties>(0, 0, std::vector<DataRunEntry>{}, qm::kAttrFolder));
    for (const auto& spec : files) {
      CFileNode* node = (nodes_.size() % 2 == 0 ? root_ : folder)->AddChild(CreateFileNode());
      node->SetProperties(std::make_unique<ClaimProperties>(spec.state, spec.clusters * kCluster, spec.runs,
                                                            spec.attributes, spec.residentValue));
      nodes_[node] = spec;
    }
  }
  ~Tree() { DeleteFileTree(root_); }
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

  CFileNode* Root() const { return root_; }
  ClaimAge AgeOf(CFileNode& node) {
    ++asked_[nodes_.at(&node).name];
    return {nodes_.at(&node).age, 0};
  }
  // The names whose damaged bit is set, sorted.
  std::vector<std::string> Damaged() const {
    std::vector<std::string> names;
    for (const auto& [node, spec] : nodes_)
      if ((node->GetProperties()->GetState() & qm::kStateDamaged) != 0) names.push_back(spec.name);
    std::sort(names.begin(), names.end());
    return names;
  }
  const std::map<std::string, int>& Asked() const { return asked_; }

private:
  CFileSystemNode* root_;
  std::map<CFileNode*, FileSpec> nodes_;
  std::map<std::string, int> asked_;
};

std::size_t MarkOlder(Tree& tree) {
  qm::DeletedFileClaims claims(tree.Root(), kCluster);
  return claims.MarkOlderClaimants([&](CFileNode& node) { return tree.AgeOf(node); });
}

struct OverlapCase {
  const char* what;
  std::vector<FileSpec> files;
  std::vector<std::string> damaged;
};

TEST(DeletedFileClaims, OfFilesClaimingTheSameClustersOnlyTheLatestKeepsItsState) {
  const std::uint8_t deleted = qm::kStateDeleted;
  const std::vector<OverlapCase> cases = {
      {"apart", {{"a", deleted, 4, {{10, 4}}, 1}, {"b", deleted, 4, {{14, 4}}, 2}}, {}},
      {"overlap", {{"a", deleted, 4, {{10, 4}}, 1}, {"b", deleted, 4, {{13, 4}}, 2}}, {"a"}},
      {"overlap, older second", {{"a", deleted, 4, {{10, 4}}, 5}, {"b", deleted, 4, {{13, 4}}, 2}}, {"b"}},
      {"same age: neither is known to be the latest",
       {{"a", deleted, 4, {{10, 4}}, 3}, {"b", deleted, 4, {{12, 4}}, 3}},
       {"a", "b"}},
      {"a live file is no claimant (the allocation map speaks for it)",
       {{"a", deleted, 4, {{10, 4}}, 1}, {"live", 0, 4, {{10, 4}}, 9}},
       {}},
      {"clusters past the size claim nothing",
       {{"a", deleted, 1, {{10, 8}}, 9}, {"b", deleted, 2, {{12, 2}}, 1}},
       {}},
      {"sparse runs claim nothing",
       {{"a", deleted, 6, {{kClaimSparse, 4}, {30, 2}}, 9}, {"b", deleted, 4, {{0, 4}}, 1}},
       {}},
      {"a sparse run still counts towards the size",
       {{"a", deleted, 3, {{kClaimSparse, 2}, {30, 1}, {31, 5}}, 9}, {"b", deleted, 2, {{31, 2}}, 1}},
       {}},
      {"resident data lies in the record, not in clusters",
       {{"a", deleted, 1, {{10, 1}}, 1, 0, 0x98}, {"b", deleted, 1, {{10, 1}}, 2}},
       {}},
      {"a folder is no claimant",
       {{"a", deleted, 4, {{10, 4}}, 1, qm::kAttrFolder}, {"b", deleted, 4, {{10, 4}}, 0}},
       {}},
      {"a long old claim over many newer ones",
       {{"old", deleted, 100, {{0, 100}}, 1},
        {"n1", deleted, 2, {{5, 2}}, 2},
        {"n2", deleted, 2, {{50, 2}}, 3},
        {"n3", deleted, 2, {{98, 2}}, 4}},
       {"old"}},
      {"a newer long claim over many older ones",
       {{"new", deleted, 100, {{0, 100}}, 9},
        {"o1", deleted, 2, {{5, 2}}, 2},
        {"o2", deleted, 2, {{50, 2}}, 3},
        {"o3", deleted, 2, {{98, 2}}, 4}},
       {"o1", "o2", "o3"}},
      {"a chain: the middle one is the latest",
       {{"a", deleted, 10, {{0, 10}}, 1}, {"b", deleted, 10, {{5, 10}}, 3}, {"c", deleted, 8, {{12, 8}}, 2}},
       {"a", "c"}},
      {"a chain: the last one is the latest, the first overlaps only the middle",
       {{"a", deleted, 10, {{0, 10}}, 2}, {"b", deleted, 10, {{5, 10}}, 1}, {"c", deleted, 8, {{12, 8}}, 3}},
       {"b"}},
      {"fragments: a later fragment overlaps",
       {{"a", deleted, 4, {{10, 2}, {40, 2}}, 1}, {"b", deleted, 1, {{41, 1}}, 2}},
       {"a"}},
      {"a file whose runs repeat does not overlap itself", {{"a", deleted, 8, {{10, 4}, {10, 4}}, 1}}, {}},
      {"the same start", {{"a", deleted, 4, {{10, 4}}, 2}, {"b", deleted, 2, {{10, 2}}, 1}}, {"b"}},
  };
  for (const auto& test : cases) {
    Tree tree(test.files);
    EXPECT_EQ(MarkOlder(tree), test.damaged.size()) << test.what;
    EXPECT_EQ(tree.Damaged(), test.damaged) << test.what;
  }
}

TEST(DeletedFileClaims, AgesAreAskedOnlyOfFilesThatShareClustersAndOnlyOnce) {
  Tree tree({{"a", qm::kStateDeleted, 4, {{10, 2}, {20, 2}}, 1},
             {"b", qm::kStateDeleted, 4, {{11, 1}, {21, 1}}, 2},
             {"alone", qm::kStateDeleted, 4, {{100, 4}}, 3}});
  MarkOlder(tree);
  EXPECT_EQ(tree.Asked(), (std::map<std::string, int>{{"a", 1}, {"b", 1}}));
}

TEST(DeletedFileClaims, AFileAlreadyDamagedStaysSoAndIsNotCountedAgain) {
  Tree tree({{"a", qm::kStateDeleted | qm::kStateDamaged, 4, {{10, 4}}, 1},
             {"b", qm::kStateDeleted, 4, {{12, 4}}, 2}});
  EXPECT_EQ(MarkOlder(tree), 0u);
  EXPECT_EQ(tree.Damaged(), std::vector<std::string>{"a"});
}

TEST(DeletedFileClaims, FilesInUseAreAskedInClusterOrderAndMarkedOnce) {
  Tree tree({{"a", qm::kStateDeleted, 6, {{50, 2}, {10, 2}, {30, 2}}, 1},
             {"b", qm::kStateDeleted, 2, {{20, 2}}, 1},
             {"c", qm::kStateDeleted, 2, {{60, 2}}, 1}});
  qm::DeletedFileClaims claims(tree.Root(), kCluster);
  std::vector<std::uint64_t> asked;
  const std::size_t marked = claims.MarkFilesInUse([&](std::uint64_t start, std::uint64_t end) {
    asked.push_back(start);
    EXPECT_EQ(end - start, 2u);
    return start == 10 || start == 30 || start == 60;
  });
  EXPECT_EQ(marked, 2u);
  EXPECT_EQ(tree.Damaged(), (std::vector<std::string>{"a", "c"}));
  // "a" is not asked about again once its first run was in use.
  EXPECT_EQ(asked, (std::vector<std::uint64_t>{10, 20, 60}));
}

// The sweep against the obvious test of every pair, on random trees with
// many overlaps, ties and fragments.
TEST(DeletedFileClaims, TheSweepAgreesWithEveryPairCompared) {
  std::mt19937 random(37);
  for (int round = 0; round < 40; ++round) {
    const int count = 1 + static_cast<int>(random() % 120);
    std::vector<FileSpec> files;
    for (int i = 0; i < count; ++i) {
      FileSpec spec{"f" + std::to_string(i), qm::kStateDeleted, 0, {}, random() % 30};
      const int pieces = 1 + static_cast<int>(random() % 3);
      for (int p = 0; p < pieces; ++p) {
        const std::uint64_t length = 1 + random() % 12;
        spec.runs.push_back({random() % 400, length});
        spec.clusters += length;
      }
      files.push_back(spec);
    }
    std::vector<std::string> expected;
    for (const auto& a : files) {
      bool older = false;
      for (const auto& b : files) {
        if (&a == &b || b.age < a.age) continue;
        for (const auto& ra : a.runs)
          for (const auto& rb : b.runs)
            older = older || (ra.start < rb.start + rb.count && rb.start < ra.start + ra.count);
      }
      if (older) expected.push_back(a.name);
    }
    std::sort(expected.begin(), expected.end());
    Tree tree(files);
    MarkOlder(tree);
    ASSERT_EQ(tree.Damaged(), expected) << "round " << round;
  }
}

} // namespace

namespace {

constexpr std::uint64_t kMillion = 1'000'000;
constexpr std::uint64_t kLastCluster = ~std::uint64_t{0} - 1; // the last number that is no sparse mark

TEST(DeletedFileClaims, HighClusterNumbersAndLongClaims) {
  const std::uint8_t deleted = qm::kStateDeleted;
  const std::uint64_t high = std::uint64_t{1} << 40;
  const std::vector<OverlapCase> cases = {
      {"one cluster in common across 2^32",
       {{"a", deleted, 3, {{0xFFFFFFFEu, 3}}, 1}, {"b", deleted, 2, {{0x100000000u, 2}}, 2}},
       {"a"}},
      {"touching at 2^32",
       {{"a", deleted, 1, {{0xFFFFFFFFu, 1}}, 1}, {"b", deleted, 1, {{0x100000000u, 1}}, 2}},
       {}},
      {"64-bit cluster numbers, one cluster in common",
       {{"a", deleted, kMillion, {{high, kMillion}}, 5}, {"b", deleted, 4, {{high + kMillion - 1, 4}}, 1}},
       {"b"}},
      {"millions of clusters, one in common at each end of the middle claim",
       {{"a", deleted, 3 * kMillion, {{1000, 3 * kMillion}}, 2},
        {"b", deleted, 3 * kMillion, {{1000 + 3 * kMillion - 1, 3 * kMillion}}, 3},
        {"c", deleted, 3 * kMillion, {{1000 + 6 * kMillion - 2, 3 * kMillion}}, 1}},
       {"a", "c"}},
      {"a claim inside a longer one",
       {{"outer", deleted, 8 * kMillion, {{0, 8 * kMillion}}, 9},
        {"inner", deleted, 1, {{4 * kMillion, 1}}, 1}},
       {"inner"}},
      {"a claim inside a longer, older one",
       {{"outer", deleted, 8 * kMillion, {{high, 8 * kMillion}}, 1},
        {"inner", deleted, kMillion, {{high + 4 * kMillion, kMillion}}, 2}},
       {"outer"}},
      {"long claims that only touch",
       {{"a", deleted, 4 * kMillion, {{0, 4 * kMillion}}, 1},
        {"b", deleted, 4 * kMillion, {{4 * kMillion, 4 * kMillion}}, 2}},
       {}},
      {"up to the last cluster number",
       {{"a", deleted, 10, {{kLastCluster - 9, 10}}, 1}, {"b", deleted, 1, {{kLastCluster, 1}}, 2}},
       {"a"}},
      {"a run past the last cluster number claims up to it",
       {{"a", deleted, 100, {{kLastCluster - 4, 100}}, 1},
        {"b", deleted, 1, {{kLastCluster - 1, 1}}, 2},
        {"low", deleted, 1, {{3, 1}}, 0}},
       {"a"}},
  };
  for (const auto& test : cases) {
    Tree tree(test.files);
    EXPECT_EQ(MarkOlder(tree), test.damaged.size()) << test.what;
    EXPECT_EQ(tree.Damaged(), test.damaged) << test.what;
  }
}

TEST(DeletedFileClaims, FilesInUseAreAskedAboutWholeClaimsOfAnyLength) {
  const std::uint64_t high = std::uint64_t{1} << 40;
  Tree tree({{"long", qm::kStateDeleted, 5 * kMillion, {{high, 5 * kMillion}}, 1},
             {"low", qm::kStateDeleted, 2, {{0xFFFFFFFFu, 2}}, 1}});
  qm::DeletedFileClaims claims(tree.Root(), kCluster);
  std::vector<std::pair<std::uint64_t, std::uint64_t>> asked;
  claims.MarkFilesInUse([&](std::uint64_t start, std::uint64_t end) {
    asked.emplace_back(start, end);
    return false;
  });
  EXPECT_EQ(asked, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{0xFFFFFFFFu, 0x100000001u},
                                                                         {high, high + 5 * kMillion}}));
}

// A folder whose files the walk meets in the order given, each with its age
// as its write time.
class OrderedTree {
public:
  explicit OrderedTree(const std::vector<FileSpec>& files) : root_(CreateFileSystemNode()) {
    // Children stand in reverse order of adding.
    for (auto spec = files.rbegin(); spec != files.rend(); ++spec) {
      CFileNode* node = root_->AddChild(CreateFileNode());
      auto properties = std::make_unique<ClaimProperties>(spec->state, spec->clusters * kCluster, spec->runs);
      properties->SetLastWriteTime(spec->age);
      node->SetProperties(std::move(properties));
      names_[node] = spec->name;
    }
  }
  ~OrderedTree() { DeleteFileTree(root_); }
  OrderedTree(const OrderedTree&) = delete;
  OrderedTree& operator=(const OrderedTree&) = delete;

  CFileNode* Root() const { return root_; }
  std::uint64_t AgeOf(CFileNode& node) const {
    qm::FileTime time = 0;
    node.GetProperties()->GetLastWriteTime(&time);
    return time;
  }
  std::vector<std::string> Damaged() const {
    std::vector<std::string> names;
    for (const auto& [node, name] : names_)
      if ((node->GetProperties()->GetState() & qm::kStateDamaged) != 0) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
  }

private:
  CFileSystemNode* root_;
  std::map<CFileNode*, std::string> names_;
};

ClaimAge AgeFromWriteTime(const CFilePropertiesBase& properties) {
  qm::FileTime time = 0;
  properties.GetLastWriteTime(&time);
  return {time, 0};
}

// The files that share a cluster with another file as late or later.
std::vector<std::string> OlderByEveryPair(const std::vector<FileSpec>& files) {
  std::vector<std::string> older;
  for (const auto& a : files) {
    bool beaten = false;
    for (const auto& b : files) {
      if (&a == &b || b.age < a.age) continue;
      for (const auto& ra : a.runs)
        for (const auto& rb : b.runs)
          beaten = beaten || (ra.start < rb.start + rb.count && rb.start < ra.start + ra.count);
    }
    if (beaten) older.push_back(a.name);
  }
  std::sort(older.begin(), older.end());
  return older;
}

// Trees list files in any order: in the order of their clusters or its
// reverse, nearly so, or none. Each order, and both ways of reading ages,
// must mark what comparing every pair marks.
TEST(DeletedFileClaims, EveryOrderOfTheWalkMarksTheSameFiles) {
  struct Shape {
    const char* what;
    int files;
    int islands; // starts lie in [0, span) past the start of one of them
    std::uint64_t span;
    std::uint64_t longest; // runs are 1 to longest clusters long
    int mostPieces;        // runs per file
  };
  const std::vector<Shape> shapes = {
      {"neighbours", 600, 1, 4000, 12, 1},
      {"fragments", 600, 1, 4000, 12, 3},
      {"many at once, apart (the heaps take over and hand back)", 400, 4, 600, 200, 1},
      {"few overlaps, many files (radix sort)", 3000, 1, 1u << 30, 1000, 2},
  };
  enum class Order { kRising, kFalling, kNearlyRising, kNearlyFalling, kShuffled };
  const std::vector<std::pair<Order, const char*>> orders = {{Order::kRising, "rising"},
                                                             {Order::kFalling, "falling"},
                                                             {Order::kNearlyRising, "nearly rising"},
                                                             {Order::kNearlyFalling, "nearly falling"},
                                                             {Order::kShuffled, "shuffled"}};
  std::mt19937_64 random(91);
  for (const Shape& shape : shapes) {
    std::vector<FileSpec> files;
    for (int i = 0; i < shape.files; ++i) {
      FileSpec spec{"f" + std::to_string(i), qm::kStateDeleted, 0, {}, random() % 40};
      const int pieces = 1 + static_cast<int>(random() % static_cast<unsigned>(shape.mostPieces));
      for (int p = 0; p < pieces; ++p) {
        const std::uint64_t length = 1 + random() % shape.longest;
        const std::uint64_t island = random() % static_cast<unsigned>(shape.islands) * (shape.span * 100);
        spec.runs.push_back({island + random() % shape.span, length});
        spec.clusters += length;
      }
      files.push_back(spec);
    }
    const std::vector<std::string> expected = OlderByEveryPair(files);
    for (const auto& [order, name] : orders) {
      std::vector<FileSpec> walk = files;
      auto byStart = [](const FileSpec& a, const FileSpec& b) { return a.runs[0].start < b.runs[0].start; };
      if (order == Order::kShuffled) std::shuffle(walk.begin(), walk.end(), random);
      if (order != Order::kShuffled) std::sort(walk.begin(), walk.end(), byStart);
      if (order == Order::kFalling || order == Order::kNearlyFalling) std::reverse(walk.begin(), walk.end());
      if (order == Order::kNearlyRising || order == Order::kNearlyFalling)
        for (int swap = 0; swap < shape.files / 40; ++swap)
          std::swap(walk[random() % walk.size()], walk[random() % walk.size()]);
      const std::string what = std::string(shape.what) + ", " + name;

      OrderedTree asked(walk);
      qm::DeletedFileClaims byNode(asked.Root(), kCluster);
      byNode.MarkOlderClaimants([&](CFileNode& node) { return ClaimAge{asked.AgeOf(node), 0}; });
      EXPECT_EQ(asked.Damaged(), expected) << what << ", ages asked about nodes";

      OrderedTree read(walk);
      qm::DeletedFileClaims byProperties(read.Root(), kCluster, &AgeFromWriteTime);
      EXPECT_EQ(byProperties.MarkOlderClaimants(), expected.size()) << what;
      EXPECT_EQ(read.Damaged(), expected) << what << ", ages read from the properties";
    }
  }
}

} // namespace
