// Table-driven CRCs, most significant bit first, initial value 0, no final
// inversion. The result stream's header uses Crc16 with polynomial 0x8005
// (CRC-16/BUYPASS); the state bundle uses Crc32 with polynomial 0x1770.
#pragma once

#include <cstddef>
#include <cstdint>

std::uint16_t Crc16(const void* data, std::size_t length, std::uint16_t polynomial);
std::uint32_t Crc32(const void* data, std::size_t length, std::uint32_t polynomial);
