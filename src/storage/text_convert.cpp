#include "storage/text_convert.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Trailing bytes that follow a lead byte, by the lead byte's top bits.
int TrailingBytes(std::uint8_t lead) {
  if (lead < 0xC0) return 0;
  if (lead < 0xE0) return 1;
  if (lead < 0xF0) return 2;
  if (lead < 0xF8) return 3;
  if (lead < 0xFC) return 4;
  return 5;
}

// What accumulating six bits per byte leaves above the value, by trailing
// count; subtracting it removes the marker bits of the lead and trailers.
constexpr std::uint32_t kOffsets[6] = {0x00000000, 0x00003080, 0x000E2080,
                                       0x03C82080, 0xFA082080, 0x82082080};
constexpr std::uint8_t kLeadMask[6] = {0x00, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
constexpr std::uint8_t kLeadPattern[6] = {0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};

} // namespace

int Utf8ToUtf16(const char* bytes, std::size_t byteCount, char16_t* out, std::size_t capacity) {
  if (bytes == nullptr || out == nullptr || byteCount == 0 || capacity == 0) return 0;
  const auto* in = reinterpret_cast<const std::uint8_t*>(bytes);
  std::size_t pos = 0;
  std::size_t written = 0;
  while (pos < byteCount && written < capacity) {
    const std::uint8_t lead = in[pos];
    if (lead < 0x80) {
      out[written++] = lead;
      ++pos;
      continue;
    }
    const int trailing = TrailingBytes(lead);
    if (pos + static_cast<std::size_t>(trailing) >= byteCount) break; // cut off: keep what we have
    if (trailing == 0 || (lead & kLeadMask[trailing]) != kLeadPattern[trailing]) return 0;
    std::uint32_t value = 0;
    for (int i = 0; i <= trailing; ++i) {
      const std::uint8_t byte = in[pos + static_cast<std::size_t>(i)];
      if (i > 0 && (byte < 0x80 || byte > 0xBF)) return 0;
      value += byte;
      if (i < trailing) value <<= 6;
    }
    value -= kOffsets[trailing];
    // Beyond the UTF-16 range: the text is not valid UTF-8; we keep the
    // characters decoded before it rather than losing the whole name.
    if (value > 0x10FFFF) break;
    if (value <= 0xFFFF) {
      out[written++] = static_cast<char16_t>(value);
    } else {
      if (capacity - written < 2) break;
      value -= 0x10000;
      out[written++] = static_cast<char16_t>(0xD800 + (value >> 10));
      out[written++] = static_cast<char16_t>(0xDC00 + (value & 0x3FF));
    }
    pos += static_cast<std::size_t>(trailing) + 1;
  }
  return static_cast<int>(written);
}

int Utf8ToAnsi(const char* bytes, std::size_t byteCount, char* out, std::size_t capacity) {
  if (out == nullptr || capacity == 0) return 0;
  std::vector<char16_t> units(capacity + 1);
  const int count = Utf8ToUtf16(bytes, byteCount, units.data(), capacity);
  if (count <= 0) return 0;
  const std::string narrow = qm::Utf16ToUtf8(std::u16string_view(units.data(), static_cast<std::size_t>(count)));
  // Like a code-page conversion into a short buffer, a text that does not
  // fit fails as a whole instead of being cut inside a character.
  if (narrow.empty() || narrow.size() > capacity) return 0;
  std::memcpy(out, narrow.data(), narrow.size());
  return static_cast<int>(narrow.size());
}

namespace qm {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                          (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      AppendUtf8(out, cp);
      ++i;
    } else {
      AppendUtf8(out, unit); // an unpaired surrogate becomes U+FFFD
    }
  }
  return out;
}

std::u16string Utf8ToUtf16String(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::uint8_t lead = in[pos];
    int trailing = 0;
    char32_t cp = 0;
    if (lead < 0x80) { cp = lead; }
    else if (lead >= 0xC2 && lead < 0xE0) { trailing = 1; cp = lead & 0x1F; }
    else if (lead >= 0xE0 && lead < 0xF0) { trailing = 2; cp = lead & 0x0F; }
    else if (lead >= 0xF0 && lead < 0xF5) { trailing = 3; cp = lead & 0x07; }
    else { out.push_back(0xFFFD); ++pos; continue; }
    bool ok = pos + static_cast<std::size_t>(trailing) < text.size();
    for (int i = 1; ok && i <= trailing; ++i) {
      const std::uint8_t byte = in[pos + static_cast<std::size_t>(i)];
      if ((byte & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (byte & 0x3F);
    }
    if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++pos;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    pos += static_cast<std::size_t>(trailing) + 1;
  }
  return out;
}

} // namespace qm
