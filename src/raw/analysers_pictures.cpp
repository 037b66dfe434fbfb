// JPEG, TIFF / NEF and CRW: the camera formats, sized by their own
// structure and named after the camera that made them.
#include "raw/analysers_pictures.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "platform/out_of_memory.h"
#include "raw/exif_reader.h"
#include "raw/media_analyser_support.h"
#include "raw/raw_read_buffer.h"

using namespace qm::media;

namespace {

// ---------------------------------------------------------------- JPEG

// File start: FF D8 (start of image), then the first marker segment at 2.
//   2  1  FF
//   3  1  marker (E0 APP0 / E1 APP1 / DB quantisation table)
//   4  2  BE segment length (the length bytes included)
//   6  4  "JFIF" or "Exif" in an APP0 / APP1 segment
constexpr std::uint64_t kJpgFirstMarker = 2;
constexpr std::uint64_t kJpgAppText = 6;
constexpr std::uint8_t kMarkerFill = 0xFF;
constexpr std::uint8_t kMarkerSof0 = 0xC0;
constexpr std::uint8_t kMarkerSof2 = 0xC2;
constexpr std::uint8_t kMarkerSos = 0xDA;
// Start of frame, from the marker's FF: length +2, precision +4, height +5,
// width +7, components +9. Start of scan: components +4.
constexpr std::uint64_t kSofPrecision = 4, kSofHeight = 5, kSofWidth = 7, kSofComponents = 9;
constexpr std::uint64_t kSosComponents = 4;

enum class JpgWalk { kJfif, kExif, kPlain };

// The EXIF reader's texts end at their first zero byte.
std::string CText(const char* text, std::size_t capacity) {
  return std::string(text, strnlen(text, capacity));
}

} // namespace

FileJPGAnalyser::FileJPGAnalyser() { typeId = kJPG; }

int FileJPGAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.has(0, 4) || h.u8(0) != 0xFF || h.u8(1) != 0xD8 || h.u8(2) != 0xFF) return 0;
  const std::uint8_t marker = h.u8(3);
  if (marker != 0xE0 && marker != 0xE1 && marker != 0xDB) return 0;
  if (marker != 0xDB && !qm::MatchesIgnoringCase(h, kJpgAppText, "JFIF") &&
      !qm::MatchesIgnoringCase(h, kJpgAppText, "Exif"))
    return 0;
  info->SetType(kJPG);
  return 1;
}

int FileJPGAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  name_.clear();
  name2_.clear();
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  qm::ByteView head = reader.GetPointer(0, 16);
  if (head.empty()) return 0;

  JpgWalk walk = JpgWalk::kPlain;
  if (qm::MatchesIgnoringCase(head, kJpgAppText, "JFIF")) {
    if (!head.matches(kJpgAppText, "JFIF")) return 0;
    walk = JpgWalk::kJfif;
  } else if (qm::MatchesIgnoringCase(head, kJpgAppText, "Exif")) {
    walk = JpgWalk::kExif;
  }

  if (walk == JpgWalk::kExif) {
    // The APP1 segment from its FF on: the reader gets what is loaded of
    // it and never reads beyond the segment's own length.
    const std::uint32_t segment = head.be16(4);
    const qm::ByteView bytes = reader.GetPointer(0);
    ExifInfo exif{};
    SetExifInfo(&exif);
    if (segment >= 2 && ProcessExif(bytes, 0, kJpgAppText, segment - 2u)) {
      const std::string model = CText(exif.cameraModel, sizeof exif.cameraModel);
      name_ = model.find('<') != std::string::npos ? CText(exif.cameraMake, sizeof exif.cameraMake) : model;
      name2_ = CText(exif.dateTime, sizeof exif.dateTime);
      info->SetExtraName(name_);
      info->SetExtraName2(name2_);
    }
    SetExifInfo(nullptr);
  }

  // The marker walk, segment by segment up to the end of the first scan's
  // header.
  if (head.u8(kJpgFirstMarker) != kMarkerFill) return 0;
  std::uint64_t offset = kJpgFirstMarker;
  std::uint8_t marker = head.u8(kJpgFirstMarker + 1);
  bool frameSeen = false;
  std::uint64_t width = 0, height = 0;
  StepBudget pacer;
  for (;;) {
    if (!pacer.Step()) return 0;
    // Every segment's fixed part lies within its first 10 bytes.
    const qm::ByteView seg = qm::PeekBytes(reader, offset, 10);
    if (seg.empty()) return 0;
    std::uint64_t length = 0;
    bool lastSegment = false;
    const bool sofLike =
        marker == kMarkerSof0 || (marker == kMarkerSof2 && walk == JpgWalk::kJfif && width * height == 0);
    if (marker == kMarkerFill) {
      length = 0;
    } else if (sofLike) {
      length = seg.be16(2);
      if (seg.u8(kSofPrecision) != 8) return 0;
      height = seg.be16(kSofHeight);
      width = seg.be16(kSofWidth);
      if (walk == JpgWalk::kPlain && seg.u8(kSofComponents) != 3) return 0;
      frameSeen = true;
    } else if (marker == kMarkerSos) {
      if (!frameSeen) return 0;
      if (walk == JpgWalk::kPlain && seg.u8(kSosComponents) != 3) return 0;
      length = seg.be16(2);
      lastSegment = true;
    } else {
      length = seg.be16(2);
    }
    offset += 2 + length;
    // A corrupt chain of segments would otherwise be followed across the
    // whole device.
    if (offset > maximum) return 0;
    // The next segment's FF must be readable; the last segment may end a
    // byte before the device does.
    const qm::ByteView next = qm::PeekBytes(reader, offset, 2);
    if (next.empty()) return 0;
    if (lastSegment) break;
    marker = next.u8(1);
  }

  // The entropy-coded data up to the end-of-image marker FF D9, searched
  // no further than an uncompressed picture would reach (nor beyond the
  // maximum carved size).
  const std::uint64_t scanEnd = offset;
  const std::uint64_t bound = std::min(width * height * 3, maximum);
  if (reader.GetPointer(scanEnd).empty()) return 0;
  const ScanResult found = ScanBytes(reader, scanEnd, scanEnd + bound - (bound > 0 ? 1 : 0), 2, 0xFF, 0xFF,
                                     [](qm::ByteView v) { return v.u8(1) == 0xD9 && v.has(1, 1); });
  std::uint64_t i = found.offset - scanEnd;
  if (bound == 0)
    i = 0;
  else if (found.end == ScanEnd::kLimit)
    i = bound;
  info->SetLength(scanEnd + i + 2);
  return 1;
}

// ---------------------------------------------------------------- TIFF

namespace {

// TIFF header: "II" 2A 00 (little-endian) or "MM" 00 2A (big-endian), then
// the 32-bit offset of the first image file directory (IFD) at 4. An IFD:
// a 16-bit entry count, 12-byte entries (16-bit tag, 16-bit type, 32-bit
// count, 4-byte value or offset), then the 32-bit offset of the next IFD.
constexpr std::uint64_t kTifFirstIfd = 4;
constexpr std::uint64_t kIfdEntrySize = 12;
constexpr std::uint32_t kMaxIfdEntries = 512;
constexpr std::uint16_t kTagMake = 271, kTagModel = 272, kTagStripOffsets = 273, kTagStripByteCounts = 279,
                        kTagSubIfds = 330;
constexpr std::size_t kMaxTextBytes = 64;
// Strips counted per directory; pictures of more strips are sized by the
// first ones and by the directory's own extent.
constexpr std::uint32_t kMaxStrips = 65536;
// Directories walked per file: the chain of main images and the second
// sub-image of each (the full-size raw image of a NEF file).
constexpr int kMaxIfds = 16;

std::uint32_t TiffValueSize(std::uint16_t type) {
  switch (type) {
  case 1:
  case 2:
  case 6:
  case 7:
    return 1;
  case 3:
  case 8:
    return 2;
  case 4:
  case 9:
  case 11:
    return 4;
  case 5:
  case 10:
  case 12:
    return 8;
  default:
    return 0;
  }
}

struct TiffWalk {
  CRawReadBuffer& reader;
  bool bigEndian;
  std::uint64_t maximum;
  std::string make, model;
  std::uint64_t end = 0; // the furthest byte of image data, values and directories
  bool sawStrips = false;
  std::set<std::uint64_t> visited;

