#include "filemodel/target_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class TargetFolder : public ::testing::Test {
protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("qm_target_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string Root() const { return root_.string(); }
  fs::path root_;
};

TEST(TargetNames, SanitizeKeepsEveryNameOneComponent) {
  struct Row { std::string in, entry, root; };
  const Row rows[] = {
      {"report.doc", "report.doc", "report.doc"},
      {"D:", "D:", "D#"},
      {"a/b", "a#b", "a#b"},
      {"..", "##", "##"},
      {".", "#", "#"},
      {"", "#", "#"},
      {std::string("a\0b", 3), "a#b", "a#b"},
      {"x?*|<>\"\\", "x?*|<>\"\\", "x#######"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(qm::SanitizeEntryName(row.in), row.entry) << row.in;
    EXPECT_EQ(qm::SanitizeRootName(row.in), row.root) << row.in;
  }
  // Cut to 255 bytes, never inside a character (é is two bytes).
  std::string longName;
  for (int i = 0; i < 200; ++i) longName += "\xC3\xA9";
  const std::string cut = qm::SanitizeEntryName(longName);
  EXPECT_EQ(cut.size(), 254u);
  EXPECT_EQ(cut.substr(252), "\xC3\xA9");
  // Cutting a damaged name (continuation bytes only after its start) must
  // not leave an empty name or a dot name behind.
  const std::string stray(300, '\x80');
  const Row cutRows[] = {{stray, "#", "#"}, {"." + stray, "#", "#"}, {".." + stray, "#", "#"}};
  for (const Row& row : cutRows) {
    EXPECT_EQ(qm::SanitizeEntryName(row.in), row.entry) << row.in.substr(0, 2);
    EXPECT_EQ(qm::SanitizeRootName(row.in), row.root) << row.in.substr(0, 2);
  }
}

TEST_F(TargetFolder, UniqueDirectoriesTakeNumbers) {
  std::string first = Root() + "/D#";
  ASSERT_TRUE(CreateUniqueDirectory(first));
  EXPECT_EQ(first, Root() + "/D#");
  std::string second = Root() + "/D#";
  ASSERT_TRUE(CreateUniqueDirectory(second));
  EXPECT_EQ(second, Root() + "/D#_000");
  std::string third = Root() + "/D#";
  ASSERT_TRUE(CreateUniqueDirectory(third));
  EXPECT_EQ(third, Root() + "/D#_001");
  std::string missingParent = Root() + "/no/such";
  EXPECT_FALSE(CreateUniqueDirectory(missingParent));
}

TEST_F(TargetFolder, CollisionsGetNumberedNames) {
  fs::create_directories(root_ / "docs");
  std::string path;
  ASSERT_TRUE(PrepareTargetFile(Root(), Root() + "/docs", "a.txt", path));
  EXPECT_EQ(path, Root() + "/docs/a.txt");
  ASSERT_TRUE(PrepareTargetFile(Root(), Root() + "/docs", "a.txt", path));
  EXPECT_EQ(path, Root() + "/docs/a_000.txt");
  ASSERT_TRUE(PrepareTargetFile(Root(), Root() + "/docs", "archive.tar.gz", path));
  ASSERT_TRUE(PrepareTargetFile(Root(), Root() + "/docs", "archive.tar.gz", path));
  EXPECT_EQ(path, Root() + "/docs/archive.tar_000.gz");
  ASSERT_TRUE(PrepareTargetFile(Root(), Root() + "/docs", "README", path));
  ASSERT_TRUE(PrepareTargetFile(Root(), Root() + "/docs", "README", path));
  EXPECT_EQ(path, Root() + "/docs/README_000");
}

TEST_F(TargetFolder, FilesOfAMissingFolderLandInTheBase) {
  std::string path;
  ASSERT_TRUE(PrepareTargetFile(Root(), Root() + "/never made", "a.txt", path));
  EXPECT_EQ(path, Root() + "/a.txt");
  ASSERT_TRUE(PrepareTargetFile(Root(), Root() + "/never made either", "a.txt", path));
  EXPECT_EQ(path, Root() + "/a_000.txt");
}

TEST_F(TargetFolder, HostileNamesStayInsideTheTarget) {
  const std::string longName = std::string(251, 'n') + ".txt"; // 255 bytes
  const std::string names[] = {"..", ".", "a/b", "../../escape", longName, longName, "/etc/passwd"};
  for (const std::string& raw : names) {
    const std::string name = qm::SanitizeEntryName(raw);
    std::string path;
    ASSERT_TRUE(PrepareTargetFile(Root(), Root(), name, path)) << raw;
    const fs::path made = fs::canonical(path);
    EXPECT_EQ(made.parent_path(), fs::canonical(root_)) << raw;
    EXPECT_LE(made.filename().string().size(), qm::kMaxNameBytes);
  }
  EXPECT_TRUE(fs::exists(root_ / (std::string(247, 'n') + "_000.txt")));
}

} // namespace
