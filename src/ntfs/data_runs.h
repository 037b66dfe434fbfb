// Mapping pairs of non-resident attributes, decoded into runs that keep
// their VCN: the form in which MFT records, attribute-list pieces and
// system-file scans handle a file's extents before they become an
// IDataRunList.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/byte_view.h"

class IRSData;

namespace qm {

inline constexpr std::int64_t kSparseLcn = -1;

struct NtfsRun {
  std::int64_t lcn = 0; // -1 for a sparse run
  std::uint64_t vcn = 0;
  std::uint64_t length = 0; // clusters
  bool operator==(const NtfsRun&) const = default;
};
using NtfsRunList = std::vector<NtfsRun>;

// The saved form of a run list: u64 count, then LCN, length and VCN of each
// run, 8 bytes each. Loading caps the count by the bytes present.
void SaveRunList(const NtfsRunList& runs, std::vector<std::uint8_t>& out);
std::optional<NtfsRunList> LoadRunList(ByteView bytes, std::size_t* consumed = nullptr);
// The same form in a result stream. Stream errors raise the stream's
// exception; a count beyond the cap gives nothing, and runs are read one by
// one, so a damaged count never sizes an allocation.
void SaveRunList(const NtfsRunList& runs, IRSData& stream);
std::optional<NtfsRunList> LoadRunList(IRSData& stream);

} // namespace qm

// Checks pairs the way a deep scan trusts them: length and offset fields of at most 8 bytes, no run before cluster 0,
// and a 0 header before the end of the given bytes.
bool ValidateMappingPairs(qm::ByteView pairs);

// Appends the runs the pairs describe. Each run's LCN is the previous one's
// plus the signed offset (from 0); a pair without offset bytes is sparse.
// VCNs count from firstVcn. Stops at a 0 header, at a field size above 8 and
// at a pair that runs past the bytes.
void DecodeDataRuns(qm::ByteView pairs, qm::NtfsRunList& runs, std::uint64_t firstVcn = 0);

// Sum of the length fields up to the 0 header (or the end of the bytes).
std::uint64_t SumRunLengths(qm::ByteView pairs);

std::uint64_t TotalClusters(const qm::NtfsRunList& runs);
// The LCN that holds the VCN, or -1 when no run holds it (or it is sparse).
std::int64_t VcnToLcn(const qm::NtfsRunList& runs, std::uint64_t vcn);
bool ContainsVcn(const qm::NtfsRunList& runs, std::uint64_t vcn);
// Stable order by ascending VCN.
void SortByVcn(qm::NtfsRunList& runs);
bool SameRuns(const qm::NtfsRunList& a, const qm::NtfsRunList& b);
