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
