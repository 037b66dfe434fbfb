// LZNT1 units as gathered from the clusters of a compressed file.
#include <cstddef>
#include <cstdint>

#include "filemodel/lznt1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto out = qm::Lznt1DecompressUnit(qm::ByteView(data, size), 65536);
  if (out && out->size() > 65536) __builtin_trap();
  return 0;
}
