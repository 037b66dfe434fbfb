#include "dialogs/search_progress_rules.h"

#include <cstdio>

namespace qm {

std::uint64_t ProgressRangeDivisor(std::uint64_t span) {
  std::uint64_t divisor = 1;
  // 10^19 is the largest power of ten in 64 bits; any span divided by it is
  // below 1000.
  while (span / divisor > 1000 && divisor <= UINT64_MAX / 10)
    divisor *= 10;
  return divisor;
}

std::uint64_t EstimateRemainingMs(std::uint64_t elapsedMs, std::uint64_t done, std::uint64_t total) {
  if (done == 0 || done >= total) return 0;
  return elapsedMs / 100 * (total - done) / done * 100;
}

std::uint64_t LostSearchRemainingSeconds(std::uint64_t elapsedMs, std::uint64_t done, std::uint64_t end) {
  if (done == 0) return 0;
  const std::uint64_t left = end > done ? end - done : 0;
  return left * elapsedMs / done / 1000 + 1;
}

std::string CounterText(std::uint64_t value) {
  return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

} // namespace qm
