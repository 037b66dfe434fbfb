// The 32-byte FAT directory entry: a view that is re-pointed entry by entry
// while a directory buffer is walked, with its plausibility test and the
// routines that turn its name bytes into text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/byte_view.h"

namespace qm::fat_dir {
inline constexpr std::size_t kEntryBytes = 32;
inline constexpr std::size_t kName = 0x00;           // 8 chars, blank-padded
inline constexpr std::size_t kExtension = 0x08;      // 3 chars, blank-padded
inline constexpr std::size_t kAttributes = 0x0B;     // u8
inline constexpr std::size_t kCaseFlags = 0x0C;      // u8: 0x08 base, 0x10 extension in lower case
inline constexpr std::size_t kCreationTime = 0x0E;   // u16
inline constexpr std::size_t kCreationDate = 0x10;   // u16
inline constexpr std::size_t kLastAccessDate = 0x12; // u16
inline constexpr std::size_t kClusterHigh = 0x14;    // u16
inline constexpr std::size_t kLastWriteTime = 0x16;  // u16
inline constexpr std::size_t kLastWriteDate = 0x18;  // u16
inline constexpr std::size_t kClusterLow = 0x1A;     // u16
inline constexpr std::size_t kFileSize = 0x1C;       // u32

inline constexpr std::uint8_t kDeletedMark = 0xE5;
inline constexpr std::uint8_t kAttrVolumeLabel = 0x08;
inline constexpr std::uint8_t kAttrDirectory = 0x10;
inline constexpr std::uint8_t kAttrReserved = 0x40;
inline constexpr std::uint8_t kAttrLongName = 0x0F;

// A long-name piece: sequence byte, then 13 UTF-16 units in three places.
inline constexpr std::size_t kLongNameUnits = 13;
// The most bytes GetLongNamePiece gives (13 units of at most 3 bytes each
// fit well within it).
inline constexpr std::size_t kLongNamePieceMaxBytes = 100;
} // namespace qm::fat_dir

class CFatDirEntry {
public:
  CFatDirEntry() = default;
  // The first 32 bytes of entry; a shorter view reads as zeros past its end.
  explicit CFatDirEntry(qm::ByteView entry) { SetEntry(entry); }
  void SetEntry(qm::ByteView entry) {
    entry_ = entry.has(0, qm::fat_dir::kEntryBytes) ? entry.sub(0, qm::fat_dir::kEntryBytes) : entry;
  }

  std::uint8_t GetFirstByte() const { return entry_.u8(qm::fat_dir::kName); }
  std::uint8_t GetAttributes() const { return entry_.u8(qm::fat_dir::kAttributes); }
  bool IsLongNamePiece() const { return GetAttributes() == qm::fat_dir::kAttrLongName; }
  bool IsDeleted() const { return GetFirstByte() == qm::fat_dir::kDeletedMark; }
  bool IsEndOfDirectory() const { return GetFirstByte() == 0; }
  bool IsDirectory() const { return (GetAttributes() & qm::fat_dir::kAttrDirectory) != 0; }
  bool IsVolumeLabel() const { return GetAttributes() == qm::fat_dir::kAttrVolumeLabel; }
  bool IsAllZero() const;
  bool IsDotEntry() const;
  bool IsDotDotEntry() const;

  std::uint32_t GetFirstCluster() const {
    return (std::uint32_t{entry_.le16(qm::fat_dir::kClusterHigh)} << 16) |
           entry_.le16(qm::fat_dir::kClusterLow);
  }
  std::uint32_t GetFileSize() const { return entry_.le32(qm::fat_dir::kFileSize); }
  std::uint16_t GetCreationDate() const { return entry_.le16(qm::fat_dir::kCreationDate); }
  std::uint16_t GetCreationTime() const { return entry_.le16(qm::fat_dir::kCreationTime); }
  std::uint16_t GetLastWriteDate() const { return entry_.le16(qm::fat_dir::kLastWriteDate); }
  std::uint16_t GetLastWriteTime() const { return entry_.le16(qm::fat_dir::kLastWriteTime); }
  std::uint16_t GetLastAccessDate() const { return entry_.le16(qm::fat_dir::kLastAccessDate); }
  // The sequence byte of a long-name piece (0x40 marks the last piece).
  std::uint8_t GetSequenceNumber() const { return GetFirstByte(); }

  // The plausibility test of an entry found in a directory or a scanned
  // sector. Strict adds the size / first-cluster agreement. The date and
  // time checks follow the settings record's FAT options.
  bool IsValid(bool strict) const;
  // The 11 name bytes: no blank first, no control bytes, none of
  // " * / : < > ? \ |; a byte of 0x80 or above takes the next one with it.
  bool HasValidShortNameChars() const;

  // Base and extension with trailing blanks cut, joined by a dot (none when
  // noDot is set, as for volume labels; none when there is no extension).
  // A deleted entry's first character shows as '#'. Bytes of 0x80 and
  // above are read in code page 437; the lower-case flags of byte 0x0C are
  // honoured as the systems that write them expect.
  std::string GetShortName(bool noDot) const;
  // The 13 UTF-16 units of a long-name piece up to the first zero unit, as
  // UTF-8. Returns 1 (the conversion cannot fail).
  int GetLongNamePiece(std::string& out) const;

  qm::ByteView Bytes() const { return entry_; }

private:
  qm::ByteView entry_;
};

// 0 for a null or empty text or one holding any of ? * | \ / : " < >;
// else 1.
int IsValidFileName(const char* text);

namespace qm {
// Appends the UTF-8 form of a code page 437 byte.
void AppendCp437(std::string& out, std::uint8_t byte);
} // namespace qm
