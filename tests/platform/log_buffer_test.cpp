#include "platform/file_mapping_log.h"
#include "platform/log.h"
#include "platform/log_buffer.h"
#include "ipc_namespace.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

std::filesystem::path TempFile(const std::string& name) {
  return std::filesystem::temp_directory_path() / (name + "." + std::to_string(getpid()));
}

TEST(LogBuffer, AttachRejectsBlocksWithoutRoomForTheCount) {
  qm::CLogBuffer buffer;
  char block[4] = {};
  EXPECT_EQ(buffer.Attach(nullptr, 100), 0);
  EXPECT_EQ(buffer.Attach(block, 3), 0);
  EXPECT_EQ(buffer.Attach(block, 4), 1);
  EXPECT_EQ(buffer.Append("x", 1), 0); // no room for text at all
}

TEST(LogBuffer, FillsToCapacityAndOneByteMoreLeavesTheBlockUnchanged) {
  std::vector<char> block(qm::CFileMappingLog::kBlockSize, '\x55');
  qm::CLogBuffer buffer;
  ASSERT_EQ(buffer.Attach(block.data(), static_cast<unsigned>(block.size())), 1);
  EXPECT_EQ(buffer.Append("", 0), 0);
  EXPECT_EQ(buffer.Append(nullptr, 3), 0);
  EXPECT_EQ(buffer.Count(), 0u);

  const std::vector<char> text(block.size() - 4, 'a');
  ASSERT_EQ(buffer.Append(text.data(), static_cast<unsigned>(text.size())), 1);
  EXPECT_EQ(buffer.Count(), text.size());
  const std::vector<char> before = block;
  EXPECT_EQ(buffer.Append("b", 1), 0);
  EXPECT_EQ(block, before);

  // From an empty buffer one byte over the capacity is refused whole.
  buffer.Reset();
  const std::vector<char> tooLong(block.size() - 3, 'c');
  EXPECT_EQ(buffer.Append(tooLong.data(), static_cast<unsigned>(tooLong.size())), 0);
  EXPECT_EQ(buffer.Count(), 0u);
  // A length near the top of the unsigned range must not wrap the sum.
  EXPECT_EQ(buffer.Append(tooLong.data(), 0xFFFFFFFFu), 0);
  EXPECT_EQ(buffer.Count(), 0u);
}

