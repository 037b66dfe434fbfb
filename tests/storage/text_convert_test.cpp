#include "storage/text_convert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::u16string Decode(const std::string& in, std::size_t capacity, int* result = nullptr) {
  std::vector<char16_t> out(capacity + 1, u'#');
  const int n = Utf8ToUtf16(in.data(), in.size(), out.data(), capacity);
  if (result) *result = n;
  return std::u16string(out.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

TEST(Utf8ToUtf16, DecodesByTheReferenceRules) {
  struct Row { std::string in; std::size_t capacity; int count; std::u16string out; };
  const Row rows[] = {
      {"abc", 10, 3, u"abc"},
      {"", 10, 0, u""},
      {"abc", 0, 0, u""},
      {"ab", 1, 1, u"a"},                                   // output full
      {"\xC3\xA9t\xC3\xA9", 10, 3, u"\u00e9t\u00e9"},       // é t é
      {"\xE6\x97\xA5\xE6\x9C\xAC", 10, 2, u"\u65e5\u672c"}, // 日本
      {"ab\xE6\x97", 10, 2, u"ab"},                         // cut inside a character
      {"\xC3\x28", 10, 0, u""},                             // second byte is not a trailer
      {"a\x80", 10, 0, u""},                                // trailer as a lead
      {"\xF0\x9F\x98\x80", 10, 2, u"\U0001F600"},           // surrogate pair
      {"a\xF0\x9F\x98\x80", 2, 1, u"a"},                    // no room for the pair
      {"\xC0\x80", 10, 1, std::u16string(1, u'\0')},        // overlong form let through
      {"\xED\xA0\x80", 10, 1, u"\xD800"},                   // surrogate value let through
      {"x\xF4\x90\x80\x80y", 10, 1, u"x"},                  // above 0x10FFFF ends the text
      {"\xFE\x80", 10, 0, u""},                             // never a lead byte
  };
  for (const Row& row : rows) {
    int count = -1;
    EXPECT_EQ(Decode(row.in, row.capacity, &count), row.out) << row.in;
    EXPECT_EQ(count, row.count) << row.in;
  }
}

TEST(Utf8ToAnsi, WritesWithinCapacityAndLeavesTheBufferOnFailure) {
  char out[10];
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(Utf8ToAnsi("abc", 3, out, 10), 3);
  EXPECT_EQ(std::string(out, 4), "abc#"); // not terminated
  EXPECT_EQ(Utf8ToAnsi("\xC3\x28", 2, out, 10), 0);
  EXPECT_EQ(std::string(out, 4), "abc#");
  EXPECT_EQ(Utf8ToAnsi("\xE6\x97\xA5", 3, out, 10), 3);
  EXPECT_EQ(std::string(out, 3), "\xE6\x97\xA5");
  // Three UTF-8 bytes do not fit two: nothing is written.
  char small[2] = {'#', '#'};
  EXPECT_EQ(Utf8ToAnsi("\xE6\x97\xA5", 3, small, 2), 0);
  EXPECT_EQ(small[0], '#');
}

TEST(Utf16ToUtf8, RoundTripsAndReplacesLoneSurrogates) {
  const std::u16string text = u"Fichier \u00e9t\u00e9 \u65e5\u672c \U0001F600";
  EXPECT_EQ(qm::Utf8ToUtf16String(qm::Utf16ToUtf8(text)), text);
  EXPECT_EQ(qm::Utf16ToUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(qm::Utf8ToUtf16String("a\xFFz"), u"a\uFFFDz");
}

} // namespace
