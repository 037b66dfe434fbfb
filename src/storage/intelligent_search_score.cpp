#include "storage/intelligent_search_score.h"

#include <algorithm>
#include <cmath>

#include "storage/searched_partition_info.h"

namespace {

// How many chosen candidates are brought up to the top of the list.
constexpr int kMaxMovedUp = 4;
// A candidate this close to the disk's size (in 512-byte sectors) is
// taken for a file system over the whole disk.
constexpr std::uint64_t kWholeDiskSlackSectors = 0x1000000 / 512;

bool Holds(const FreeRangeList::Range& range, std::uint64_t start, std::uint64_t count) {
  // Written without start + count, which a hostile record can overflow.
  if (start < range.first) return false;
  const std::uint64_t offset = start - range.first;
  return offset <= range.second && count <= range.second - offset;
}

std::uint64_t Evidence(const CSearchedPartitionInfo* partition) {
  return partition->GetScore() + 50 * partition->GetFoldersMatched() + partition->GetFilesMatched();
}

double LogOrSelf(std::uint64_t value) { return value < 2 ? static_cast<double>(value) : std::log(static_cast<double>(value)); }

// Moves a chosen candidate standing at position 2 or later to position 1,
// where it takes over the weight of the candidate it displaces.
void MoveUp(std::vector<CSearchedPartitionInfo*>& partitions, CSearchedPartitionInfo* partition) {
  const auto it = std::find(partitions.begin(), partitions.end(), partition);
  if (it == partitions.end() || it - partitions.begin() < 2) return;
  const double weight = partitions[1]->GetWeight();
  partitions.erase(it);
  partitions.insert(partitions.begin() + 1, partition);
  partition->SetWeight(weight);
}

} // namespace

FreeRangeList::FreeRangeList(std::uint64_t start, std::uint64_t count) { m_ranges.emplace_back(start, count); }

bool FreeRangeList::Contains(std::uint64_t start, std::uint64_t count) const {
  return std::any_of(m_ranges.begin(), m_ranges.end(), [&](const Range& r) { return Holds(r, start, count); });
}

void FreeRangeList::Subtract(std::uint64_t start, std::uint64_t count) {
  const auto it = std::find_if(m_ranges.begin(), m_ranges.end(), [&](const Range& r) { return Holds(r, start, count); });
  if (it == m_ranges.end()) return;
  const Range range = *it;
  const std::uint64_t before = start - range.first;
  const std::uint64_t after = range.second - before - count;
  std::vector<Range> parts;
  if (before > 0) parts.emplace_back(range.first, before);
  if (after > 0) parts.emplace_back(start + count, after);
  const auto pos = m_ranges.erase(it);
  m_ranges.insert(pos, parts.begin(), parts.end());
}

void CIntelligentSearchScore::ComputeWeights(std::vector<CSearchedPartitionInfo*>& partitions) {
  std::uint64_t largest = 0;
  for (const auto* partition : partitions) largest = std::max(largest, Evidence(partition));
  const double divisor = largest < 2 ? 1.0 : std::log(static_cast<double>(largest));
  for (auto* partition : partitions) partition->SetWeight(LogOrSelf(Evidence(partition)) / divisor);
}

void CIntelligentSearchScore::Rank(std::vector<CSearchedPartitionInfo*>& partitions, std::uint64_t sectorCount) {
  std::vector<CSearchedPartitionInfo*> open(partitions);
  FreeRangeList free(0, sectorCount);
  int moved = 0;
  while (!open.empty()) {
    auto best = open.end();
    for (auto it = open.begin(); it != open.end(); ++it) {
      const auto* p = *it;
      if (p->GetWeight() <= 0.0 || !free.Contains(p->GetStartSector(), p->GetSectorCount())) continue;
      if (best == open.end() || p->GetWeight() > (*best)->GetWeight()) best = it;
    }
    if (best == open.end()) break;
    CSearchedPartitionInfo* chosen = *best;
    chosen->SetChosen(1);
    open.erase(best);
    free.Subtract(chosen->GetStartSector(), chosen->GetSectorCount());
    std::erase_if(open, [&](const CSearchedPartitionInfo* p) { return !free.Contains(p->GetStartSector(), p->GetSectorCount()); });
    if (moved < kMaxMovedUp) {
      MoveUp(partitions, chosen);
      ++moved;
    }
  }

  for (std::size_t i = 0; i < partitions.size(); ++i) {
    CSearchedPartitionInfo* p = partitions[i];
    const std::uint64_t count = p->GetSectorCount();
    const std::uint64_t difference = count > sectorCount ? count - sectorCount : sectorCount - count;
    if (difference > kWholeDiskSlackSectors) continue;
    if (i != 0) {
      p->SetWholeDisk(1);
      p->SetChosen(1);
      MoveUp(partitions, p);
    }
    break;
  }
}
