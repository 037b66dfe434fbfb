// The sectioned result stream behind scan-result and state files.
//
// A file is a 132-byte header followed by sections, each found again by a
// GUID. Every saver writes and every loader reads through IRSData; errors are
// raised as CRSException (rs_exception.h). The process-wide streams are
// CRSData::GetWriter() and CRSData::GetReader() (crs_data.h).
//
// Integers inside sections are little-endian; RSWrite / RSRead below store
// and load them without any allocation, so savers of millions of records can
// call them per value.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "filemodel/rs_exception.h"
#include "platform/guid.h"

namespace qm {

inline constexpr std::size_t kRSHeaderSize = 132;
inline constexpr std::size_t kRSTextMax = 100;
inline constexpr std::uint32_t kRSMagic = 5800;
inline constexpr std::size_t kRSSectionHeaderSize = 36;
// Marks the file header and every section header.
inline constexpr GUID kRSMarker = {0x1CB3F4EA, 0x4305, 0x4AB6, {0xB4, 0xB8, 0x24, 0x4A, 0x33, 0xD9, 0x13, 0xBB}};

} // namespace qm

// The 132-byte file header, decoded.
//   0  16  marker GUID
//  16   4  magic 5800
//  20   4  CRC-16 of the 132 bytes with this field 0 (low half; high half 0)
//  24   4  file kind, 1 to 4
//  28   4  text length, at most 100
//  32 100  text, zero-filled, not terminated when 100 long
struct RSHeader {
  GUID marker = qm::kRSMarker;
  std::uint32_t magic = 0;
  std::uint32_t crc = 0;
  std::uint32_t fileKind = 0;
  std::uint32_t textLength = 0;
  char text[qm::kRSTextMax] = {};
};

class IRSData {
public:
  virtual ~IRSData() = default;
  // 1 when the file is open and the next 132 bytes begin with the marker
  // and hold a file kind of 1 to 4 (no CRC check).
  virtual int IsValid() = 0;
  // A reader opens an existing file; a writer creates it anew when create is
  // non-zero, else opens it keeping its content. 0 on failure.
  virtual int Open(const char* path, int create) = 0;
  virtual int Close() = 0;
  virtual int WriteHeader(const RSHeader& header) = 0;
  // 1 when 132 bytes were read from offset 0, the CRC matches and the magic
  // is 5800.
  virtual int ReadHeader(RSHeader& header) = 0;
  virtual int GetFileKind() = 0;
  virtual void SetFileKind(int kind) = 0;
  virtual void SetText(const char* text) = 0;
  virtual int GetText(char* buffer, int size) = 0;
  // 1 when open. A reader raises code 7 when the section is missing (see
  // TryOpenSection for callers that expect absence).
  virtual int OpenSection(const GUID& id) = 0;
  virtual int CloseSection() = 0;
  virtual std::uint32_t GetSectionLength() = 0;
  // Fills the buffer with the next n content bytes of the open section;
  // raises 5 when the section holds fewer.
  virtual int Read(void* buffer, std::uint32_t n) = 0;
  virtual int Write(const void* buffer, std::uint32_t n) = 0;
  virtual void Flush() = 0;
  // As OpenSection, but a reader returns 0 instead of raising when the
  // section is not in the file. Other errors still raise.
  virtual int TryOpenSection(const GUID& id) = 0;
  // Reader only: 1 when the file holds the section, else 0. Closes any open
  // section; leaves none open.
  virtual int HasSection(const GUID& id) = 0;
};

namespace qm {

// Little-endian integer values inside a section.
template <typename T>
concept RSInteger = std::integral<T> && !std::same_as<T, bool>;

template <RSInteger T>
void RSWrite(IRSData& stream, T value) {
  std::uint8_t bytes[sizeof(T)];
  auto v = static_cast<std::make_unsigned_t<T>>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
  stream.Write(bytes, sizeof bytes);
}

template <RSInteger T>
T RSRead(IRSData& stream) {
  std::uint8_t bytes[sizeof(T)];
  stream.Read(bytes, sizeof bytes);
  std::make_unsigned_t<T> v = 0;
  for (std::size_t i = sizeof(T); i-- > 0;) v = static_cast<std::make_unsigned_t<T>>((v << 8) | bytes[i]);
  return static_cast<T>(v);
}

} // namespace qm
