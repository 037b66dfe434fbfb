// Reading the fields of one attribute of an MFT record. Every field is read
// only inside its attribute: a resident value must lie inside the attribute,
// a non-resident header must be complete (0x40 bytes), a $FILE_NAME must be
// long enough for its name. An attribute that breaks this gives nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ntfs/mft_record.h"
#include "platform/byte_view.h"

namespace qm {

namespace attr {
// Inline: a tree build reads these a dozen times for each of millions of
// records.
inline std::uint32_t Type(ByteView attribute) { return attribute.le32(mft::kAttrType); }
inline std::uint32_t Length(ByteView attribute) { return attribute.le32(mft::kAttrLength); }
inline bool IsResident(ByteView attribute) { return attribute.u8(mft::kAttrNonResident) == 0; }
inline std::uint16_t Flags(ByteView attribute) { return attribute.le16(mft::kAttrFlags); }
// Name length in characters; non-zero for a named attribute (a stream).
inline std::uint8_t NameLength(ByteView attribute) { return attribute.u8(mft::kAttrNameLength); }
// The attribute's name in UTF-16 bytes, or empty (also when it would run
// past the attribute).
ByteView NameBytes(ByteView attribute);
// The resident value, when the attribute is resident and the value lies
// inside it.
inline std::optional<ByteView> ResidentValue(ByteView attribute) {
  if (!IsResident(attribute) || !attribute.has(0, mft::kResidentHeader)) return std::nullopt;
  const std::uint64_t offset = attribute.le16(mft::kAttrValueOffset);
  const std::uint64_t length = attribute.le32(mft::kAttrValueLength);
  if (!attribute.has(offset, length)) return std::nullopt;
  return attribute.sub(offset, length);
}
} // namespace attr

struct NonResidentInfo {
  std::uint64_t firstVcn = 0;
  std::uint64_t lastVcn = 0;
  std::uint16_t compressionUnit = 0;
  std::uint64_t allocatedSize = 0;
  std::uint64_t realSize = 0;
  std::uint64_t initializedSize = 0;
  // From the mapping-pairs offset to the end of the attribute.
  ByteView mappingPairs;
};
// The non-resident header, when the attribute is non-resident, at least 0x40
// bytes long, and its mapping pairs start inside it.
std::optional<NonResidentInfo> ReadNonResident(ByteView attribute);

// $STANDARD_INFORMATION value fields.
namespace stdinfo {
inline constexpr std::size_t kCreation = 0x00;
inline constexpr std::size_t kModification = 0x08;
inline constexpr std::size_t kAccess = 0x18;
inline constexpr std::size_t kAttributes = 0x20;
inline constexpr std::size_t kMinLength = 0x24;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
} // namespace stdinfo

struct StandardInformation {
  std::uint64_t creationTime = 0;
  std::uint64_t modificationTime = 0;
  std::uint64_t accessTime = 0;
  std::uint32_t fileAttributes = 0;
};
std::optional<StandardInformation> ReadStandardInformation(ByteView attribute);

// $FILE_NAME value fields.
namespace filename {
inline constexpr std::size_t kParent = 0x00; // 48-bit record number + sequence
inline constexpr std::size_t kCreation = 0x08;
inline constexpr std::size_t kModification = 0x10;
inline constexpr std::size_t kAccess = 0x20;
inline constexpr std::size_t kRealSize = 0x30;
inline constexpr std::size_t kFlags = 0x38;
inline constexpr std::size_t kNameLength = 0x40; // u8, characters
inline constexpr std::size_t kNameSpace = 0x41;  // u8
inline constexpr std::size_t kName = 0x42;       // UTF-16
inline constexpr std::uint32_t kReadOnly = 0x00000001;
inline constexpr std::uint32_t kEncrypted = 0x00004000;
inline constexpr std::uint32_t kDirectory = 0x10000000;
} // namespace filename

struct FileNameInfo {
  std::uint64_t parentRecord = 0; // low 48 bits of the reference
  std::uint64_t creationTime = 0;
  std::uint64_t modificationTime = 0;
  std::uint64_t accessTime = 0;
  std::uint64_t realSize = 0;
  std::uint32_t flags = 0;
  std::uint8_t nameSpace = 0; // at most 4
  std::u16string name;
};
// The fields of a resident $FILE_NAME whose value holds its whole name.
std::optional<FileNameInfo> ReadFileName(ByteView attribute);
// The name's UTF-16 bytes only, without copying; empty when invalid.
ByteView FileNameBytes(ByteView attribute);

inline constexpr std::uint64_t kRecordNumberMask = 0x0000FFFFFFFFFFFFull;

} // namespace qm