  std::uint32_t U16(qm::ByteView v, std::uint64_t at) const { return bigEndian ? v.be16(at) : v.le16(at); }
  std::uint32_t U32(qm::ByteView v, std::uint64_t at) const { return bigEndian ? v.be32(at) : v.le32(at); }

  std::string Text(std::uint64_t at, std::uint64_t count) {
    const qm::ByteView v = qm::PeekBytes(reader, at, kMaxTextBytes);
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>({count, kMaxTextBytes, v.size()}));
    std::string text(reinterpret_cast<const char*>(v.data()), n);
    return text.substr(0, text.find('\0'));
  }

  // The count values of an entry (16- or 32-bit), read where they stand.
  std::vector<std::uint64_t> Values(qm::ByteView entry, std::uint16_t type, std::uint32_t count) {
    std::vector<std::uint64_t> out;
    const std::uint32_t size = type == 3 ? 2 : type == 4 ? 4 : 0;
    if (size == 0) return out;
    count = std::min(count, kMaxStrips);
    if (std::uint64_t{size} * count <= 4) {
      for (std::uint32_t i = 0; i < count; ++i)
        out.push_back(size == 2 ? U16(entry, 8 + 2 * i) : U32(entry, 8));
      return out;
    }
    std::uint64_t at = U32(entry, 8);
    for (std::uint32_t i = 0; i < count; ++i, at += size) {
      const qm::ByteView v = reader.GetPointer(at, size);
      if (v.empty()) break;
      out.push_back(size == 2 ? U16(v, 0) : U32(v, 0));
    }
    return out;
  }

  // Walks one directory; returns the offset of the next one (0: none) and
  // the second sub-image directory through subIfd.
  std::uint64_t Directory(std::uint64_t ifd, std::uint64_t& subIfd) {
    subIfd = 0;
    const qm::ByteView countView = reader.GetPointer(ifd, 2);
    if (countView.empty()) return 0;
    const std::uint32_t entries = U16(countView, 0);
    if (entries > kMaxIfdEntries) return 0;
    std::vector<std::uint64_t> offsets, counts;
    qm::WalkPump pacer;
    for (std::uint32_t e = 0; e < entries; ++e) {
      pacer.Step();
      const std::uint64_t at = ifd + 2 + kIfdEntrySize * e;
      const qm::ByteView entry = reader.GetPointer(at, kIfdEntrySize);
      if (entry.empty()) return 0;
      const std::uint16_t tag = static_cast<std::uint16_t>(U16(entry, 0));
      const std::uint16_t type = static_cast<std::uint16_t>(U16(entry, 2));
      const std::uint32_t count = U32(entry, 4);
      const std::uint64_t bytes = std::uint64_t{TiffValueSize(type)} * count;
      // Values longer than 4 bytes lie elsewhere in the file: part of it.
      if (bytes > 4 && U32(entry, 8) + bytes <= maximum) end = std::max(end, U32(entry, 8) + bytes);
      if (tag == kTagMake || tag == kTagModel) {
        std::string text = bytes <= 4
                               ? std::string(reinterpret_cast<const char*>(entry.data() + 8),
                                             static_cast<std::size_t>(std::min<std::uint64_t>(count, 4)))
                               : Text(U32(entry, 8), count);
        text = text.substr(0, text.find('\0'));
        (tag == kTagMake ? make : model) = text;
      } else if (tag == kTagStripOffsets) {
        offsets = Values(entry, type, count);
      } else if (tag == kTagStripByteCounts) {
        counts = Values(entry, type, count);
      } else if (tag == kTagSubIfds && count == 2) {
        const std::vector<std::uint64_t> subs =
            Values(entry, static_cast<std::uint16_t>(type == 13 ? 4 : type), count);
        if (subs.size() == 2) subIfd = subs[1];
      }
    }
    // Each strip is one run of image data; a picture can list many.
    for (std::size_t i = 0; i < std::min(offsets.size(), counts.size()); ++i) {
      sawStrips = true;
      if (offsets[i] + counts[i] <= maximum) end = std::max(end, offsets[i] + counts[i]);
    }
    const std::uint64_t linkAt = ifd + 2 + kIfdEntrySize * entries;
    end = std::max(end, linkAt + 4);
    const qm::ByteView link = reader.GetPointer(linkAt, 4);
    return link.empty() ? 0 : U32(link, 0);
  }

