#include "filemodel/deleted_file_claims.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/file_properties_base.h"
#include "filemodel/mapping_pairs.h"
#include "filemodel/tree_object_pool.h"

namespace qm {
namespace {

bool ClaimsByStart(const ClusterClaim& a, const ClusterClaim& b) {
  return a.start != b.start ? a.start < b.start : a.end < b.end;
}

// Which classes of properties make claimants: deleted-file properties of an
// engine, with extents (not folders, not carved files). The answer is the
// same for every object of a class, and a dynamic_cast costs more than all
// the rest of the work on a file, so it is asked once per class met.
class ClaimantClasses {
public:
  CFilePropertiesBase* Claimant(IFileProperties& properties) {
    const std::type_info* type = &typeid(properties);
    for (const Known& known : known_)
      if (known.type == type)
        return known.claimant ? static_cast<CFilePropertiesBase*>(&properties) : nullptr;
    const bool claimant = dynamic_cast<CFilePropertiesBase*>(&properties) != nullptr &&
                          properties.GetTypeCode() != kPropertiesRaw;
    known_[next_] = {type, claimant};
    next_ = (next_ + 1) % known_.size();
    return claimant ? static_cast<CFilePropertiesBase*>(&properties) : nullptr;
  }

private:
  struct Known {
    const std::type_info* type = nullptr;
    bool claimant = false;
  };
  // A tree mixes few classes: its engine's, raw files', folders made up.
  std::array<Known, 4> known_{};
  std::size_t next_ = 0;
};

// The deleted file's extents when it claims clusters, or null.
const CPackedDataRunList* ClaimedExtents(const CFilePropertiesBase& properties) {
  if ((properties.GetState() & kStateDeleted) == 0 || (properties.GetAttributes() & kAttrFolder) != 0)
    return nullptr;
  const CPackedDataRunList* extents = properties.GetPackedExtents();
  // A resident list names the record that holds the data, not clusters.
  if (extents == nullptr || extents->GetResidentValue() != 0) return nullptr;
  return extents;
}

// The units of a tree's runs that a size covers; a shift where the unit is
// a power of two, as it always is on a sound volume (a division per file
// costs a tenth of the whole pass).
class RunUnits {
public:
  explicit RunUnits(std::uint64_t bytes)
      : bytes_(bytes), shift_(std::has_single_bit(bytes) ? std::countr_zero(bytes) : -1) {}
  std::uint64_t Covering(std::uint64_t size) const {
    if (shift_ >= 0) return (size >> shift_) + ((size & (bytes_ - 1)) != 0 ? 1 : 0);
    return size / bytes_ + (size % bytes_ != 0 ? 1 : 0);
  }

private:
  std::uint64_t bytes_;
  int shift_;
};

// The file's runs up to its size, sparse ones left out, into runs.
void CollectRuns(const CFilePropertiesBase& properties, const CPackedDataRunList& extents,
                 const RunUnits& units, std::vector<ClusterClaim>& runs) {
  const std::uint64_t limit = units.Covering(properties.GetSize());
  MappingPairsReader reader(extents.MappingPairs());
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
    runs.push_back({run.start, end});
  }
}

// Sets of indices, one bit each.
HugePageArray<std::uint64_t> NewBits(std::size_t count) {
  const std::size_t words = count / 64 + 1;
  HugePageArray<std::uint64_t> bits(words);
  std::memset(bits.data(), 0, words * sizeof(std::uint64_t));
  return bits;
}
bool HasBit(const std::uint64_t* bits, std::size_t index) {
  return (bits[index / 64] >> (index % 64) & 1) != 0;
}
void SetBit(std::uint64_t* bits, std::size_t index) { bits[index / 64] |= std::uint64_t{1} << (index % 64); }
// visit(index) for every index below count whose bit is set, in increasing
// order.
template <class Visit> void ForEachBit(const std::uint64_t* bits, std::size_t count, Visit&& visit) {
  for (std::size_t w = 0; w * 64 < count; ++w)
    for (std::uint64_t word = bits[w]; word != 0; word &= word - 1)
      visit(w * 64 + static_cast<std::size_t>(std::countr_zero(word)));
}

// A binary heap whose top is the entry that no other comes Before.
template <class Entry, class Before> class SweepHeap {
public:
  bool empty() const { return size_ == 0; }
  const Entry& top() const { return entries_[0]; }
  void push(const Entry& entry) {
    if (size_ == entries_.capacity()) entries_.Grow(std::max<std::size_t>(size_ * 2, 1024), size_);
    entries_[size_++] = entry;
    std::push_heap(entries_.data(), entries_.data() + size_, Heaped());
  }
  void pop() { std::pop_heap(entries_.data(), entries_.data() + size_--, Heaped()); }
  void clear() { size_ = 0; }

private:
  // std::push_heap keeps the greatest on top.
  struct Heaped {
    bool operator()(const Entry& a, const Entry& b) const { return Before()(b, a); }
  };
  HugePageArray<Entry> entries_;
  std::size_t size_ = 0;
};

// Takes the claims in order of start and hands on to shared(claim, file)
// those that overlap another claim: a claim overlaps an earlier one when it
// starts before the furthest end so far, and a later one when the next
// claim starts before its own end. One claim waits for the next.
template <class Shared> class SharedClaims {
public:
  explicit SharedClaims(Shared& shared) : shared_(shared) {}
  void operator()(const ClusterClaim& claim, std::uint32_t file) {
    if (waiting_ && (earlier_ || claim.start < claim_.end)) shared_(claim_, file_);
    earlier_ = waiting_ && claim.start < furthest_;
    furthest_ = waiting_ ? std::max(furthest_, claim.end) : claim.end;
    waiting_ = true;
    claim_ = claim;
    file_ = file;
  }
  void Finish() {
    if (waiting_ && earlier_) shared_(claim_, file_);
    waiting_ = false;
  }

private:
  Shared& shared_;
  bool waiting_ = false;
  bool earlier_ = false;
  std::uint64_t furthest_ = 0;
  ClusterClaim claim_;
  std::uint32_t file_ = 0;
};

// Asks for the first two lines of a file's properties, where the fields
// the walk reads lie.
void PrefetchProperties(const void* properties) {
  if (properties == nullptr) return;
  const auto* at = static_cast<const char*>(properties);
  __builtin_prefetch(at);
  __builtin_prefetch(at + 64);
}

// How many places on in the order of start the sweeps ask for what they
// will read.
constexpr std::size_t kLookAhead = 16;

// Arrays are made this large at first; a larger tree grows them.
constexpr std::size_t kMostClaimsAtFirst = std::size_t{64} << 20;

} // namespace

