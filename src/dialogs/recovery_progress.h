// The numbers a recovery progress window shows, apart from the window:
// size texts, the progress bar's range and position, and the remaining
// time estimated from the time gone by.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qm {

// "%.2f GB" from 2^30 bytes, "%.2f MB" from 2^20, "%.2f KB" from 1024,
// else "<n> Byte".
std::string RecoverySizeText(std::uint64_t bytes);

// A progress bar's range and position for done of total bytes: bytes
// below 2^30, whole MiB from there, and coarser still where MiB would not
// fit the bar's int range. Range 1 and position 1 for a total of 0.
struct ProgressSteps {
  int range = 1;
  int position = 1;
};
ProgressSteps ProgressStepsFor(std::uint64_t total, std::uint64_t done);

// Seconds still needed for total bytes when done of them took elapsedMs;
// nothing while less than 5 s have gone by or nothing was copied yet.
std::optional<std::uint64_t> RemainingSeconds(std::uint32_t elapsedMs, std::uint64_t total,
                                              std::uint64_t done);

// "hh:mm:ss" of a count of seconds (hours not wrapped).
std::string FormatSeconds(std::uint64_t seconds);

// The remaining-time estimate of the progress windows: started with a
// total, updated with what is done, answering the milliseconds still to
// go. The clock is the tick count unless a test gives its own.
class RemainingTimeEstimator {
public:
  using Clock = std::function<std::uint32_t()>;
  RemainingTimeEstimator();
  explicit RemainingTimeEstimator(Clock clock) : clock_(std::move(clock)) {}

  void Start(std::int32_t total);
  // Nothing for done <= 0.
  void Update(std::int32_t done);
  std::int32_t GetRemaining() const { return remaining_; }
  std::int32_t GetElapsed() const { return elapsed_; }

private:
  Clock clock_;
  std::int32_t total_ = 0;
  std::uint32_t startTick_ = 0;
  std::int32_t elapsed_ = 0;
  std::int32_t remaining_ = 0;
};

} // namespace qm
