#include "raw/raw_sector_dispatch.h"

#include <typeindex>
#include <typeinfo>
#include <unordered_set>

void CRawSectorDispatch::Clear() {
  entries_.clear();
  probes_.clear();
  tables_.clear();
  always_.clear();
  words_ = 0;
}

void CRawSectorDispatch::Build(const RawSearchTypeList::List& analysers) {
  Clear();
  std::unordered_set<std::type_index> seen;
  std::vector<RawPrefilter> filters;
  for (const auto& analyser : analysers) {
    if (!analyser) continue;
    if (IsInterchangeableAnalyser(*analyser) && !seen.insert(std::type_index(typeid(*analyser))).second)
      continue;
    entries_.push_back(analyser.get());
    filters.push_back(GetRawPrefilter(*analyser));
  }
  words_ = (entries_.size() + 63) / 64;
  if (words_ == 0) words_ = 1;
  always_.assign(words_, 0);
  std::vector<int> offsets;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const std::size_t word = i / 64;
    const std::uint64_t bit = std::uint64_t{1} << (i % 64);
    const RawPrefilter& filter = filters[i];
    if (filter.Any()) {
      always_[word] |= bit;
      continue;
    }
    std::size_t probe = 0;
    while (probe < offsets.size() && offsets[probe] != filter.offset)
      ++probe;
    if (probe == offsets.size()) {
      offsets.push_back(filter.offset);
      tables_.emplace_back(256 * words_, 0);
    }
    for (const char c : filter.bytes)
      tables_[probe][static_cast<std::uint8_t>(c) * words_ + word] |= bit;
  }
  for (std::size_t p = 0; p < offsets.size(); ++p)
    probes_.push_back({static_cast<std::size_t>(offsets[p]), tables_[p].data()});
}