DeletedFileClaims::DeletedFileClaims(CFileNode* root, std::uint64_t clusterBytes, PropertiesAge ageOf) {
  if (root == nullptr || clusterBytes == 0) return;
  // Every node comes from the tree-object pool, so the objects it holds
  // bound the claimants. Memory reserved and never touched costs nothing,
  // so the arrays are made that large, and grow only when fragmented files
  // bring more claims than that.
  const std::size_t bound =
      std::clamp<std::size_t>(GetTreeObjectPoolUse().objects, std::size_t{1} << 10, kMostClaimsAtFirst);
  ageOf_ = ageOf;
  properties_ = HugePageArray<CFilePropertiesBase*>(bound);
  if (ageOf == nullptr) files_ = HugePageArray<CFileNode*>(bound);
  claims_ = HugePageArray<ClusterClaim>(bound);

  const RunUnits units(clusterBytes);
  ClaimantClasses classes;
  std::vector<ClusterClaim> runs;
  ForEachInSubtree(root, [&](CFileNode* node) {
    // The walk waits on memory: the next file's properties are asked for
    // while this one's are looked at.
    if (const CFileNode* next = node->GetNextSibling()) PrefetchProperties(next->GetProperties());
    IFileProperties* properties = node->GetProperties();
    if (properties == nullptr) return;
    CFilePropertiesBase* claimant = classes.Claimant(*properties);
    if (claimant == nullptr) return;
    const CPackedDataRunList* extents = ClaimedExtents(*claimant);
    if (extents == nullptr) return;
    runs.clear();
    CollectRuns(*claimant, *extents, units, runs);
    if (runs.empty() || fileCount_ == std::numeric_limits<std::uint32_t>::max()) return;
    AddFile(node, claimant, runs.data(), runs.size());
  });
  Order();
}

