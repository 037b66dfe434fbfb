// MFT file records ("FILE" records) read straight from raw sector data: the
// header test, the update-sequence fix-up, the attribute walk and the record
// tests. Every function works on a caller's buffer and assumes nothing about
// where it came from: a deep scan runs them on every sector of a device.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/byte_view.h"

namespace qm::mft {
// FILE record header (offsets from the start of the record).
inline constexpr std::size_t kMagic = 0x00;             // "FILE"
inline constexpr std::size_t kUsaOffset = 0x04;         // u16
inline constexpr std::size_t kUsaCount = 0x06;          // u16: sequence number + one entry a stride
inline constexpr std::size_t kLsn = 0x08;               // u64
inline constexpr std::size_t kFirstAttribute = 0x14;    // u16
inline constexpr std::size_t kFlags = 0x16;             // u16: 1 in use, 2 directory
inline constexpr std::size_t kBytesInUse = 0x18;        // u32
inline constexpr std::size_t kBytesAllocated = 0x1C;    // u32
inline constexpr std::size_t kBaseReference = 0x20;     // 8 bytes, 48-bit record number + sequence
inline constexpr std::size_t kRecordNumberGuard = 0x2A; // u16, 0 when the number at 0x2C is present
inline constexpr std::size_t kRecordNumber = 0x2C;      // u32

inline constexpr std::uint16_t kFlagInUse = 0x0001;
inline constexpr std::uint16_t kFlagDirectory = 0x0002;

// The fix-up works in 512-byte strides, over every stride of the record
// (eight in a 4096-byte record) that the buffer holds.
inline constexpr std::size_t kStride = 512;
inline constexpr std::size_t kMaxStrides = 8;
inline constexpr std::size_t kFixupBytes = 1024;
// Attributes are looked for in the first 1024 bytes only.
inline constexpr std::size_t kWalkLimit = 1016;

// Attribute header (offsets from the start of the attribute).
inline constexpr std::size_t kAttrType = 0x00;            // u32
inline constexpr std::size_t kAttrLength = 0x04;          // u32
inline constexpr std::size_t kAttrNonResident = 0x08;     // u8
inline constexpr std::size_t kAttrNameLength = 0x09;      // u8, characters
inline constexpr std::size_t kAttrNameOffset = 0x0A;      // u16
inline constexpr std::size_t kAttrFlags = 0x0C;           // u16: 0x0001 compressed, 0x4000 encrypted
inline constexpr std::size_t kAttrValueLength = 0x10;     // u32 (resident)
inline constexpr std::size_t kAttrValueOffset = 0x14;     // u16 (resident)
inline constexpr std::size_t kAttrFirstVcn = 0x10;        // u64 (non-resident)
inline constexpr std::size_t kAttrLastVcn = 0x18;         // u64
inline constexpr std::size_t kAttrPairsOffset = 0x20;     // u16
inline constexpr std::size_t kAttrCompressionUnit = 0x22; // u16
inline constexpr std::size_t kAttrAllocatedSize = 0x28;   // u64
inline constexpr std::size_t kAttrRealSize = 0x30;        // u64
inline constexpr std::size_t kAttrInitializedSize = 0x38; // u64
inline constexpr std::size_t kNonResidentHeader = 0x40;   // the fields above end here
inline constexpr std::size_t kResidentHeader = 0x18;

inline constexpr std::uint16_t kAttrCompressed = 0x0001;
inline constexpr std::uint16_t kAttrEncrypted = 0x4000;
inline constexpr std::uint16_t kAttrSparse = 0x8000;

inline constexpr std::uint32_t kStandardInformation = 0x10;
inline constexpr std::uint32_t kAttributeList = 0x20;
inline constexpr std::uint32_t kFileName = 0x30;
inline constexpr std::uint32_t kVolumeName = 0x60;
inline constexpr std::uint32_t kData = 0x80;
inline constexpr std::uint32_t kIndexAllocation = 0xA0;
inline constexpr std::uint32_t kLoggedUtilityStream = 0x100;
inline constexpr std::uint32_t kEndOfAttributes = 0xFFFFFFFF;
} // namespace qm::mft

