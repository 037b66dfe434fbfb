#include "raw/analysers_drawings.h"

#include <algorithm>
#include <array>

#include "filemodel/raw_file_info.h"
#include "raw/end_marker.h"
#include "raw/media_analyser_support.h"
#include "raw/raw_read_buffer.h"

using namespace qm::media;

// ---------------------------------------------------------------- WMF

namespace {

// Plain metafile header: type 1 and header size 9 (01 00 09 00), file size
// in 16-bit words at 6, 16-bit "number of members" at 16 (always 0). A
// placeable metafile puts 22 bytes in front (key D7 CD C6 9A, 16-bit handle
// 0 at 4, bounding box, 32-bit reserved 0 at 16, 16-bit XOR checksum of the
// first ten words at 20).
constexpr std::string_view kWmfPlainStart("\1\0\x09\0", 4);
constexpr std::string_view kWmfPlaceableKey("\xD7\xCD\xC6\x9A", 4);
constexpr std::uint64_t kWmfPlaceableSize = 22;
constexpr std::uint64_t kWmfSizeWords = 6, kWmfMembers = 16;

} // namespace

FileWMFAnalyser::FileWMFAnalyser() { typeId = kWMF; }

int FileWMFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (h.matches(0, kWmfPlainStart) && h.has(kWmfMembers, 2) && h.le16(kWmfMembers) == 0) {
    info->SetType(kWMF);
    info->SetLength(2 * std::uint64_t{h.le32(kWmfSizeWords)});
    return 1;
  }
  if (!h.matches(0, kWmfPlaceableKey) || !h.has(0, kWmfPlaceableSize + 18)) return 0;
  std::uint16_t sum = 0;
  for (std::uint64_t i = 0; i < 10; ++i)
    sum ^= h.le16(2 * i);
  if (sum != h.le16(20) || h.le16(4) != 0 || h.le32(16) != 0 ||
      !h.matches(kWmfPlaceableSize, kWmfPlainStart) || h.le16(kWmfPlaceableSize + kWmfMembers) != 0)
    return 0;
  info->SetType(kWMF);
  info->SetLength(kWmfPlaceableSize + 2 * std::uint64_t{h.le32(kWmfPlaceableSize + kWmfSizeWords)});
  return 1;
}

// ---------------------------------------------------------------- EMF

namespace {
// The header record: signature " EMF" at 40, file size in bytes at 48,
// reserved 16-bit 0 at 58.
constexpr std::uint64_t kEmfSignature = 40, kEmfBytes = 48, kEmfReserved = 58;
} // namespace

FileEMFAnalyser::FileEMFAnalyser() { typeId = kEMF; }

int FileEMFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(kEmfSignature, " EMF") || !h.has(kEmfReserved, 2) || h.le16(kEmfReserved) != 0 ||
      h.le32(kEmfBytes) == 0)
    return 0;
  info->SetType(kEMF);
  info->SetLength(h.le32(kEmfBytes));
  return 1;
}

// ---------------------------------------------------------------- EPS

