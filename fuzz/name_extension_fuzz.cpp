// File names come straight from disk records (FAT and NTFS entries, EXT2
// directories): the extension and type look-ups take any bytes and any
// length, as 8-bit and as 16-bit names.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "filemodel/file_extension.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view narrow(reinterpret_cast<const char*>(data), size);
  FileTypeMatch match;
  MatchFileTypeA(narrow, 1, 2, match);
  char16_t extension[kMaxExtensionLength];
  std::size_t length = 0;
  if (GetExtensionA(narrow, extension, length)) {
    if (length > kMaxExtensionLength) __builtin_trap();
    IsMediaExtensionA(std::u16string_view(extension, length));
  }
  std::u16string wide(size / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  MatchFileTypeW(wide, 1, 2, match);
  std::u16string_view found;
  if (GetExtensionW(wide, found) && found.size() > kMaxExtensionLength) __builtin_trap();
  return 0;
}
