// MP3 files that begin with an ID3v2 tag: sized by their chain of MPEG
// audio frames and named after the tag's title and year.
#include <algorithm>

#include "filemodel/raw_file_info.h"
#include "raw/analysers_media.h"
#include "raw/media_analyser_support.h"
#include "raw/mpeg_audio_header.h"
#include "raw/raw_read_buffer.h"
#include "storage/text_convert.h"

using namespace qm::media;

namespace {

// ID3v2 header: "ID3", major version at 3, revision at 4, flags at 5, the
// 28-bit syncsafe size of what follows the 10-byte header at 6. Frames:
// 4-character id, size at 4 (v2.3: BE 32-bit; v2.4: syncsafe), 16-bit
// flags, then the data (text frames: an encoding byte, then the text).
constexpr std::uint64_t kId3Size = 6, kId3HeaderSize = 10, kFrameHeaderSize = 10;
constexpr std::uint32_t kMaxGap = 0x10000;
// ID3v1 tag: "TAG", title (30 bytes) at 3, artist (30) at 33, year (4) at 93.
constexpr std::uint64_t kId3v1Size = 128;
constexpr int kPumpEvery = 16;
// Frames read from one tag; a tag lists a few dozen at most.
constexpr int kMaxId3Frames = 4096;
// Bytes of a text frame decoded; titles and years are short.
constexpr std::size_t kMaxTextFrame = 4096;

bool IsId3Start(qm::ByteView v) {
  std::uint32_t size = 0;
  return v.matches(0, "ID3") && (v.u8(3) == 3 || v.u8(3) == 4) &&
         ReadSyncsafe28(v.sub(kId3Size, 4), size) != 0;
}

std::string UpToZero(std::string text) { return text.substr(0, text.find('\0')); }

// The text of an ID3 text frame by its encoding byte: 0 as it stands, 1
// UTF-16 after a little-endian byte-order mark, 3 UTF-8; others nothing.
std::string DecodeText(qm::ByteView data) {
  if (data.empty()) return {};
  const qm::ByteView text = data.from(1);
  switch (data.u8(0)) {
  case 0:
    return UpToZero(std::string(reinterpret_cast<const char*>(text.data()), text.size()));
  case 1: {
    if (text.u8(0) != 0xFF || text.u8(1) != 0xFE) return {};
    std::u16string wide;
    for (std::uint64_t i = 2; text.has(i, 2); i += 2) {
      const char16_t c = static_cast<char16_t>(text.le16(i));
      if (c == 0) break;
      wide.push_back(c);
    }
    return qm::Utf16ToUtf8(wide);
  }
  case 3: {
    const std::string utf8 = UpToZero(std::string(reinterpret_cast<const char*>(text.data()), text.size()));
    std::string out(utf8.size() * 2 + 1, '\0');
    const int n = Utf8ToAnsi(utf8.data(), utf8.size(), out.data(), out.size());
    return UpToZero(out.substr(0, n > 0 ? static_cast<std::size_t>(n) : 0));
  }
  default:
    return {};
  }
}

std::string FixedText(qm::ByteView v, std::uint64_t at, std::size_t length) {
  const qm::ByteView field = v.sub(at, length);
  return UpToZero(std::string(reinterpret_cast<const char*>(field.data()), field.size()));
}

// Bytes after an ID3v1 tag that only fill the rest of a sector: zeros.
bool IsFiller(qm::ByteView v) {
  return std::all_of(v.data(), v.data() + v.size(), [](std::uint8_t b) { return b == 0; });
}

} // namespace

FileMP3Analyser::FileMP3Analyser() { typeId = kMP3; }

int FileMP3Analyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, "ID3") || (h.u8(3) != 3 && h.u8(3) != 4)) return 0;
  info->SetType(kMP3);
  return 1;
}

int FileMP3Analyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  const std::uint64_t sectorSize = reader.GetSectorSize() != 0 ? reader.GetSectorSize() : 512;
  const qm::ByteView head = reader.GetPointer(0, kId3HeaderSize);
  std::uint32_t tagSize = 0;
  if (head.empty() || !ReadSyncsafe28(head.sub(kId3Size, 4), tagSize)) return 0;
  const bool version4 = head.u8(3) == 4;
  const std::uint64_t audioStart = kId3HeaderSize + tagSize;

  std::string title, artist, year;
  std::uint64_t at = kId3HeaderSize;
  for (int frames = 0; frames < kMaxId3Frames && at + kFrameHeaderSize <= audioStart; ++frames) {
    const qm::ByteView frame = reader.GetPointer(at, kFrameHeaderSize);
    if (frame.empty() || frame.u8(0) == 0) break; // padding ends the frames
    std::uint32_t size = frame.be32(4);
    if (version4 && !ReadSyncsafe28(frame.sub(4, 4), size)) break;
    if (size > audioStart - at - kFrameHeaderSize) break;
    if (frame.matches(0, "TIT2") || frame.matches(0, "TPE1") || frame.matches(0, "TYER")) {
      const qm::ByteView data =
          qm::PeekBytes(reader, at + kFrameHeaderSize, std::min<std::size_t>(size, kMaxTextFrame));
      const std::string text = DecodeText(data.sub(0, std::min<std::uint64_t>(size, data.size())));
      (frame.matches(0, "TIT2") ? title : frame.matches(0, "TPE1") ? artist : year) = text;
    }
    at += kFrameHeaderSize + size;
  }

  // The audio frames, with a gap of stray bytes allowed between them.
  std::uint64_t offset = audioStart;
  std::uint32_t gap = 0;
  StepBudget pacer(kPumpEvery);
  MpegAudioHeader header;
  for (;;) {
    if (!pacer.Step()) break;
    const std::uint64_t position = offset + gap;
    if (gap > kMaxGap || position > maximum) break;
    const qm::ByteView v = reader.GetPointer(position, 4);
    if (v.empty()) break;
    if (v.u8(0) == 0xFF && v.u8(1) >= 0xE0 && v.u8(2) <= 0xEF) {
      if (header.Parse(v)) {
        offset = position + static_cast<std::uint64_t>(header.FrameLength());
        gap = 0;
      } else {
        ++gap;
      }
      continue;
    }
    if (v.matches(0, "TAG")) {
      const qm::ByteView tag = reader.GetPointer(position, kId3v1Size);
      const std::uint64_t end = position + kId3v1Size;
      const std::uint64_t rest = (sectorSize - end % sectorSize) % sectorSize;
      const qm::ByteView after = rest == 0 ? qm::ByteView() : reader.GetPointer(end, rest).sub(0, rest);
      if (!tag.empty() && (rest == 0 || (!after.empty() && IsFiller(after)))) {
        if (title.empty()) title = FixedText(tag, 3, 30);
        if (artist.empty()) artist = FixedText(tag, 33, 30);
        if (year.empty()) year = FixedText(tag, 93, 4);
        offset = end;
        break;
      }
    } else if (position % sectorSize == 0 && v.matches(0, "ID3")) {
      const qm::ByteView next = reader.GetPointer(position, kId3HeaderSize);
      if (IsId3Start(next)) break; // the next file begins here
    }
    ++gap;
  }

  if (offset <= audioStart) return 0;
  info->SetLength(offset);
  title_ = title;
  year_ = year;
  info->SetExtraName(title_);
  info->SetExtraName2(year_);
  return 1;
}
