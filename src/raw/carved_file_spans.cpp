#include "raw/carved_file_spans.h"

#include <cstdint>
#include <iterator>

namespace {

constexpr int kCabAnalyser = 10;
constexpr int kLzhAnalyser = 34;
constexpr int kMp3Analyser = 41;
constexpr int kRarAnalyser = 54;
constexpr int kTarAnalyser = 59;
constexpr int kZipAnalyser = 68;

// The end of bytes [start, start + length), saturated instead of wrapping
// (lengths come from disk data).
std::uint64_t EndOf(std::uint64_t start, std::uint64_t length) {
  return length > UINT64_MAX - start ? UINT64_MAX : start + length;
}

} // namespace

bool CarvedFileSpans::IsArchiveAnalyser(int analyserType) {
  switch (analyserType) {
  case kCabAnalyser:
  case kLzhAnalyser:
  case kRarAnalyser:
  case kTarAnalyser:
  case kZipAnalyser:
    return true;
  default:
    return false;
  }
}

bool CarvedFileSpans::IsMp3Analyser(int analyserType) { return analyserType == kMp3Analyser; }

bool CarvedFileSpans::Contains(std::uint64_t start, std::uint64_t length) const {
  auto after = spans_.lower_bound(start); // first file that starts at start or later
  if (after == spans_.begin()) return false;
  const auto before = std::prev(after); // the last file that starts before start
  return EndOf(start, length) <= before->second;
}

void CarvedFileSpans::Add(std::uint64_t start, std::uint64_t length) {
  const std::uint64_t end = EndOf(start, length);
  if (end <= start) return;
  // Already covered by a file that starts here or before: nothing new.
  auto next = spans_.upper_bound(start);
  if (next != spans_.begin() && std::prev(next)->second >= end) return;
  // Files inside the new one add nothing beside it.
  auto it = spans_.lower_bound(start);
  while (it != spans_.end() && it->second <= end)
    it = spans_.erase(it);
  spans_[start] = end;
}
