#include "storage/intelligent_search_score.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "storage/searched_partition_info.h"

namespace {

// Candidates named by letter, owned here; the lists hold raw pointers as
// the wizard's do.
class Candidates {
public:
  CSearchedPartitionInfo* Add(std::uint64_t start, std::uint64_t count, double weight) {
    auto p = std::make_unique<CSearchedPartitionInfo>();
    p->SetStartSector(start);
    p->SetSectorCount(count);
    p->SetWeight(weight);
    list.push_back(p.get());
    owned_.push_back(std::move(p));
    return list.back();
  }
  std::string Order() const {
    std::string order;
    for (auto* p : list) order += Name(p);
    return order;
  }
  std::string Chosen() const {
    std::string chosen;
    for (auto* p : list)
      if (p->GetChosen()) chosen += Name(p);
    return chosen;
  }
  char Name(const CSearchedPartitionInfo* p) const {
    for (std::size_t i = 0; i < owned_.size(); ++i)
      if (owned_[i].get() == p) return static_cast<char>('A' + i);
    return '?';
  }

  std::vector<CSearchedPartitionInfo*> list;

private:
  std::vector<std::unique_ptr<CSearchedPartitionInfo>> owned_;
};

TEST(IntelligentSearchScore, WeightsAreLogEvidenceOverTheLargest) {
  Candidates c;
  auto* strong = c.Add(0, 10, 0);
  strong->SetScore(1);
  strong->SetFoldersMatched(2);
  strong->SetFilesMatched(3); // 1 + 100 + 3 = 104
  auto* weak = c.Add(0, 10, 0);
  weak->SetScore(4);
  weak->SetFilesMatched(6); // 10
  auto* one = c.Add(0, 10, 0);
  one->SetScore(1);
  auto* none = c.Add(0, 10, 0.7);
  none->SetScore(0);
  CIntelligentSearchScore::ComputeWeights(c.list);
  EXPECT_DOUBLE_EQ(strong->GetWeight(), 1.0);
  EXPECT_DOUBLE_EQ(weak->GetWeight(), std::log(10.0) / std::log(104.0));
  EXPECT_DOUBLE_EQ(one->GetWeight(), 1.0 / std::log(104.0));
  EXPECT_DOUBLE_EQ(none->GetWeight(), 0.0);
}

TEST(IntelligentSearchScore, EvidenceOfZeroOrOneGivesWeightsZeroOrOneAndZeroIsNeverChosen) {
  Candidates c;
  auto* zero = c.Add(0, 10, 0.5);
  zero->SetScore(0);
  auto* one = c.Add(100, 10, 0.5);
  one->SetScore(1);
  CIntelligentSearchScore::ComputeWeights(c.list);
  EXPECT_EQ(zero->GetWeight(), 0.0);
  EXPECT_EQ(one->GetWeight(), 1.0);
  CIntelligentSearchScore::Rank(c.list, 1000000);
  EXPECT_EQ(c.Chosen(), "B");

  std::vector<CSearchedPartitionInfo*> empty;
  CIntelligentSearchScore::ComputeWeights(empty);
  CIntelligentSearchScore::Rank(empty, 1000);
}

TEST(IntelligentSearchScore, OverlapsLoseToTheEarlierAndChosenOnesMoveUpToPositionOne) {
  Candidates c;
  c.Add(0, 100, 1.0);    // A: chosen first, stays at the top
  c.Add(50, 100, 0.9);   // B: overlaps A, never chosen
  c.Add(200, 100, 0.8);  // C
  c.Add(400, 100, 0.7);  // D
  c.Add(600, 100, 0.6);  // E
  c.Add(800, 100, 0.5);  // F: the fifth chosen, not moved
  c.Add(850, 100, 0.5);  // G: equal weight, overlaps F which is earlier
  c.Add(990, 20, 0.4);   // H: runs past the end of the disk
  CIntelligentSearchScore::Rank(c.list, 1000);
  EXPECT_EQ(c.Order(), "AEDCBFGH");
  EXPECT_EQ(c.Chosen(), "AEDCF");
  // Each one moved up takes the weight of the one it displaced.
  EXPECT_EQ(c.list[1]->GetWeight(), 0.9);
  EXPECT_EQ(c.list[2]->GetWeight(), 0.9);
  EXPECT_EQ(c.list[3]->GetWeight(), 0.9);
  EXPECT_EQ(c.list[5]->GetWeight(), 0.5);
  for (auto* p : c.list) EXPECT_EQ(p->GetWholeDisk(), 0u);
}

TEST(IntelligentSearchScore, ACandidateOverTheWholeDiskIsMarkedAndMovedUp) {
  constexpr std::uint64_t kDisk = 1000000;
  Candidates c;
  c.Add(0, 1000, 1.0);             // A
  c.Add(2000, 1000, 0.6);          // B
  c.Add(0, kDisk - 30000, 0.5);    // C: overlaps A, within 16 MiB of the disk
  CIntelligentSearchScore::Rank(c.list, kDisk);
  EXPECT_EQ(c.Order(), "ACB");
  EXPECT_EQ(c.Chosen(), "ACB");
  EXPECT_EQ(c.list[1]->GetWholeDisk(), 1u);
  EXPECT_EQ(c.list[2]->GetWholeDisk(), 0u);

  // The first of the list is never marked; only the first near the disk's
  // size counts, and 16 MiB is the limit either way.
  struct Case {
    std::int64_t difference;
    bool marked;
  };
  for (const Case k : {Case{-32768, true}, Case{32768, true}, Case{32769, false}, Case{-32769, false}}) {
    SCOPED_TRACE(k.difference);
    Candidates d;
    d.Add(0, 10, 1.0);
    auto* x = d.Add(0, static_cast<std::uint64_t>(static_cast<std::int64_t>(kDisk) + k.difference), 0.0);
    auto* y = d.Add(0, kDisk, 0.0);
    CIntelligentSearchScore::Rank(d.list, kDisk);
    EXPECT_EQ(d.list[0]->GetWholeDisk(), 0u);
    EXPECT_EQ(x->GetWholeDisk(), k.marked ? 1u : 0u);
    EXPECT_EQ(x->GetChosen(), k.marked ? 1u : 0u);
    EXPECT_EQ(y->GetWholeDisk(), k.marked ? 0u : 1u);
  }
}

TEST(IntelligentSearchScore, RangesNearTheTopOfTheSectorSpaceDoNotWrap) {
  Candidates c;
  c.Add(~std::uint64_t{0} - 5, 100, 1.0);
  c.Add(10, ~std::uint64_t{0}, 0.9);
  c.Add(10, 20, 0.5);
  CIntelligentSearchScore::Rank(c.list, 1000000);
  EXPECT_EQ(c.Chosen(), "C");
}

TEST(FreeRangeList, SubtractLeavesThePartsBeforeAndAfterInOrder) {
  FreeRangeList free(0, 1000);
  free.Subtract(100, 50);
  EXPECT_EQ(free.Ranges(), (std::vector<FreeRangeList::Range>{{0, 100}, {150, 850}}));
  EXPECT_TRUE(free.Contains(150, 850));
  EXPECT_FALSE(free.Contains(90, 20));
  free.Subtract(0, 100);
  free.Subtract(900, 100);
  EXPECT_EQ(free.Ranges(), (std::vector<FreeRangeList::Range>{{150, 750}}));
  free.Subtract(140, 20); // not wholly free: nothing happens
  EXPECT_EQ(free.Ranges(), (std::vector<FreeRangeList::Range>{{150, 750}}));
}

} // namespace
