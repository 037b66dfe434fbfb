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
    const qm::ByteView v = reader.GetPointer(hit.offset, 1);
    if (v.matches(0, kPdfStart)) {
      offset = hit.offset; // a new document begins
      break;
    }
    if (v.matches(0, kIllustratorMark)) {
      type = kAI;
      offset = hit.offset + 1;
      continue;
    }
    // "%%EOF": a PDF ends with it (and its line end); an Illustrator file
    // goes on while text follows (its PostScript part).
    offset = hit.offset + kPdfEof.size() + 1;
    if (type != kAI) break;
    ++offset;
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
  return FindEndMarker(info, device, EndMarker{"</HTML>", kHtmlLimit});
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
    if (c == '<' && MatchesWideNoCase(reader.GetPointer(offset, 14), 0, "</HTML>")) {
      offset += 16;
      break;
    }
  }
  info->SetLength(offset);
  return 1;
}

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
