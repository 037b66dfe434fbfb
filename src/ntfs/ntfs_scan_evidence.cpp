#include "ntfs/ntfs_scan_evidence.h"

#include <algorithm>

#include "ntfs/ntfs_partition_info.h"

namespace qm {

void NtfsSectorRunList::Add(std::uint64_t first, std::uint64_t count) {
  if (count == 0) return;
  if (!runs_.empty() && runs_.back().first + runs_.back().count == first) {
    runs_.back().count += count;
    prefix_.back() += count;
    return;
  }
  if (runs_.size() >= kEvidenceListCap) return;
  // Out of order (never in a sweep): kept only when it does not overlap.
  if (!runs_.empty() && first < runs_.back().first + runs_.back().count) return;
  runs_.push_back({first, count});
  prefix_.push_back(Total() + count);
}

std::uint64_t NtfsSectorRunList::CountInside(std::uint64_t begin, std::uint64_t end) const {
  if (begin >= end || runs_.empty()) return 0;
  // First run that ends after begin, first run that starts at or after end.
  const auto lo = std::partition_point(runs_.begin(), runs_.end(),
                                       [&](const Run& r) { return r.first + r.count <= begin; });
  const auto hi = std::partition_point(lo, runs_.end(), [&](const Run& r) { return r.first < end; });
  if (lo == hi) return 0;
  const auto i = static_cast<std::size_t>(lo - runs_.begin());
  const auto j = static_cast<std::size_t>(hi - runs_.begin());
  std::uint64_t total = prefix_[j - 1] - (i == 0 ? 0 : prefix_[i - 1]);
  // Clip the two edge runs.
  if (runs_[i].first < begin) total -= begin - runs_[i].first;
  const Run& last = runs_[j - 1];
  if (last.first + last.count > end) total -= last.first + last.count - end;
  return total;
}

std::uint64_t CountUnitsInRuns(const NtfsSectorRunList& units, const NtfsRunList& runs,
                               std::uint64_t partitionStart, std::uint64_t sectorsPerCluster,
                               std::uint64_t unitsPerSector) {
  if (sectorsPerCluster == 0 || unitsPerSector == 0) return 0;
  constexpr std::uint64_t kLimit = ~std::uint64_t{0} >> 12; // units of any real device fit below
  std::uint64_t total = 0;
  for (const NtfsRun& run : runs) {
    if (run.lcn < 0 || run.length == 0) continue;
    const auto lcn = static_cast<std::uint64_t>(run.lcn);
    if (lcn > kLimit / sectorsPerCluster || run.length > kLimit / sectorsPerCluster) continue;
    const std::uint64_t firstSector = partitionStart + lcn * sectorsPerCluster;
    const std::uint64_t sectors = run.length * sectorsPerCluster;
    if (firstSector > kLimit / unitsPerSector || sectors > kLimit / unitsPerSector) continue;
    const std::uint64_t begin = firstSector * unitsPerSector;
    total += units.CountInside(begin, begin + sectors * unitsPerSector);
  }
  return total;
}

const NtfsSystemFileInfo* FindSystemRecordOf(const std::vector<NtfsSystemFileInfo>& list,
                                             std::uint64_t mftSector, std::uint64_t offset,
                                             std::uint64_t start, std::uint64_t end) {
  const auto at = [&](std::uint64_t sector) {
    return std::partition_point(list.begin(), list.end(),
                                [&](const NtfsSystemFileInfo& e) { return e.recordSector < sector; });
  };
  if (mftSector != kNoSector) {
    if (offset > ~std::uint64_t{0} - mftSector) return nullptr;
    const auto it = at(mftSector + offset);
    return it != list.end() && it->recordSector == mftSector + offset ? &*it : nullptr;
  }
  const auto it = at(start);
  return it != list.end() && it->recordSector < end ? &*it : nullptr;
}

std::uint64_t CandidateEnd(const CSearchedNTFSPartitionInfo& c) {
  const std::uint64_t start = c.GetStartSector();
  const std::uint64_t count = c.GetSectorCount();
  return count > ~std::uint64_t{0} - start ? ~std::uint64_t{0} : start + count;
}

void SortBySector(std::vector<NtfsSystemFileInfo>& list) {
  const auto bySector = [](const NtfsSystemFileInfo& a, const NtfsSystemFileInfo& b) {
    return a.recordSector < b.recordSector;
  };
  if (!std::is_sorted(list.begin(), list.end(), bySector)) std::stable_sort(list.begin(), list.end(), bySector);
}

} // namespace qm