void DeletedFileClaims::AddFile(CFileNode* node, CFilePropertiesBase* properties, ClusterClaim* runs,
                                std::size_t count) {
  // One file's runs are nearly always in order and apart already; damaged
  // ones may repeat or overlap, and are merged so that a file never
  // shares clusters with itself.
  if (count > 1 && !std::is_sorted(runs, runs + count, ClaimsByStart))
    std::sort(runs, runs + count, ClaimsByStart);
  if (claimCount_ + count > claims_.capacity()) {
    const std::size_t capacity = std::max(claimCount_ + count, claims_.capacity() * 2);
    claims_.Grow(capacity, claimCount_);
    if (!oneClaimEach_) claimFiles_.Grow(capacity, claimCount_);
  }
  if (fileCount_ == properties_.capacity()) {
    properties_.Grow(fileCount_ * 2, fileCount_);
    if (ageOf_ == nullptr) files_.Grow(fileCount_ * 2, fileCount_);
  }
  const auto file = static_cast<std::uint32_t>(fileCount_);
  if (ageOf_ == nullptr) files_[fileCount_] = node;
  properties_[fileCount_++] = properties;
  auto append = [&](const ClusterClaim& claim) {
    if (claimCount_ != 0) {
      const std::uint64_t previous = claims_[claimCount_ - 1].start;
      rises_ += claim.start > previous ? 1 : 0;
      falls_ += claim.start < previous ? 1 : 0;
    }
    if (!oneClaimEach_) claimFiles_[claimCount_] = file;
    claims_[claimCount_++] = claim;
  };
  ClusterClaim merged = runs[0];
  for (std::size_t i = 1; i < count; ++i) {
    if (runs[i].start <= merged.end) {
      merged.end = std::max(merged.end, runs[i].end);
      continue;
    }
    if (oneClaimEach_) KeepClaimFiles(claims_.capacity());
    append(merged);
    merged = runs[i];
  }
  append(merged);
}

void DeletedFileClaims::KeepClaimFiles(std::size_t capacity) {
  // Until now each claim's file was its position.
  oneClaimEach_ = false;
  claimFiles_ = HugePageArray<std::uint32_t>(std::max<std::size_t>(capacity, 1));
  for (std::size_t at = 0; at < claimCount_; ++at)
    claimFiles_[at] = static_cast<std::uint32_t>(at);
}

