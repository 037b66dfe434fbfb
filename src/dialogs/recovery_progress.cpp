#include "dialogs/recovery_progress.h"

#include <climits>
#include <cstdio>

#include "platform/tick_count.h"

namespace qm {

std::string RecoverySizeText(std::uint64_t bytes) {
  char text[64];
  if (bytes >= (1ull << 30))
    std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / static_cast<double>(1ull << 30));
  else if (bytes >= (1ull << 20))
    std::snprintf(text, sizeof text, "%.2f MB", static_cast<double>(bytes) / static_cast<double>(1ull << 20));
  else if (bytes >= 1024)
    std::snprintf(text, sizeof text, "%.2f KB", static_cast<double>(bytes) / 1024.0);
  else
    std::snprintf(text, sizeof text, "%llu Byte", static_cast<unsigned long long>(bytes));
  return text;
}

ProgressSteps ProgressStepsFor(std::uint64_t total, std::uint64_t done) {
  if (total == 0) return {1, 1};
  unsigned shift = total >= (1ull << 30) ? 20 : 0;
  // A range past INT_MAX would wrap: the step grows until it fits.
  while ((total >> shift) > static_cast<std::uint64_t>(INT_MAX))
    ++shift;
  if (done > total) done = total;
  return {static_cast<int>(total >> shift), static_cast<int>(done >> shift)};
}

std::optional<std::uint64_t> RemainingSeconds(std::uint32_t elapsedMs, std::uint64_t total,
                                              std::uint64_t done) {
  if (elapsedMs <= 4999 || done == 0) return std::nullopt;
  const std::uint64_t left = done >= total ? 0 : total - done;
  // 128 bits: terabytes left times hours gone by overflow 64.
  const unsigned __int128 ms = static_cast<unsigned __int128>(left) * elapsedMs / done;
  const unsigned __int128 seconds = ms / 1000 + 1;
  return seconds > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(seconds);
}

std::string FormatSeconds(std::uint64_t seconds) {
  char text[48];
  std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                static_cast<unsigned long long>(seconds % 3600 / 60),
                static_cast<unsigned long long>(seconds % 60));
  return text;
}

RemainingTimeEstimator::RemainingTimeEstimator() : clock_([] { return GetTickCount(); }) {}

void RemainingTimeEstimator::Start(std::int32_t total) {
  total_ = total;
  startTick_ = clock_();
}

void RemainingTimeEstimator::Update(std::int32_t done) {
  if (done <= 0) return;
  elapsed_ = static_cast<std::int32_t>(clock_() - startTick_);
  const std::int64_t remaining =
      (static_cast<std::int64_t>(elapsed_) / 100) * (static_cast<std::int64_t>(total_) - done) / done * 100;
  remaining_ = static_cast<std::int32_t>(remaining);
}

} // namespace qm
