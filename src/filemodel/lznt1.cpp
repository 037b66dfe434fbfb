#include "filemodel/lznt1.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qm {

std::optional<std::size_t> Lznt1DecompressChunk(ByteView data, std::span<std::uint8_t, kLznt1ChunkSize> out) {
  std::size_t in = 0;
  std::size_t produced = 0;
  while (in < data.size()) {
    const std::uint8_t flags = data.u8(in++);
    for (int bit = 0; bit < 8 && in < data.size(); ++bit) {
      if ((flags & (1u << bit)) == 0) {
        if (produced >= kLznt1ChunkSize) return std::nullopt;
        out[produced++] = data.u8(in++);
        continue;
      }
      if (!data.has(in, 2)) return std::nullopt; // a token cut in half
      const std::uint16_t token = data.le16(in);
      in += 2;
      if (produced == 0) return std::nullopt; // nothing to copy from yet
      // The split between offset and length bits moves with the output
      // position: one offset bit more for every doubling past 16 bytes.
      const auto width = static_cast<unsigned>(std::bit_width(produced - 1));
      const unsigned extra = width > 4 ? width - 4 : 0;
      const std::size_t offset = (static_cast<std::size_t>(token) >> (12 - extra)) + 1;
      const std::size_t length = (token & (0x0FFFu >> extra)) + 3u;
      if (offset > produced) return std::nullopt; // before the chunk
      if (length > kLznt1ChunkSize - produced) return std::nullopt;
      // Byte by byte: a copy may overlap what it produces (runs).
      for (std::size_t i = 0; i < length; ++i, ++produced) out[produced] = out[produced - offset];
    }
  }
  return produced;
}

std::optional<std::size_t> Lznt1DecompressUnit(ByteView unit, std::span<std::uint8_t> out) {
  std::uint8_t chunk[kLznt1ChunkSize];
  std::size_t total = 0;
  std::size_t pos = 0;
  for (std::size_t chunkStart = 0; chunkStart < out.size() && unit.has(pos, 2); chunkStart += kLznt1ChunkSize) {
    const std::uint16_t header = unit.le16(pos);
    if (header == 0) break;
    // Every chunk stands for 4096 bytes of output: after one that decoded
    // shorter, zeros fill its place, as the NTFS drivers do.
    std::memset(out.data() + total, 0, chunkStart - total);
    total = chunkStart;
    const std::size_t dataLength = (header & kLznt1SizeMask) + 1u;
    if (!unit.has(pos + 2, dataLength)) return std::nullopt;
    const ByteView data = unit.sub(pos + 2, dataLength);
    const std::uint8_t* produced = data.data();
    std::size_t length = std::min(dataLength, kLznt1ChunkSize);
    if (header & kLznt1CompressedFlag) {
      const auto decoded = Lznt1DecompressChunk(data, chunk);
      if (!decoded) return std::nullopt;
      produced = chunk;
      length = *decoded;
    }
    length = std::min(length, out.size() - total);
    std::memcpy(out.data() + total, produced, length);
    total += length;
    pos += 2 + dataLength;
  }
  return total;
}

} // namespace qm
