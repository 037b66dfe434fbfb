#include "platform/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(Log, ObserversSeeEntriesBeforeAndAfterInit) {
  std::vector<std::string> seen;
  const int id = qm::AddLogObserver([&](LogKind, std::string_view text) { seen.emplace_back(text); });
  LogInfo("before init %d", 1);
  const auto path = std::filesystem::temp_directory_path() / "qm_log_test.log";
  std::filesystem::remove(path);
  ASSERT_TRUE(InitLog(path.c_str(), LOG_LEVEL_NORMAL, LOG_TYPE_STANDALONE));
  LogError("Failed to alloc 0x%08x bytes", 0x1234u);
  DebugTrace("hidden at level %d", 2);
  qm::RemoveLogObserver(id);
  qm::ShutdownLog();

  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "before init 1");
  EXPECT_EQ(seen[1], "Failed to alloc 0x00001234 bytes");

  std::ifstream file(path);
  std::stringstream content;
  content << file.rdbuf();
  EXPECT_NE(content.str().find("Failed to alloc 0x00001234 bytes"), std::string::npos);
  // Level 2 leaves debug traces out of the file.
  EXPECT_EQ(content.str().find("hidden at level"), std::string::npos);
  EXPECT_EQ(content.str().find("before init"), std::string::npos);
  std::filesystem::remove(path);
}

TEST(Log, ConcurrentEntriesAreWrittenWhole) {
  const auto path = std::filesystem::temp_directory_path() / "qm_log_threads.log";
  std::filesystem::remove(path);
  ASSERT_TRUE(InitLog(path.c_str(), LOG_LEVEL_TRACE, LOG_TYPE_STANDALONE));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) DebugTrace("thread %d entry %d end", t, i);
    });
  for (auto& thread : threads) thread.join();
  qm::ShutdownLog();
  std::ifstream file(path);
  std::string line;
  int lines = 0;
  while (std::getline(file, line)) {
    ++lines;
    EXPECT_NE(line.find(" end"), std::string::npos) << line;
  }
  EXPECT_EQ(lines, 800);
  std::filesystem::remove(path);
}

TEST(Log, FileCodeDependsOnTheBaseNameOnly) {
  EXPECT_EQ(FileNameToFileCode("/a/b/filter.cpp"), FileNameToFileCode("c:\\x\\filter.cpp"));
  EXPECT_NE(FileNameToFileCode("filter.cpp"), FileNameToFileCode("filters.cpp"));
  EXPECT_EQ(FileNameToFileCode(nullptr), 0);
}

} // namespace
