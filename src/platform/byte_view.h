// A bounds-checked, non-owning view of bytes read from a disk. Every parser
// reads on-disk structures through it: has() is overflow-safe, and the
// readers return 0 (or an empty view) instead of reading past the end, so a
// parser that forgets a check reads zeros, never foreign memory.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace qm {

class ByteView {
public:
  constexpr ByteView() = default;
  constexpr ByteView(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  ByteView(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
  constexpr ByteView(std::span<const std::uint8_t> bytes) : data_(bytes.data()), size_(bytes.size()) {}
  ByteView(std::span<const std::byte> bytes)
      : data_(reinterpret_cast<const std::uint8_t*>(bytes.data())), size_(bytes.size()) {}

  constexpr const std::uint8_t* data() const { return data_; }
  constexpr std::size_t size() const { return size_; }
  constexpr bool empty() const { return size_ == 0; }

  // True when [offset, offset + length) lies inside the view. Written so
  // that no sum can overflow.
  constexpr bool has(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  std::uint8_t u8(std::uint64_t offset) const { return has(offset, 1) ? data_[offset] : 0; }
  // Parsers read millions of fields: each is one unaligned load.
  std::uint16_t le16(std::uint64_t offset) const {
    return has(offset, 2) ? LoadLe<std::uint16_t>(offset) : 0;
  }
  std::uint32_t le32(std::uint64_t offset) const {
    return has(offset, 4) ? LoadLe<std::uint32_t>(offset) : 0;
  }
  std::uint64_t le64(std::uint64_t offset) const {
    return has(offset, 8) ? LoadLe<std::uint64_t>(offset) : 0;
  }
  // Little-endian unsigned value of 1 to 8 bytes.
  std::uint64_t leN(std::uint64_t offset, unsigned length) const { return read(offset, length); }
  std::uint16_t be16(std::uint64_t offset) const { return static_cast<std::uint16_t>(readBig(offset, 2)); }
  std::uint32_t be32(std::uint64_t offset) const { return static_cast<std::uint32_t>(readBig(offset, 4)); }
  std::uint64_t be64(std::uint64_t offset) const { return readBig(offset, 8); }

  // The bytes [offset, offset + length), or an empty view when out of range.
  ByteView sub(std::uint64_t offset, std::uint64_t length) const {
    return has(offset, length) ? ByteView(data_ + offset, static_cast<std::size_t>(length)) : ByteView();
  }
  // The bytes from offset to the end, or an empty view when out of range.
  ByteView from(std::uint64_t offset) const {
    return offset <= size_ ? ByteView(data_ + offset, size_ - static_cast<std::size_t>(offset)) : ByteView();
  }
  std::span<const std::uint8_t> bytes() const { return {data_, size_}; }

  // Copies length bytes at offset into out; false (and nothing copied) when
  // out of range.
  bool copyTo(std::uint64_t offset, void* out, std::uint64_t length) const {
    if (!has(offset, length)) return false;
    if (length != 0) std::memcpy(out, data_ + offset, static_cast<std::size_t>(length));
    return true;
  }

  // True when the bytes at offset equal the given signature.
  bool matches(std::uint64_t offset, std::string_view signature) const {
    return has(offset, signature.size()) &&
           (signature.empty() || std::memcmp(data_ + offset, signature.data(), signature.size()) == 0);
  }

private:
  template <typename T> T LoadLe(std::uint64_t offset) const {
    T value;
    std::memcpy(&value, data_ + offset, sizeof value);
    if constexpr (std::endian::native == std::endian::big) {
      if constexpr (sizeof value == 2) value = __builtin_bswap16(value);
      if constexpr (sizeof value == 4) value = __builtin_bswap32(value);
      if constexpr (sizeof value == 8) value = __builtin_bswap64(value);
    }
    return value;
  }
  std::uint64_t read(std::uint64_t offset, unsigned length) const {
    if (length == 0 || length > 8 || !has(offset, length)) return 0;
    std::uint64_t value = 0;
    for (unsigned i = length; i-- > 0;) value = (value << 8) | data_[offset + i];
    return value;
  }
  std::uint64_t readBig(std::uint64_t offset, unsigned length) const {
    if (length == 0 || length > 8 || !has(offset, length)) return 0;
    std::uint64_t value = 0;
    for (unsigned i = 0; i < length; ++i) value = (value << 8) | data_[offset + i];
    return value;
  }

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// Little-endian stores into a caller's buffer, for writers of on-disk and
// saved records. The caller guarantees the room (these are not disk reads).
inline void StoreLe16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void StoreLe32(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void StoreLe64(std::uint8_t* out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace qm
