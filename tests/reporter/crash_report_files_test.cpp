// Which crash report and log the reporter finds, and how much of each it reads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "reporter/crash_report_files.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

class CrashReportFilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("qm_reporter_" + std::to_string(getpid()) + "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A file whose modification time is `age` seconds before a fixed moment.
  fs::path Write(const fs::path& path, const std::string& text, int age = 0) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    fs::last_write_time(path, base_ - std::chrono::seconds(age));
    return path;
  }

  fs::path dir_;
  const fs::file_time_type base_ = fs::file_time_type::clock::now();
};

TEST_F(CrashReportFilesTest, TheNewestReportAndLogOfAllFoldersAreFound) {
  const fs::path a = dir_ / "a";
  const fs::path b = dir_ / "b";
  Write(a / "Zorvdump0.dmp", "old report", 300);
  Write(a / "Quenmark.log", "newer log", 10);
  const fs::path newest = Write(b / "Zorvdump1.dmp", "new report", 100);
  Write(b / "Quenmark.log", "older log", 200);
  // Newer still, but not reports: no number, a number with a tail, another
  // extension, a folder of a report's name.
  Write(b / "Zorvdump.dmp", "x", 1);
  Write(b / "Zorvdump12x.dmp", "x", 1);
  Write(b / "Zorvdump2.dmp.txt", "x", 1);
  Write(b / "zorvdump3.dmp", "x", 1);
  fs::create_directories(b / "Zorvdump4.dmp");

  const std::vector<fs::path> folders{dir_ / "missing", a, b};
  EXPECT_EQ(FindNewestCrashReport(folders), newest);
  EXPECT_EQ(FindNewestLog(folders), a / "Quenmark.log");

  const CrashFiles files = LoadCrashFiles(folders);
  EXPECT_EQ(files.report.text, "new report");
  EXPECT_EQ(files.log.text, "newer log");
  EXPECT_EQ(files.folders, folders);

  const CrashFiles none = LoadCrashFiles({dir_ / "missing", dir_});
  EXPECT_TRUE(none.report.path.empty());
  EXPECT_TRUE(none.log.path.empty());
}

TEST_F(CrashReportFilesTest, OnlyABoundedPartIsReadAndCutAtLineEnds) {
  // "line 000\n" ... "line 099\n": 9 bytes a line, 900 in all.
  std::string lines;
  for (int i = 0; i < 100; ++i)
    lines += "line " + std::string(i < 10 ? "00" : "0") + std::to_string(i) + "\n";
  const fs::path file = Write(dir_ / "Quenmark.log", lines);
  const fs::path oneLine = Write(dir_ / "one", std::string(50, 'x'));

  const struct {
    fs::path path;
    ReadPart part;
    std::uintmax_t limit;
    std::string text;
    bool cut;
  } cases[] = {
      {file, ReadPart::End, 1000, lines, false},
      {file, ReadPart::Start, 900, lines, false}, // exactly the limit
      {file, ReadPart::End, 40, "line 096\nline 097\nline 098\nline 099\n",
       true}, // 40 bytes: one half line dropped
      {file, ReadPart::End, 36, "line 096\nline 097\nline 098\nline 099\n", true}, // ends on a line start
      {file, ReadPart::Start, 40, "line 000\nline 001\nline 002\nline 003\n", true},
      {oneLine, ReadPart::End, 20, std::string(20, 'x'), true}, // no line end: kept as read
      {oneLine, ReadPart::Start, 20, std::string(20, 'x'), true},
  };
  for (const auto& c : cases) {
    const ShownFile shown = ReadShownFile(c.path, c.part, c.limit);
    const std::string name = c.path.filename().string() + " limit " + std::to_string(c.limit);
    EXPECT_TRUE(shown.readable) << name;
    EXPECT_EQ(shown.text, c.text) << name;
    EXPECT_EQ(shown.cut, c.cut) << name;
    EXPECT_EQ(shown.size, fs::file_size(c.path)) << name;
  }

  const ShownFile missing = ReadShownFile(dir_ / "gone.log", ReadPart::End);
  EXPECT_FALSE(missing.readable);
  EXPECT_FALSE(missing.error.empty());
}

} // namespace
} // namespace qm
