// LZNT1 units as gathered from the clusters of a compressed file.
#include <cstddef>
#include <cstdint>

#include "filemodel/lznt1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::uint8_t out[65536];
  const auto produced = qm::Lznt1DecompressUnit(qm::ByteView(data, size), out);
  if (produced && *produced > sizeof out) __builtin_trap();
  return 0;
}
