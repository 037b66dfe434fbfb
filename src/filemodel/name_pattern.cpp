#include "filemodel/name_pattern.h"

#include <boost/regex.hpp>

#include <locale>

#include "filemodel/file_properties.h"
#include "platform/log.h"
#include "storage/text_convert.h"

namespace qm {

namespace {

// Any character a file name may hold: not the slash, star, question mark,
// colon, double quote, less-than, greater-than or vertical bar.
constexpr std::wstring_view kAnyRun = LR"([^/\x2A\x3F:"<>|]*)";
constexpr std::wstring_view kAnyOne = LR"([^/\x2A\x3F:"<>|]{1})";

// Characters that mean something in a regular expression, by their escapes.
// The backslash is among them: Linux names may hold one, and left alone it
// would turn the next character into an operator.
const wchar_t* EscapeOf(wchar_t c) {
  switch (c) {
  case L'[':
    return L"\\x5B";
  case L']':
    return L"\\x5D";
  case L'{':
    return L"\\x7B";
  case L'}':
    return L"\\x7D";
  case L'(':
    return L"\\x28";
  case L')':
    return L"\\x29";
  case L'+':
    return L"\\x2B";
  case L'|':
    return L"\\x7C";
  case L'^':
    return L"\\x5E";
  case L'$':
    return L"\\x24";
  case L'-':
    return L"\\x2D";
  case L'.':
    return L"\\x2e";
  case L'\\':
    return L"\\x5C";
  default:
    return nullptr;
  }
}

// Escapes the specials and turns "*" and "?" into the wildcard classes.
void AppendMaskText(std::wstring& out, std::wstring_view mask) {
  for (wchar_t c : mask) {
    if (c == L'*')
      out += kAnyRun;
    else if (c == L'?')
      out += kAnyOne;
    else if (const wchar_t* escape = EscapeOf(c))
      out += escape;
    else
      out.push_back(c);
  }
}

// Case folding beyond ASCII needs a locale that knows Unicode; C.UTF-8 is
// always present on the systems we run on, the user's locale is the
// fallback.
const std::locale& FoldingLocale() {
  static const std::locale locale = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", ""}) {
      try {
        return std::locale(name);
      } catch (const std::runtime_error&) {
      }
    }
    return std::locale::classic();
  }();
  return locale;
}

std::wstring_view TrimBlanks(std::wstring_view text) {
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t'))
    text.remove_suffix(1);
  return text;
}

} // namespace

struct NameRegex::Expression {
  boost::wregex regex;
};

NameRegex::NameRegex() = default;
NameRegex::~NameRegex() = default;
NameRegex::NameRegex(NameRegex&&) noexcept = default;
NameRegex& NameRegex::operator=(NameRegex&&) noexcept = default;

bool NameRegex::Compile(std::wstring_view text, bool caseSensitive) {
  expression_.reset();
  foldNames_ = false;
  auto compiled = std::make_unique<Expression>();
  try {
    compiled->regex.imbue(FoldingLocale());
    boost::regex_constants::syntax_option_type flags = boost::regex_constants::perl;
    if (!caseSensitive) flags |= boost::regex_constants::icase;
    compiled->regex.assign(text.begin(), text.end(), flags);
  } catch (const std::exception& error) {
    LogError("Name pattern does not compile (%s); it matches every name\n", error.what());
    return false;
  }
  expression_ = std::move(compiled);
  return true;
}

bool NameRegex::CompileFolded(std::wstring_view text) {
  bool ok = Compile(text, true);
  foldNames_ = ok;
  return ok;
}

bool NameRegex::MatchesOwned(std::wstring& name) const {
  if (!expression_) return true;
  if (foldNames_) FoldCase(name);
  try {
    return boost::regex_match(name.cbegin(), name.cend(), expression_->regex);
  } catch (const std::runtime_error&) {
    // Too complex to decide (a pathological pattern): not a match.
    return false;
  }
}

bool NameRegex::Matches(std::wstring_view name) const {
  if (!expression_) return true;
  std::wstring copy(name);
  return MatchesOwned(copy);
}

bool NameRegex::Matches(std::string_view utf8Name) const {
  if (!expression_) return true;
  std::wstring wide = WidenUtf8(utf8Name);
  return MatchesOwned(wide);
}

