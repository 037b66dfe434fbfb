#include "filemodel/deleted_file_claims.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <queue>

#include "filemodel/file_node.h"
#include "filemodel/file_properties_base.h"
#include "filemodel/mapping_pairs.h"

namespace qm {
namespace {

bool ByStart(const ClusterClaim& a, const ClusterClaim& b) {
  return a.start != b.start ? a.start < b.start : a.end < b.end;
}

// The properties of a deleted file with extents on the device, or null.
const CFilePropertiesBase* ClaimantProperties(const CFileNode* node) {
  const IFileProperties* properties = node->GetProperties();
  if (properties == nullptr || properties->IsFolder() || (properties->GetState() & kStateDeleted) == 0 ||
      properties->GetTypeCode() == kPropertiesRaw)
    return nullptr;
  const auto* base = dynamic_cast<const CFilePropertiesBase*>(properties);
  if (base == nullptr) return nullptr;
  const CPackedDataRunList* extents = base->GetPackedExtents();
  // A resident list names the record that holds the data, not clusters.
  if (extents == nullptr || extents->GetResidentValue() != 0) return nullptr;
  return base;
}

// The file's runs up to its size, sparse ones left out, into runs.
void CollectRuns(const CFilePropertiesBase& properties, std::uint64_t clusterBytes,
                 std::vector<ClusterClaim>& runs) {
  const std::uint64_t size = properties.GetSize();
  const std::uint64_t limit = size / clusterBytes + (size % clusterBytes != 0 ? 1 : 0);
  MappingPairsReader reader(properties.GetPackedExtents()->MappingPairs());
  std::uint64_t vcn = 0;
  DataRunEntry run;
  while (vcn < limit && reader.Next(run)) {
    const std::uint64_t take = std::min<std::uint64_t>(run.count, limit - vcn);
    vcn += take;
    if (run.IsSparse() || take == 0) continue;
    // A run that wraps past the last cluster number is damage: it claims up
    // to the end of the numbers, no further.
    const std::uint64_t end = run.start > std::numeric_limits<std::uint64_t>::max() - take
                                  ? std::numeric_limits<std::uint64_t>::max()
                                  : run.start + take;
    runs.push_back({run.start, end, 0});
  }
}

} // namespace

DeletedFileClaims::DeletedFileClaims(CFileNode* root, std::uint64_t clusterBytes) {
  if (root == nullptr || clusterBytes == 0) return;
  std::vector<ClusterClaim> runs;
  ForEachInSubtree(root, [&](CFileNode* node) {
    const CFilePropertiesBase* properties = ClaimantProperties(node);
    if (properties == nullptr) return;
    runs.clear();
    CollectRuns(*properties, clusterBytes, runs);
    if (runs.empty() || files_.size() == std::numeric_limits<std::uint32_t>::max()) return;
    // One file's runs are nearly always in order and apart already; damaged
    // ones may repeat or overlap, and are merged so that a file never
    // shares clusters with itself.
    if (!std::is_sorted(runs.begin(), runs.end(), ByStart)) std::sort(runs.begin(), runs.end(), ByStart);
    const auto file = static_cast<std::uint32_t>(files_.size());
    files_.push_back(node);
    ClusterClaim merged = runs.front();
    for (std::size_t i = 1; i < runs.size(); ++i) {
      if (runs[i].start <= merged.end) {
        merged.end = std::max(merged.end, runs[i].end);
        continue;
      }
      claims_.push_back({merged.start, merged.end, file});
      merged = runs[i];
    }
    claims_.push_back({merged.start, merged.end, file});
  });
  std::sort(claims_.begin(), claims_.end(), ByStart);
}

bool DeletedFileClaims::Mark(std::uint32_t file) {
  // Only files with CFilePropertiesBase properties were gathered.
  auto* properties = static_cast<CFilePropertiesBase*>(files_[file]->GetProperties());
  if ((properties->GetState() & kStateDamaged) != 0) return false;
  properties->SetState(static_cast<std::uint8_t>(properties->GetState() | kStateDamaged));
  return true;
}

std::size_t DeletedFileClaims::MarkFilesInUse(
    const std::function<bool(std::uint64_t start, std::uint64_t end)>& anyUsed) {
  std::vector<bool> marked(files_.size(), false);
  std::size_t count = 0;
  for (const ClusterClaim& claim : claims_) {
    if (marked[claim.file] || !anyUsed(claim.start, claim.end)) continue;
    marked[claim.file] = true;
    if (Mark(claim.file)) ++count;
  }
  return count;
}

std::size_t DeletedFileClaims::MarkOlderClaimants(const std::function<ClaimAge(CFileNode& file)>& ageOf) {
  // The claims that overlap another claim: in start order, a claim overlaps
  // an earlier one when it starts before the furthest end so far, and a
  // later one when the next claim starts before its own end. Only these
  // take part further, so ages are read only for files that need them.
  std::vector<std::uint32_t> shared;
  std::uint64_t furthest = 0;
  for (std::size_t i = 0; i < claims_.size(); ++i) {
    const bool earlier = i > 0 && claims_[i].start < furthest;
    const bool later = i + 1 < claims_.size() && claims_[i + 1].start < claims_[i].end;
    if (earlier || later) shared.push_back(static_cast<std::uint32_t>(i));
    furthest = std::max(furthest, claims_[i].end);
  }
  if (shared.empty()) return 0;

  std::vector<std::optional<ClaimAge>> ages(files_.size());
  auto ageOfClaim = [&](std::uint32_t at) -> const ClaimAge& {
    std::optional<ClaimAge>& age = ages[claims_[at].file];
    if (!age) age = ageOf(*files_[claims_[at].file]);
    return *age;
  };

  // For every shared claim, the latest age among the claims it overlaps;
  // those are other files' (a file's own claims are apart).
  const std::size_t n = shared.size();
  std::vector<std::optional<ClaimAge>> latestOther(n);
  auto offer = [&](std::size_t k, const ClaimAge& age) {
    if (!latestOther[k] || *latestOther[k] < age) latestOther[k] = age;
  };

  // Claims that started before this one and still run at its start: a
  // heap by age, whose ended tops are dropped as the sweep passes them
  // (starts only grow, so an ended claim never runs again).
  struct Running {
    ClaimAge age;
    std::uint64_t end;
    bool operator<(const Running& other) const { return age < other.age; }
  };
  std::priority_queue<Running> running;
  for (std::size_t k = 0; k < n; ++k) {
    const ClusterClaim& claim = claims_[shared[k]];
    while (!running.empty() && running.top().end <= claim.start)
      running.pop();
    if (!running.empty()) offer(k, running.top().age);
    running.push({ageOfClaim(shared[k]), claim.end});
  }

  // Claims that start inside this one: those after it in start order up to
  // the first that starts at or past its end. Walking backwards, a stack
  // keeps the claims that no nearer claim outdates (ages rise towards its
  // bottom, positions too), so the latest in any leading range is the
  // deepest entry still inside it: a binary search.
  std::vector<std::size_t> stack; // back() is the top
  for (std::size_t k = n; k-- > 0;) {
    const ClusterClaim& claim = claims_[shared[k]];
    const auto first = shared.begin() + static_cast<std::ptrdiff_t>(k + 1);
    const auto past =
        std::lower_bound(first, shared.end(), claim.end,
                         [&](std::uint32_t at, std::uint64_t end) { return claims_[at].start < end; });
    const auto limit = static_cast<std::size_t>(past - shared.begin());
    // Positions fall from the stack's bottom (front) to its top (back).
    const auto inside = std::partition_point(stack.begin(), stack.end(),
                                             [&](std::size_t position) { return position >= limit; });
    if (inside != stack.end()) offer(k, ageOfClaim(shared[*inside]));
    const ClaimAge& age = ageOfClaim(shared[k]);
    while (!stack.empty() && ageOfClaim(shared[stack.back()]) <= age)
      stack.pop_back();
    stack.push_back(k);
  }

  std::size_t count = 0;
  std::vector<bool> marked(files_.size(), false);
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t file = claims_[shared[k]].file;
    if (marked[file] || !latestOther[k] || *latestOther[k] < ageOfClaim(shared[k])) continue;
    marked[file] = true;
    if (Mark(file)) ++count;
  }
  return count;
}

} // namespace qm
