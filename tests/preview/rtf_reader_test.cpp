// The RTF test on whole files, and the reader on documents that use the
// common control words, and on hostile ones (deep nesting, huge output,
// broken escapes).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "preview/rtf_reader.h"
#include "support/scratch_files.h"

namespace {

std::string WriteFile(const std::string& name, const std::string& content) {
  const auto path = qm::ScratchPath("rtf_" + name);
  std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
  return path.string();
}

TEST(IsRtfFile, HeadAndTail) {
  struct Case {
    const char* what;
    std::string content;
    bool rtf;
  };
  const Case cases[] = {
      {"plain document", "{\\rtf1 hello}", true},
      {"capital mark, tail of line breaks and zeros", std::string("{\\RTF1 x}\r\n\n") + std::string(3, '\0'),
       true},
      {"last visible character is not a brace", "{\\rtf1 hello}x\n", false},
      {"exactly four bytes", "{\\rt", false},
      {"five bytes", "{\\rt}", true},
      {"no mark", "hello world}", false},
      {"tail read from the last 512 bytes of a long file", "{\\rtf1 " + std::string(2000, 'a') + "}\n", true},
      {"long file whose end is cut off", "{\\rtf1 " + std::string(2000, 'a'), false},
      {"only zeros after the mark", std::string("{\\rtf") + std::string(600, '\0'), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(qm::IsRtfFile(WriteFile("case", c.content)), c.rtf) << c.what;
  EXPECT_FALSE(qm::IsRtfFile(qm::ScratchPath("rtf_no_such_file").string()));
}

TEST(RtfReader, TextParagraphsAndFormatting) {
  const std::string rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
      "{\\*\\generator Writer;}\\pard Plain \\b bold\\b0  \\i it\\i0  \\ul under\\ulnone\\par"
      "\\fs48\\cf1 Big red\\par"
      " Tab\\tab x\\line y \\'e9\\u8364?\\{\\}\\\\}";
  const qm::RtfDocument doc = qm::ReadRtf(rtf);
  EXPECT_EQ(doc.PlainText(), "Plain bold it under\nBig red\nTab\tx\u2028y \u00e9\u20ac{}\\");
  ASSERT_EQ(doc.paragraphs.size(), 3u);
  const auto& first = doc.paragraphs[0].runs;
  ASSERT_GE(first.size(), 4u);
  EXPECT_EQ(first[0].text, "Plain ");
  EXPECT_TRUE(first[1].bold);
  EXPECT_EQ(first[1].text, "bold");
  EXPECT_TRUE(first[3].italic);
  const auto& second = doc.paragraphs[1].runs;
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].halfPoints, 48);
  EXPECT_EQ(second[0].color, 0xFF0000);
}

TEST(RtfReader, UnicodeWithFallbackAndSurrogates) {
  // \uc2 skips two fallback characters; a negative value is a code unit
  // above 0x7FFF; a surrogate pair makes one character.
  const qm::RtfDocument doc = qm::ReadRtf("{\\rtf1\\uc2 a\\u-3913??b\\uc1\\u55357?\\u56832?c}");
  EXPECT_EQ(doc.PlainText(), "a\uf0b7b\U0001F600c");
}

TEST(RtfReader, HostileInputIsBounded) {
  // Nesting far deeper than the cap: the deep groups are skipped, the text
  // around them kept, and nothing overflows the stack.
  std::string deep = "{\\rtf1 before";
  deep += std::string(100000, '{') + "deep" + std::string(100000, '}');
  deep += " after}";
  const qm::RtfDocument nested = qm::ReadRtf(deep);
  EXPECT_EQ(nested.PlainText(), "before after");
  EXPECT_EQ(nested.skippedDeepGroups, 1);

  // Output past the cap is dropped and flagged.
  std::string huge = "{\\rtf1 ";
  huge += std::string(qm::kRtfMaxOutput + 1000, 'x');
  huge += "}";
  const qm::RtfDocument big = qm::ReadRtf(huge);
  EXPECT_TRUE(big.truncated);
  EXPECT_EQ(big.PlainText().size(), qm::kRtfMaxOutput);

  // Broken escapes and endings do not read past the input.
  for (const char* text : {"{\\rtf1 \\'", "{\\rtf1 \\'4", "{\\rtf1 \\u", "{\\rtf1 \\", "}}}}",
                           "{\\rtf1 \\fs99999999999999999 x}", "{\\rtf1 {\\colortbl\\red300;}\\cf9999 x}"})
    (void)qm::ReadRtf(text);
}

} // namespace
