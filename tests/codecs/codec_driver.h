// Drives a codec through the streaming protocol the way the image writer and
// the result stream do: input in uneven chunks, small output buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codecs/codec.h"

namespace qm::test {

using Bytes = std::vector<std::uint8_t>;

struct CodecRun {
  int result = 0; // the last code returned (1 = stream complete)
  Bytes output;
};

// Chunk sizes cycle through an uneven pattern so that chunk edges fall on
// every kind of position inside the coded stream.
std::size_t ChunkSize(std::size_t index, std::size_t largest);

CodecRun CompressAll(ICompressor& compressor, std::span<const std::uint8_t> input, std::size_t largestChunk,
                     std::size_t outputRoom);
// Stops at the end of the stream, at an error, or when the input is used up
// without the stream ending (result 0 then).
CodecRun DecompressAll(IDecompressor& decompressor, std::span<const std::uint8_t> input, std::size_t largestChunk,
                       std::size_t outputRoom);

Bytes RandomBytes(std::size_t size, std::uint32_t seed);
Bytes RepetitiveBytes(std::size_t size);

} // namespace qm::test
