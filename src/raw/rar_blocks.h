// The block headers of a RAR archive (format versions 1.5 to 4.x), as the
// carving walk meets them after the 7-byte marker: each block is a header
// and, for some types, a data area whose size the header gives.
#pragma once

#include <cstdint>

#include "platform/byte_view.h"

// The end-of-archive block as written by the archiver: CRC C4 3D, type 7B,
// flags 0x4000, size 7.
inline constexpr std::uint8_t kRarEndBlock[7] = {0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00};

// 1 when the visible bytes begin a block header of a known type that passes
// its type's check; fields outside the view make no block. The view's size
// is the visible length (more than 6 bytes are needed).
int IsRarBlock(qm::ByteView bytes);

// The length of the block that begins the bytes, header and data area, as
// a 64-bit sum. 1 with length set, or 0 (length untouched) for no block or
// a header too short for its type.
int RarBlockLength(qm::ByteView bytes, std::uint64_t& length);
