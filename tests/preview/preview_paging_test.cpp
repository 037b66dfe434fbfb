// Text and hex pages over files of the sizes that matter: empty, one hex
// row, a long line without a line feed, a multi-byte character at a cut,
// the 100 MiB limit, and the offset kept from one view to the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "preview/preview_paging.h"
#include "support/scratch_files.h"

namespace {

std::string WriteFile(const std::string& name, const std::string& content) {
  const auto path = qm::ScratchPath("paging_" + name);
  std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
  return path.string();
}

TEST(PreviewPaging, EmptyFileHasNoLinesAndNoText) {
  const std::string path = WriteFile("empty", "");
  qm::TextPager text;
  qm::HexPager hex;
  ASSERT_TRUE(text.Load(path));
  ASSERT_TRUE(hex.Load(path));
  EXPECT_EQ(text.LineCount(), 0u);
  EXPECT_EQ(hex.LineCount(), 0u);
  EXPECT_EQ(text.PageText(0, 10), "");
  EXPECT_EQ(hex.PageText(0, 10), "");
}

TEST(PreviewPaging, HexRowsFullAndLast) {
  // Exactly 16 bytes: one row, formatted as a last row (a tab per byte and
  // one more before the characters).
  qm::HexPager hex;
  ASSERT_TRUE(hex.Load(WriteFile("hex16", "ABCDEFGHIJKLMNO\x01")));
  EXPECT_EQ(hex.LineCount(), 1u);
  std::string expected = qm::HexPager::HeaderLine();
  expected +=
      "00000000\t\t41\t42\t43\t44\t45\t46\t47\t48\t49\t4A\t4B\t4C\t4D\t4E\t4F\t01\t\t\tABCDEFGHIJKLMNO.\t\n";
  EXPECT_EQ(hex.PageText(0, 5), expected);

  // 18 bytes: a full row (no tab after its last byte), then a short last
  // row padded with " \t" to 16 cells.
  ASSERT_TRUE(hex.Load(WriteFile("hex18", std::string(16, 'a') + "\x1d\x1e")));
  EXPECT_EQ(hex.LineCount(), 2u);
  const std::string page = hex.PageText(0, 5);
  const std::string full =
      "00000000\t\t61\t61\t61\t61\t61\t61\t61\t61\t61\t61\t61\t61\t61\t61\t61\t61\t\taaaaaaaaaaaaaaaa\t\n";
  std::string last = "00000010\t\t1D\t1E\t";
  for (int i = 0; i < 14; ++i)
    last += " \t";
  last += "\t\t.\x1e\t\n";
  EXPECT_EQ(page, std::string(qm::HexPager::HeaderLine()) + full + last);
}

TEST(PreviewPaging, AlignedHexColumnsGiveEveryRowTheSameTabs) {
  qm::HexPager hex;
  hex.SetAlignedColumns(true);
  ASSERT_TRUE(hex.Load(WriteFile("hex18aligned", std::string(16, 'a') + "\x41\x42")));
  const std::string page = hex.PageText(0, 5);
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = page.find('\n', from)) != std::string::npos; from = at + 1)
    lines.push_back(page.substr(from, at - from));
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& line : lines)
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), line == lines[0] ? 17 : 20) << line;
  EXPECT_EQ(lines[2].substr(0, 16), "00000010\t\t41\t42\t");
  EXPECT_EQ(lines[2].substr(lines[2].size() - 5), "\t\tAB\t");
}

TEST(PreviewPaging, LongLineIsCutAt160Then159Bytes) {
  qm::TextPager text;
  ASSERT_TRUE(text.Load(WriteFile("long", std::string(400, 'x'))));
  const std::vector<std::uint32_t> expected{0, 160, 319, 400};
  EXPECT_EQ(text.LineStarts(), expected);
  EXPECT_EQ(text.LineCount(), 3u);
}

TEST(PreviewPaging, LineFeedsEndLinesAndControlBytesShowAsBlanks) {
  qm::TextPager text;
  ASSERT_TRUE(text.Load(WriteFile("lines", "one\r\ntwo\tx\n\nlast")));
  const std::vector<std::uint32_t> expected{0, 5, 11, 12, 16};
  EXPECT_EQ(text.LineStarts(), expected);
  EXPECT_EQ(text.PageText(0, 10), "one  \t\ntwo x \t\n \t\nlast\t\n");
  // A page past the end is moved up to end at the last line.
  EXPECT_EQ(text.PageText(3, 2), " \t\nlast\t\n");
}

