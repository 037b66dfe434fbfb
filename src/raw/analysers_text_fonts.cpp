#include "raw/analysers_text_fonts.h"

#include <algorithm>
#include <array>

#include "filemodel/raw_file_info.h"
#include "raw/end_marker.h"
#include "raw/media_analyser_support.h"
#include "raw/raw_read_buffer.h"

using namespace qm::media;

// ---------------------------------------------------------------- PDF

namespace {
constexpr std::uint64_t kPdfScanFrom = 4;
constexpr std::string_view kPdfStart = "%PDF-";
constexpr std::string_view kPdfEof = "%%EOF";
constexpr std::string_view kIllustratorMark = "%!PS-Adobe";

bool IsTextByte(std::uint8_t b) { return (b >= 0x20 && b < 0x7F) || b == '\r' || b == '\n'; }

// PDF white-space characters (NUL excepted: after an end it is slack).
bool IsPdfSpace(std::uint8_t b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n' || b == '\f'; }
bool IsDigit(std::uint8_t b) { return b >= '0' && b <= '9'; }

// Bytes after an "%%EOF" that are looked at for more of the same file.
constexpr std::size_t kPdfAfterEofPeek = 256;

// True when, after white space, the bytes begin what a PDF writer appends
// to a document after an "%%EOF": an object ("12 0 obj"), a
// cross-reference table or a trailer. An incremental update (forms filled
// in, a signature, edits saved by a viewer) and a linearized file's first
// page section both leave an "%%EOF" that does not end the file.
bool PdfGoesOn(qm::ByteView v) {
  std::uint64_t i = 0;
  while (i < v.size() && IsPdfSpace(v.u8(i)))
    ++i;
  if (v.matches(i, "xref") || v.matches(i, "trailer") || v.matches(i, "startxref")) return true;
  // number, space, number, space, "obj"
  for (int part = 0; part < 2; ++part) {
    const std::uint64_t digits = i;
    while (i < v.size() && IsDigit(v.u8(i)))
      ++i;
    if (i == digits || i == v.size() || !IsPdfSpace(v.u8(i))) return false;
    while (i < v.size() && IsPdfSpace(v.u8(i)))
      ++i;
  }
  return v.matches(i, "obj");
}

// Bytes of the line end (CR LF, LF or CR) at the start of v.
std::uint64_t LineEndBytes(qm::ByteView v) {
  if (v.u8(0) == '\r') return v.has(1, 1) && v.u8(1) == '\n' ? 2 : 1;
  return v.has(0, 1) && v.u8(0) == '\n' ? 1 : 0;
}
} // namespace

FilePDFAnalyser::FilePDFAnalyser() { typeId = kPDF; }

int FilePDFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, kPdfStart)) return 0;
  info->SetType(kPDF);
  return 1;
}

int FilePDFAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  int type = kPDF;
  std::uint64_t offset = kPdfScanFrom;
  for (;;) {
    // Every marker the scan knows begins with "%".
    const ScanResult hit =
        ScanBytes(reader, offset, maximum, kIllustratorMark.size(), '%', '%', [](qm::ByteView v) {
          return v.matches(0, kIllustratorMark) || v.matches(0, kPdfEof) || v.matches(0, kPdfStart);
        });
    if (hit.end == ScanEnd::kUnreadable) return 0;
    if (hit.end == ScanEnd::kLimit) {
      offset = hit.offset;
      break;
    }
    // Seen whole: a marker may straddle the end of what is loaded.
    const qm::ByteView v = qm::PeekBytes(reader, hit.offset, kIllustratorMark.size());
    if (v.matches(0, kPdfStart)) {
      offset = hit.offset; // a new document begins
      break;
    }
    if (v.matches(0, kIllustratorMark)) {
      type = kAI;
      offset = hit.offset + 1;
      continue;
    }
    // "%%EOF": a PDF ends with it and its line end, unless an update
    // follows; an Illustrator file goes on while text follows (its
    // PostScript part).
    if (type != kAI) {
      const std::uint64_t end = hit.offset + kPdfEof.size();
      const qm::ByteView after = qm::PeekBytes(reader, end, kPdfAfterEofPeek);
      offset = end + LineEndBytes(after);
      if (!PdfGoesOn(after) || offset > maximum) break;
      continue;
    }
    offset = hit.offset + kPdfEof.size() + 2;
    const qm::ByteView after = reader.GetPointer(hit.offset + kPdfEof.size(), 3);
    if (after.empty() || !IsTextByte(after.u8(0)) || !IsTextByte(after.u8(1)) || !IsTextByte(after.u8(2)))
      break;
  }
  info->SetType(type);
  info->SetLength(offset);
  return 1;
}

// ---------------------------------------------------------------- RTF

