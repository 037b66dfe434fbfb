// Name patterns that the user types with the wildcards "*" (any run of
// characters) and "?" (one character), and lists of file masks such as
// "*.jpg;*.png", compiled to regular expressions. Names are matched as
// whole names, widened from UTF-8 so that case folding works beyond ASCII.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class IFileProperties;

namespace qm {

// Wildcard modes: find names that contain the pattern, or match a mask.
inline constexpr int kWildcardNamePart = 1;
inline constexpr int kWildcardFileMask = 2;

// A compiled name pattern. One that could not be built matches every name
// (a filter the user cannot express must not hide files).
class NameRegex {
public:
  NameRegex();
  ~NameRegex();
  NameRegex(NameRegex&&) noexcept;
  NameRegex& operator=(NameRegex&&) noexcept;

  // Builds from regular-expression text (over wide characters); false,
  // and a match-everything expression, when it does not compile.
  bool Compile(std::wstring_view expression, bool caseSensitive);
  // Builds from expression text whose literals are already case-folded
  // (FoldCase); names are folded the same way before they are matched.
  // Much faster than a case-insensitive expression, whose character sets
  // translate every character they test.
  bool CompileFolded(std::wstring_view expression);

  // Whether the whole name (UTF-8, or UTF-16) matches.
  bool Matches(std::string_view utf8Name) const;
  bool Matches(std::u16string_view name) const;
  bool Matches(std::wstring_view name) const;

  bool MatchesEverything() const { return expression_ == nullptr; }

private:
  bool MatchesOwned(std::wstring& name) const;

  struct Expression;
  std::unique_ptr<Expression> expression_;
  bool foldNames_ = false;
};

// Steps of WildcardToRegex, exposed for tests: the wildcard pattern after
// adding stars (mode 1), collapsing runs and replacing a final "?".
std::wstring NormalizeWildcard(std::wstring_view pattern, bool wholeName, int mode);
// The regular-expression text of a normalized pattern.
std::wstring WildcardExpressionText(std::wstring_view normalized);

// UTF-8 (invalid bytes become U+FFFD) to one wide character per code point.
std::wstring WidenUtf8(std::string_view text);
std::wstring WidenUtf16(std::u16string_view text);
// Lower-cases in place, beyond ASCII too.
void FoldCase(std::wstring& text);

} // namespace qm

// The pattern typed by the user (UTF-8) as a compiled expression.
qm::NameRegex WildcardToRegex(std::string_view pattern, bool caseSensitive, bool wholeName, int mode);

// A list of file masks separated by ";" (blanks around an item ignored),
// compiled ignoring case; a name matches when it ends with a match of any
// mask ("*.jpg", or just "jpg"). An empty list matches every name.
qm::NameRegex BuildTypeListRegex(std::string_view list);

// A name pattern as the find-file criteria keep it.
struct NameFilterRegex {
  std::string pattern;
  bool caseSensitive = false;
  qm::NameRegex expression;

  void Set(std::string_view text, bool matchCase, bool wholeName, int mode);
  // Releases the expression; an empty filter matches every name.
  void Reset();
  bool IsMatch(std::string_view utf8Name) const { return expression.Matches(utf8Name); }
  // Whether the file carries a name that matches; false for no file.
  bool IsMatch(const IFileProperties* properties) const;
};
