#include <gtest/gtest.h>

#include <string>

#include "filemodel/file_extension.h"
#include "storage/text_convert.h"

namespace {

TEST(FileExtension, ExtensionAndTypeTable) {
  struct Row {
    const char* name;
    const char* extension; // nullptr: none
    int type;
  } rows[] = {
      {"photo.JPG", "JPG", 33}, {"photo.jpg", "jpg", 33},  {"photo.jpeg", "jpeg", 0},
      {"db.accdb", nullptr, 0}, {".profile", nullptr, 0},  {"a.b", "b", 0},
      {"ab", nullptr, 0},       {".a", nullptr, 0},        {"abc.", "", 0},
      {"x.tar.gz", "gz", 29},   {"noext", nullptr, 0},     {"a.3ds", "3ds", 1},
      {"clip.Mp4", "Mp4", 42},  {"x.fh11", "fh11", 27},    {"x.raw", "raw", 0},
      {"..gz", "gz", 29},       {"file.docx", "docx", 69}, {"a.b.c.dll", "dll", 20},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::u16string wide = qm::Utf8ToUtf16String(row.name);
    std::u16string_view extension;
    ASSERT_EQ(GetExtensionW(wide, extension), row.extension ? 1 : 0);
    char16_t narrowExtension[kMaxExtensionLength];
    std::size_t length = 0;
    ASSERT_EQ(GetExtensionA(row.name, narrowExtension, length), row.extension ? 1 : 0);
    if (row.extension) {
      EXPECT_EQ(extension, qm::Utf8ToUtf16String(row.extension));
      EXPECT_EQ(std::u16string_view(narrowExtension, length), extension);
    }
    FileTypeMatch match;
    EXPECT_EQ(MatchFileTypeW(wide, 7, 9, match), row.type != 0 ? 1 : 0);
    EXPECT_EQ(match.type, row.type);
    FileTypeMatch narrowMatch;
    EXPECT_EQ(MatchFileTypeA(row.name, 7, 9, narrowMatch), row.type != 0 ? 1 : 0);
    EXPECT_EQ(narrowMatch.type, row.type);
    if (row.type != 0) {
      EXPECT_EQ(match.first, 7);
      EXPECT_EQ(match.second, 9);
    }
  }
}

TEST(FileExtension, NegativeValuesGiveNoMatch) {
  FileTypeMatch match;
  EXPECT_EQ(MatchFileTypeA("a.jpg", -1, 5, match), 0);
  EXPECT_EQ(MatchFileTypeA("a.jpg", 5, -1, match), 0);
  EXPECT_EQ(match.type, 0);
  EXPECT_EQ(match.first, -1);
  EXPECT_EQ(MatchFileTypeA("a.jpg", 0, 0, match), 1);
}

TEST(FileExtension, LongUtf8NamesUseTheirFullLength) {
  // 256 bytes of two-byte characters before the extension: a length taken
  // modulo 256 would see a name of four bytes.
  std::string name;
  for (int i = 0; i < 128; ++i)
    name += "\xC3\xA4";
  name += ".jpg";
  ASSERT_EQ(name.size() % 256, 4u);
  FileTypeMatch match;
  EXPECT_EQ(MatchFileTypeA(name, 1, 1, match), 1);
  EXPECT_EQ(match.type, 33);
  std::string exact(252, 'a');
  exact += ".gif"; // 256 bytes: modulo 256 would be 0
  EXPECT_EQ(MatchFileTypeA(exact, 1, 1, match), 1);
  EXPECT_EQ(match.type, 28);
}

TEST(FileExtension, MediaSet) {
  struct Row {
    const char16_t* extension;
    int media;
  } rows[] = {{u"jpeg", 1}, {u"JPG", 1},      {u"Tiff", 1}, {u"mp3", 1}, {u"sc4", 1},
              {u"aif", 1},  {u"mpg", 1},      {u"doc", 0},  {u"", 0},    {u"jpegx", 0},
              {u"mp", 0},   {u"j\u00e4g", 0}, {u"zip", 0}};
  for (const Row& row : rows)
    EXPECT_EQ(IsMediaExtensionA(row.extension), row.media) << row.media;

  char16_t extension[kMaxExtensionLength];
  std::size_t length = 0;
  ASSERT_EQ(GetExtensionA("IMG_0001.Png", extension, length), 1);
  EXPECT_EQ(IsMediaExtensionA(std::u16string_view(extension, length)), 1);
}

} // namespace