namespace {
// DOS EPS binary header: C5 D0 D3 C6, then offset and length of the
// PostScript (4, 8), of a WMF preview (12, 16) and of a TIFF preview (20,
// 24), and a 16-bit checksum (FF FF: none) at 28; the first section starts
// right after the 30-byte header.
constexpr std::string_view kEpsKey("\xC5\xD0\xD3\xC6", 4);
constexpr std::uint64_t kEpsChecksum = 28;

// Most EPS files are plain text, without the binary header: their first
// line is the PostScript version comment naming the EPS version,
// "%!PS-Adobe-3.0 EPSF-3.0". (A PostScript file without "EPSF" on that
// line is a document for a printer, not an EPS file.)
constexpr std::string_view kPostScriptStart = "%!PS-Adobe-";
constexpr std::string_view kEpsfMark = " EPSF-";
constexpr std::uint64_t kFirstLineBytes = 80; // DSC lines are at most 255, the version line is short

bool IsTextEps(qm::ByteView h) {
  if (!h.matches(0, kPostScriptStart)) return false;
  for (std::uint64_t at = kPostScriptStart.size(); at < kFirstLineBytes && h.has(at, 1); ++at) {
    const std::uint8_t c = h.u8(at);
    if (c == '\r' || c == '\n') return false;
    if (h.matches(at, kEpsfMark)) return true;
  }
  return false;
}

// A text EPS file ends with its "%%EOF" comment line (and that line's
// end). Documents embedded between "%%BeginDocument" and "%%EndDocument"
// (placed pictures, often EPS files themselves) keep their own "%%EOF",
// which does not end the outer file; nor does "%%EOF" that is not at the
// start of a line (PostScript code reads such text as data).
constexpr std::string_view kEpsEof = "%%EOF";
constexpr std::string_view kEpsBeginDocument = "%%BeginDocument";
constexpr std::string_view kEpsEndDocument = "%%EndDocument";
// Nested documents deeper than this are not real.
constexpr std::uint64_t kMaxEpsNesting = 64;

std::uint64_t LineEndBytes(qm::ByteView v) {
  if (v.u8(0) == '\r') return v.has(1, 1) && v.u8(1) == '\n' ? 2 : 1;
  return v.has(0, 1) && v.u8(0) == '\n' ? 1 : 0;
}

int SizeTextEps(CRawFileInfo* info, CRawReadBuffer& reader) {
  const std::uint64_t maximum = qm::MaxCarvedSize();
  std::uint64_t depth = 0;
  std::uint64_t offset = kPostScriptStart.size();
  for (;;) {
    // Comment lines start after a line end; the line end is looked for.
    const ScanResult hit =
        ScanBytes(reader, offset, maximum, 1 + kEpsBeginDocument.size(), '\n', '\r', [](qm::ByteView v) {
          return v.matches(1, kEpsEof) || v.matches(1, kEpsBeginDocument) || v.matches(1, kEpsEndDocument);
        });
    if (hit.end == ScanEnd::kUnreadable) return 0;
    if (hit.end == ScanEnd::kLimit) {
      info->SetLength(hit.offset);
      return 1;
    }
    const std::uint64_t line = hit.offset + 1;
    const qm::ByteView v = qm::PeekBytes(reader, line, kEpsBeginDocument.size());
    if (v.matches(0, kEpsBeginDocument)) {
      if (depth < kMaxEpsNesting) ++depth;
    } else if (v.matches(0, kEpsEndDocument)) {
      if (depth > 0) --depth;
    } else if (depth == 0) {
      const std::uint64_t end = line + kEpsEof.size();
      info->SetLength(end + LineEndBytes(qm::PeekBytes(reader, end, 2)));
      return 1;
    }
    offset = line;
  }
}

} // namespace

FileEPSAnalyser::FileEPSAnalyser() { typeId = kEPS; }

int FileEPSAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  // A binary header gives the length in the header test; only text files
  // are measured here.
  if (!IsTextEps(qm::PeekBytes(reader, 0, static_cast<std::size_t>(kFirstLineBytes)))) return 0;
  return SizeTextEps(info, reader);
}

int FileEPSAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (IsTextEps(h)) {
    info->SetType(kEPS);
    return 1;
  }
  if (!h.matches(0, kEpsKey) || !h.has(kEpsChecksum, 4)) return 0;
  const bool postScriptFirst = qm::MatchesIgnoringCase(h, kEpsChecksum, std::string_view("\xFF\xFF%!", 4)) ||
                               qm::MatchesIgnoringCase(h, kEpsChecksum, std::string_view("\xFF\xFF\0\0", 4));
  const bool tiffFirst = qm::MatchesIgnoringCase(h, kEpsChecksum, "\xFF\xFFII");
  if (!postScriptFirst && !tiffFirst) return 0;
  // The file ends with whichever of its three sections lies last; a file
  // with both previews, or with none, is then measured whole as well.
  std::uint64_t end = 0;
  for (std::uint64_t field : {4, 12, 20})
    end = std::max(end, std::uint64_t{h.le32(field)} + h.le32(field + 4));
  info->SetType(kEPS);
  info->SetLength(end);
  return 1;
}

// ---------------------------------------------------------------- FH11

namespace {
constexpr std::string_view kFh11Start("\x1C\x01\x00\x00\x02\x00\x04\x1C\x01\x14\x00\x02\x00\x14\x1C\x01", 16);
constexpr std::string_view kFh11End("Decode\0\xFF\xFF\xFF\xFF", 11);
} // namespace

FileFH11Analyser::FileFH11Analyser() { typeId = kFH11; }

int FileFH11Analyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, kFh11Start) || !h.matches(34, "11")) return 0;
  info->SetType(kFH11);
  return 1;
}

int FileFH11Analyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  return FindEndMarker(info, device, EndMarker{kFh11End, 0});
}

// ---------------------------------------------------------------- 3DS

namespace {
// Main chunk 4D4D with its 32-bit length at 2; the editor chunk 3D3D at 16
// with its length at 18 lies inside it.
constexpr std::uint64_t kMainLength = 2, kEditorChunk = 16, kEditorLength = 18;
} // namespace

File3DSAnalyser::File3DSAnalyser() { typeId = k3DS; }

int File3DSAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.has(0, kEditorLength + 4) || h.le16(0) != 0x4D4D || h.le16(kEditorChunk) != 0x3D3D) return 0;
  info->SetType(k3DS);
  const std::uint32_t length = h.le32(kMainLength);
  if (length == 0 || length < h.le32(kEditorLength)) return 0;
  info->SetLength(length);
  return 1;
}

// ---------------------------------------------------------------- DWG

