// File-name extensions: finding a name's extension, the carved type that an
// extension stands for, and the set of picture, audio and video extensions
// that photo recovery keeps.
#pragma once

#include <cstdint>
#include <string_view>

// A file that a scan met by its record and whose name gives a carved type:
// the type and two values that the scan chooses (for the NTFS and FAT scans
// the first data cluster and the record's sector).
struct FileTypeMatch {
  std::uint16_t type = 0;   // 0 = none
  std::int64_t first = -1;  // -1 = none
  std::int64_t second = -1; // -1 = none
};

inline constexpr std::size_t kMaxExtensionLength = 4;

// The text after the last '.' of the name when that dot is not the first
// character and at most four characters follow it (possibly none). Names of
// fewer than three characters have no extension. Returns 1 and the
// extension (a view into the name), or 0.
int GetExtensionW(std::u16string_view name, std::u16string_view& extension);

// The same for an 8-bit name; the extension is handed out with each byte
// widened to 16 bits, so that it can be passed on as it stands. At most
// four bytes follow the dot.
int GetExtensionA(std::string_view name, char16_t (&extension)[kMaxExtensionLength], std::size_t& length);

// The carved type whose short name is the name's extension (compared
// without regard to case); 1 with the match filled in when the type is
// known and neither value is negative, else 0 (the match is untouched).
int MatchFileTypeW(std::u16string_view name, std::int64_t first, std::int64_t second, FileTypeMatch& match);
int MatchFileTypeA(std::string_view name, std::int64_t first, std::int64_t second, FileTypeMatch& match);

// The carved type id of an extension (without the dot), 0 when none.
int RawTypeOfExtension(std::u16string_view extension);

// 1 when the extension (without the dot, as 16-bit units) is one of the
// picture, audio and video extensions of photo recovery.
int IsMediaExtensionA(std::u16string_view extension);
