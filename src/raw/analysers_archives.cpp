#include "raw/analysers_archives.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "filemodel/raw_file_info.h"
#include "raw/analyser_common.h"
#include "raw/gzip_members.h"
#include "raw/rar_blocks.h"
#include "raw/raw_read_buffer.h"
#include "raw/zip_records.h"

namespace {

constexpr int kTypeCab = 10;
constexpr int kTypeCdr = 11;
constexpr int kTypeGz = 29;
constexpr int kTypeLzh = 34;
constexpr int kTypeRar = 54;
constexpr int kTypeTar = 59;
constexpr int kTypeZip = 68;

// ---- ZIP ----------------------------------------------------------------

// Local file header fields the analyser reads beyond the record walker.
constexpr std::uint64_t kZipLocalFlags = 6;
constexpr std::uint64_t kZipLocalCompressedSize = 18;
constexpr std::uint64_t kZipLocalNameLength = 26;
constexpr std::uint64_t kZipLocalExtraLength = 28;
constexpr std::uint64_t kZipLocalName = 30;
// General-purpose flag: sizes are 0 in the local header and follow the
// data in a data descriptor.
constexpr std::uint16_t kZipFlagDataDescriptor = 0x0008;

constexpr std::string_view kOfficeContentTypes = "[Content_Types].xml";
constexpr std::string_view kDrawingContent = "content/riffData.cdr";

// Archives of the 64-bit extension ("Zip64", written by archivers for big
// archives and on request for any) keep a size of 0xFFFFFFFF in the local
// header and the real one in an extra field (id 1: original size, then
// compressed size, 8 bytes each), and close with a 64-bit end record and
// its locator before the usual end record. Without them the walk would
// leap 4 GiB at the first entry, or stop before the end record.
constexpr std::uint32_t kZipSizeInExtra = 0xFFFFFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint64_t kZipLocalUncompressedSize = 22;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;     // "PK\6\6"
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50; // "PK\6\7"
constexpr std::uint64_t kZip64EndFixed = 12;                  // signature and the size of the rest
constexpr std::uint64_t kZip64EndMinimum = 56;
constexpr std::uint64_t kZip64LocatorSize = 20;
// Bytes of a record the walk asks to see: enough for a local header with a
// long name and its extra fields.
constexpr std::size_t kZipWalkPeek = 2048;

// The compressed size from the 64-bit extra field of a local header whose
// header field says 0xFFFFFFFF; false when the field is not in view.
bool Zip64CompressedSize(qm::ByteView record, std::uint64_t& size) {
  const std::uint64_t extra = kZipLocalName + record.le16(kZipLocalNameLength);
  const std::uint64_t extraEnd = extra + record.le16(kZipLocalExtraLength);
  for (std::uint64_t at = extra; at + 4 <= extraEnd && record.has(at, 4);) {
    const std::uint16_t id = record.le16(at);
    const std::uint16_t length = record.le16(at + 2);
    if (id == kZip64ExtraId) {
      // The original size comes first when it too is in the extra field.
      const std::uint64_t skip = record.le32(kZipLocalUncompressedSize) == kZipSizeInExtra ? 8 : 0;
      if (length < skip + 8 || !record.has(at + 4 + skip, 8)) return false;
      size = record.le64(at + 4 + skip);
      return true;
    }
    at += 4 + std::uint64_t{length};
  }
  return false;
}

bool LocalNameIs(qm::ByteView record, std::string_view name) {
  return record.le32(0) == kZipLocalHeaderSignature && record.le16(kZipLocalNameLength) == name.size() &&
         record.matches(kZipLocalName, name);
}

// The offset of the next record at or after from, searched byte by byte
// (bounded by limit); 0 when none is found or the file becomes unreadable.
// Needed after entries written with a data descriptor, whose local header
// carries no size.
std::uint64_t FindNextZipRecord(CRawReadBuffer& reader, std::uint64_t from, std::uint64_t limit) {
  qm::WalkPump pump(1);
  std::uint64_t pos = from;
  while (pos <= limit) {
    pump.Step();
    const qm::ByteView view = reader.GetPointer(pos, 4);
    if (view.size() < 4) return 0;
    // Positions up to the limit itself are searched (a limit of the
    // largest offset must not wrap to an empty span).
    const std::uint64_t toLimit = limit - pos;
    const std::uint64_t span =
        std::min<std::uint64_t>(view.size() - 3, toLimit == UINT64_MAX ? toLimit : toLimit + 1);
    const std::uint8_t* data = view.data();
    std::uint64_t found = span;
    for (std::uint64_t i = 0; i < span; ++i) {
      const void* hit = std::memchr(data + i, 'P', static_cast<std::size_t>(span - i));
      if (hit == nullptr) break;
      i = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - data);
      const std::uint32_t signature = view.le32(i);
      if (signature == kZipLocalHeaderSignature || signature == kZipCentralHeaderSignature ||
          signature == kZipEndRecordSignature) {
        found = i;
        break;
      }
    }
    if (found == span) {
      pos += span;
      continue;
    }
    // The record may run past this view: judge it through its own.
    if (IsZipRecord(qm::PeekBytes(reader, pos + found, kZipRecordPeek))) return pos + found;
    pos += found + 1;
  }
  return 0;
}

