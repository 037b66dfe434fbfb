// A plain greedy LZNT1 compressor for tests: makes valid compressed units
// (copies at every position split, plain chunks where compression does not
// pay) to feed the decompressor and the file saver.
#pragma once

#include <cstdint>
#include <vector>

namespace qm {

std::vector<std::uint8_t> Lznt1CompressChunkData(const std::uint8_t* data, std::size_t size);
// The unit of chunks (each with its header) for input, 4096 bytes a chunk.
std::vector<std::uint8_t> Lznt1CompressUnit(const std::vector<std::uint8_t>& input);

} // namespace qm