bool NameRegex::Matches(std::u16string_view name) const {
  if (!expression_) return true;
  std::wstring wide = WidenUtf16(name);
  return MatchesOwned(wide);
}

void FoldCase(std::wstring& text) {
  static const auto& ctype = std::use_facet<std::ctype<wchar_t>>(FoldingLocale());
  if (!text.empty()) ctype.tolower(text.data(), text.data() + text.size());
}

std::wstring WidenUtf16(std::u16string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

std::wstring WidenUtf8(std::string_view text) { return WidenUtf16(Utf8ToUtf16String(text)); }

std::wstring NormalizeWildcard(std::wstring_view pattern, bool wholeName, int mode) {
  std::wstring text(pattern);
  if (mode == kWildcardNamePart && !wholeName && text.find(L'*') == std::wstring::npos) {
    if (text.empty() || text.front() != L'?') text.insert(text.begin(), L'*');
    text.push_back(L'*');
  }
  // Every run of "*" and "?" that holds a "*" becomes one "*".
  std::wstring collapsed;
  collapsed.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != L'*' && text[i] != L'?') {
      collapsed.push_back(text[i++]);
      continue;
    }
    std::size_t end = text.find_first_not_of(L"*?", i);
    if (end == std::wstring::npos) end = text.size();
    std::wstring_view run(text.data() + i, end - i);
    if (run.find(L'*') != std::wstring_view::npos)
      collapsed.push_back(L'*');
    else
      collapsed.append(run);
    i = end;
  }
  if (!collapsed.empty() && collapsed.back() == L'?') {
    if (mode == kWildcardNamePart ||
        (mode == kWildcardFileMask && collapsed.find(L'.') == std::wstring::npos))
      collapsed.back() = L'*';
  }
  return collapsed;
}

std::wstring WildcardExpressionText(std::wstring_view normalized) {
  std::wstring out;
  AppendMaskText(out, normalized);
  return out;
}

} // namespace qm

qm::NameRegex WildcardToRegex(std::string_view pattern, bool caseSensitive, bool wholeName, int mode) {
  qm::NameRegex regex;
  std::wstring normalized = qm::NormalizeWildcard(qm::WidenUtf8(pattern), wholeName, mode);
  if (caseSensitive) {
    regex.Compile(qm::WildcardExpressionText(normalized), true);
  } else {
    qm::FoldCase(normalized);
    regex.CompileFolded(qm::WildcardExpressionText(normalized));
  }
  return regex;
}

qm::NameRegex BuildTypeListRegex(std::string_view list) {
  qm::NameRegex regex;
  std::wstring wide = qm::WidenUtf8(list);
  qm::FoldCase(wide);
  std::wstring text;
  std::wstring_view rest(wide);
  while (true) {
    std::size_t semicolon = rest.find(L';');
    std::wstring_view item = qm::TrimBlanks(rest.substr(0, semicolon));
    // An empty item (a list ending in ";") would match every name.
    if (!item.empty()) {
      if (!text.empty()) text += L"|";
      // Each mask may be preceded by anything: "jpg" finds "photo.jpg".
      // Runs of stars become one: "**" would backtrack quadratically on
      // every name that does not match.
      std::wstring mask = L"*";
      for (wchar_t c : item)
        if (c != L'*' || mask.back() != L'*') mask.push_back(c);
      text += L"(";
      qm::AppendMaskText(text, mask);
      text += L")";
    }
    if (semicolon == std::wstring_view::npos) break;
    rest.remove_prefix(semicolon + 1);
  }
  if (!text.empty()) regex.CompileFolded(text);
  return regex;
}

void NameFilterRegex::Set(std::string_view text, bool matchCase, bool wholeName, int mode) {
  pattern.assign(text);
  caseSensitive = matchCase;
  expression = WildcardToRegex(text, matchCase, wholeName, mode);
}

void NameFilterRegex::Reset() {
  pattern.clear();
  caseSensitive = false;
  expression = qm::NameRegex();
}

bool NameFilterRegex::IsMatch(const IFileProperties* properties) const {
  if (properties == nullptr) return false;
  const char* name = properties->GetName();
  return expression.Matches(std::string_view(name, std::char_traits<char>::length(name)));
}
