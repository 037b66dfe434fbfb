// UTF-8 decoding of names taken from disk and from tags.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/text_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  for (std::size_t capacity : {std::size_t{1}, std::size_t{2}, std::size_t{7}, size + 1}) {
    std::vector<char16_t> units(capacity);
    const int count = Utf8ToUtf16(text, size, units.data(), capacity);
    if (count < 0 || static_cast<std::size_t>(count) > capacity) __builtin_trap();
    std::vector<char> narrow(capacity);
    const int bytes = Utf8ToAnsi(text, size, narrow.data(), capacity);
    if (bytes < 0 || static_cast<std::size_t>(bytes) > capacity) __builtin_trap();
  }
  (void)qm::Utf8ToUtf16String(std::string_view(text, size));
  return 0;
}
