// LZNT1, the compression of NTFS-compressed files: a compression unit is a
// row of chunks, each a 16-bit header and at most 4096 bytes of output.
// Everything here reads disk data, so every length and back-reference is
// checked against what was gathered and what was produced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/byte_view.h"

namespace qm {

inline constexpr std::size_t kLznt1ChunkSize = 4096;

// Chunk header fields: bit 15 compressed, bits 0-11 stored size minus 3
// (header included).
inline constexpr std::uint16_t kLznt1CompressedFlag = 0x8000;
inline constexpr std::uint16_t kLznt1SizeMask = 0x0FFF;

// Decompresses the data of one compressed chunk (header not included) into
// out (at most 4096 bytes). Returns the bytes produced, or nothing when a
// token points before the chunk's start or the output would pass 4096 bytes.
std::optional<std::size_t> Lznt1DecompressChunk(ByteView data, std::span<std::uint8_t, kLznt1ChunkSize> out);

// Decompresses a whole unit into out: chunk after chunk until a zero
// header, fewer than two bytes left, or out is full. Chunk n's output
// starts at n x 4096, zeros filling what a shorter chunk before it left.
// Returns the bytes produced; a chunk whose stored size runs past the
// unit, or whose data does not decode, fails the whole unit (nothing).
std::optional<std::size_t> Lznt1DecompressUnit(ByteView unit, std::span<std::uint8_t> out);

} // namespace qm