void DeletedFileClaims::Order() {
  // A tree lists a folder's files in the order of their entries, which on
  // a volume filled from the start is the order of their clusters (or its
  // reverse, as children stand in reverse order of adding); fragments and
  // files written into freed clusters break that order here and there.
  // So the claims keep their places: those that continue a run rising in
  // start (read in the walk's order, or backwards when more starts fall
  // than rise) stay, and the few that break it are set aside and sorted
  // apart. Moving every claim is what costs: a radix sort of a million
  // claims takes about as long as gathering them.
  const std::size_t n = claimCount_;
  if (falls_ == 0) return;
  descending_ = falls_ > rises_;
  if (rises_ == 0) return;
  // Past this many set aside, a radix sort of all is cheaper.
  const std::size_t mostAside = n / 16 + 64;
  asideBits_ = NewBits(n);
  std::uint64_t* bits = asideBits_.data();
  auto position = [&](std::size_t k) { return descending_ ? n - 1 - k : k; };
  constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
  std::size_t last = position(0);
  std::size_t beforeLast = kNone;
  std::size_t asideCount = 0;
  for (std::size_t k = 1; k < n; ++k) {
    const std::size_t at = position(k);
    const std::uint64_t start = claims_[at].start;
    if (start >= claims_[last].start) {
      beforeLast = last;
      last = at;
      continue;
    }
    // It breaks the run. When it still follows the claim before the last
    // one kept, the last one is the odd one (a claim far ahead of its
    // neighbours) and goes aside instead.
    std::size_t out = at;
    if (beforeLast != kNone && start >= claims_[beforeLast].start) {
      out = last;
      last = at;
    }
    SetBit(bits, out);
    if (++asideCount > mostAside) {
      asideBits_ = {};
      RadixSort();
      return;
    }
  }
  aside_ = HugePageArray<Aside>(asideCount);
  ForEachBit(bits, n, [&](std::size_t at) { aside_[asideCount_++] = {claims_[at], FileOf(at)}; });
  std::sort(aside_.data(), aside_.data() + asideCount_,
            [](const Aside& a, const Aside& b) { return ClaimsByStart(a.claim, b.claim); });
}

void DeletedFileClaims::RadixSort() {
  // A least-significant-digit radix sort of the starts (stable, so claims
  // of the same start stay in the walk's order: which comes first changes
  // nothing the sweeps find). Only the digits in which the starts differ
  // are sorted on, measured from the lowest start: a volume of 2^20
  // clusters takes two passes, and a damaged run far out at most six.
  descending_ = false;
  const std::size_t n = claimCount_;
  constexpr unsigned kDigitBits = 11;
  constexpr std::size_t kDigits = std::size_t{1} << kDigitBits;
  std::uint64_t lowest = claims_[0].start;
  std::uint64_t highest = claims_[0].start;
  for (std::size_t i = 1; i < n; ++i) {
    lowest = std::min(lowest, claims_[i].start);
    highest = std::max(highest, claims_[i].start);
  }
  const unsigned passes =
      (static_cast<unsigned>(std::bit_width(highest - lowest)) + kDigitBits - 1) / kDigitBits;
  std::vector<std::array<std::size_t, kDigits>> counts(passes);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t key = claims_[i].start - lowest;
    for (unsigned pass = 0; pass < passes; ++pass)
      ++counts[pass][key >> (pass * kDigitBits) & (kDigits - 1)];
  }
  if (oneClaimEach_) KeepClaimFiles(n);
  HugePageArray<ClusterClaim> sortedClaims;
  HugePageArray<std::uint32_t> sortedFiles;
  for (unsigned pass = 0; pass < passes; ++pass) {
    std::array<std::size_t, kDigits>& offsets = counts[pass];
    // A digit that every start shares moves nothing.
    if (std::find(offsets.begin(), offsets.end(), n) != offsets.end()) continue;
    std::size_t sum = 0;
    for (std::size_t& offset : offsets)
      sum += std::exchange(offset, sum);
    if (sortedClaims.capacity() == 0) {
      sortedClaims = HugePageArray<ClusterClaim>(n);
      sortedFiles = HugePageArray<std::uint32_t>(n);
    }
    const unsigned shift = pass * kDigitBits;
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t at = offsets[(claims_[i].start - lowest) >> shift & (kDigits - 1)]++;
      sortedClaims[at] = claims_[i];
      sortedFiles[at] = claimFiles_[i];
    }
    claims_.swap(sortedClaims);
    claimFiles_.swap(sortedFiles);
  }
}

template <class Visit> void DeletedFileClaims::ForEachInOrder(Visit&& visit) const {
  ForEachInOrder(visit, [](std::size_t) {});
}

