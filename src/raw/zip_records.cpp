#include "raw/zip_records.h"

#include <string_view>

namespace {

// Local file header: offset, size, meaning.
//   0  4  signature
//   8  2  compression method
//  18  4  compressed size
//  26  2  file-name length
//  28  2  extra-field length
//  30     file name
constexpr std::uint64_t kLocalMethod = 8;
constexpr std::uint64_t kLocalCompressedSize = 18;
constexpr std::uint64_t kLocalNameLength = 26;
constexpr std::uint64_t kLocalExtraLength = 28;
constexpr std::uint64_t kLocalFixedSize = 30;

// Central directory header.
//  28  2  file-name length
//  30  2  extra-field length
//  32  2  file-comment length
//  46     file name
constexpr std::uint64_t kCentralNameLength = 28;
constexpr std::uint64_t kCentralExtraLength = 30;
constexpr std::uint64_t kCentralCommentLength = 32;
constexpr std::uint64_t kCentralFixedSize = 46;

// End of central directory record.
//  20  2  archive-comment length
constexpr std::uint64_t kEndCommentLength = 20;
constexpr std::uint64_t kEndFixedSize = 22;

// Highest method number the walk accepts (0 stored ... 8 deflated, 9
// deflate64, 10 PKWARE imploding).
constexpr std::uint16_t kMaxMethod = 10;
constexpr std::uint16_t kMaxLocalNameLength = 1040;

struct OfficePart {
  std::string_view name;
  int type;
};
constexpr OfficePart kOfficeParts[] = {
    {"word/_rels/document.xml.rels", 69},
    {"xl/_rels/workbook.xml.rels", 70},
    {"ppt/_rels/presentation.xml.rels", 71},
};

void CheckOfficeName(qm::ByteView bytes, std::uint64_t nameOffset, std::uint16_t nameLength, int& type) {
  for (const OfficePart& part : kOfficeParts) {
    if (part.name.size() == nameLength && bytes.matches(nameOffset, part.name)) {
      type = part.type;
      return;
    }
  }
}

} // namespace

int IsZipRecord(qm::ByteView bytes) {
  if (!bytes.has(0, 4)) return 0;
  switch (bytes.le32(0)) {
  case kZipLocalHeaderSignature:
    return bytes.has(0, kLocalFixedSize) && bytes.le16(kLocalMethod) <= kMaxMethod &&
                   bytes.le16(kLocalNameLength) <= kMaxLocalNameLength
               ? 1
               : 0;
  case kZipCentralHeaderSignature:
  case kZipEndRecordSignature:
    return 1;
  default:
    return 0;
  }
}

int ZipRecordLength(qm::ByteView bytes, std::uint64_t& length, bool checkOfficeNames, int& type) {
  if (!bytes.has(0, 4)) return 0;
  switch (bytes.le32(0)) {
  case kZipLocalHeaderSignature: {
    if (!bytes.has(0, kLocalFixedSize)) return 0;
    const std::uint16_t nameLength = bytes.le16(kLocalNameLength);
    length = kLocalFixedSize + nameLength + bytes.le16(kLocalExtraLength) +
             std::uint64_t{bytes.le32(kLocalCompressedSize)};
    if (checkOfficeNames) CheckOfficeName(bytes, kLocalFixedSize, nameLength, type);
    return 1;
  }
  case kZipCentralHeaderSignature: {
    if (!bytes.has(0, kCentralFixedSize)) return 0;
    const std::uint16_t nameLength = bytes.le16(kCentralNameLength);
    // The entry's comment belongs to the header too: leaving it out would
    // end the walk inside the comment and cut the archive short.
    length = kCentralFixedSize + nameLength + bytes.le16(kCentralExtraLength) +
             std::uint64_t{bytes.le16(kCentralCommentLength)};
    if (checkOfficeNames) CheckOfficeName(bytes, kCentralFixedSize, nameLength, type);
    return 1;
  }
  case kZipEndRecordSignature:
    if (!bytes.has(0, kEndFixedSize)) return 0;
    // The archive comment closes the file.
    length = kEndFixedSize + std::uint64_t{bytes.le16(kEndCommentLength)};
    return 1;
  default:
    return 0;
  }
}
