#include "filemodel/rs_crc.h"

namespace {

template <typename T>
T MsbFirstCrc(const void* data, std::size_t length, T polynomial) {
  constexpr int kTopShift = 8 * sizeof(T) - 8;
  constexpr T kTopBit = static_cast<T>(T{1} << (8 * sizeof(T) - 1));
  T table[256];
  for (unsigned byte = 0; byte < 256; ++byte) {
    T value = static_cast<T>(static_cast<T>(byte) << kTopShift);
    for (int bit = 0; bit < 8; ++bit)
      value = (value & kTopBit) ? static_cast<T>((value << 1) ^ polynomial) : static_cast<T>(value << 1);
    table[byte] = value;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  T crc = 0;
  for (std::size_t i = 0; i < length; ++i)
    crc = static_cast<T>((crc << 8) ^ table[static_cast<std::uint8_t>((crc >> kTopShift) ^ bytes[i])]);
  return crc;
}

} // namespace

std::uint16_t Crc16(const void* data, std::size_t length, std::uint16_t polynomial) {
  return MsbFirstCrc<std::uint16_t>(data, length, polynomial);
}

std::uint32_t Crc32(const void* data, std::size_t length, std::uint32_t polynomial) {
  return MsbFirstCrc<std::uint32_t>(data, length, polynomial);
}