template <class Visit, class Ahead> void DeletedFileClaims::ForEachInOrder(Visit&& visit, Ahead&& ahead) const {
  const std::size_t n = claimCount_;
  const Aside* aside = aside_.data();
  const Aside* const asideEnd = aside + asideCount_;
  const std::uint64_t* bits = asideBits_.data();
  auto walk = [&](auto descending) {
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t at = descending ? n - 1 - k : k;
      if (k + kLookAhead < n) ahead(descending ? n - 1 - (k + kLookAhead) : k + kLookAhead);
      if (bits != nullptr && HasBit(bits, at)) continue;
      const ClusterClaim& claim = claims_[at];
      for (; aside != asideEnd && aside->claim.start < claim.start; ++aside)
        visit(aside->claim, aside->file);
      visit(claim, FileOf(at));
    }
  };
  if (descending_)
    walk(std::true_type());
  else
    walk(std::false_type());
  for (; aside != asideEnd; ++aside)
    visit(aside->claim, aside->file);
}

bool DeletedFileClaims::Mark(std::uint32_t file) {
  CFilePropertiesBase* properties = properties_[file];
  if ((properties->GetState() & kStateDamaged) != 0) return false;
  properties->SetState(static_cast<std::uint8_t>(properties->GetState() | kStateDamaged));
  return true;
}

std::size_t DeletedFileClaims::MarkFilesInUse(
    const std::function<bool(std::uint64_t start, std::uint64_t end)>& anyUsed) {
  if (claimCount_ == 0) return 0;
  HugePageArray<std::uint64_t> marked = NewBits(fileCount_);
  std::size_t count = 0;
  ForEachInOrder([&](const ClusterClaim& claim, std::uint32_t file) {
    if (HasBit(marked.data(), file) || !anyUsed(claim.start, claim.end)) return;
    SetBit(marked.data(), file);
    if (Mark(file)) ++count;
  });
  return count;
}

