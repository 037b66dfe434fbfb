#include <gtest/gtest.h>

#include <vector>

#include "filemodel/name_pattern.h"

namespace {

std::string Narrow(const std::wstring& wide) {
  std::string out;
  for (wchar_t c : wide)
    out.push_back(c < 0x80 ? static_cast<char>(c) : '#');
  return out;
}

struct WildcardCase {
  const char* pattern;
  bool caseSensitive;
  bool wholeName;
  int mode;
  const char* normalized; // "#" for characters beyond ASCII
  std::vector<const char*> matching;
  std::vector<const char*> notMatching;
};

constexpr int kPart = qm::kWildcardNamePart;
constexpr int kMask = qm::kWildcardFileMask;

TEST(NamePattern, WildcardTable) {
  const WildcardCase cases[] = {
      {"abc", false, false, kPart, "*abc*", {"abc", "xabcx", "ABC", "my abc.txt"}, {"ab", "a-b-c"}},
      {"?bc", false, false, kPart, "?bc*", {"abc", "xbcd"}, {"bc", "xabc"}},
      {"a**?b", false, false, kPart, "a*b", {"ab", "axyzb"}, {"abx", "xab"}},
      {"?*?", false, false, kPart, "*", {"", "anything"}, {}},
      {"", false, false, kPart, "*", {"", "x.y"}, {}},
      {"a.b", false, true, kPart, "a.b", {"a.b", "A.B"}, {"axb", "xa.b", "a.bx"}},
      {"a.b", false, false, kPart, "*a.b*", {"a.b", "xa.by"}, {"axb"}},
      {"ab?", false, true, kPart, "ab*", {"ab", "abcd"}, {"a"}},
      {"*.jpg",
       false,
       false,
       kMask,
       "*.jpg",
       {"photo.jpg", "PHOTO.JPG", ".jpg"},
       {"photo.jpgx", "photoxjpg"}},
      {"file?", false, false, kMask, "file*", {"file", "file.txt"}, {"afile"}},
      {"file.tx?", false, false, kMask, "file.tx?", {"file.txt"}, {"file.tx", "file.txtt"}},
      {"ABC", true, true, kPart, "ABC", {"ABC"}, {"abc", "Abc"}},
      {"abc", true, false, kPart, "*abc*", {"xabc"}, {"xABC"}},
      // Every special character of a regular expression stands for itself.
      {"a+b(1)[x]{2}^$-z",
       false,
       true,
       kPart,
       "a+b(1)[x]{2}^$-z",
       {"a+b(1)[x]{2}^$-z"},
       {"aab1x22z", "a+b(1)[x]{2}^$-"}},
      {"back\\slash", false, true, kPart, "back\\slash", {"back\\slash"}, {"backslash", "back\\Slash2"}},
      {"a|b", false, true, kPart, "a|b", {"a|b"}, {"a", "b"}},
      // The wildcards never stand for a slash, colon, quote, < > or |.
      {"a*b", false, true, kMask, "a*b", {"a b", "a.b"}, {"a/b", "a:b", "a\"b", "a<b", "a>b", "a|b"}},
      // Case folding beyond ASCII.
      {"\xC3\x84RGER", false, true, kPart, "#RGER", {"\xC3\xA4rger", "\xC3\x84RGER"}, {"aerger"}},
      {"\xC3\x84RGER", true, true, kPart, "#RGER", {"\xC3\x84RGER"}, {"\xC3\xA4rger"}},
      {"\xCE\xA3*", false, true, kMask, "#*", {"\xCF\x83\xCE\xB1"}, {"sa"}},
      {"?", false, true, kMask, "*", {"x", ""}, {}},
      {"?x",
       false,
       true,
       kMask,
       "?x",
       {"ax", "\xE2\x82\xAC"
              "x"},
       {"x", "abx"}},
  };
  for (const WildcardCase& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(Narrow(qm::NormalizeWildcard(qm::WidenUtf8(c.pattern), c.wholeName, c.mode)), c.normalized);
    qm::NameRegex regex = WildcardToRegex(c.pattern, c.caseSensitive, c.wholeName, c.mode);
    EXPECT_FALSE(regex.MatchesEverything());
    for (const char* name : c.matching)
      EXPECT_TRUE(regex.Matches(std::string_view(name))) << name;
    for (const char* name : c.notMatching)
      EXPECT_FALSE(regex.Matches(std::string_view(name))) << name;
  }
}

TEST(NamePattern, UnbuildableExpressionMatchesEveryName) {
  qm::NameRegex regex;
  EXPECT_FALSE(regex.Compile(L"(", false));
  EXPECT_TRUE(regex.MatchesEverything());
  EXPECT_TRUE(regex.Matches(std::string_view("anything")));
  EXPECT_TRUE(qm::NameRegex().Matches(std::u16string_view(u"x")));
}

TEST(NamePattern, TypeListTable) {
  struct Row {
    const char* list;
    bool everything;
    std::vector<const char*> matching;
    std::vector<const char*> notMatching;
  } rows[] = {
      {"*.jpg;*.png", false, {"a.JPG", "b.png", "c.d.jpg"}, {"c.gif", "a.jpg.txt", "jpg"}},
      {"", true, {"a", ""}, {}},
      {" ; ;", true, {"a"}, {}},
      {"*.jpg;", false, {"x.jpg"}, {"x.gif"}}, // a trailing ";" adds nothing
      {" *.doc ;\t*.xls", false, {"a.doc", "b.XLS"}, {"a.docx", " a.doc x"}},
      {"jpg", false, {"photo.jpg", "jpg"}, {"photo.jpeg"}},
      {"*.(1)", false, {"a.(1)"}, {"a.1"}},
      {"*.jp?", false, {"a.jpe", "a.jpg"}, {"a.jp"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.list);
    qm::NameRegex regex = BuildTypeListRegex(row.list);
    EXPECT_EQ(regex.MatchesEverything(), row.everything);
    for (const char* name : row.matching)
      EXPECT_TRUE(regex.Matches(std::string_view(name))) << name;
    for (const char* name : row.notMatching)
      EXPECT_FALSE(regex.Matches(std::string_view(name))) << name;
  }
}

TEST(NamePattern, FilterRecordKeepsPatternAndResets) {
  NameFilterRegex filter;
  filter.Set("report", false, false, kPart);
  EXPECT_EQ(filter.pattern, "report");
  EXPECT_TRUE(filter.IsMatch("Q3 Report.doc"));
  EXPECT_FALSE(filter.IsMatch("photo.jpg"));
  filter.Reset();
  EXPECT_TRUE(filter.pattern.empty());
  EXPECT_TRUE(filter.IsMatch("photo.jpg"));
}

TEST(NamePattern, Utf16NamesAndBrokenText) {
  qm::NameRegex regex = WildcardToRegex("*.txt", false, false, kMask);
  EXPECT_TRUE(regex.Matches(std::u16string_view(u"\U0001F600.TXT"))); // a surrogate pair is one character
  std::u16string lone = u"x.txt";
  lone[0] = 0xD800; // an unpaired surrogate becomes U+FFFD, still a name character
  EXPECT_TRUE(regex.Matches(std::u16string_view(lone)));
  EXPECT_TRUE(regex.Matches(std::string_view("\xFF\xFE.txt")));
  qm::NameRegex one = WildcardToRegex("?.txt", false, true, kMask);
  EXPECT_TRUE(one.Matches(std::u16string_view(u"\U0001F600.txt")));
}

} // namespace
