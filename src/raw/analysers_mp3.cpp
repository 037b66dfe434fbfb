// MP3 files, with an ID3v2 tag or beginning right with their first MPEG
// audio frame: sized by their chain of frames and named after the tag's
// title and year.
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

// Frames of one stream keep their MPEG version, layer and sample rate; the
// bit rate, padding and channel mode may change from frame to frame.
bool SameStream(const MpegAudioHeader& a, const MpegAudioHeader& b) {
  return a.versionId == b.versionId && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

bool IsFrameSync(qm::ByteView v) { return v.u8(0) == 0xFF && (v.u8(1) & 0xE0) == 0xE0; }

// A file without an ID3v2 tag is told only by its frames, and two bytes of
// frame sync turn up in one sector of random data out of a few thousand.
// What the header test asks of such a first frame:
// - Layer III (the layer of .mp3 files);
// - an empty bit reservoir: the side information (after the header and
//   its CRC, if any) begins with main_data_begin, 9 bits in MPEG-1 and 8
//   in MPEG-2 and 2.5, which is 0 in the first frame of every stream,
//   since no earlier frame left data behind;
// - every following frame header that lies within the bytes looked at
//   parses and belongs to the same stream.
// The length walk then asks for kMinTaglessFrames frames in a row.
constexpr int kLayer3 = 2;
constexpr int kMinTaglessFrames = 4;

bool IsTaglessStart(qm::ByteView h) {
  if (!IsFrameSync(h)) return false;
  MpegAudioHeader first;
  if (first.Parse(h) == 0 || first.layer != kLayer3) return false;
  const bool crc = (h.u8(1) & 1) == 0;
  const std::uint64_t side = crc ? 6 : 4;
  if (!h.has(side, 2) || h.u8(side) != 0) return false;
  if (first.lsf == 0 && (h.u8(side + 1) & 0x80) != 0) return false;
  std::uint64_t at = static_cast<std::uint64_t>(first.FrameLength());
  while (h.has(at, 4)) {
    MpegAudioHeader next;
    if (next.Parse(h.from(at)) == 0 || !SameStream(first, next)) return false;
    at += static_cast<std::uint64_t>(next.FrameLength());
  }
  return true;
}

} // namespace

FileMP3Analyser::FileMP3Analyser() { typeId = kMP3; }

int FileMP3Analyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  const bool tagged = h.matches(0, "ID3") && (h.u8(3) == 3 || h.u8(3) == 4);
  if (!tagged && !IsTaglessStart(h)) return 0;
  info->SetType(kMP3);
  return 1;
}

int FileMP3Analyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  const std::uint64_t sectorSize = reader.GetSectorSize() != 0 ? reader.GetSectorSize() : 512;
  const qm::ByteView head = reader.GetPointer(0, kId3HeaderSize);
  if (head.empty()) return 0;
  std::string title, artist, year;
  std::uint64_t audioStart = 0;
  const bool tagged = head.matches(0, "ID3");
  if (tagged) {
    std::uint32_t tagSize = 0;
    if (!ReadSyncsafe28(head.sub(kId3Size, 4), tagSize)) return 0;
    const bool version4 = head.u8(3) == 4;
    audioStart = kId3HeaderSize + tagSize;
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
  } else {
    // The header test's view again: its first bytes only (the frames
    // after them are for the walk to judge).
    const qm::ByteView first = qm::PeekBytes(reader, 0, static_cast<std::size_t>(qm::kHeaderBytes));
    if (!IsTaglessStart(first.sub(0, std::min<std::uint64_t>(first.size(), qm::kHeaderBytes)))) return 0;
  }

  // An ID3v1 tag at position ends the file when it is whole and nothing
  // but filler follows it in its sector (or it ends the sector).
  auto tagEndsFileAt = [&](std::uint64_t position) {
    const qm::ByteView tag = reader.GetPointer(position, kId3v1Size);
    const std::uint64_t end = position + kId3v1Size;
    const std::uint64_t rest = (sectorSize - end % sectorSize) % sectorSize;
    const qm::ByteView after = rest == 0 ? qm::ByteView() : reader.GetPointer(end, rest).sub(0, rest);
    return !tag.empty() && (rest == 0 || (!after.empty() && IsFiller(after)));
  };
  auto takeTag = [&](std::uint64_t position) {
    const qm::ByteView tag = reader.GetPointer(position, kId3v1Size);
    if (title.empty()) title = FixedText(tag, 3, 30);
    if (artist.empty()) artist = FixedText(tag, 33, 30);
    if (year.empty()) year = FixedText(tag, 93, 4);
  };
  // A frame header at position that belongs to the stream (the first one
  // found sets the stream's version, layer and sample rate).
  MpegAudioHeader stream;
  int frames = 0;
  auto frameAt = [&](std::uint64_t position, MpegAudioHeader& header) {
    const qm::ByteView v = reader.GetPointer(position, 4);
    return IsFrameSync(v) && v.u8(2) <= 0xEF && header.Parse(v) != 0 &&
           (frames == 0 || SameStream(stream, header));
  };

  // Up to the first frame, stray bytes (padding after the tag, junk) are
  // passed over, a gap of at most kMaxGap. From the first frame on the
  // frames follow each other back to back; where the sequence breaks the
  // file has ended: what follows is the slack of its last cluster or the
  // next file (another MP3 among them), not more of this one. Only an
  // ID3v1 tag after other trailing tags is still looked for.
  std::uint64_t offset = audioStart;
  std::uint32_t gap = 0;
  bool broken = false;
  StepBudget pacer(kPumpEvery);
  MpegAudioHeader header;
  for (;;) {
    if (!pacer.Step()) break;
    const std::uint64_t position = offset + gap;
    if (gap > kMaxGap || position > maximum) break;
    const qm::ByteView v = reader.GetPointer(position, 4);
    if (v.empty()) break;
    if (!broken && frameAt(position, header)) {
      const std::uint64_t next = position + static_cast<std::uint64_t>(header.FrameLength());
      if (frames == 0) {
        // The first frame is taken when the next one follows it, so a
        // stray sync in the junk before the audio is passed over.
        MpegAudioHeader second;
        stream = header;
        frames = 1;
        const bool confirmed = frameAt(next, second);
        frames = confirmed ? 1 : 0;
        if (!confirmed) {
          ++gap;
          continue;
        }
      } else {
        ++frames;
      }
      offset = next;
      gap = 0;
      continue;
    }
    if (v.matches(0, "TAG") && tagEndsFileAt(position)) {
      takeTag(position);
      offset = position + kId3v1Size;
      break;
    }
    if (position % sectorSize == 0 && v.matches(0, "ID3")) {
      const qm::ByteView next = reader.GetPointer(position, kId3HeaderSize);
      if (IsId3Start(next)) break; // the next file begins here
    }
    if (frames != 0 && !broken) {
      broken = true;
      if (IsFrameSync(v) || v.matches(0, "ID3")) break; // another stream or file
    } else if (broken && IsFrameSync(v) && header.Parse(v) != 0) {
      break; // frames of something else: no tag of this file lies beyond
    }
    ++gap;
  }

  if (offset <= audioStart) return 0;
  if (!tagged && frames < kMinTaglessFrames) return 0;
  info->SetLength(offset);
  title_ = title;
  year_ = year;
  info->SetExtraName(title_);
  info->SetExtraName2(year_);
  return 1;
}
