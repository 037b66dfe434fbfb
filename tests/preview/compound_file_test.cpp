// The compound-file reader on small hand-made files: Word and Excel
// containers, and damaged ones (truncated, chains and links that loop or
// point past the end).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "compound_builder.h"
#include "preview/compound_file.h"
#include "support/scratch_files.h"

namespace {

using qm::test::BuildCompoundFile;
using qm::test::BuildWordContainer;
using qm::test::PutLe32;

std::string AsText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(CompoundFile, FindsTheDocumentStreams) {
  struct Case {
    const char* stream;
    bool word;
    bool excel;
  };
  const Case cases[] = {
      {"WordDocument", true, false}, {"Book", false, true},      {"Workbook", false, true},
      {"WORKBOOK", false, true},     {"Contents", false, false}, {"WordDocumentX", false, false},
  };
  for (const Case& c : cases) {
    qm::CompoundFile file;
    ASSERT_TRUE(file.OpenBytes(AsText(BuildWordContainer(c.stream)))) << c.stream << ": " << file.Error();
    EXPECT_EQ(qm::HasWordStream(file), c.word) << c.stream;
    EXPECT_EQ(qm::HasExcelStream(file), c.excel) << c.stream;
  }
}

TEST(CompoundFile, WalksTheSiblingTreeAndSkipsStorages) {
  // Root -> 2 ("1Table"), whose left is 1 ("WordDocument") and right 3
  // (a storage "ObjectPool"); entry 4 is not linked at all.
  const auto bytes = BuildCompoundFile({{"Root Entry", 5, 0xFFFFFFFF, 0xFFFFFFFF, 2},
                                        {"WordDocument", 2},
                                        {"1Table", 2, 1, 3},
                                        {"ObjectPool", 1},
                                        {"Book", 2}});
  qm::CompoundFile file;
  ASSERT_TRUE(file.OpenBytes(AsText(bytes))) << file.Error();
  EXPECT_EQ(file.RootChildren().size(), 3u);
  EXPECT_TRUE(qm::HasWordStream(file));
  EXPECT_FALSE(qm::HasExcelStream(file));         // "Book" is not in the root's tree
  EXPECT_FALSE(file.HasRootStream("ObjectPool")); // a storage, not a stream
}

TEST(CompoundFile, DamagedFilesAreRefusedOrReadAsFarAsTheyGo) {
  const auto good = BuildWordContainer();
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool opens;
    bool word;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}, false, false});
  cases.push_back({"header only", {good.begin(), good.begin() + 512}, false, false});
  cases.push_back({"cut inside the directory", {good.begin(), good.begin() + 1100}, true, false});
  auto patched = [&](const char* what, std::size_t offset, std::uint32_t value, bool opens, bool word) {
    auto bytes = good;
    PutLe32(bytes, offset, value);
    cases.push_back({what, bytes, opens, word});
  };
  patched("bad signature", 0, 0x12345678, false, false);
  patched("sector shift 10", 30, 0xFFFE000A, false, false);
  patched("table sector past the end", 76, 7, false, false);
  patched("huge table count", 44, 0xFFFFFFFF, false, false);
  patched("directory sector past the end", 48, 1000, false, false);
  patched("directory chain loops on itself", 512 + 4, 1, false, false);
  patched("directory chain points past the end", 512 + 4, 99, false, false);
  patched("child link out of range", 1024 + 76, 77, true, false);
  patched("sibling links to itself", 1024 + 128 + 72, 1, true, true);
  patched("root is not the first entry", 1024 + 64, 0x00010016, false, false);
  // More table sectors than the header names: the DIFAT chain loops on
  // itself, and the walk still ends at the table's sector count.
  {
    auto bytes = good;
    bytes.resize(512 * 400, 0);
    PutLe32(bytes, 44, 109 + 127 * 2 + 1);
    for (std::size_t i = 0; i < 109; ++i)
      PutLe32(bytes, 76 + i * 4, 0);
    PutLe32(bytes, 68, 5);
    PutLe32(bytes, 72, 1);
    PutLe32(bytes, 512 * 6 + 508, 5); // sector 5's next DIFAT is itself
    cases.push_back({"DIFAT chain loops", bytes, true, true});
  }
  for (const Case& c : cases) {
    qm::CompoundFile file;
    EXPECT_EQ(file.OpenBytes(AsText(c.bytes)), c.opens) << c.what << ": " << file.Error();
    EXPECT_EQ(qm::HasWordStream(file), c.word) << c.what;
  }
}

TEST(CompoundFile, OfficeTestOnFiles) {
  const auto path = qm::ScratchPath("compound_word.doc");
  const auto bytes = BuildWordContainer();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(qm::IsOfficeCompoundDocument(path.string()));
  const auto text = qm::ScratchPath("compound_text.doc");
  std::ofstream(text) << "not a container";
  EXPECT_FALSE(qm::IsOfficeCompoundDocument(text.string()));
  EXPECT_FALSE(qm::IsOfficeCompoundDocument(qm::ScratchPath("compound_none").string() + "/x.doc"));
}

} // namespace
