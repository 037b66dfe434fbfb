// NTFS index blocks ("INDX" records of a folder's $INDEX_ALLOCATION) and
// the index entries they share with a resident $INDEX_ROOT. The deep scan
// tries these tests on every sector it sweeps, so each one rejects by the
// magic first and reads only inside the bytes it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/byte_view.h"

namespace qm::indx {
// INDX header (offsets from the start of the block).
inline constexpr std::size_t kMagic = 0x00;          // "INDX"
inline constexpr std::size_t kUsaOffset = 0x04;      // u16
inline constexpr std::size_t kUsaCount = 0x06;       // u16: sectors + 1
inline constexpr std::size_t kVcn = 0x10;            // u64, VCN of this block
inline constexpr std::size_t kHeader = 0x18;         // the three sizes below count from here
inline constexpr std::size_t kFirstEntry = 0x18;     // u32, from kHeader
inline constexpr std::size_t kBytesInUse = 0x1C;     // u32, from kHeader (header included)
inline constexpr std::size_t kBytesAllocated = 0x20; // u32, from kHeader
inline constexpr std::size_t kHeaderBytes = 0x24;

inline constexpr std::size_t kStride = 512;
inline constexpr std::uint16_t kMaxUsaCount = 16;
inline constexpr std::uint16_t kMinUsaOffset = 40;
inline constexpr std::uint16_t kMaxUsaOffset = 256;

// Index entry (offsets from the start of the entry).
inline constexpr std::size_t kEntryReference = 0;  // u64, the file's reference
inline constexpr std::size_t kEntryLength = 8;     // u16
inline constexpr std::size_t kEntryKeyLength = 10; // u16
inline constexpr std::size_t kEntryFlags = 12;     // u16
inline constexpr std::size_t kEntryKey = 16;       // a $FILE_NAME value
inline constexpr std::size_t kEntryHeader = 16;
inline constexpr std::uint16_t kEntrySubNode = 1;
inline constexpr std::uint16_t kEntryLast = 2;

// $FILE_NAME key fields (offsets from the start of the entry).
inline constexpr std::size_t kKeyParent = 16;     // u64: 48-bit record number + 16-bit sequence
inline constexpr std::size_t kKeyAllocated = 56;  // u64
inline constexpr std::size_t kKeyRealSize = 64;   // u64
inline constexpr std::size_t kKeyFlags = 72;      // u32
inline constexpr std::size_t kKeyNameLength = 80; // u8, characters
inline constexpr std::size_t kKeyNameSpace = 81;  // u8
inline constexpr std::size_t kKeyName = 82;       // UTF-16
// The key bytes up to the name: what an entry must hold for its sizes,
// flags and name length to be read.
inline constexpr std::size_t kKeyFixedBytes = kKeyName - kEntryKey;

// $INDEX_ROOT value (offsets from the start of the value).
inline constexpr std::size_t kRootHeader = 16;     // the index header starts here
inline constexpr std::size_t kRootFirstEntry = 16; // u32, from kRootHeader
inline constexpr std::size_t kRootTotalSize = 20;  // u32
} // namespace qm::indx

bool IsIndxMagic(qm::ByteView block);

// Header rules: "INDX"; block length >= allocated size >= size in use; an
// update-sequence count of at most 16 that covers the block and equals
// ((allocated size + first-entry offset) >> 9) + 1; an update-sequence
// offset from 40 to 256. The length is the view's size.
bool IsValidIndxHeader(qm::ByteView block);

// The update-sequence fix-up over the first count - 1 strides of 512
// bytes. A count of 0 (which would wrap), an array or a stride past the
// block fails the check; Apply and Restore then change nothing.
bool CheckIndxFixup(qm::ByteView block);
bool ApplyIndxFixup(std::span<std::uint8_t> block);
bool RestoreIndxFixup(std::span<std::uint8_t> block);

// Entry rules over a fixed-up block. The entries must lie inside the block
// (the first one at 0x18 + first-entry offset, all of them before 0x18 +
// size in use), each with its header and key inside that bound; the
// walk stops (valid) at a last entry or a 0 length; entries that only point
// to a sub-node are passed over; every other entry needs a real size not
// above its allocated size (unless it is sparse or compressed) and the
// first entry's parent reference.
bool CheckIndxEntries(qm::ByteView block);

// Header, fix-up, entries; the block leaves byte for byte as it came.
bool IsValidIndxRecord(std::span<std::uint8_t> block);

// The 48-bit parent record number of the first entry (of a fixed-up
// block), or -1 when the block has no readable first entry.
std::int64_t GetIndxParent(qm::ByteView block);
std::uint64_t GetIndxVcn(qm::ByteView block);

// The common parent record number of the entries of a resident
// $INDEX_ROOT attribute (the folder's own number), or -1 when the entries
// name two parents or none can be read.
std::int64_t GetIndexRootParent(qm::ByteView attribute);

namespace qm {

// One index entry as a folder listing shows it.
struct IndexEntryInfo {
  std::uint64_t fileReference = 0; // 48-bit record number + 16-bit sequence
  std::uint16_t flags = 0;
  std::uint64_t parentReference = 0;
  std::uint64_t allocatedSize = 0;
  std::uint64_t realSize = 0;
  std::uint32_t fileFlags = 0;
  std::uint8_t nameSpace = 0;
  std::u16string name;
};

// The entries of a fixed-up INDX block that carry a file name, in block
// order, up to the last entry. Nothing when the block breaks the header or
// entry rules.
std::optional<std::vector<IndexEntryInfo>> DecodeIndxEntries(ByteView block);

} // namespace qm
