// Decoding the dynamic-disk database (the logical disk manager's): the
// private header sector and the 128-byte VBLK blocks of the configuration
// area, joined into records of disks, partitions, components and volumes.
// Decoders take bytes and answer; reading the disks is the volume
// collector's business (dynamic_volume_reader.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/byte_view.h"

namespace qm {

// Private header, after PrivHeadToHostOrder (numbers then little-endian):
//   0x000   8  "PRIVHEAD"
//   0x030  64  disk id text (a GUID as text)
//   0x0F0  32  disk-group name
//   0x11B   8  first sector of the disk's data area
//   0x12B   8  first sector of the configuration area
inline constexpr std::size_t kPrivHeadDiskIdOffset = 0x30;
inline constexpr std::size_t kPrivHeadDiskIdLength = 64;
inline constexpr std::size_t kPrivHeadGroupNameOffset = 0xF0;
inline constexpr std::size_t kPrivHeadGroupNameLength = 32;
inline constexpr std::size_t kPrivHeadDataStartOffset = 0x11B;
inline constexpr std::size_t kPrivHeadConfigStartOffset = 0x12B;

struct PrivateHeader {
  std::string diskId;        // at most 64 characters
  std::string diskGroupName; // at most 31 characters
  std::uint64_t dataStart = 0;
  std::uint64_t configStart = 0;
};

// The fields of a header already converted to host order; nothing when the
// sector does not begin with "PRIVHEAD" or is shorter than 512 bytes.
std::optional<PrivateHeader> DecodePrivateHeader(ByteView sector);

// VBLK block (128 bytes, big-endian):
//   0   4  "VBLK"
//   4   4  sequence number
//   8   4  record id (0: an unused block)
//   12  2  entry index (0 for the first block of a record)
//   14  2  entry count
// First block only, the record header:
//   16  2  status
//   18  1  flags
//   19  1  record type
//   20  4  data length
//   24     data (104 bytes in the first block)
// Continuation blocks carry 112 data bytes from offset 16.
inline constexpr std::size_t kVblkSize = 128;
inline constexpr std::size_t kVblkRecordIdOffset = 8;
inline constexpr std::size_t kVblkEntryIndexOffset = 12;
inline constexpr std::size_t kVblkEntryCountOffset = 14;
inline constexpr std::size_t kVblkStatusOffset = 16;
inline constexpr std::size_t kVblkFlagsOffset = 18;
inline constexpr std::size_t kVblkTypeOffset = 19;
inline constexpr std::size_t kVblkDataLengthOffset = 20;
inline constexpr std::size_t kVblkDataOffset = 24;
inline constexpr std::size_t kVblkFirstData = kVblkSize - kVblkDataOffset;      // 104
inline constexpr std::size_t kVblkContinuationOffset = 16;
inline constexpr std::size_t kVblkContinuationData = kVblkSize - kVblkContinuationOffset; // 112

// Record types read.
inline constexpr std::uint8_t kVblkComponent = 0x32;
inline constexpr std::uint8_t kVblkPartition = 0x33;
inline constexpr std::uint8_t kVblkDisk = 0x34;
inline constexpr std::uint8_t kVblkDiskGuid = 0x44;
inline constexpr std::uint8_t kVblkVolume = 0x51;

// One record joined from its blocks: the first block's header bytes
// (0..23) followed by its data.
struct VblkRecord {
  std::uint32_t recordId = 0;
  std::uint8_t flags = 0;
  std::uint8_t type = 0;
  std::vector<std::uint8_t> bytes; // data length + 24 bytes
};

// Walks the 128-byte blocks of a configuration area in order and returns
// the records that are whole: a record spread over several blocks is
// joined from its continuations (same record id, indexes 1, 2 ... in block
// order); one that misses a piece, or claims more data than its blocks can
// carry, is dropped.
std::vector<VblkRecord> JoinVblkRecords(ByteView area);

// Variable-length fields of a record, read at offset (which they advance).
// A number: a length byte L, then L bytes, most significant first; the low
// 64 bits are kept. L = 0, L > 64 or L past the record gives all bits set
// and consumes one byte.
std::uint64_t ReadVarNumber(ByteView record, std::size_t& offset);
// A text: a length byte L, then L characters. L = 0 or L past the record
// gives an empty text and consumes one byte. At most maxLength characters
// are kept.
std::string ReadVarText(ByteView record, std::size_t& offset, std::size_t maxLength);

inline constexpr std::uint64_t kVarNumberInvalid = ~std::uint64_t{0};

struct LdmVolume {
  std::uint64_t id = 0;
  std::string name; // at most 127 characters
  std::uint8_t volumeType = 0; // 3 ordinary, 4 RAID-5
  std::uint64_t componentCount = 0;
  std::uint64_t size = 0; // in the disk's sectors
  std::uint8_t partitionType = 0;
  std::uint8_t guid[16] = {};
};

struct LdmComponent {
  std::uint64_t id = 0;
  std::uint8_t type = 0; // 1 striped, 2 concatenated, 3 RAID-5
  std::uint64_t partitionCount = 0;
  std::uint64_t parentId = 0;
  std::uint64_t stripeSize = 0; // in the disk's sectors; 0 when the record gives none
};

struct LdmPartition {
  std::uint64_t id = 0;
  std::uint64_t start = 0;        // in the disk's sectors, from its data area
  std::uint64_t volumeOffset = 0; // in 512-byte units, as stored
  std::uint64_t size = 0;         // in the disk's sectors
  std::uint64_t componentId = 0;
  std::uint64_t diskId = 0;
  std::uint64_t index = 0; // column of a striped or RAID-5 piece
  bool hasIndex = false;
};

struct LdmDisk {
  std::uint64_t id = 0;
  std::string diskIdText; // at most 64 characters
  bool fromGuid = false;  // the text was formatted from a binary GUID
};

struct LdmDatabase {
  std::vector<LdmVolume> volumes;
  std::vector<LdmComponent> components;
  std::vector<LdmPartition> partitions;
  std::vector<LdmDisk> disks;
};

// Decodes the records by type (others are ignored); sizes and starts are
// converted from 512-byte units to sectors of bytesPerSector.
void DecodeVblkRecord(const VblkRecord& record, std::uint32_t bytesPerSector, LdmDatabase& database);

// JoinVblkRecords and DecodeVblkRecord over a whole configuration area.
LdmDatabase DecodeLdmDatabase(ByteView area, std::uint32_t bytesPerSector);

// A binary GUID (as the 0x44 disk records hold it, in the byte order of
// its text) as lower-case 8-4-4-4-12 text.
std::string FormatLdmGuid(ByteView bytes);

} // namespace qm
