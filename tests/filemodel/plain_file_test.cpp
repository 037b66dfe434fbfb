#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "filemodel/plain_file.h"

namespace {

namespace fs = std::filesystem;

class PlainFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/qm_plain_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = (dir_ / "file").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Put(const std::string& content) {
    std::ofstream(path_, std::ios::binary) << content;
  }
  std::string Get() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir_;
  std::string path_;
};

TEST_F(PlainFileTest, ModesDecideExistenceTruncationAndAccess) {
  CPlainFile file;
  EXPECT_EQ(file.Open(path_.c_str(), 0), 0) << "read needs an existing file";
  EXPECT_EQ(file.Open(path_.c_str(), 2), 0);
  EXPECT_FALSE(fs::exists(path_));

  ASSERT_NE(file.Open(path_.c_str(), 4), 0) << "open always creates";
  EXPECT_EQ(file.Write("hello", 5), 1);
  file.Close();
  ASSERT_NE(file.Open(path_.c_str(), 4), 0) << "open always keeps content";
  std::uint64_t size = 0;
  EXPECT_NE(file.GetSize(&size), 0);
  EXPECT_EQ(size, 5u);

  ASSERT_NE(file.Open(path_.c_str(), 0), 0);
  EXPECT_EQ(file.Write("x", 1), 0) << "read-only handle refuses writes";
  char buffer[8] = {};
  ASSERT_NE(file.Open(path_.c_str(), 1), 0);
  EXPECT_EQ(file.Read(buffer, 5), 0u) << "write-only handle reads nothing";

  ASSERT_NE(file.Open(path_.c_str(), 3), 0) << "create always truncates";
  EXPECT_NE(file.GetSize(&size), 0);
  EXPECT_EQ(size, 0u);

  // An unknown mode fails and closes what was open.
  EXPECT_EQ(file.Open(path_.c_str(), 5), 0);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Open(nullptr, 0), 0);
  EXPECT_EQ(file.Open(dir_.c_str(), 0), 0) << "a folder is not a file";
}

TEST_F(PlainFileTest, ClosedFileReportsFailureEverywhere) {
  CPlainFile file;
  std::uint64_t size = 7;
  char buffer[4];
  EXPECT_EQ(file.Seek(0), 0);
  EXPECT_EQ(file.SeekToEnd(), 0u);
  EXPECT_EQ(file.GetPosition(), ~std::uint64_t{0});
  EXPECT_EQ(file.GetSize(&size), 0);
  EXPECT_EQ(file.Write("a", 1), 0);
  EXPECT_EQ(file.Read(buffer, 4), 0u);
  EXPECT_EQ(file.ReadLine(buffer, 3), 0u);
  file.Rewind();
  Put("x");
  ASSERT_NE(file.Open(path_.c_str(), 0), 0);
  EXPECT_EQ(file.GetSize(nullptr), 0);
}

TEST_F(PlainFileTest, SeekReadAndPositionsBeyondFourGigabytes) {
  CPlainFile file(path_.c_str(), 3);
  ASSERT_TRUE(file.IsOpen());
  EXPECT_EQ(file.Write("0123456789", 10), 1);
  EXPECT_EQ(file.GetPosition(), 10u);
  EXPECT_NE(file.Seek(4), 0);
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, 16), 6u) << "short read at the end";
  EXPECT_STREQ(buffer, "456789");
  EXPECT_EQ(file.Read(buffer, 16), 0u);
  file.Rewind();
  EXPECT_EQ(file.GetPosition(), 0u);
  EXPECT_EQ(file.SeekToEnd(), 10u);

  // A sparse write past 4 GiB: 64-bit seek, low half from SeekToEnd.
  const std::uint64_t far = (std::uint64_t{1} << 32) + 100;
  ASSERT_NE(file.Seek(far), 0);
  EXPECT_EQ(file.Write("z", 1), 1);
  EXPECT_EQ(file.GetPosition(), far + 1);
  EXPECT_EQ(file.SeekToEnd(), 101u);
  std::uint64_t size = 0;
  file.GetSize(&size);
  EXPECT_EQ(size, far + 1);
}

TEST_F(PlainFileTest, WriteLineEndsEachLineWithCarriageReturnLineFeedOnce) {
  const struct {
    std::string text;
    std::string written;
  } kCases[] = {
      {"abc", "abc\r\n"}, {"abc\r\n", "abc\r\n"}, {"abc\n", "abc\n\r\n"}, {"\r", "\r\r\n"}, {"", ""},
  };
  for (const auto& c : kCases) {
    CPlainFile file(path_.c_str(), 3);
    EXPECT_NE(file.WriteLine(c.text.data(), static_cast<std::uint32_t>(c.text.size())), 0);
    file.Close();
    EXPECT_EQ(Get(), c.written) << c.text;
  }
  CPlainFile readOnly;
  Put("");
  readOnly.Open(path_.c_str(), 0);
  EXPECT_EQ(readOnly.WriteLine("abc", 3), 0);
}

TEST_F(PlainFileTest, ReadLineStopsAfterLineFeedOrLimitAndTerminates) {
  Put("ab\ncd");
  CPlainFile file(path_.c_str(), 0);
  char buffer[11];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(file.ReadLine(buffer, 10), 3u);
  EXPECT_STREQ(buffer, "ab\n");
  EXPECT_EQ(file.ReadLine(buffer, 10), 2u);
  EXPECT_STREQ(buffer, "cd");
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(file.ReadLine(buffer, 10), 0u);
  EXPECT_EQ(buffer[0], '#') << "untouched at the end";

  Put("abcdefg\r\nh");
  file.Open(path_.c_str(), 0);
  char small[4];
  EXPECT_EQ(file.ReadLine(small, 3), 3u);
  EXPECT_STREQ(small, "abc");
  EXPECT_EQ(file.ReadLine(small, 3), 3u);
  EXPECT_STREQ(small, "def");
  EXPECT_EQ(file.ReadLine(small, 3), 3u);
  EXPECT_STREQ(small, "g\r\n");
  EXPECT_EQ(file.ReadLine(small, 0), 0u);
  EXPECT_EQ(file.ReadLine(small, 3), 1u);
  EXPECT_STREQ(small, "h");
}

} // namespace