TEST(PreviewPaging, CutNeverSplitsAMultiByteCharacter) {
  struct Case {
    const char* what;
    std::string content;
    std::uint32_t secondLine;
  };
  // "é" is C3 A9, "€" E2 82 AC. The first cut falls after byte 159.
  const Case cases[] = {
      {"two-byte character across the cut", std::string(159, 'a') + "\xC3\xA9" + std::string(50, 'b'), 159},
      {"two-byte character ending at the cut", std::string(158, 'a') + "\xC3\xA9" + std::string(50, 'b'),
       160},
      {"three-byte character, cut after its first byte", std::string(159, 'a') + "\xE2\x82\xAC" + "zz", 159},
      {"three-byte character, cut after its second byte", std::string(158, 'a') + "\xE2\x82\xAC" + "zz", 158},
  };
  for (const Case& c : cases) {
    qm::TextPager text;
    ASSERT_TRUE(text.Load(WriteFile("utf8", c.content)));
    ASSERT_GE(text.LineStarts().size(), 3u) << c.what;
    EXPECT_EQ(text.LineStarts()[1], c.secondLine) << c.what;
  }
}

TEST(PreviewPaging, HundredMebibytesIsShownOneByteMoreIsNot) {
  const auto path = qm::ScratchPath("paging_100m");
  for (std::uint64_t size : {qm::kPreviewMaxFileSize, qm::kPreviewMaxFileSize + 1}) {
    std::filesystem::remove(path);
    { std::ofstream(path, std::ios::binary); }
    std::filesystem::resize_file(path, size); // sparse: zeros
    qm::HexPager hex;
    qm::TextPager text;
    const bool shown = size == qm::kPreviewMaxFileSize;
    EXPECT_EQ(hex.Load(path.string()), shown) << size;
    EXPECT_EQ(text.Load(path.string()), shown) << size;
    if (shown) {
      EXPECT_EQ(hex.LineCount(), qm::kPreviewMaxFileSize / 16);
      // The last page maps a window far from the first.
      EXPECT_NE(hex.PageText(hex.LineCount() - 1, 1).find("063FFFF0"), std::string::npos);
    } else {
      EXPECT_EQ(hex.LineCount(), 0u);
      EXPECT_EQ(text.LineCount(), 0u);
    }
  }
  std::filesystem::remove(path);
}

TEST(PreviewPaging, OffsetKeptFromTextToHexAndBack) {
  // 30 lines of 10 bytes ("line NN..\n").
  std::string content;
  for (int i = 0; i < 30; ++i) {
    char line[16];
    std::snprintf(line, sizeof line, "line %02d..\n", i);
    content += line;
  }
  const std::string path = WriteFile("offsets", content);
  qm::TextPager text;
  qm::HexPager hex;
  ASSERT_TRUE(text.Load(path));
  ASSERT_TRUE(hex.Load(path));
  // Text line 8 starts at byte 80: hex row 5 holds it.
  EXPECT_EQ(hex.LineFromOffset(text.OffsetFromLine(8)), 5u);
  // Hex row 5 starts at byte 80: the text line that holds it is 8.
  EXPECT_EQ(text.LineFromOffset(hex.OffsetFromLine(5)), 8u);
  // Byte 85 lies inside text line 8.
  EXPECT_EQ(text.LineFromOffset(85), 8u);
  // Out of range maps to 0.
  EXPECT_EQ(text.LineFromOffset(300), 0u);
  EXPECT_EQ(hex.OffsetFromLine(1000), 0u);
}

TEST(PreviewPaging, FileThatCannotBeOpenedLeavesEmptyViews) {
  qm::TextPager text;
  EXPECT_FALSE(text.Load(qm::ScratchPath("paging_missing_file").string() + "/none"));
  EXPECT_EQ(text.LineCount(), 0u);
  EXPECT_EQ(text.PageText(0, 3), "");
}

} // namespace
