// Asks only the analysers that can accept a sector. Each analyser class
// has a prefilter (one byte value set at one probe offset, see
// GetRawPrefilter); per probe offset a table maps the sector's byte there
// to the set of analysers whose prefilter it passes, and the union of the
// tables' answers (with the analysers that have no prefilter) is asked in
// list order, so the first analyser of the list that accepts the sector
// still wins. A list holding several instances of one built-in class asks
// only the first: the others test the same signatures after it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/byte_view.h"
#include "raw/raw_search_type_list.h"

class CRawFileInfo;

class CRawSectorDispatch {
public:
  // The tables for a list of analysers, which must stay unchanged (and
  // alive) while the dispatch is used.
  void Build(const RawSearchTypeList::List& analysers);
  void Clear();

  // The analysers the dispatch can ask, in list order.
  const std::vector<IRawFileAnalyser*>& Entries() const { return entries_; }

  // Calls ask(analyser) for each analyser whose prefilter the sector
  // passes, in list order, until one answers true; returns that analyser,
  // or null.
  template <class Ask> IRawFileAnalyser* FirstAccepting(qm::ByteView sector, Ask&& ask) const {
    const std::uint8_t* data = sector.data();
    const std::size_t size = sector.size();
    if (words_ == 1) {
      std::uint64_t mask = always_[0];
      for (const Probe& probe : probes_)
        if (probe.offset < size) mask |= probe.table[data[probe.offset]];
      while (mask != 0) {
        const int i = __builtin_ctzll(mask);
        mask &= mask - 1;
        if (ask(entries_[static_cast<std::size_t>(i)])) return entries_[static_cast<std::size_t>(i)];
      }
      return nullptr;
    }
    for (std::size_t w = 0; w < words_; ++w) {
      std::uint64_t mask = always_[w];
      for (const Probe& probe : probes_)
        if (probe.offset < size) mask |= probe.table[data[probe.offset] * words_ + w];
      while (mask != 0) {
        const int i = __builtin_ctzll(mask);
        mask &= mask - 1;
        IRawFileAnalyser* analyser = entries_[w * 64 + static_cast<std::size_t>(i)];
        if (ask(analyser)) return analyser;
      }
    }
    return nullptr;
  }

private:
  struct Probe {
    std::size_t offset = 0;
    const std::uint64_t* table = nullptr; // 256 × words_ masks
  };

  std::vector<IRawFileAnalyser*> entries_;
  std::vector<Probe> probes_;
  std::vector<std::vector<std::uint64_t>> tables_;
  std::vector<std::uint64_t> always_;
  std::size_t words_ = 0;
};
