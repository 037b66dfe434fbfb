#include "raw/analysers_media.h"

#include <algorithm>
#include <array>

#include "filemodel/raw_file_info.h"
#include "raw/iso_media_boxes.h"
#include "raw/media_analyser_support.h"
#include "raw/raw_read_buffer.h"

using namespace qm::media;

// ---------------------------------------------------------------- RIFF

namespace {

// "RIFF", 32-bit size of what follows at 4, form type at 8, first chunk id
// at 12.
constexpr std::uint64_t kRiffSize = 4, kRiffForm = 8, kRiffFirstChunk = 12;

struct RiffKind {
  std::string_view form;
  std::string_view chunk;
  int type;
};
constexpr std::array<RiffKind, 13> kRiffKinds = {{
    {"WAVE", "fmt ", kWAV},
    {"AVI ", "LIST", kAVI},
    {"ACON", "LIST", kANI},
    {"ACON", "anih", kANI},
    {"CARC", "vrsn", kCLK},
    {"CSL2", "vrsn", kCSL},
    {"CDR7", "vrsn", kCDR},
    {"CDR8", "vrsn", kCDR},
    {"CDR9", "vrsn", kCDR},
    {"CDRA", "vrsn", kCDR},
    {"CDRB", "vrsn", kCDR},
    {"CDRC", "vrsn", kCDR},
    {"cdr8", "vrsn", kCDR},
}};

int RiffType(qm::ByteView h) {
  for (std::size_t i = 0; i < 4; ++i) {
    const RiffKind& kind = kRiffKinds[i];
    if (qm::MatchesIgnoringCase(h, kRiffForm, kind.form) &&
        qm::MatchesIgnoringCase(h, kRiffFirstChunk, kind.chunk))
      return kind.type;
  }
  if (h.matches(kRiffForm, "CMX1") && h.matches(20, "{Corel Binary Meta File}")) return kCMX;
  for (std::size_t i = 4; i < kRiffKinds.size(); ++i) {
    const RiffKind& kind = kRiffKinds[i];
    if (qm::MatchesIgnoringCase(h, kRiffForm, kind.form) &&
        qm::MatchesIgnoringCase(h, kRiffFirstChunk, kind.chunk))
      return kind.type;
  }
  return kRIFF;
}

} // namespace

FileRIFFAnalyser::FileRIFFAnalyser() { typeId = kRIFF; }

int FileRIFFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, "RIFF") || !h.has(kRiffSize, 4)) return 0;
  info->SetType(RiffType(h));
  info->SetLength(std::uint64_t{h.le32(kRiffSize)} + 8);
  return 1;
}

// ---------------------------------------------------------------- MIDI

namespace {
// Header chunk "MThd" of length 6: BE 16-bit format at 8 (0-2), track count
// at 10, division at 12; then "MTrk" chunks of a BE 32-bit length.
constexpr std::string_view kMidiHeader("MThd\0\0\0\x06", 8);
constexpr std::uint64_t kMidiFormat = 8, kMidiTracks = 10, kMidiFirstTrack = 14;
} // namespace

FileMIDAnalyser::FileMIDAnalyser() { typeId = kMID; }

int FileMIDAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, kMidiHeader) || !h.has(kMidiTracks, 2) || h.be16(kMidiFormat) > 2 ||
      h.be16(kMidiTracks) == 0)
    return 0;
  info->SetType(kMID);
  return 1;
}

int FileMIDAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  std::uint64_t offset = kMidiFirstTrack;
  StepBudget pacer;
  for (;;) {
    if (!pacer.Step()) break;
    if (offset > maximum) break;
    const qm::ByteView chunk = reader.GetPointer(offset, 8);
    if (chunk.empty() || !qm::MatchesIgnoringCase(chunk, 0, "MTrk")) break;
    offset += 8 + std::uint64_t{chunk.be32(4)};
  }
  info->SetLength(offset);
  return 1;
}

// ---------------------------------------------------------------- AU

namespace {
// ".snd", BE data offset at 4, BE data size at 8 (FFFFFFFF: unknown).
constexpr std::uint64_t kAuDataOffset = 4, kAuDataSize = 8;
constexpr std::uint32_t kAuMinDataOffset = 24;
} // namespace

FileAUAnalyser::FileAUAnalyser() { typeId = kAU; }

int FileAUAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, ".snd")) return 0;
  info->SetType(kAU);
  const std::uint32_t dataOffset = h.be32(kAuDataOffset), dataSize = h.be32(kAuDataSize);
  if (dataOffset < kAuMinDataOffset || dataSize == 0xFFFFFFFFu) return 0;
  info->SetLength(std::uint64_t{dataOffset} + dataSize);
  return 1;
}

// ---------------------------------------------------------------- ASF

namespace {

// Top-level objects: a 16-byte GUID and a 64-bit size at 16.
constexpr std::string_view
    kAsfHeaderObject("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
constexpr std::string_view kAsfDataObject("\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C",
                                          16);
constexpr std::string_view kAsfSimpleIndex("\x90\x08\x00\x33\xB1\xE5\xCF\x11\x89\xF4\x00\xA0\xC9\x03\x49\xCB",
                                           16);
constexpr std::uint64_t kAsfObjectSize = 16;
constexpr std::uint64_t kAsfHugeOffset = 100ull << 32;

} // namespace

FileASFAnalyser::FileASFAnalyser() { typeId = kASF; }

int FileASFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, kAsfHeaderObject)) return 0;
  info->SetType(kASF);
  info->SetLength(0);
  return 1;
}

int FileASFAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  const std::string_view expected[3] = {kAsfHeaderObject, kAsfDataObject, kAsfSimpleIndex};
  std::uint64_t offset = 0;
  for (int i = 0; i < 3; ++i) {
    if (offset > maximum) break;
    const qm::ByteView object = reader.GetPointer(offset, 24);
    if (object.empty() || !object.matches(0, expected[i])) {
      if (i < 2) return 0;
      break;
    }
    const std::uint64_t size = object.le64(kAsfObjectSize);
    offset = size > kAsfHugeOffset - offset ? kAsfHugeOffset + 1 : offset + size;
    if (offset > kAsfHugeOffset) offset = 1ull << 32;
  }
  info->SetLength(offset);
  return 1;
}

// ---------------------------------------------------------------- MOV / MP4 / 3GP

namespace {

constexpr std::uint64_t kBoxType = 4;
constexpr std::array<std::string_view, 6> kMovTopBoxes = {"free", "mdat", "pnot", "moov", "wide", "ftyp"};

bool MatchesAnyNoCase(qm::ByteView h, std::uint64_t at, std::initializer_list<std::string_view> texts) {
  return std::any_of(texts.begin(), texts.end(),
                     [&](std::string_view t) { return qm::MatchesIgnoringCase(h, at, t); });
}

} // namespace

FileMOVAnalyser::FileMOVAnalyser() { typeId = kMOV; }

int FileMOVAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(kBoxType, "ftyp")) return 0;
  info->SetType(kMOV);
  return 1;
}

int FileMOVAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  std::uint64_t offset = 0;
  StepBudget pacer;
  for (;;) {
    if (!pacer.Step()) break;
    if (offset > maximum) break;
    const qm::ByteView box = reader.GetPointer(offset, 8);
    if (box.empty()) break;
    const std::uint32_t size = box.be32(0);
    const bool known = std::any_of(kMovTopBoxes.begin(), kMovTopBoxes.end(),
                                   [&](std::string_view t) { return box.matches(kBoxType, t); });
    if (!known || size < 8) break;
    offset += size;
  }
  info->SetLength(offset);
  return 1;
}

FileMP4Analyser::FileMP4Analyser() { typeId = kMP4; }

int FileMP4Analyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!MatchesAnyNoCase(qm::HeaderBytes(sector), kBoxType, {"ftypisom", "ftypmp42", "ftypM4V "})) return 0;
  info->SetType(kMP4);
  info->SetLength(0);
  return 1;
}

int FileMP4Analyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  return MeasureBoxFile(info, device);
}

File3GPAnalyser::File3GPAnalyser() { typeId = k3GP; }

int File3GPAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!MatchesAnyNoCase(qm::HeaderBytes(sector), kBoxType, {"ftyp3g2a", "ftyp3gp4"})) return 0;
  info->SetType(k3GP);
  info->SetLength(0);
  return 1;
}

int File3GPAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  return MeasureBoxFile(info, device);
}

// ---------------------------------------------------------------- SWF

FileSWFAnalyser::FileSWFAnalyser() { typeId = kSWF; }

int FileSWFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if ((!h.matches(0, "FWS") && !h.matches(0, "CWS")) || !h.has(4, 4)) return 0;
  info->SetType(kSWF);
  info->SetLength(h.le32(4));
  return 1;
}
