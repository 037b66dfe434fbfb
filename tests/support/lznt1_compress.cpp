#include "support/lznt1_compress.h"

#include <algorithm>

namespace qm {

std::vector<std::uint8_t> Lznt1CompressChunkData(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> out;
  std::size_t pos = 0;
  while (pos < size) {
    const std::size_t flagsAt = out.size();
    out.push_back(0);
    for (int bit = 0; bit < 8 && pos < size; ++bit) {
      unsigned shift = 12;
      std::size_t lengthMax = 0x0FFF;
      for (std::size_t p = pos - (pos > 0 ? 1 : 0); p >= 0x10; p >>= 1) {
        --shift;
        lengthMax >>= 1;
      }
      lengthMax += 3;
      const std::size_t offsetMax = std::size_t{1} << (16 - shift);
      std::size_t bestLength = 0, bestOffset = 0;
      for (std::size_t offset = 1; offset <= pos && offset <= offsetMax; ++offset) {
        std::size_t length = 0;
        while (pos + length < size && length < lengthMax && data[pos + length] == data[pos + length - offset])
          ++length;
        if (length > bestLength) bestLength = length, bestOffset = offset;
      }
      if (bestLength >= 3) {
        const std::uint16_t token = static_cast<std::uint16_t>(((bestOffset - 1) << shift) | (bestLength - 3));
        out[flagsAt] |= static_cast<std::uint8_t>(1u << bit);
        out.push_back(static_cast<std::uint8_t>(token));
        out.push_back(static_cast<std::uint8_t>(token >> 8));
        pos += bestLength;
      } else {
        out.push_back(data[pos++]);
      }
    }
  }
  return out;
}

std::vector<std::uint8_t> Lznt1CompressUnit(const std::vector<std::uint8_t>& input) {
  std::vector<std::uint8_t> unit;
  for (std::size_t at = 0; at < input.size(); at += 4096) {
    const std::size_t size = std::min<std::size_t>(4096, input.size() - at);
    std::vector<std::uint8_t> data = Lznt1CompressChunkData(input.data() + at, size);
    bool compressed = true;
    if (data.size() >= size) { // store it plainly, as the format allows
      data.assign(input.begin() + static_cast<long>(at), input.begin() + static_cast<long>(at + size));
      compressed = false;
    }
    const std::uint16_t header =
        static_cast<std::uint16_t>((compressed ? 0x8000 : 0) | 0x3000 | (data.size() - 1));
    unit.push_back(static_cast<std::uint8_t>(header));
    unit.push_back(static_cast<std::uint8_t>(header >> 8));
    unit.insert(unit.end(), data.begin(), data.end());
  }
  return unit;
}

} // namespace qm
