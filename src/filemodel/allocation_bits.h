// Allocation maps as file systems keep them: one bit a cluster or block,
// the lowest bit of each byte first ($Bitmap, an EXT2 group's block bitmap).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

namespace qm {

// Whether any bit of [first, end) is set; bits past the bytes count as
// clear. Whole 64-bit words at a time: a claim of millions of clusters is
// a few thousand loads.
inline bool AnyAllocationBitSet(std::span<const std::uint8_t> bytes, std::uint64_t first, std::uint64_t end) {
  end = std::min<std::uint64_t>(end, std::uint64_t{bytes.size()} * 8);
  if (first >= end) return false;
  const std::uint8_t* data = bytes.data();
  // The bits of [first, end) in the byte at `at`.
  auto byteBits = [&](std::uint64_t at) {
    const unsigned low = first > at * 8 ? static_cast<unsigned>(first - at * 8) : 0;
    const unsigned high = end < at * 8 + 8 ? static_cast<unsigned>(end - at * 8) : 8;
    return static_cast<unsigned>(data[at]) & ((1u << high) - 1) & ~((1u << low) - 1);
  };
  std::uint64_t at = first / 8;
  const std::uint64_t last = (end - 1) / 8;
  // The first byte, then whole words, then the bytes left.
  if (byteBits(at) != 0) return true;
  ++at;
  for (; at + 8 <= last; at += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + at, sizeof(word));
    if (word != 0) return true;
  }
  for (; at <= last; ++at)
    if (byteBits(at) != 0) return true;
  return false;
}

} // namespace qm
