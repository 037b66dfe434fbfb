#include "ntfs/data_runs.h"

#include <algorithm>

#include "filemodel/mapping_pairs.h"
#include "filemodel/rs_data.h"

namespace {

// A saved list claims its count; no list of more runs than this is
// believed, whatever the bytes say.
constexpr std::uint64_t kMaxSavedRuns = 1u << 20;

} // namespace

namespace qm {

void SaveRunList(const NtfsRunList& runs, std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  out.resize(start + 8 + runs.size() * 24);
  std::uint8_t* p = out.data() + start;
  StoreLe64(p, runs.size());
  p += 8;
  for (const NtfsRun& run : runs) {
    StoreLe64(p, static_cast<std::uint64_t>(run.lcn));
    StoreLe64(p + 8, run.length);
    StoreLe64(p + 16, run.vcn);
    p += 24;
  }
}

std::optional<NtfsRunList> LoadRunList(ByteView bytes, std::size_t* consumed) {
  if (!bytes.has(0, 8)) return std::nullopt;
  const std::uint64_t count = bytes.le64(0);
  if (count > kMaxSavedRuns || !bytes.has(8, count * 24)) return std::nullopt;
  NtfsRunList runs(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const std::uint64_t at = 8 + i * 24;
    runs[i].lcn = static_cast<std::int64_t>(bytes.le64(at));
    runs[i].length = bytes.le64(at + 8);
    runs[i].vcn = bytes.le64(at + 16);
  }
  if (consumed) *consumed = static_cast<std::size_t>(8 + count * 24);
  return runs;
}

void SaveRunList(const NtfsRunList& runs, IRSData& stream) {
  std::vector<std::uint8_t> bytes;
  SaveRunList(runs, bytes);
  stream.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

std::optional<NtfsRunList> LoadRunList(IRSData& stream) {
  const auto count = RSRead<std::uint64_t>(stream);
  if (count > kMaxSavedRuns) return std::nullopt;
  NtfsRunList runs;
  for (std::uint64_t i = 0; i < count; ++i) {
    NtfsRun run;
    run.lcn = RSRead<std::int64_t>(stream);
    run.length = RSRead<std::uint64_t>(stream);
    run.vcn = RSRead<std::uint64_t>(stream);
    runs.push_back(run);
  }
  return runs;
}

} // namespace qm

bool ValidateMappingPairs(qm::ByteView pairs) { return qm::ValidateMappingPairsStrict(pairs); }

void DecodeDataRuns(qm::ByteView pairs, qm::NtfsRunList& runs, std::uint64_t firstVcn) {
  qm::MappingPairsReader reader(pairs);
  DataRunEntry entry;
  while (reader.Next(entry)) {
    qm::NtfsRun run;
    run.lcn = entry.IsSparse() ? qm::kSparseLcn : static_cast<std::int64_t>(entry.start);
    run.vcn = firstVcn + reader.Vcn();
    run.length = entry.count;
    runs.push_back(run);
  }
}

std::uint64_t SumRunLengths(qm::ByteView pairs) {
  std::uint64_t pos = 0;
  std::uint64_t sum = 0;
  while (pos < pairs.size()) {
    const std::uint8_t header = pairs.u8(pos);
    if (header == 0) break;
    const unsigned lengthSize = header & 0x0F;
    const unsigned offsetSize = header >> 4;
    if (lengthSize > 8 || !pairs.has(pos + 1, lengthSize)) break;
    sum += pairs.leN(pos + 1, lengthSize);
    pos += 1 + lengthSize + offsetSize;
  }
  return sum;
}

std::uint64_t TotalClusters(const qm::NtfsRunList& runs) {
  std::uint64_t total = 0;
  for (const auto& run : runs)
    total += run.length;
  return total;
}

namespace {
const qm::NtfsRun* RunHolding(const qm::NtfsRunList& runs, std::uint64_t vcn) {
  for (const auto& run : runs) {
    if (vcn >= run.vcn && vcn - run.vcn < run.length) return &run;
  }
  return nullptr;
}
} // namespace

std::int64_t VcnToLcn(const qm::NtfsRunList& runs, std::uint64_t vcn) {
  const qm::NtfsRun* run = RunHolding(runs, vcn);
  if (!run || run->lcn < 0) return qm::kSparseLcn;
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(run->lcn) + (vcn - run->vcn));
}

bool ContainsVcn(const qm::NtfsRunList& runs, std::uint64_t vcn) { return RunHolding(runs, vcn) != nullptr; }

void SortByVcn(qm::NtfsRunList& runs) {
  // Nearly every list is in order already; a stable sort would still take
  // a buffer from the heap for it.
  const auto before = [](const qm::NtfsRun& a, const qm::NtfsRun& b) { return a.vcn < b.vcn; };
  if (std::is_sorted(runs.begin(), runs.end(), before)) return;
  std::stable_sort(runs.begin(), runs.end(),
                   [](const qm::NtfsRun& a, const qm::NtfsRun& b) { return a.vcn < b.vcn; });
}

bool SameRuns(const qm::NtfsRunList& a, const qm::NtfsRunList& b) { return a == b; }
