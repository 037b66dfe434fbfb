#include "raw/analyser_common.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/message_pump.h"

namespace {

TEST(AnalyserCommon, CaseBlindMatchFoldsAsciiLettersOnly) {
  const std::uint8_t bytes[] = {'x', 'M', 'd', 'A', 'T', 0xC4, '['};
  const qm::ByteView view(bytes, sizeof bytes);
  EXPECT_TRUE(qm::MatchesIgnoringCase(view, 1, "mdat"));
  EXPECT_TRUE(qm::MatchesIgnoringCase(view, 1, "MDAT"));
  EXPECT_FALSE(qm::MatchesIgnoringCase(view, 0, "mdat"));
  // 0xC4 and 0xE4 differ by the case bit but are not ASCII letters; '[' is
  // not '{' either.
  const std::uint8_t other[] = {0xE4, '{'};
  EXPECT_FALSE(qm::MatchesIgnoringCase(view, 5, std::string_view(reinterpret_cast<const char*>(other), 2)));
  // Past the end: no match, no read.
  EXPECT_FALSE(qm::MatchesIgnoringCase(view, 5, "abc"));
  EXPECT_TRUE(qm::MatchesIgnoringCase(view, 7, ""));
  EXPECT_FALSE(qm::MatchesIgnoringCase(view, 8, ""));
}

TEST(AnalyserCommon, RoundingSaturatesInsteadOfWrapping) {
  EXPECT_EQ(qm::RoundUpTo(0, 512), 0u);
  EXPECT_EQ(qm::RoundUpTo(1, 512), 512u);
  EXPECT_EQ(qm::RoundUpTo(1024, 512), 1024u);
  EXPECT_EQ(qm::RoundUpTo(1025, 4096), 4096u);
  EXPECT_EQ(qm::RoundUpTo(77, 0), 77u);
  EXPECT_EQ(qm::RoundUpTo(UINT64_MAX, 512), UINT64_MAX - 511);
  std::uint64_t total = UINT64_MAX - 3;
  EXPECT_FALSE(qm::AddChecked(total, 4));
  EXPECT_EQ(total, UINT64_MAX - 3);
  EXPECT_TRUE(qm::AddChecked(total, 3));
  EXPECT_EQ(total, UINT64_MAX);
}

TEST(AnalyserCommon, PumpLetsOneMessageThroughEveryTenSteps) {
  int pumped = 0;
  qm::SetMessagePump([&] { ++pumped; });
  qm::WalkPump pump;
  for (int i = 0; i < 25; ++i) pump.Step();
  qm::SetMessagePump({});
  EXPECT_EQ(pumped, 3); // steps 0, 10 and 20
}

TEST(AnalyserCommon, HeaderBytesNeverExceedHalfAKilobyte) {
  std::vector<std::uint8_t> sector(4096, 1);
  EXPECT_EQ(qm::HeaderBytes(qm::ByteView(sector.data(), sector.size())).size(), 512u);
  EXPECT_EQ(qm::HeaderBytes(qm::ByteView(sector.data(), 100)).size(), 100u);
}

} // namespace
