// Weighing and ranking of the partitions a complete-recovery sweep found:
// the weight says how strong a candidate's evidence is compared with the
// strongest, and the ranking chooses candidates that do not overlap,
// strongest first, and brings them to the top of the list.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

class CSearchedPartitionInfo;

// Sector ranges not yet claimed, as (start, count), in ascending order.
class FreeRangeList {
public:
  using Range = std::pair<std::uint64_t, std::uint64_t>;

  FreeRangeList(std::uint64_t start, std::uint64_t count);
  // Whether one free range holds all of [start, start + count).
  bool Contains(std::uint64_t start, std::uint64_t count) const;
  // Takes [start, start + count) out of the free range that holds it
  // wholly; nothing happens when none does.
  void Subtract(std::uint64_t start, std::uint64_t count);
  const std::vector<Range>& Ranges() const { return m_ranges; }

private:
  std::vector<Range> m_ranges;
};

class CIntelligentSearchScore {
public:
  // Every candidate's weight: ln of its evidence over ln of the largest
  // evidence in the list (evidence of 0 or 1 is taken as it is).
  static void ComputeWeights(std::vector<CSearchedPartitionInfo*>& partitions);
  // On a list sorted by weight: chooses non-overlapping candidates inside
  // [0, sectorCount), heaviest first, moves the first chosen ones up, and
  // marks a candidate covering the whole disk.
  static void Rank(std::vector<CSearchedPartitionInfo*>& partitions, std::uint64_t sectorCount);
};
