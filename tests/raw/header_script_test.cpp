#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "raw/custom_header.h"
#include "raw/script_process.h"

namespace {

struct Sig {
  std::uint32_t offset;
  std::vector<std::uint8_t> bytes;
};

struct ScriptCase {
  const char* what;
  std::string text;
  bool valid;
  std::string name = {};
  std::vector<Sig> signatures = {};
};

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (auto line : lines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

const std::string kInfo = R"(FILEINFO: EXTNAME="abc")";

std::vector<ScriptCase> Cases() {
  return {
      {"the basic script",
       Lines({kInfo, R"(FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE="AB")"}),
       true,
       "ABC",
       {{0, {'A', 'B'}}}},
      {"CR LF after the last line", Lines({kInfo, R"(FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE="AB")"}) + "\r\n",
       false},
      {"lone LF does not end a line", kInfo + "\n" + R"(FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE="AB")", false},
      {"empty line in between", Lines({kInfo, "", R"(FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE="AB")"}), false},
      {"empty script", "", false},
      {"blanks around lines and the sign",
       Lines({" \tREMARK: any text: here", "  filesign :OFFSET = 0x10\tTYPE=byte   VALUE=\t0x50,0x4b ",
              "FileInfo:EXTNAME=\"zz\""}),
       true,
       "ZZ",
       {{0x10, {0x50, 0x4B}}}},
      {"offset 0x1F0 is the last allowed",
       Lines({kInfo, "FILESIGN: OFFSET=0x1F0 TYPE=BYTE VALUE=0x01,0x02"}),
       true,
       "ABC",
       {{0x1F0, {1, 2}}}},
      {"offset 0x1F1 is past 496", Lines({kInfo, "FILESIGN: OFFSET=0x1F1 TYPE=BYTE VALUE=0x01"}), false},
      {"offset without prefix", Lines({kInfo, "FILESIGN: OFFSET=16 TYPE=BYTE VALUE=0x01"}), false},
      {"offset with 9 digits", Lines({kInfo, "FILESIGN: OFFSET=0x000000001 TYPE=BYTE VALUE=0x01"}), false},
      {"offset 0X prefix and 8 digits",
       Lines({kInfo, "FILESIGN: OFFSET=0X0000001f TYPE=BYTE VALUE=0x01"}),
       true,
       "ABC",
       {{0x1F, {1}}}},
      {"offset with a bad digit", Lines({kInfo, "FILESIGN: OFFSET=0x1G TYPE=BYTE VALUE=0x01"}), false},
      {"lower-case key is not found", Lines({kInfo, "FILESIGN: offset=0x0 TYPE=BYTE VALUE=0x01"}), false},
      {"missing TYPE", Lines({kInfo, "FILESIGN: OFFSET=0x0 VALUE=0x01"}), false},
      {"missing VALUE", Lines({kInfo, "FILESIGN: OFFSET=0x0 TYPE=BYTE"}), false},
      {"unknown TYPE", Lines({kInfo, "FILESIGN: OFFSET=0x0 TYPE=WORD VALUE=0x01"}), false},
      {"text between key and sign", Lines({kInfo, "FILESIGN: OFFSET:=0x0 TYPE=BYTE VALUE=0x01"}), false},
      {"space after a comma", Lines({kInfo, "FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0x50, 0x4B"}), false},
      {"list ends in a comma", Lines({kInfo, "FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0x50,0x4B,"}), false},
      {"empty list item", Lines({kInfo, "FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0x50,,0x4B"}), false},
      {"byte above 0xFF", Lines({kInfo, "FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0x100"}), false},
      {"last byte written long", Lines({kInfo, "FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0x50,0x004B"}), false},
      {"16 bytes",
       Lines({kInfo, "FILESIGN: OFFSET=0x0 TYPE=BYTE "
                     "VALUE=0x0,0x1,0x2,0x3,0x4,0x5,0x6,0x7,0x8,0x9,0xa,0xb,0xc,0xd,0xe,0xf"}),
       true,
       "ABC",
       {{0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}}}},
      {"17 bytes",
       Lines({kInfo, "FILESIGN: OFFSET=0x0 TYPE=BYTE "
                     "VALUE=0x0,0x1,0x2,0x3,0x4,0x5,0x6,0x7,0x8,0x9,0xa,0xb,0xc,0xd,0xe,0xf,0x10"}),
       false},
      {"CHAR of 16",
       Lines({kInfo, R"(FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE="0123456789abcdef")"}),
       true,
       "ABC",
       {{0, {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'}}}},
      {"CHAR of 17", Lines({kInfo, R"(FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE="0123456789abcdefg")"}), false},
      {"CHAR keeps inner quotes and spaces",
       Lines({kInfo, R"(FILESIGN: TYPE=CHAR OFFSET=0x2 VALUE="a "b")"}),
       true,
       "ABC",
       {{2, {'a', ' ', '"', 'b'}}}},
      {"CHAR unquoted", Lines({kInfo, "FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=AB"}), false},
      {"EXTNAME of 16", Lines({R"(FILEINFO: EXTNAME="abcdefghijklmnop")"}), true, "ABCDEFGHIJKLMNOP"},
      {"EXTNAME of 17", Lines({R"(FILEINFO: EXTNAME="abcdefghijklmnopq")"}), false},
      {"EXTNAME empty", Lines({R"(FILEINFO: EXTNAME="")"}), false},
      {"EXTNAME a single quote", Lines({R"(FILEINFO: EXTNAME=")"}), false},
      {"first FILEINFO gives the name", Lines({kInfo, R"(FILEINFO: EXTNAME="xyz")"}), true, "ABC"},
      {"a later FILEINFO must be valid too", Lines({kInfo, R"(FILEINFO: EXTNAME=xyz)"}), false},
      {"unknown keyword", Lines({kInfo, "COMMENT: hello"}), false},
      {"line without a colon", Lines({kInfo, "REMARK hello"}), false},
      {"signatures keep their line order",
       Lines({"FILESIGN: OFFSET=0x8 TYPE=CHAR VALUE=\"x\"", kInfo,
              "FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0xFF"}),
       true,
       "ABC",
       {{8, {'x'}}, {0, {0xFF}}}},
      {"no FILESIGN loads", Lines({kInfo, "REMARK: nothing to match"}), true, "ABC"},
      {"zero byte in the text", Lines({kInfo, std::string("REMARK: a\0b", 11)}), false},
      {"larger than 1024 bytes", Lines({kInfo, "REMARK: " + std::string(1020, 'x')}), false},
  };
}

TEST(HeaderScript, GrammarTable) {
  for (const ScriptCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    CCustomHeader header;
    ASSERT_EQ(header.LoadText(c.text), c.valid ? 1 : 0);
    if (!c.valid) continue;
    EXPECT_EQ(header.GetName(), c.name);
    const auto& signatures = header.GetSignatures();
    ASSERT_EQ(signatures.size(), c.signatures.size());
    for (std::size_t i = 0; i < signatures.size(); ++i) {
      EXPECT_EQ(signatures[i].offset, c.signatures[i].offset);
      ASSERT_EQ(signatures[i].length, c.signatures[i].bytes.size());
      EXPECT_TRUE(std::equal(c.signatures[i].bytes.begin(), c.signatures[i].bytes.end(),
                             signatures[i].bytes.begin()));
    }
  }
}

TEST(HeaderScript, ExactlyTheLimitOf1024BytesLoads) {
  std::string text = Lines({kInfo, "REMARK: "});
  text += std::string(1024 - text.size(), 'x');
  ASSERT_EQ(text.size(), 1024u);
  CCustomHeader header;
  EXPECT_EQ(header.LoadText(text), 1);
}

TEST(HeaderScript, MatchNeedsEverySignatureAndStaysInsideTheSector) {
  CCustomHeader header;
  ASSERT_EQ(
      header.LoadText(Lines({kInfo, R"(FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE="AB")",
                             "FILESIGN: OFFSET=0x1F0 TYPE=BYTE "
                             "VALUE=0x0,0x0,0x0,0x0,0x0,0x0,0x0,0x0,0x0,0x0,0x0,0x0,0x0,0x0,0x55,0xAA"})),
      1);
  std::array<std::uint8_t, 512> sector{};
  sector[0] = 'A';
  sector[1] = 'B';
  sector[510] = 0x55;
  sector[511] = 0xAA;
  EXPECT_EQ(header.Match(qm::ByteView(sector.data(), sector.size())), 1);
  // A view shorter than the signature's end never reads past it.
  EXPECT_EQ(header.Match(qm::ByteView(sector.data(), 511)), 0);
  sector[1] = 'b';
  EXPECT_EQ(header.Match(qm::ByteView(sector.data(), sector.size())), 0);

  CCustomHeader noSignature;
  ASSERT_EQ(noSignature.LoadText(kInfo), 1);
  EXPECT_EQ(noSignature.Match(qm::ByteView(sector.data(), sector.size())), 0);
}

TEST(HeaderScript, ScriptWithoutNameNeverMatches) {
  // Its matches would have no type name to be filed under.
  CCustomHeader header;
  ASSERT_EQ(header.LoadText(R"(FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE="AB")"), 1);
  std::array<std::uint8_t, 512> sector{'A', 'B'};
  EXPECT_EQ(header.Match(qm::ByteView(sector.data(), sector.size())), 0);
}

} // namespace