FileRTFAnalyser::FileRTFAnalyser() { typeId = kRTF; }

int FileRTFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, "{\\rtf")) return 0;
  info->SetType(kRTF);
  return 1;
}

int FileRTFAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  std::uint64_t depth = 1;
  std::uint64_t offset = 4;
  bool escaped = false;
  qm::WalkPump pacer;
  while (offset <= maximum) {
    pacer.Step();
    const qm::ByteView v = reader.GetPointer(offset);
    if (v.empty()) {
      info->SetLength(offset);
      return 0;
    }
    // Bytes in view up to and including the maximum (written so that a
    // maximum at the top of the range cannot wrap).
    const std::uint64_t toLimit = maximum - offset;
    const std::uint64_t n = toLimit < v.size() ? toLimit + 1 : v.size();
    for (std::uint64_t i = 0; i < n; ++i) {
      const std::uint8_t b = v.data()[i];
      if (b == 0) {
        info->SetLength(offset + i);
        return 0;
      }
      // "\{", "\}" and "\\" are text, not groups.
      if (escaped) {
        escaped = false;
        continue;
      }
      if (b == '\\')
        escaped = true;
      else if (b == '{')
        ++depth;
      else if (b == '}' && --depth == 0) {
        info->SetLength(offset + i + 1);
        return 1;
      }
    }
    offset += n;
  }
  info->SetLength(offset);
  return 1;
}

// ---------------------------------------------------------------- HTML

namespace {
constexpr std::uint64_t kHtmlTagSearchEnd = 504;
constexpr std::uint64_t kHtmlLimit = 0x100000; // 1 MiB
constexpr std::string_view kHtmlEndTag = "</HTML>";
constexpr std::string_view kUtf16Mark("\xFF\xFE", 2);

// The bytes of the line end (CR LF, LF or CR) at offset, in characters of
// unit bytes (1, or 2 for UTF-16 little-endian): editors and page writers
// end the last line after the end tag, and that line end is the file's.
std::uint64_t LineEndAt(CRawReadBuffer& reader, std::uint64_t offset, std::uint64_t unit) {
  const qm::ByteView v = qm::PeekBytes(reader, offset, static_cast<std::size_t>(2 * unit));
  auto at = [&](std::uint64_t i) -> std::uint32_t {
    return unit == 1 ? v.u8(i) : (v.has(i, 2) ? v.le16(i) : 0xFFFFu);
  };
  if (!v.has(0, unit)) return 0;
  if (at(0) == '\r') return v.has(unit, unit) && at(unit) == '\n' ? 2 * unit : unit;
  return at(0) == '\n' ? unit : 0;
}

int SizeUtf16Html(CRawFileInfo* info, IStorageDevice* device);
} // namespace

FileHTMAnalyser::FileHTMAnalyser() { typeId = kHTM; }

int FileHTMAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  bool match = qm::MatchesIgnoringCase(h, 0, "<HTML>") || qm::MatchesIgnoringCase(h, 0, "<!DOCTYPE HTML");
  if (!match && h.matches(0, "<!")) {
    for (std::uint64_t at = 0; at <= kHtmlTagSearchEnd && !match; ++at)
      match = qm::MatchesIgnoringCase(h, at, "<HTML>");
  }
  if (!match) return 0;
  info->SetType(kHTM);
  return 1;
}

int FileHTMAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  // Both HTML analysers stand for type 31, and a record is sized by the
  // first analyser of its type: a UTF-16 page must be measured as one here
  // too, or its end tag (in 16-bit characters) is never found.
  if (reader.GetPointer(0, kUtf16Mark.size()).matches(0, kUtf16Mark)) return SizeUtf16Html(info, device);
  if (FindEndMarker(info, device, EndMarker{kHtmlEndTag, kHtmlLimit}) == 0) return 0;
  const std::uint64_t end = info->GetLength();
  if (end >= kHtmlEndTag.size() &&
      qm::MatchesIgnoringCase(qm::PeekBytes(reader, end - kHtmlEndTag.size(), kHtmlEndTag.size()), 0,
                              kHtmlEndTag))
    info->SetLength(end + LineEndAt(reader, end, 1));
  return 1;
}

namespace {

// UTF-16 little-endian text after the byte-order mark FF FE.
bool MatchesWideNoCase(qm::ByteView v, std::uint64_t at, std::string_view text) {
  if (!v.has(at, 2 * text.size())) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint16_t c = v.le16(at + 2 * i);
    if (c > 0x7F || FoldAscii(static_cast<std::uint8_t>(c)) != FoldAscii(static_cast<std::uint8_t>(text[i])))
      return false;
  }
  return true;
}

constexpr std::uint64_t kWideScanFrom = 14;
constexpr std::uint64_t kWideTagSearchEnd = 498;

} // namespace

