// Header scripts are files anyone can drop beside the program: the loader
// must refuse any text without reading out of bounds, and a loaded script
// must match sectors of any size safely.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "raw/custom_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CCustomHeader header;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (header.LoadText(text)) {
    // Match against the script's own bytes as a (possibly short) sector.
    header.Match(qm::ByteView(data, size));
  }
  return 0;
}
