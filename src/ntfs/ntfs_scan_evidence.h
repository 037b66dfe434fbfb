// What the NTFS deep scan's evidence analysers share: the cap on every
// evidence list, the run lists of matching sectors (kept in 512-byte units
// whatever the device's sector size, so that the score's thresholds mean
// the same bytes everywhere), and the look-ups that join a candidate with
// the system-file records found inside it. Lists fill in ascending sector
// order during the sweep; the joins at the end use ordered look-ups, so a
// disk full of evidence does not make the end of a search quadratic.
#pragma once

#include <cstdint>
#include <vector>

#include "ntfs/data_runs.h"
#include "ntfs/scan_holders.h"

class CSearchedNTFSPartitionInfo;

namespace qm {

// An evidence list takes an entry only while it holds fewer than this.
inline constexpr std::size_t kEvidenceListCap = 500'000;

// Runs of consecutive 512-byte units.
class NtfsSectorRunList {
public:
  struct Run {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
  };
  // Extends the run that ends exactly at first, else appends a run while
  // fewer than the cap exist. Units must come in ascending order.
  void Add(std::uint64_t first, std::uint64_t count = 1);
  // Units of the runs inside [begin, end).
  std::uint64_t CountInside(std::uint64_t begin, std::uint64_t end) const;
  const std::vector<Run>& Runs() const { return runs_; }
  std::uint64_t Total() const { return prefix_.empty() ? 0 : prefix_.back(); }

private:
  std::vector<Run> runs_;
  std::vector<std::uint64_t> prefix_; // units in runs_[0..i]
};

// The units of a partition's data runs (of sectorsPerCluster device
// sectors, each unitsPerSector units) that the list holds.
std::uint64_t CountUnitsInRuns(const NtfsSectorRunList& units, const NtfsRunList& runs,
                               std::uint64_t partitionStart, std::uint64_t sectorsPerCluster,
                               std::uint64_t unitsPerSector);

// The system record that belongs to a candidate: the entry at exactly
// mftSector + offset when the $MFT sector is known, else the first entry
// inside [start, end). Null when none. The list must be in ascending
// order of record sector.
const NtfsSystemFileInfo* FindSystemRecordOf(const std::vector<NtfsSystemFileInfo>& list,
                                             std::uint64_t mftSector, std::uint64_t offset,
                                             std::uint64_t start, std::uint64_t end);

// The candidate's end sector (start + sector count, held below 2^64).
std::uint64_t CandidateEnd(const CSearchedNTFSPartitionInfo& c);

// Sorts a list of system records by sector (stable) unless it already is.
void SortBySector(std::vector<NtfsSystemFileInfo>& list);

} // namespace qm