// ---- LZH ----------------------------------------------------------------

// Level 0/1 member header: offset, size, meaning.
//   0  1  header size (from offset 2)
//   2  5  method, "-lh5-" or "-lh0-"
//   7  4  compressed size (extended headers of level 1 included)
// Level 2 headers keep the whole header's size, as 16 bits at 0, and
// their level at 20.
constexpr std::uint64_t kLzhMethod = 2;
constexpr std::uint64_t kLzhCompressedSize = 7;
constexpr std::uint64_t kLzhLevel = 20;
constexpr std::uint8_t kLzhLevel2 = 2;
constexpr std::uint64_t kLzhFixed = 22;

bool IsLzhMember(qm::ByteView bytes) {
  return bytes.has(0, kLzhFixed) && (bytes.matches(kLzhMethod, "-lh5-") || bytes.matches(kLzhMethod, "-lh0-"));
}

// ---- TAR ----------------------------------------------------------------

constexpr std::uint64_t kTarBlock = 512;
// tar writes whole records of 20 blocks (the blocking factor that GNU tar,
// bsdtar and Python's tarfile use unless told otherwise), so an archive
// ends in zero blocks up to the end of its last record.
constexpr std::uint64_t kTarRecord = 20 * kTarBlock;
constexpr std::uint64_t kTarSize = 124; // 11 octal digits (and a terminator)
constexpr std::uint64_t kTarMagic = 257;
constexpr int kTarSizeDigits = 11;

bool HasTarMagic(qm::ByteView block) { return block.matches(kTarMagic, "ustar"); }

// The member size: characters 0-10 of the field as octal digits, each
// counting its place value; anything else in a place counts 0.
std::uint64_t TarSize(qm::ByteView block) {
  std::uint64_t size = 0;
  for (int i = 0; i < kTarSizeDigits; ++i) {
    const std::uint8_t c = block.u8(kTarSize + i);
    const std::uint64_t digit = c >= '0' && c <= '7' ? c - '0' : 0;
    size += digit << (3 * (kTarSizeDigits - 1 - i));
  }
  return size;
}

bool IsZeroBlock(qm::ByteView block) {
  if (!block.has(0, kTarBlock)) return false;
  for (std::uint64_t i = 0; i < kTarBlock; ++i)
    if (block.u8(i) != 0) return false;
  return true;
}

} // namespace

// ---- FileZIPAnalyser ------------------------------------------------------

int FileZIPAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (qm::HeaderBytes(sector).le32(0) != kZipLocalHeaderSignature) return 0;
  info->SetType(kTypeZip);
  return 1;
}

int FileZIPAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  if (info == nullptr) return 0;
  CRawReadBuffer reader(device, info->GetStartSector());
  const qm::ByteView first = qm::PeekBytes(reader, 0, kZipRecordPeek);
  if (!IsZipRecord(first)) return 0;
  officePackage_ = LocalNameIs(first, kOfficeContentTypes);
  drawingPackage_ = LocalNameIs(first, kDrawingContent);

  const std::uint64_t maximum = qm::MaxCarvedSize();
  int type = kTypeZip;
  std::uint64_t offset = 0;
  qm::WalkPump pump;
  for (std::uint64_t steps = 0; steps < qm::kMaxWalkSteps && offset <= maximum; ++steps) {
    pump.Step();
    const qm::ByteView record = qm::PeekBytes(reader, offset, kZipWalkPeek);
    std::uint64_t length = 0;
    const std::uint32_t signature = record.le32(0);
    if (signature == kZip64EndSignature || signature == kZip64LocatorSignature) {
      std::uint64_t size = kZip64LocatorSize;
      if (signature == kZip64EndSignature) {
        if (!record.has(0, kZip64EndFixed)) break;
        size = record.le64(4);
        if (size > UINT64_MAX - kZip64EndFixed || size + kZip64EndFixed < kZip64EndMinimum) break;
        size += kZip64EndFixed;
      }
      if (!qm::AddChecked(offset, size)) break;
      continue;
    }
    if (!IsZipRecord(record)) break;
    // Some office suites store the content-types part last among the
    // entries; their packages are told by it all the same, through the
    // central directory that follows it.
    if (!officePackage_ && LocalNameIs(record, kOfficeContentTypes)) officePackage_ = true;
    if (!ZipRecordLength(record, length, officePackage_, type)) break;
    if (signature == kZipLocalHeaderSignature && record.le32(kZipLocalCompressedSize) == kZipSizeInExtra) {
      std::uint64_t size = 0;
      if (Zip64CompressedSize(record, size)) length = length - kZipSizeInExtra + size;
    }
    if (record.le32(0) == kZipLocalHeaderSignature &&
        (record.le16(kZipLocalFlags) & kZipFlagDataDescriptor) != 0 &&
        record.le32(kZipLocalCompressedSize) == 0) {
      // The size follows the data: find the record after it instead of
      // stopping inside the data.
      const std::uint64_t dataStart = offset + kZipLocalName + record.le16(kZipLocalNameLength) +
                                      record.le16(kZipLocalExtraLength);
      const std::uint64_t next = FindNextZipRecord(reader, dataStart, maximum);
      if (next == 0) break;
      offset = next;
      continue;
    }
    if (!qm::AddChecked(offset, length)) break;
  }
  if (drawingPackage_ && !officePackage_) type = kTypeCdr;
  info->SetType(type);
  info->SetLength(offset);
  return 1;
}

// ---- FileRARAnalyser ------------------------------------------------------

namespace {
constexpr std::string_view kRarMarker("Rar!\x1a\x07\x00", 7);
// Header bytes the block parser may see: the archive header (the first
// block) can be long; later blocks are judged by their first 32 bytes.
constexpr std::size_t kRarFirstVisible = 505;
constexpr std::size_t kRarVisible = 32;
// A file header with this flag keeps the high halves of its sizes after
// the fixed part: the packed size's at 32. Without them a member of 4 GiB
// or more would be cut to its low 32 bits and the walk lost inside it.
constexpr std::uint8_t kRarFileHeader = 0x74;
constexpr std::uint16_t kRarLargeFlag = 0x0100;
constexpr std::uint64_t kRarFlags = 3;
constexpr std::uint64_t kRarHighPackSize = 32;
} // namespace

int FileRARAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, kRarMarker)) return 0;
  info->SetType(kTypeRar);
  return 1;
}

int FileRARAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  if (info == nullptr) return 0;
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  std::uint64_t offset = kRarMarker.size();
  qm::WalkPump pump;
  for (std::uint64_t steps = 0; steps < qm::kMaxWalkSteps && offset <= maximum; ++steps) {
    pump.Step();
    const std::size_t visible = steps == 0 ? kRarFirstVisible : kRarVisible;
    const qm::ByteView view = qm::PeekBytes(reader, offset, visible);
    if (view.empty()) {
      // An archive that ends at the device's end without an end block is
      // still whole up to here.
      if (steps == 0) return 0;
      break;
    }
    std::uint64_t length = 0;
    if (!RarBlockLength(view.sub(0, std::min(view.size(), visible)), length)) {
      if (steps == 0) return 0;
      break;
    }
    if (view.u8(2) == kRarFileHeader && (view.le16(kRarFlags) & kRarLargeFlag) != 0 &&
        view.has(kRarHighPackSize, 4) && view.le16(5) >= kRarHighPackSize + 8) {
      if (!qm::AddChecked(length, std::uint64_t{view.le32(kRarHighPackSize)} << 32)) break;
    }
    if (!qm::AddChecked(offset, length)) break;
  }
  const qm::ByteView tail = reader.GetPointer(offset, sizeof kRarEndBlock);
  if (tail.has(0, sizeof kRarEndBlock) && std::memcmp(tail.data(), kRarEndBlock, sizeof kRarEndBlock) == 0)
    offset += sizeof kRarEndBlock;
  info->SetLength(offset);
  return 1;
}

// ---- FileCABAnalyser ------------------------------------------------------

namespace {
// Cabinet header: offset, size, meaning.
//   0  4  "MSCF"
//   4  4  reserved, 0
//   8  4  cabinet size
//  12  4  reserved, 0
//  20  4  reserved, 0
//  24  2  format version, 1.3
constexpr std::uint64_t kCabSize = 8;
constexpr std::uint16_t kCabVersion = 0x0103;
} // namespace

int FileCABAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, "MSCF")) return 0;
  // The type is set before the rest is judged; a refused header leaves it.
  info->SetType(kTypeCab);
  if (h.le32(4) != 0 || h.le32(12) != 0 || h.le32(20) != 0 || h.le16(24) != kCabVersion) return 0;
  const std::uint32_t size = h.le32(kCabSize);
  if (size == 0) return 0;
  info->SetLength(size);
  return 1;
}

// ---- FileGZAnalyser -------------------------------------------------------

int FileGZAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, "\x1f\x8b\x08")) return 0;
  info->SetType(kTypeGz);
  return 1;
}

int FileGZAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  if (info == nullptr) return 0;
  // Taking the maximum carved size for every gzip file (the header tells
  // nothing of the length) saved 50 MB of whatever followed each one; the
  // deflate data themselves say where they end.
  CRawReadBuffer reader(device, info->GetStartSector());
  const GzipExtent extent = MeasureGzipMembers(reader, qm::MaxCarvedSize());
  if (extent.length == 0) return 0;
  info->SetLength(extent.length);
  return 1;
}

// ---- FileLZHAnalyser ------------------------------------------------------

int FileLZHAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(kLzhMethod, "-lh5-") && !h.matches(kLzhMethod, "-lh0-")) return 0;
  info->SetType(kTypeLzh);
  return 1;
}

int FileLZHAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  if (info == nullptr) return 0;
  CRawReadBuffer reader(device, info->GetStartSector());
  if (!IsLzhMember(reader.GetPointer(0, kLzhFixed))) return 0;
  const std::uint64_t maximum = qm::MaxCarvedSize();
  std::uint64_t offset = 0;
  qm::WalkPump pump;
  for (std::uint64_t steps = 0; steps < qm::kMaxWalkSteps && offset <= maximum; ++steps) {
    pump.Step();
    const qm::ByteView member = reader.GetPointer(offset, kLzhFixed);
    if (!IsLzhMember(member)) break;
    // Level 0 and 1 count their header from byte 2; level 2 (what current
    // archivers write by default) counts it whole. Taking level 2 by the
    // level 0 rule lands 2 bytes off and ends the walk after one member.
    const std::uint64_t header =
        member.u8(kLzhLevel) == kLzhLevel2 ? member.le16(0) : std::uint64_t{member.u8(0)} + 2;
    offset += header + member.le32(kLzhCompressedSize);
  }
  // The archive closes with one zero byte where the next header would
  // begin; it belongs to the file.
  const qm::ByteView end = reader.GetPointer(offset);
  if (end.has(0, 1) && end.u8(0) == 0 && offset <= maximum) ++offset;
  info->SetLength(offset);
  return 1;
}

// ---- FileTARAnalyser ------------------------------------------------------

int FileTARAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!HasTarMagic(qm::HeaderBytes(sector))) return 0;
  info->SetType(kTypeTar);
  return 1;
}

int FileTARAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  if (info == nullptr) return 0;
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  std::uint64_t offset = 0;
  qm::WalkPump pump;
  for (std::uint64_t steps = 0; steps < qm::kMaxWalkSteps && offset <= maximum; ++steps) {
    pump.Step();
    const qm::ByteView block = reader.GetPointer(offset, kTarBlock);
    if (block.empty()) break;
    const bool member = HasTarMagic(block);
    if (!member && block.u8(0) >= '!') {
      if (steps == 0) return 0;
      break;
    }
    offset += kTarBlock;
    const std::uint64_t size = TarSize(block);
    if (!member && size == 0) {
      // The end of the archive: two zero blocks, then the zero blocks that
      // fill its last record. A block that is not all zeros belongs to
      // whatever follows.
      if (IsZeroBlock(block)) {
        auto zeroBlockFollows = [&] {
          return offset <= maximum && IsZeroBlock(reader.GetPointer(offset, kTarBlock));
        };
        if (zeroBlockFollows()) offset += kTarBlock;
        while (offset % kTarRecord != 0 && zeroBlockFollows())
          offset += kTarBlock;
      }
      break;
    }
    // Empty members (folders, links, empty files) have size 0 and go on.
    // Data is padded to whole tar blocks whatever the device's sectors.
    if (!qm::AddChecked(offset, qm::RoundUpTo(size, kTarBlock))) break;
  }
  if (offset == 0) return 0;
  info->SetLength(offset);
  return 1;
}
