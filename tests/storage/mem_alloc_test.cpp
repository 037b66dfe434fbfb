#include "storage/mem_alloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/log.h"
#include "platform/out_of_memory.h"

namespace {

struct LogLines {
  std::vector<std::string> lines;
  int id;
  LogLines() : id(qm::AddLogObserver([this](LogKind, std::string_view t) { lines.emplace_back(t); })) {}
  ~LogLines() { qm::RemoveLogObserver(id); }
};

TEST(MemAlloc, GivesUsableMemoryAndZeroSizedBlocks) {
  auto* bytes = static_cast<unsigned char*>(MemAlloc(4096));
  ASSERT_NE(bytes, nullptr);
  bytes[0] = 1;
  bytes[4095] = 2;
  MemFree(bytes);
  void* empty = MemAlloc(0);
  EXPECT_NE(empty, nullptr);
  EXPECT_EQ(FreeMemory(empty), 0);
  auto buffer = qm::MakeMemBuffer<std::uint32_t>(16);
  buffer[15] = 7;
  EXPECT_EQ(buffer[15], 7u);
}

TEST(MemAlloc, ExhaustionIsLoggedAndRaisedNeverNull) {
  LogLines log;
  // An impossible request: malloc fails (the sanitizers are told to return
  // null rather than abort), and the wrapper must not hand back null.
  const std::size_t huge = std::numeric_limits<std::size_t>::max() - 4096;
  try {
    (void)MemAlloc(huge);
    FAIL() << "MemAlloc returned";
  } catch (const qm::OutOfMemoryException& e) {
    EXPECT_EQ(e.code(), 0xE0000001u);
  }
  ASSERT_GE(log.lines.size(), 4u);
  EXPECT_EQ(log.lines[0], "Failed to alloc 0xffffefff bytes");
  EXPECT_EQ(log.lines[1], "Memory status:");
  EXPECT_EQ(log.lines[2].rfind("Total physical memory:", 0), 0u) << log.lines[2];
  EXPECT_NE(log.lines[2].find("MB\tAvailable physical memory:"), std::string::npos);
  EXPECT_EQ(log.lines[3].rfind("Total   page    files:", 0), 0u) << log.lines[3];
}

TEST(MemAlloc, OperatorNewRaisesTheSameException) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers' operator new reports and aborts without asking a new-handler";
#else
  InstallOutOfMemoryHandler();
  LogLines log;
  volatile std::size_t huge = std::numeric_limits<std::size_t>::max() / 4;
  // The pointer escapes through a volatile store: a new/delete pair that
  // nothing observes may be removed by the optimiser, and then nothing throws.
  static char* volatile escaped = nullptr;
  EXPECT_THROW(
      {
        escaped = new char[huge];
        delete[] escaped;
      },
      qm::OutOfMemoryException);
  ASSERT_FALSE(log.lines.empty());
  EXPECT_EQ(log.lines[0].rfind("Failed to alloc", 0), 0u);
  std::set_new_handler(nullptr);
#endif
}

} // namespace