  void Walk(std::uint64_t first) {
    std::vector<std::uint64_t> queue{first};
    int walked = 0;
    while (!queue.empty() && walked < kMaxIfds) {
      const std::uint64_t ifd = queue.back();
      queue.pop_back();
      // A directory chain may loop back on itself.
      if (ifd == 0 || ifd > maximum || !visited.insert(ifd).second) continue;
      ++walked;
      std::uint64_t sub = 0;
      const std::uint64_t next = Directory(ifd, sub);
      if (next != 0) queue.push_back(next);
      if (sub != 0) queue.push_back(sub);
    }
  }
};

} // namespace

FileTIFAnalyser::FileTIFAnalyser() { typeId = kTIF; }

int FileTIFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, std::string_view("MM\0*", 4)) && !h.matches(0, std::string_view("II*\0", 4))) return 0;
  info->SetType(kTIF);
  return 1;
}

int FileTIFAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  name_.clear();
  name2_.clear();
  try {
    CRawReadBuffer reader(device, info->GetStartSector());
    const qm::ByteView head = reader.GetPointer(0, 8);
    if (head.empty()) return 0;
    TiffWalk walk{reader, head.u8(0) == 'M', qm::MaxCarvedSize(), {}, {}, 0, false, {}};
    const std::uint64_t first = walk.U32(head, kTifFirstIfd);
    if (first > walk.maximum) return 0;
    const qm::ByteView count = reader.GetPointer(first, 2);
    if (count.empty() || walk.U16(count, 0) > kMaxIfdEntries) return 0;
    walk.Walk(first);
    if (walk.model.rfind("NIKON", 0) == 0) {
      info->SetType(kNEF);
      name_ = walk.model;
      info->SetExtraName(name_);
      info->SetExtraName2(name2_);
    }
    if (walk.end == 0) return 0;
    info->SetLength(walk.end);
    return 1;
  } catch (const qm::OutOfMemoryException&) {
    throw; // the memory crash, never a bad record
  } catch (...) {
    return 0;
  }
}

// ---------------------------------------------------------------- CRW

namespace {

constexpr std::string_view kCrwSignature("II\x1a\0\0\0HEAPCCDR\x02\0", 16);
constexpr std::uint64_t kCrwSearchFrom = 16;
constexpr std::uint64_t kCrwSearchLimit = 0x1400000; // 20 MiB
constexpr std::string_view kCrwMark = "High definition CCD image";

} // namespace

FileCRWAnalyser::FileCRWAnalyser() { typeId = kCRW; }

int FileCRWAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, kCrwSignature)) return 0;
  info->SetType(kCRW);
  return 1;
}

int FileCRWAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  // The camera's description block, whose texts stand at fixed distances
  // from each other, marks the end of the picture.
  CRawReadBuffer reader(device, info->GetStartSector());
  const ScanResult found =
      ScanBytes(reader, kCrwSearchFrom, kCrwSearchLimit - 1, 128 + 15, 'H', 'H', [](qm::ByteView v) {
        return v.matches(0, kCrwMark) && v.matches(32, "CRW:High definition CCD image") &&
               v.matches(122, "Canon") && v.matches(128, "Canon PowerShot");
      });
  const std::uint64_t sector = reader.GetSectorSize() != 0 ? reader.GetSectorSize() : 512;
  std::uint64_t length = kCrwSearchLimit;
  if (found.end == ScanEnd::kFound) length = (found.offset + sector - 1) / sector * sector;
  // Never past the end of the device.
  else if (found.end == ScanEnd::kUnreadable)
    length = std::min(length, found.offset);
  if (length == 0) return 0;
  info->SetLength(length);
  return 1;
}
