#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "filemodel/raw_file_info.h"
#include "raw/custom_file_analyser.h"
#include "raw/raw_type_names.h"

namespace fs = std::filesystem;

namespace {

class ScriptFolder : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("qm_fhs_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    RawTypeNames::ResetCustomForTest();
  }
  void TearDown() override {
    fs::remove_all(folder_);
    RawTypeNames::ResetCustomForTest();
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }
  static std::string Script(const std::string& extName, const std::string& signature) {
    return "FILEINFO: EXTNAME=\"" + extName + "\"\r\nFILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"" + signature +
           "\"";
  }

  fs::path folder_;
};

std::array<std::uint8_t, 512> SectorStartingWith(std::string_view text) {
  std::array<std::uint8_t, 512> sector{};
  for (std::size_t i = 0; i < text.size(); ++i)
    sector[i] = static_cast<std::uint8_t>(text[i]);
  return sector;
}

int Check(CustomFileAnalyser& analyser, std::string_view start, CRawFileInfo& info) {
  auto sector = SectorStartingWith(start);
  return analyser.CheckHeader(qm::ByteView(sector.data(), sector.size()), &info);
}

TEST_F(ScriptFolder, FirstScriptInNameOrderWinsAndInvalidOnesAreSkipped) {
  Write("b.fhs", Script("second", "AB"));
  Write("a.FHS", Script("first", "A"));           // the extension in any case
  Write("0.fhs", Script("broken", "A") + "\r\n"); // invalid: ends with CR LF
  Write("c.txt", Script("ignored", "A"));
  CustomFileAnalyser analyser(folder_);
  EXPECT_EQ(analyser.GetHeaders().GetHeaderCount(), 2u);
  EXPECT_EQ(analyser.typeId, -1);

  CRawFileInfo info;
  ASSERT_EQ(Check(analyser, "ABC", info), 1);
  EXPECT_EQ(info.GetType(), 1000);
  EXPECT_STREQ(RawTypeNames::Get(1000), "FIRST");
  EXPECT_EQ(info.GetLength(), 0u); // user-defined types get no length
  EXPECT_EQ(analyser.AnalyseFileSize(&info, nullptr), 0);
  EXPECT_EQ(info.GetLength(), 0u);

  CRawFileInfo none;
  EXPECT_EQ(Check(analyser, "XY", none), 0);
  EXPECT_EQ(none.GetType(), 0);
}

TEST_F(ScriptFolder, ReadOnlyScriptIsRead) {
  Write("ro.fhs", Script("ro", "R"));
  ASSERT_EQ(::chmod((folder_ / "ro.fhs").c_str(), 0444), 0);
  CCustomHeaderManage headers;
  EXPECT_EQ(headers.Load(folder_), 1);
  EXPECT_EQ(headers.GetHeaderCount(), 1u);
}

TEST_F(ScriptFolder, MissingOrEmptyFolderFindsNothing) {
  CCustomHeaderManage headers;
  EXPECT_EQ(headers.Load(folder_), 0);
  EXPECT_EQ(headers.Load(folder_ / "absent"), 0);
  std::string name;
  auto sector = SectorStartingWith("A");
  EXPECT_EQ(headers.Match(qm::ByteView(sector.data(), sector.size()), name), 0);
}

TEST_F(ScriptFolder, ReloadReplacesTheHeaders) {
  Write("a.fhs", Script("one", "A"));
  CCustomHeaderManage headers;
  ASSERT_EQ(headers.Load(folder_), 1);
  fs::remove(folder_ / "a.fhs");
  Write("b.fhs", Script("two", "B"));
  ASSERT_EQ(headers.Load(folder_), 1);
  EXPECT_EQ(headers.GetHeaderCount(), 1u);
  std::string name;
  auto sector = SectorStartingWith("B");
  ASSERT_EQ(headers.Match(qm::ByteView(sector.data(), sector.size()), name), 1);
  EXPECT_EQ(name, "TWO");
}

TEST_F(ScriptFolder, NamesDifferingInCaseShareAnIdAndKeepTheFirstSpelling) {
  // Script names are upper-cased, so mixed spellings reach the table only
  // through direct assignment; the table itself must still fold case.
  EXPECT_EQ(RawTypeNames::AssignCustom("Abc"), 1000);
  EXPECT_EQ(RawTypeNames::AssignCustom("aBC"), 1000);
  EXPECT_STREQ(RawTypeNames::Get(1000), "Abc");
  EXPECT_EQ(RawTypeNames::AssignCustom("xyz"), 1001);
  // Longer names are cut to the five characters an entry holds.
  EXPECT_EQ(RawTypeNames::AssignCustom("LONGNAME"), 1002);
  EXPECT_EQ(RawTypeNames::AssignCustom("longn"), 1002);
  EXPECT_STREQ(RawTypeNames::Get(1002), "LONGN");
  EXPECT_EQ(RawTypeNames::AssignCustom(""), -1);
}

TEST_F(ScriptFolder, FullCustomRangeRefusesNewNames) {
  for (int i = 0; i < 1000; ++i)
    ASSERT_EQ(RawTypeNames::AssignCustom("n" + std::to_string(i)), 1000 + i);
  EXPECT_EQ(RawTypeNames::AssignCustom("new"), -1);
  EXPECT_EQ(RawTypeNames::AssignCustom("N999"), 1999);

  Write("a.fhs", Script("new", "A"));
  CustomFileAnalyser analyser(folder_);
  CRawFileInfo info;
  EXPECT_EQ(Check(analyser, "A", info), 0);
}

TEST(RawTypeNames, FixedTableAndRanges) {
  struct Row {
    int id;
    const char* name;
  } rows[] = {{0, "Raw"},  {1, "3DS"}, {27, "FH11"}, {33, "JPG"}, {55, "RIFF"}, {72, "ACCDB"},
              {73, "NEF"}, {74, ""},   {999, ""},    {-1, ""},    {2000, ""},   {1000, ""}};
  for (const Row& row : rows)
    EXPECT_STREQ(RawTypeNames::Get(row.id), row.name) << row.id;
}

TEST(RawFileInfo, FreshRecord) {
  CRawFileInfo info;
  EXPECT_EQ(info.GetStartSector(), 0u);
  EXPECT_EQ(info.GetLength(), 0u);
  EXPECT_EQ(info.GetType(), 0);
  EXPECT_EQ(info.GetAnalyserType(), 65535);
  EXPECT_EQ(info.GetExtraName(), "");
  EXPECT_EQ(info.GetExtraName2(), "");
  EXPECT_EQ(info.GetAnalyser(), nullptr);
}

} // namespace
