// The numbers of the recovering window: size texts, the bar's scale, the
// remaining time, and the estimator on a clock the test turns.
#include <gtest/gtest.h>

#include <climits>

#include "dialogs/recovery_progress.h"

namespace qm {
namespace {

TEST(RecoverySizeText, UnitsByThreshold) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0 Byte"},           {1023, "1023 Byte"},        {1024, "1.00 KB"},
      {1048575, "1024.00 KB"}, {1048576, "1.00 MB"},       {(1ull << 30) - 1, "1024.00 MB"},
      {1ull << 30, "1.00 GB"}, {5ull << 40, "5120.00 GB"}, {UINT64_MAX, "17179869184.00 GB"},
  };
  for (const auto& [bytes, text] : cases)
    EXPECT_EQ(RecoverySizeText(bytes), text) << bytes;
}

TEST(ProgressStepsFor, BytesBelowAGibibyteMebibytesFromThereNeverPastInt) {
  struct Case {
    std::uint64_t total, done;
    int range, position;
  };
  const Case cases[] = {
      {0, 0, 1, 1},
      {1000, 250, 1000, 250},
      {(1ull << 30) - 1, 1ull << 29, (1 << 30) - 1, 1 << 29},
      {1ull << 30, 1ull << 29, 1024, 512},
      {3ull << 40, 3ull << 39, 3 << 20, 3 << 19},
      // 2^62 bytes in MiB would still be 2^42: coarser steps keep the range an int.
      {1ull << 62, 1ull << 61, 1 << 30, 1 << 29},
      {UINT64_MAX, UINT64_MAX, INT_MAX, INT_MAX},
      // More written than the total (sector padding) stays at the end.
      {1000, 1200, 1000, 1000},
  };
  for (const Case& c : cases) {
    const ProgressSteps steps = ProgressStepsFor(c.total, c.done);
    EXPECT_EQ(steps.range, c.range) << c.total;
    EXPECT_EQ(steps.position, c.position) << c.total;
    EXPECT_GT(steps.range, 0);
  }
}

TEST(RemainingSeconds, CalculatingForFiveSecondsAndWhileNothingIsCopied) {
  EXPECT_FALSE(RemainingSeconds(0, 1000, 500));
  EXPECT_FALSE(RemainingSeconds(4999, 1000, 500));
  EXPECT_FALSE(RemainingSeconds(60000, 1000, 0));
  // Half done in 10 s: 10 s to go, written up by one second.
  EXPECT_EQ(RemainingSeconds(10000, 1000, 500), 11u);
  EXPECT_EQ(RemainingSeconds(5000, 1000, 1000), 1u);
  // Terabytes left after hours gone by do not overflow.
  EXPECT_EQ(RemainingSeconds(3600000u * 24, 4ull << 40, 1ull << 40), 3u * 86400 + 1);
  EXPECT_EQ(FormatSeconds(11), "00:00:11");
  EXPECT_EQ(FormatSeconds(3u * 86400 + 1), "72:00:01");
  EXPECT_EQ(FormatSeconds(3661), "01:01:01");
}

TEST(RemainingTimeEstimator, FromTheInjectedClock) {
  std::uint32_t now = 0xFFFFF000u; // wraps during the run
  RemainingTimeEstimator estimator([&] { return now; });
  estimator.Start(1000);
  now += 2000;
  estimator.Update(0);
  EXPECT_EQ(estimator.GetRemaining(), 0);
  estimator.Update(250);
  EXPECT_EQ(estimator.GetElapsed(), 2000);
  // 2 s for a quarter: 6 s for the rest, in steps of 100 ms.
  EXPECT_EQ(estimator.GetRemaining(), 6000);
  now += 6000;
  estimator.Update(1000);
  EXPECT_EQ(estimator.GetRemaining(), 0);
  estimator.Update(-3);
  EXPECT_EQ(estimator.GetElapsed(), 8000);
}

} // namespace
} // namespace qm