namespace qm {

// One attribute found in a record: its bytes (never beyond the record) and
// its offset from the start of the record. Empty when nothing was found.
struct NtfsAttribute {
  ByteView bytes;
  std::uint32_t offset = 0;
  explicit operator bool() const { return !bytes.empty(); }
};

// Where the attributes of one record lie, noted by the walk that checks
// them: a reader of several attributes of the same record (a tree build
// reads five or six of each) walks it once. The record's bytes must stay as
// they were while the table is used.
class NtfsAttributeTable {
public:
  // The attribute walk of IsValidFileRecord over a record that is already
  // fixed up (or whose fix-up does not apply); false, and an empty table,
  // when an attribute is not sound.
  bool Check(ByteView fixedRecord);
  void Clear() {
    record_ = ByteView();
    count_ = 0;
    complete_ = false;
  }
  ByteView Record() const { return record_; }
  // As FindAttribute and CountAttributes over the checked record.
  NtfsAttribute Find(std::uint32_t type, unsigned index) const;
  unsigned Count(std::uint32_t type) const;

private:
  // More than a checked record can hold: the walk ends 1016 bytes in and a
  // sound attribute takes at least 24. Were there more, the search would
  // walk the record again.
  static constexpr std::size_t kMaxSlots = 48;
  struct Slot {
    std::uint32_t type;
    std::uint32_t offset;
    std::uint32_t length; // of the attribute's bytes as the walk gives them
  };
  ByteView record_;
  std::size_t count_ = 0;
  bool complete_ = false; // every attribute is in slots_
  Slot slots_[kMaxSlots];
};

} // namespace qm

// Header test: "FILE", at most 16 update-sequence entries, an allocated size
// that is a multiple of 1024 up to 4096, entries that fit that size, and an
// update-sequence offset from 42 to 256. Rejects non-records by the magic
// first, so it is cheap on every sector.
bool IsFileRecordHeader(qm::ByteView record);

// The update-sequence fix-up over every 512-byte stride that has an entry
// in the array and lies inside the buffer. Each fails and changes nothing
// for a buffer below 1024 bytes.
bool CheckUpdateSequence(qm::ByteView record);
bool ApplyUpdateSequenceFixup(std::span<std::uint8_t> record);
bool UndoUpdateSequenceFixup(std::span<std::uint8_t> record);

// Header test, fix-up (when it applies) and the checked attribute walk. The
// buffer leaves the test byte for byte as it came in.
bool IsValidFileRecord(std::span<std::uint8_t> record);

// The index-th (from 0) attribute of the given type met by the attribute
// walk, or an empty result. The walk stops at an attribute that would run
// past the buffer.
qm::NtfsAttribute FindAttribute(qm::ByteView record, std::uint32_t type, unsigned index);
unsigned CountAttributes(qm::ByteView record, std::uint32_t type);

// Record tests over a (fixed-up) record.
bool IsInUse(qm::ByteView record);
bool IsDirectory(qm::ByteView record);
bool IsExtensionRecord(qm::ByteView record);
// The record's own number, which records of the later format carry in
// their header (update sequence at 0x30 or later, guard word 0); none for
// the older format.
std::optional<std::uint32_t> RecordOwnNumber(qm::ByteView record);
bool HasAttributeList(qm::ByteView record);
bool IsFolderWithIndexAllocation(qm::ByteView record);

// A view of a record buffer with the fix-up applied for as long as the view
// lives. Without a copy it fixes up the caller's buffer in place and undoes
// that on destruction, so the caller's bytes come back unchanged; with a
// copy it works on a private copy. A buffer that IsValidFileRecord refuses
// gives an invalid view on which every lookup finds nothing.
class CNTFSFileRecordView {
public:
  CNTFSFileRecordView(std::span<std::uint8_t> buffer, bool makeCopy);
  ~CNTFSFileRecordView();
  CNTFSFileRecordView(const CNTFSFileRecordView&) = delete;
  CNTFSFileRecordView& operator=(const CNTFSFileRecordView&) = delete;

  bool IsValid() const { return !record_.empty(); }
  bool IsFixedUp() const { return fixedUp_; }
  // The record's bytes (fixed up when the fix-up applied); empty when invalid.
  qm::ByteView Record() const { return qm::ByteView(record_.data(), record_.size()); }

private:
  std::vector<std::uint8_t> copy_;
  std::span<std::uint8_t> record_;
  bool fixedUp_ = false;
};
