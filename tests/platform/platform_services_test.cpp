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
  EXPECT_GE(status.totalPageFile, status.totalPhysical);
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
