// The 16-byte globally unique identifier, and its byte form as stored in
// files: the first three groups little-endian, the last eight bytes as they
// stand (the usual GUID byte order).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_view.h"

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];

  friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

namespace qm {

inline constexpr std::size_t kGuidSize = 16;

inline void StoreGuid(std::uint8_t* out, const GUID& guid) {
  StoreLe32(out, guid.Data1);
  StoreLe16(out + 4, guid.Data2);
  StoreLe16(out + 6, guid.Data3);
  for (int i = 0; i < 8; ++i) out[8 + i] = guid.Data4[i];
}

// The GUID at offset; all zero when the view is too short.
inline GUID LoadGuid(const ByteView& bytes, std::uint64_t offset) {
  GUID guid{};
  if (!bytes.has(offset, kGuidSize)) return guid;
  guid.Data1 = bytes.le32(offset);
  guid.Data2 = bytes.le16(offset + 4);
  guid.Data3 = bytes.le16(offset + 6);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes.u8(offset + 8 + i);
  return guid;
}

} // namespace qm