FileUnicodeHTMAnalyser::FileUnicodeHTMAnalyser() { typeId = kHTM; }

int FileUnicodeHTMAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, std::string_view("\xFF\xFE<\0", 4))) return 0;
  info->SetType(kHTM);
  return 1;
}

int FileUnicodeHTMAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  return SizeUtf16Html(info, device);
}

namespace {

int SizeUtf16Html(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const qm::ByteView head = reader.GetPointer(0, 512);
  if (head.empty()) return 0;
  if (!MatchesWideNoCase(head, 2, "<HTML>") && !MatchesWideNoCase(head, 2, "<!")) return 0;
  bool tag = false;
  for (std::uint64_t at = 2; at <= kWideTagSearchEnd && !tag; at += 2)
    tag = MatchesWideNoCase(head, at, "<HTML>");
  if (!tag) return 0;
  std::uint64_t offset = kWideScanFrom;
  qm::WalkPump pacer;
  for (; offset < kHtmlLimit; offset += 2) {
    pacer.Step();
    const qm::ByteView v = reader.GetPointer(offset, 2);
    if (v.empty()) return 0;
    const std::uint16_t c = v.le16(0);
    if (c == 0x0000 || c == 0xFFFF || c == 0xFEFF) break;
    // The end tag may straddle the loaded window: look at it whole.
    if (c == '<' && MatchesWideNoCase(reader.GetPointer(offset, 2 * kHtmlEndTag.size()), 0, kHtmlEndTag)) {
      offset += 2 * kHtmlEndTag.size();
      offset += LineEndAt(reader, offset, 2);
      break;
    }
  }
  info->SetLength(offset);
  return 1;
}

} // namespace

// ---------------------------------------------------------------- WPD

namespace {
// FF "WPC", then the 4 bytes at 8 (product type, file type, major and
// minor version) and at 14 tell a document, a graphic and a slide show
// apart; the 32-bit file size at 20.
struct WpdKind {
  std::string_view at8;
  std::string_view at14;
  int type;
};
constexpr std::array<WpdKind, 3> kWpdKinds = {{
    {std::string_view("\x01\x0A\x02\x01", 4), std::string_view("\x00\x02\x05\x00", 4), kWPD},
    {std::string_view("\x01\x16\x02\x00", 4), std::string_view("\x00\x00\x03\x00", 4), kWPG},
    {std::string_view("\x0F\x0F\x01\x00", 4), std::string_view("\x00\x00\x03\x00", 4), kSHW},
}};
} // namespace

FileWPDAnalyser::FileWPDAnalyser() { typeId = kWPD; }

int FileWPDAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, "\xFFWPC") || !h.has(20, 4)) return 0;
  for (const WpdKind& kind : kWpdKinds) {
    if (h.matches(8, kind.at8) && h.matches(14, kind.at14)) {
      info->SetType(kind.type);
      info->SetLength(h.le32(20));
      return 1;
    }
  }
  return 0;
}

// ---------------------------------------------------------------- TTF

namespace {

// Offset table: version 00 01 00 00, BE 16-bit table count at 4; the table
// directory from 12, 16 bytes per table (tag, checksum, offset, length).
constexpr std::uint64_t kTtfTableCount = 4, kTtfDirectory = 12, kTtfEntrySize = 16, kTtfEntryLength = 12;
constexpr std::uint32_t kTtfMaxTables = 31;
constexpr std::array<std::string_view, 25> kKnownTags = {
    "DSIG", "cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post", "OS/2", "cvt ", "EBDT",
    "EBLC", "EBSC", "fpgm", "gasp", "hdmx", "kern", "LTSH", "prep", "PCLT", "VDMX", "vhea", "vmtx"};

} // namespace

FileTTFAnalyser::FileTTFAnalyser() { typeId = kTTF; }

int FileTTFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, std::string_view("\0\1\0\0", 4)) || !h.has(kTtfTableCount, 2)) return 0;
  const std::uint32_t tables = h.be16(kTtfTableCount);
  if (tables == 0 || tables > kTtfMaxTables) return 0;
  std::uint32_t known = 0;
  std::uint64_t length = kTtfDirectory + kTtfEntrySize * tables;
  for (std::uint32_t i = 0; i < tables; ++i) {
    const qm::ByteView entry = h.sub(kTtfDirectory + kTtfEntrySize * i, kTtfEntrySize);
    if (entry.empty()) return 0;
    if (std::any_of(kKnownTags.begin(), kKnownTags.end(),
                    [&](std::string_view t) { return entry.matches(0, t); }))
      ++known;
    length += (std::uint64_t{entry.be32(kTtfEntryLength)} + 3) / 4 * 4;
  }
  if (2 * known < tables) return 0;
  info->SetType(kTTF);
  info->SetLength(length);
  return 1;
}
