#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/folders.h"
#include "platform/memory_status.h"
#include "platform/tick_count.h"

namespace {

TEST(PlatformServices, MemoryStatusIsPlausible) {
  qm::MemoryStatus status;
  ASSERT_TRUE(qm::QueryMemoryStatus(status));
  EXPECT_GT(status.totalPhysical, 16u * 1024 * 1024);
  EXPECT_LE(status.availablePhysical, status.totalPhysical);
  EXPECT_GT(status.totalPageFile, 0u);
  EXPECT_LE(status.availablePageFile, status.totalPageFile);
}

TEST(PlatformServices, MemInfoTextGivesTheCommitFigures) {
  struct Case {
    const char* text;
    bool ok;
    std::uint64_t total, available, pageTotal, pageAvailable; // kB
  };
  const Case cases[] = {
      {"MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 600 kB\nCommitLimit: 800 kB\nCommitted_AS: 300 kB\n",
       true, 1000, 600, 800, 500},
      // Overcommitted: never below 0.
      {"MemTotal: 1000 kB\nMemAvailable: 600 kB\nCommitLimit: 800 kB\nCommitted_AS: 900 kB", true, 1000, 600,
       800, 0},
      // An old kernel without MemAvailable: MemFree stands in.
      {"MemTotal: 1000 kB\nMemFree: 100 kB\n", true, 1000, 100, 0, 0},
      {"MemFree: 100 kB\n", false, 0, 0, 0, 0},
      {"MemTotal: 99999999999999999999999 kB\n", false, 0, 0, 0, 0},
      {"", false, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    qm::MemoryStatus status;
    ASSERT_EQ(qm::ParseMemInfo(c.text, status), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(status.totalPhysical, c.total * 1024);
    EXPECT_EQ(status.availablePhysical, c.available * 1024);
    EXPECT_EQ(status.totalPageFile, c.pageTotal * 1024);
    EXPECT_EQ(status.availablePageFile, c.pageAvailable * 1024);
  }
}

TEST(PlatformServices, ProgramFolderHoldsThisTest) {
  const auto folder = qm::GetProgramFolder();
  EXPECT_TRUE(std::filesystem::exists(folder / "platform_tests"));
}

TEST(PlatformServices, ConfigFolderFollowsXdg) {
  ::setenv("XDG_CONFIG_HOME", "/tmp/qm-config", 1);
  EXPECT_EQ(qm::GetConfigFolder(), std::filesystem::path("/tmp/qm-config/Quenmark"));
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(qm::GetConfigFolder(), std::filesystem::path("/home/someone/.config/Quenmark"));
}

TEST(PlatformServices, TickCountNeverGoesBack) {
  std::uint64_t last = qm::GetTickCount64();
  for (int i = 0; i < 1000; ++i) {
    const std::uint64_t now = qm::GetTickCount64();
    EXPECT_GE(now, last);
    last = now;
  }
}

} // namespace

#include <signal.h>

#include <thread>

#include "platform/alt_signal_stack.h"

namespace {

TEST(PlatformServices, EveryThreadGetsItsOwnAlternateSignalStack) {
  void* first = nullptr;
  for (int round = 0; round < 2; ++round) {
    std::thread worker([&] {
      ASSERT_TRUE(qm::EnsureAltSignalStack());
      ASSERT_TRUE(qm::EnsureAltSignalStack()); // a second call keeps the stack
      stack_t current{};
      ASSERT_EQ(sigaltstack(nullptr, &current), 0);
      EXPECT_EQ(current.ss_flags & SS_DISABLE, 0);
      EXPECT_GE(current.ss_size, 64u * 1024);
      if (round == 0) first = current.ss_sp;
    });
    worker.join();
  }
  EXPECT_NE(first, nullptr);
}

} // namespace
