// One image block through its codec: compressing it for the writer and
// decoding its stored bytes for the reader. Both are plain functions over a
// codec object and buffers the caller owns, so that any thread with a codec
// of its own may run them; the image is the same whichever thread did.
#pragma once

#include <cstdint>

#include "codecs/codec.h"

namespace qm::image {

// The dictionary every LZMA block is compressed with (it is part of the
// stream's header, so it stays whatever the block size).
inline constexpr std::uint32_t kLzmaDictionary = 8388608;

struct BlockCompression {
  std::uint32_t type = 0;        // the image's compression type
  std::int32_t level = 1;        // as the codec reads it; -1 the codec's default
  std::uint32_t sectorSize = 512;
};

// Compresses length bytes of input into output (room bytes) as one stream;
// the stored length, or 0 when the block must be stored raw (no codec, a
// codec error, a stream the codec did not complete in the room, or no
// saving). Raw blocks are told from compressed ones by their length, a
// whole number of sectors: a compressed block never keeps such a length.
std::uint32_t CompressBlock(ICompressor* codec, const BlockCompression& settings, const std::uint8_t* input,
                            std::uint32_t length, std::uint8_t* output, std::uint32_t room);

// Decodes a block's `length` stored bytes into out (blockBytes bytes; what
// the block does not fill reads as zeros). Returns the block's raw length, or 0 when it is unknown:
// a damaged stream, whose stored bytes then stand in for the block. A
// length that is a whole number of sectors is raw data and is copied
// without a decoder, as is everything when there is no decoder.
std::uint32_t DecodeBlock(IDecompressor* codec, const std::uint8_t* stored, std::uint32_t length,
                          std::uint32_t sectorSize, std::uint8_t* out, std::uint32_t blockBytes);

} // namespace qm::image