namespace {

constexpr std::array<std::string_view, 7> kDwgVersions = {"AC1018", "AC1015", "AC1014", "AC1013",
                                                          "AC1009", "AC1012", "AC1021"};
// R13-R15: image seeker at 13, count of section locators at 21, locators
// of 9 bytes from 25 (record number, 32-bit seeker, 32-bit size); the
// image data begins with a fixed sentinel.
constexpr std::uint64_t kDwgImageSeeker = 13, kDwgLocatorCount = 21, kDwgLocators = 25, kDwgLocatorSize = 9;
constexpr std::uint32_t kDwgMaxLocators = 100;
constexpr std::string_view
    kDwgImageSentinel("\x1F\x25\x6D\x07\xD4\x36\x28\x28\x9D\x57\xCA\x3F\x9D\x44\x10\x2B", 16);
// R18 and later: a 16-byte block at 128 that the file repeats near its end.
constexpr std::uint64_t kDwgHeaderCopy = 128, kDwgSearchFrom = 144;
constexpr std::string_view kDwgR18Block("\x68\x40\xF8\xF7\x92\x2A\xB5\xEF\x18\xDD\x0B\xF1\xF1\xBB\xE9\xEB",
                                        16);
constexpr std::uint64_t kDwgSearchLimit = 0x1F400000; // 500 MiB

int DwgSearchCopy(CRawFileInfo* info, CRawReadBuffer& reader, std::string_view block, std::uint64_t tail) {
  const std::uint64_t limit = std::min(kDwgSearchLimit, qm::MaxCarvedSize());
  const ScanResult found =
      ScanBytes(reader, kDwgSearchFrom, limit, block.size(), static_cast<std::uint8_t>(block[0]),
                static_cast<std::uint8_t>(block[0]), [block](qm::ByteView v) { return v.matches(0, block); });
  if (found.end == ScanEnd::kFound) {
    info->SetLength(found.offset + tail);
    return 1;
  }
  if (found.end == ScanEnd::kUnreadable && found.offset <= 512) return 0;
  info->SetLength(found.offset);
  return 1;
}

} // namespace

FileDWGAnalyser::FileDWGAnalyser() { typeId = kDWG; }

int FileDWGAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  for (std::string_view version : kDwgVersions) {
    if (h.matches(0, version) && h.matches(6, std::string_view("\0\0", 2))) {
      info->SetType(kDWG);
      return 1;
    }
  }
  return 0;
}

int FileDWGAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const qm::ByteView h = reader.GetPointer(0, kDwgSearchFrom);
  if (h.empty()) return 0;
  if (h.matches(0, "AC1018")) {
    if (!h.matches(kDwgHeaderCopy, kDwgR18Block)) return 0;
    return DwgSearchCopy(info, reader, kDwgR18Block, 108);
  }
  if (h.matches(0, "AC1021")) {
    const std::string block(reinterpret_cast<const char*>(h.data() + kDwgHeaderCopy), 16);
    return DwgSearchCopy(info, reader, block, 1024);
  }
  if (!h.matches(0, "AC1012") && !h.matches(0, "AC1013") && !h.matches(0, "AC1014") &&
      !h.matches(0, "AC1015"))
    return 0;
  const std::uint32_t seeker = h.le32(kDwgImageSeeker);
  const std::uint32_t locators = h.le32(kDwgLocatorCount);
  if (seeker == 0 || locators == 0 || locators > kDwgMaxLocators) return 0;
  const qm::ByteView image = reader.GetPointer(seeker, kDwgImageSentinel.size());
  if (!image.matches(0, kDwgImageSentinel)) return 0;
  const qm::ByteView table = reader.GetPointer(kDwgLocators, kDwgLocatorSize * locators);
  if (table.empty()) return 0;
  std::uint32_t bestSeeker = 0, bestSize = 0;
  for (std::uint32_t i = 0; i < locators; ++i) {
    const std::uint32_t at = kDwgLocatorSize * i;
    if (i == 0 || table.le32(at + 1) > bestSeeker) {
      bestSeeker = table.le32(at + 1);
      bestSize = table.le32(at + 5);
    }
  }
  if (bestSeeker == 0 || bestSize == 0) return 0;
  info->SetLength(std::uint64_t{bestSeeker} + bestSize);
  return 1;
}

// ---------------------------------------------------------------- DXF

namespace {
constexpr std::string_view kDxfStart = "  0\r\nSECTION\r\n  2\r\nHEADER\r\n";
constexpr std::string_view kDxfEnd = "EOF\r\n";
} // namespace

FileDXFAnalyser::FileDXFAnalyser() { typeId = kDXF; }

int FileDXFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, kDxfStart)) return 0;
  info->SetType(kDXF);
  return 1;
}

int FileDXFAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  return FindEndMarker(info, device, EndMarker{kDxfEnd, 0});
}