TEST(LogBuffer, ACorruptCountIsDroppedNeverRead) {
  std::vector<unsigned char> block(64, 0);
  qm::CLogBuffer buffer;
  ASSERT_EQ(buffer.Attach(block.data(), 64), 1);
  ASSERT_EQ(buffer.Append("abc", 3), 1);
  // What another process may leave: counts past the text area.
  for (std::uint32_t bad : {61u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    std::memcpy(block.data(), &bad, 4); // the machine is little-endian, as the format
    EXPECT_FALSE(buffer.CountIsSound());
    const auto path = TempFile("qm_corrupt_count");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    EXPECT_EQ(buffer.WriteTo(fd), 0);
    close(fd);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    std::filesystem::remove(path);
    ASSERT_EQ(buffer.Append("xy", 2), 1) << bad;
    EXPECT_EQ(buffer.Count(), 2u);
    EXPECT_EQ(std::string(buffer.Text(), 2), "xy");
  }
  // Exactly at the limit is sound.
  std::uint32_t edge = 60;
  std::memcpy(block.data(), &edge, 4);
  EXPECT_TRUE(buffer.CountIsSound());
  EXPECT_EQ(buffer.Append("z", 1), 0);
}

class SharedLog : public ::testing::Test {
protected:
  qm::test::IpcNamespace ns_;
};

TEST_F(SharedLog, DrainWritesTheTextAndEmptiesEvenWhenTheWriteFails) {
  qm::CFileMappingLog owner(1);
  ASSERT_TRUE(owner.HasView());
  qm::CFileMappingLog writer(0);
  ASSERT_TRUE(writer.HasView());
  EXPECT_EQ(writer.Write("one\n", 4), 1);
  EXPECT_EQ(owner.Write("two\n", 4), 1);

  // An invalid file leaves the text for the next drain.
  EXPECT_EQ(owner.DrainToFile(-1), 0);
  const auto path = TempFile("qm_drain");
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  EXPECT_EQ(owner.DrainToFile(fd), 1);
  close(fd);
  EXPECT_EQ(ReadAll(path), "one\ntwo\n");

  // A file that refuses the write: the text is dropped all the same.
  EXPECT_EQ(writer.Write("three\n", 6), 1);
  fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(owner.DrainToFile(fd), 0);
  close(fd);
  fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  EXPECT_EQ(owner.DrainToFile(fd), 1);
  close(fd);
  EXPECT_EQ(ReadAll(path), "one\ntwo\n");
  std::filesystem::remove(path);
}

TEST_F(SharedLog, OpeningKeepsTheTextAndNoLauncherMeansNoView) {
  {
    qm::CFileMappingLog writer(0);
    EXPECT_FALSE(writer.HasView());
    EXPECT_EQ(writer.Write("x", 1), 0);
  }
  qm::CFileMappingLog owner(1);
  ASSERT_EQ(owner.Write("kept\n", 5), 1);
  qm::CFileMappingLog late(0);
  ASSERT_TRUE(late.HasView());
  const auto path = TempFile("qm_keep");
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  EXPECT_EQ(owner.DrainToFile(fd), 1);
  close(fd);
  EXPECT_EQ(ReadAll(path), "kept\n");
  std::filesystem::remove(path);
}

// Entries "<writer>:<seq>:<writer repeated>\n" show a torn or mixed entry at
// once.
std::string Entry(char writer, int seq) {
  return std::string(1, writer) + ":" + std::to_string(seq) + ":" + std::string(20 + seq % 7, writer) + "\n";
}

TEST_F(SharedLog, ThreadsAndASecondProcessAppendWholeEntries) {
  qm::CFileMappingLog owner(1);
  ASSERT_TRUE(owner.HasView());
  constexpr int kPerWriter = 2000;

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    qm::CFileMappingLog writer(0);
    int ok = writer.HasView() ? 0 : 1;
    for (int i = 0; i < kPerWriter && ok == 0; ++i) {
      const std::string e = Entry('P', i);
      if (writer.Write(e.data(), static_cast<unsigned>(e.size())) != 1) ok = 2;
    }
    _exit(ok);
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&owner, t] {
      qm::CFileMappingLog writer(0);
      for (int i = 0; i < kPerWriter; ++i) {
        const std::string e = Entry(static_cast<char>('a' + t), i);
        EXPECT_EQ(writer.Write(e.data(), static_cast<unsigned>(e.size())), 1);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  const auto path = TempFile("qm_concurrent");
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_EQ(owner.DrainToFile(fd), 1);
  close(fd);
  std::istringstream lines(ReadAll(path));
  std::map<char, int> next;
  std::string line;
  int total = 0;
  while (std::getline(lines, line)) {
    ASSERT_GE(line.size(), 3u);
    const char writer = line[0];
    const int seq = next[writer]++;
    ASSERT_EQ(line + "\n", Entry(writer, seq)) << "torn or out of order";
    ++total;
  }
  EXPECT_EQ(total, 9 * kPerWriter);
  std::filesystem::remove(path);
}

TEST_F(SharedLog, AHolderKilledWithTheMutexHeldLeavesItUsable) {
  qm::CFileMappingLog owner(1);
  ASSERT_TRUE(owner.HasView());
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    qm::CFileMappingLog writer(0);
    writer.Write("before\n", 7);
    const char byte = writer.Lock() ? 1 : 0;
    (void)!write(ready[1], &byte, 1);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  ASSERT_EQ(byte, 1);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);

  EXPECT_EQ(owner.Write("after\n", 6), 1);
  EXPECT_EQ(owner.Write("again\n", 6), 1);
  const auto path = TempFile("qm_owner_dead");
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  EXPECT_EQ(owner.DrainToFile(fd), 1);
  close(fd);
  EXPECT_EQ(ReadAll(path), "before\nafter\nagain\n");
  std::filesystem::remove(path);
}

TEST_F(SharedLog, TheLogUnderTheLauncherWritesIntoTheBlock) {
  qm::ShutdownLog();
  qm::CFileMappingLog owner(1);
  ASSERT_TRUE(owner.HasView());
  const auto fallback = TempFile("qm_type1_fallback");
  ASSERT_TRUE(InitLog(fallback.c_str(), LOG_LEVEL_NORMAL, LOG_TYPE_UNDER_LAUNCHER));
  LogInfo("under the launcher %d", 7);
  LogError("with its own line end\n");
  qm::ShutdownLog();
  EXPECT_FALSE(std::filesystem::exists(fallback));

  const auto path = TempFile("qm_type1");
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  EXPECT_EQ(owner.DrainToFile(fd), 1);
  close(fd);
  const std::string text = ReadAll(path);
  EXPECT_NE(text.find("INFO  under the launcher 7\n"), std::string::npos) << text;
  EXPECT_NE(text.find("ERROR with its own line end\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("\n\n"), std::string::npos);
  std::filesystem::remove(path);
}

} // namespace
