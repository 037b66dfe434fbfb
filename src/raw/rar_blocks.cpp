#include "raw/rar_blocks.h"

namespace {

// Block header: offset, size, meaning.
//   0  2  header CRC
//   2  1  block type
//   3  2  flags
//   5  2  header size
//   7  4  added size (data area) for the types that have one
// File header (type 0x74) besides:
//   7  4  packed size
//  11  4  unpacked size
//  15  1  host operating system
constexpr std::uint64_t kType = 2;
constexpr std::uint64_t kHeaderSize = 5;
constexpr std::uint64_t kAddSize = 7;
constexpr std::uint64_t kUnpackedSize = 11;
constexpr std::uint64_t kHostOs = 15;
constexpr std::uint64_t kMinVisible = 7;
// Headers of the types with a 32-bit added size are at least this long.
constexpr std::uint16_t kMinLongHeader = 10;
constexpr std::uint8_t kMaxHostOs = 5; // MS-DOS, OS/2, Windows, Unix, Mac OS

enum : std::uint8_t {
  kArchiveHeader = 0x73,
  kFileHeader = 0x74,
  kOldComment = 0x75,
  kOldAuthenticity = 0x76,
  kOldSubblock = 0x77,
  kOldRecovery = 0x78,
  kNewSubblock = 0x7A,
  kEndOfArchive = 0x7B,
};

} // namespace

int IsRarBlock(qm::ByteView bytes) {
  if (bytes.data() == nullptr || !bytes.has(0, kMinVisible)) return 0;
  switch (bytes.u8(kType)) {
  case kArchiveHeader:
  case kOldComment:
  case kOldAuthenticity:
  case kOldRecovery:
  case kNewSubblock:
  case kEndOfArchive:
    return 1;
  case kFileHeader:
    return bytes.has(0, kHostOs + 1) && bytes.le32(kUnpackedSize) >= bytes.le32(kAddSize) &&
                   bytes.u8(kHostOs) < kMaxHostOs
               ? 1
               : 0;
  case kOldSubblock:
    return bytes.has(0, 14) && bytes.u8(13) == 0 ? 1 : 0;
  default:
    return 0;
  }
}

int RarBlockLength(qm::ByteView bytes, std::uint64_t& length) {
  if (!IsRarBlock(bytes)) return 0;
  const std::uint16_t headerSize = bytes.le16(kHeaderSize);
  if (headerSize <= 6) return 0;
  switch (bytes.u8(kType)) {
  case kArchiveHeader:
    if (headerSize < kMinLongHeader) return 0;
    length = headerSize;
    return 1;
  case kOldAuthenticity:
    length = headerSize;
    return 1;
  case kOldComment:
    if (!bytes.has(kAddSize, 2)) return 0;
    length = headerSize + std::uint64_t{bytes.le16(kAddSize)};
    return 1;
  case kFileHeader:
  case kOldSubblock:
    if (!bytes.has(kAddSize, 4)) return 0;
    length = headerSize + std::uint64_t{bytes.le32(kAddSize)};
    return 1;
  case kOldRecovery:
  case kNewSubblock:
  case kEndOfArchive:
    if (headerSize < kMinLongHeader || !bytes.has(kAddSize, 4)) return 0;
    length = headerSize + std::uint64_t{bytes.le32(kAddSize)};
    return 1;
  default:
    return 0;
  }
}
