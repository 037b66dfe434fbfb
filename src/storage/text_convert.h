// Text conversions between UTF-8 (the program's "ANSI" text on this
// platform) and UTF-16 (the text of NTFS names and saved trees).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Decodes UTF-8 into at most capacity UTF-16 units; returns the units
// written. 0 for an empty input or capacity, and for an invalid lead or
// trailing byte. A sequence cut off by the end of the input ends the
// decoding with the units so far. Overlong forms and surrogate values are
// let through, as the reference converter does; a value above 0x10FFFF
// ends the decoding (see the .cpp).
int Utf8ToUtf16(const char* bytes, std::size_t byteCount, char16_t* out, std::size_t capacity);

// Decodes UTF-8 and writes it again as the program's narrow text (UTF-8),
// at most capacity bytes, not terminated. Returns the bytes written; 0 when
// the decoding failed or gave nothing, or when the text does not fit. The
// caller's buffer is left unchanged on failure.
int Utf8ToAnsi(const char* bytes, std::size_t byteCount, char* out, std::size_t capacity);

namespace qm {

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16, lenient: an invalid byte becomes U+FFFD and decoding goes
// on. For names typed by the user or kept by the program, not for disk data
// whose validity matters.
std::u16string Utf8ToUtf16String(std::string_view text);

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t codePoint);

} // namespace qm