template <bool kReadsProperties, class AgeOf> std::size_t DeletedFileClaims::MarkOlder(AgeOf&& ageOf) {
  // A shared claim is beaten when a claim that overlaps it is as late or
  // later. A sweep over the shared claims in order of start meets every
  // overlapping pair when the second of the two starts: the first one still
  // runs then. Claims of one file never overlap (they were merged), so
  // every overlap is another file's.
  //
  // Few claims run at once on a sound volume: they stay in a small array,
  // each newcomer compared with all of them. Where more run (a damaged
  // entry whose huge guess covers thousands of files), two heaps over the
  // claims met so far take over until all of them have ended:
  //
  // - by latest age, those that may still run: once the ones whose end has
  //   passed are dropped from the top (starts only grow, so an ended claim
  //   never runs again), the top is the latest claim that runs at this
  //   start, and beats this claim when it is as late;
  // - by earliest age, those not yet beaten: this claim beats every one of
  //   them that is no later and still runs, and those no later that have
  //   ended cannot overlap a claim to come either, so all of them leave.
  struct Running {
    ClaimAge age;
    std::uint64_t end;
    std::uint32_t file;
  };
  // Apart by field: copies of the whole entry cost more than the sweep.
  constexpr std::size_t kFewRunning = 16;
  std::array<ClaimAge, kFewRunning> fewAges;
  std::array<std::uint64_t, kFewRunning> fewEnds;
  std::array<std::uint32_t, kFewRunning> fewFiles;
  std::size_t fewCount = 0;

  struct Latest {
    ClaimAge age;
    std::uint64_t end;
  };
  struct LaterFirst {
    // Of the same age the one that ends first is on top: the first to be
    // dropped, so that claims of one age do not pile up below it.
    bool operator()(const Latest& a, const Latest& b) const {
      return a.age != b.age ? a.age > b.age : a.end < b.end;
    }
  };
  struct EarlierFirst {
    bool operator()(const Running& a, const Running& b) const { return a.age < b.age; }
  };
  SweepHeap<Latest, LaterFirst> latest;
  SweepHeap<Running, EarlierFirst> unbeaten;
  bool many = false;

  std::size_t count = 0;
  auto beat = [&](std::uint32_t file) {
    if (Mark(file)) ++count;
  };
  auto sweep = [&](const ClusterClaim& claim, std::uint32_t file) {
    const ClaimAge age = ageOf(file);
    if (many) {
      while (!latest.empty() && latest.top().end <= claim.start)
        latest.pop();
      if (latest.empty()) {
        // Every claim met so far has ended, the unbeaten ones too.
        unbeaten.clear();
        many = false;
      } else {
        const bool isBeaten = !(latest.top().age < age);
        while (!unbeaten.empty() && !(age < unbeaten.top().age)) {
          if (unbeaten.top().end > claim.start) beat(unbeaten.top().file);
          unbeaten.pop();
        }
        latest.push({age, claim.end});
        if (isBeaten)
          beat(file);
        else
          unbeaten.push({age, claim.end, file});
        return;
      }
    }
    bool isBeaten = false;
    std::size_t running = 0;
    for (std::size_t i = 0; i < fewCount; ++i) {
      if (fewEnds[i] <= claim.start) continue;
      const ClaimAge& other = fewAges[i];
      if (!(other < age)) isBeaten = true;
      if (!(age < other)) beat(fewFiles[i]);
      if (running != i) {
        fewAges[running] = fewAges[i];
        fewEnds[running] = fewEnds[i];
        fewFiles[running] = fewFiles[i];
      }
      ++running;
    }
    fewCount = running;
    if (isBeaten) beat(file);
    if (fewCount < kFewRunning) {
      fewAges[fewCount] = age;
      fewEnds[fewCount] = claim.end;
      fewFiles[fewCount++] = file;
      return;
    }
    // Too many run at once: over to the heaps. Those already beaten may
    // sit among the unbeaten; beating them again changes nothing.
    for (std::size_t i = 0; i < kFewRunning; ++i) {
      latest.push({fewAges[i], fewEnds[i]});
      unbeaten.push({fewAges[i], fewEnds[i], fewFiles[i]});
    }
    latest.push({age, claim.end});
    if (!isBeaten) unbeaten.push({age, claim.end, file});
    fewCount = 0;
    many = true;
  };
  SharedClaims shared(sweep);
  // The sweep waits on memory when it reads ages and writes marks: the
  // properties of a claim a few places on are asked for early when it
  // overlaps a neighbour in the stored order (the others the sweep never
  // looks at).
  const std::size_t n = claimCount_;
  ForEachInOrder(shared, [&](std::size_t at) {
    if constexpr (kReadsProperties) {
      const bool overlaps = (at + 1 < n && claims_[at + 1].start < claims_[at].end &&
                             claims_[at].start < claims_[at + 1].end) ||
                            (at > 0 && claims_[at - 1].start < claims_[at].end &&
                             claims_[at].start < claims_[at - 1].end);
      if (overlaps) PrefetchProperties(properties_[FileOf(at)]);
    }
  });
  shared.Finish();
  return count;
}

std::size_t DeletedFileClaims::MarkOlderClaimants(const std::function<ClaimAge(CFileNode& file)>& ageOf) {
  if (claimCount_ == 0 || files_.capacity() == 0) return 0;
  // The files that share clusters, first: only their ages are read, each
  // once, in the order of the walk (which keeps reads of the device, where
  // ageOf makes them, close together).
  HugePageArray<std::uint64_t> aged = NewBits(fileCount_);
  bool any = false;
  auto need = [&](const ClusterClaim&, std::uint32_t file) {
    SetBit(aged.data(), file);
    any = true;
  };
  SharedClaims shared(need);
  ForEachInOrder(shared);
  shared.Finish();
  if (!any) return 0;
  HugePageArray<ClaimAge> ages(fileCount_);
  ForEachBit(aged.data(), fileCount_, [&](std::size_t file) { ages[file] = ageOf(*files_[file]); });
  return MarkOlder<false>([&](std::uint32_t file) { return ages[file]; });
}

std::size_t DeletedFileClaims::MarkOlderClaimants() {
  if (claimCount_ == 0 || ageOf_ == nullptr) return 0;
  return MarkOlder<true>([&](std::uint32_t file) { return ageOf_(*properties_[file]); });
}

} // namespace qm
