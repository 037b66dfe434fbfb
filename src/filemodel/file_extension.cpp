#include "filemodel/file_extension.h"

#include <algorithm>
#include <array>

#include "filemodel/raw_type_ids.h"

namespace {

// Extensions are at most four characters, so each table key is the
// upper-cased ASCII text packed into one 32-bit word; a look-up is a
// binary search without any text handling. 0 means "not a table key".
constexpr std::uint32_t PackKey(std::u16string_view text) {
  if (text.empty() || text.size() > kMaxExtensionLength) return 0;
  std::uint32_t key = 0;
  for (char16_t c : text) {
    if (c == 0 || c >= 0x80) return 0;
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    key = (key << 8) | c;
  }
  return key;
}

constexpr std::uint32_t PackAscii(std::string_view text) {
  std::u16string_view::value_type units[kMaxExtensionLength] = {};
  if (text.size() > kMaxExtensionLength) return 0;
  for (std::size_t i = 0; i < text.size(); ++i)
    units[i] = static_cast<unsigned char>(text[i]);
  return PackKey(std::u16string_view(units, text.size()));
}

struct TypeKey {
  std::uint32_t key;
  int type;
};

// The carved types by their short names. "Raw" (id 0) is not a key; names
// of five characters can never be an extension found by GetExtension.
const auto& RawExtensionMap() {
  static const auto table = [] {
    std::array<TypeKey, kLastBuiltInRawType> keys{};
    for (int id = 1; id <= kLastBuiltInRawType; ++id)
      keys[id - 1] = {PackAscii(kBuiltInRawTypeNames[id]), id};
    std::sort(keys.begin(), keys.end(), [](const TypeKey& a, const TypeKey& b) { return a.key < b.key; });
    return keys;
  }();
  return table;
}

constexpr std::string_view kMediaExtensions[] = {
    "psd", "bmp", "crw", "cdr",  "eps", "emf", "gif", "shp", "shx", "jpg", "jpeg",
    "lws", "psp", "max", "mix",  "png", "ppm", "eps", "qxd", "swf", "sdr", "tiff",
    "wmf", "xar", "aif", "aiff", "avi", "aif", "cwp", "sc4", "lso", "mp3", "mpg"};

const auto& MediaSet() {
  static const auto table = [] {
    std::array<std::uint32_t, std::size(kMediaExtensions)> keys{};
    for (std::size_t i = 0; i < keys.size(); ++i)
      keys[i] = PackAscii(kMediaExtensions[i]);
    std::sort(keys.begin(), keys.end());
    return keys;
  }();
  return table;
}

template <typename Char> int FindExtension(std::basic_string_view<Char> name, std::size_t& dot) {
  // The whole length counts: long names (over 255 bytes of UTF-8) are
  // common on EXT2 and in NTFS names converted to UTF-8.
  if (name.size() <= 2) return 0;
  dot = name.rfind(Char('.'));
  if (dot == std::basic_string_view<Char>::npos || dot == 0) return 0;
  if (name.size() - dot - 1 > kMaxExtensionLength) return 0;
  return 1;
}

int MatchExtension(std::u16string_view extension, std::int64_t first, std::int64_t second,
                   FileTypeMatch& match) {
  int type = RawTypeOfExtension(extension);
  if (type == 0 || first < 0 || second < 0) return 0;
  match.type = static_cast<std::uint16_t>(type);
  match.first = first;
  match.second = second;
  return 1;
}

} // namespace

int GetExtensionW(std::u16string_view name, std::u16string_view& extension) {
  std::size_t dot = 0;
  if (!FindExtension(name, dot)) return 0;
  extension = name.substr(dot + 1);
  return 1;
}

int GetExtensionA(std::string_view name, char16_t (&extension)[kMaxExtensionLength], std::size_t& length) {
  std::size_t dot = 0;
  if (!FindExtension(name, dot)) return 0;
  length = name.size() - dot - 1;
  for (std::size_t i = 0; i < length; ++i)
    extension[i] = static_cast<unsigned char>(name[dot + 1 + i]);
  return 1;
}

int RawTypeOfExtension(std::u16string_view extension) {
  std::uint32_t key = PackKey(extension);
  if (key == 0) return 0;
  const auto& table = RawExtensionMap();
  auto it = std::lower_bound(table.begin(), table.end(), key,
                             [](const TypeKey& entry, std::uint32_t k) { return entry.key < k; });
  return (it != table.end() && it->key == key) ? it->type : 0;
}

int MatchFileTypeW(std::u16string_view name, std::int64_t first, std::int64_t second, FileTypeMatch& match) {
  std::u16string_view extension;
  if (!GetExtensionW(name, extension)) return 0;
  return MatchExtension(extension, first, second, match);
}

int MatchFileTypeA(std::string_view name, std::int64_t first, std::int64_t second, FileTypeMatch& match) {
  char16_t extension[kMaxExtensionLength];
  std::size_t length = 0;
  if (!GetExtensionA(name, extension, length)) return 0;
  return MatchExtension(std::u16string_view(extension, length), first, second, match);
}

int IsMediaExtensionA(std::u16string_view extension) {
  std::uint32_t key = PackKey(extension);
  if (key == 0) return 0;
  const auto& table = MediaSet();
  return std::binary_search(table.begin(), table.end(), key) ? 1 : 0;
}
