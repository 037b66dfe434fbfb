// The GUID partition table: the table of known partition types, the text
// form of a type GUID, and the decoders of the header and of one entry.
// Decoders take bytes and answer; reading the sectors is the table
// reader's business (partition_table.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/byte_view.h"

// One row of the known partition types: its number (the row's position
// + 1), its name and its type GUID as 36 characters of upper-case text.
struct GptPartitionType {
  std::uint16_t number;
  const char* name;
  const char* guid;
};

// 52 rows; row 1 is "MBR partition scheme", which the table reader skips.
std::span<const GptPartitionType> GptPartitionTypeTable();

namespace qm {

// Header of a GUID partition table (little-endian):
//   0   8  signature "EFI PART"
//   12  4  header size
//   16  4  CRC-32 of the header's bytes, this field taken as 0
//   24  8  LBA of this header
//   32  8  LBA of the other copy
//   72  8  first LBA of the entry array
//   80  4  number of entries
//   84  4  bytes per entry
//   88  4  CRC-32 of the entry array
inline constexpr std::size_t kGptHeaderSizeOffset = 12;
inline constexpr std::size_t kGptHeaderCrcOffset = 16;
inline constexpr std::size_t kGptMyLbaOffset = 24;
inline constexpr std::size_t kGptEntriesLbaOffset = 72;
inline constexpr std::size_t kGptEntryCountOffset = 80;
inline constexpr std::size_t kGptEntrySizeOffset = 84;
inline constexpr std::size_t kGptEntriesCrcOffset = 88;
inline constexpr std::uint32_t kGptMinHeaderSize = 92;

// Entry: 0 type GUID (16), 16 unique GUID (16), 32 first LBA (u64),
// 40 last LBA (u64, inclusive), 48 attributes, 56 name (UTF-16, 72 bytes).
inline constexpr std::size_t kGptEntryTypeOffset = 0;
inline constexpr std::size_t kGptEntryFirstOffset = 32;
inline constexpr std::size_t kGptEntryLastOffset = 40;
inline constexpr std::uint32_t kGptMinEntrySize = 128;

// The layout every disk partitioning tool writes, and the one taken when
// neither header can be trusted: 128 entries of 128 bytes from sector 2.
inline constexpr std::uint64_t kGptDefaultEntriesLba = 2;
inline constexpr std::uint32_t kGptDefaultEntryCount = 128;

// What a header may ask for before it is refused: no real table comes
// near these, and a hostile one must not size a buffer of gigabytes.
inline constexpr std::uint32_t kGptMaxEntrySize = 4096;
inline constexpr std::uint64_t kGptMaxArrayBytes = 1u << 20;

// Where a header puts the entry array.
struct GptArrayLayout {
  std::uint64_t firstLba = kGptDefaultEntriesLba;
  std::uint32_t entryCount = kGptDefaultEntryCount;
  std::uint32_t entrySize = kGptMinEntrySize;
  std::uint32_t arrayCrc = 0;
  std::uint64_t ArrayBytes() const { return std::uint64_t{entryCount} * entrySize; }
};

// The header of the sector read at headerLba of a disk of diskSectors
// sectors, when it is whole: signature, header size, CRC, its own LBA, an
// entry size that is a multiple of 8 from 128 to kGptMaxEntrySize, 1 or
// more entries of at most kGptMaxArrayBytes together, and an array that
// lies on the disk. Nothing when any of these fails.
std::optional<GptArrayLayout> DecodeGptHeader(ByteView sector, std::uint64_t headerLba,
                                              std::uint64_t diskSectors, std::uint32_t sectorSize);

// CRC-32 as the GPT header and entry array use it (that of zlib).
std::uint32_t GptCrc32(ByteView bytes);

// The type GUID at offset as upper-case 8-4-4-4-12 text: the first three
// groups little-endian, the last eight bytes as stored. Empty when the view
// is too short.
std::string FormatGptTypeGuid(ByteView bytes, std::size_t offset);

// The number of the table row whose GUID equals the text; 0 when none
// does. The first row wins where two rows share a GUID.
std::uint16_t FindGptPartitionType(const std::string& guidText);

} // namespace qm
