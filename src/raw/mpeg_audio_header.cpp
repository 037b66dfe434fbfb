#include "raw/mpeg_audio_header.h"

namespace {

constexpr int kVersionMpeg1 = 3;
constexpr int kVersionReserved = 1;
constexpr int kMono = 3;

// Bit rates in kbit/s by [MPEG-1 or not][layer][index]; index 0 is free
// format and 15 is not allowed.
constexpr int kBitRates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};

// Sample rates by version id and index (version id 1 is reserved).
constexpr int kSampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

// Samples per frame / 8, by [MPEG-1 or not][layer].
constexpr int kCoefficients[2][3] = {{12, 144, 144}, {12, 144, 72}};

} // namespace

int MpegAudioHeader::Parse(qm::ByteView bytes) {
  if (!bytes.has(0, 4)) return 0;
  const std::uint8_t h0 = bytes.u8(0), h1 = bytes.u8(1), h2 = bytes.u8(2), h3 = bytes.u8(3);
  if (h0 != 0xFF || (h1 & 0xE0) != 0xE0) return 0; // 11 bits of frame sync

  const int version = (h1 >> 3) & 3;
  if (version == kVersionReserved) return 0;
  const int layerBits = (h1 >> 1) & 3;
  if (layerBits == 0) return 0;
  const int layerIndex = 3 - layerBits;
  const int bitRateIndex = h2 >> 4;
  const int mpeg2 = version != kVersionMpeg1 ? 1 : 0;
  const int kbits = kBitRates[mpeg2][layerIndex][bitRateIndex];
  if (kbits == 0) return 0; // free format or the forbidden index
  const int sampleIndex = (h2 >> 2) & 3;
  if (sampleIndex == 3) return 0;
  const int mode = h3 >> 6;
  const int emph = h3 & 3;
  if (emph == 2) return 0;

  int table = allocTable;
  if (layerIndex == 1) {
    if (mpeg2) {
      table = 4;
    } else {
      // Layer II of MPEG-1 allows only some bit rates per channel mode.
      const bool allowed =
          mode == kMono ? !(bitRateIndex >= 11 && bitRateIndex <= 14)
                        : !(bitRateIndex == 1 || bitRateIndex == 2 || bitRateIndex == 3 || bitRateIndex == 5);
      if (!allowed) return 0;
      const int perChannel = mode == kMono ? kbits : kbits / 2;
      const int rate = kSampleRates[version][sampleIndex];
      switch (perChannel) {
      case 32:
      case 48:
        table = rate == 32000 ? 3 : 2;
        break;
      case 56:
      case 64:
      case 80:
        table = 0;
        break;
      case 96:
      case 112:
      case 128:
      case 160:
      case 192:
        table = rate == 48000 ? 0 : 1;
        break;
      default:
        break;
      }
    }
  }

  lsf = mpeg2;
  versionId = version;
  layer = layerIndex;
  emphasis = emph;
  channelMode = mode;
  sampleRate = kSampleRates[version][sampleIndex];
  bitRate = kbits * 1000;
  padding = (h2 >> 1) & 1;
  allocTable = table;
  return 1;
}

int MpegAudioHeader::FrameLength() const {
  if (sampleRate <= 0 || layer < 0 || layer > 2) return 0;
  const int slot = layer == 0 ? 4 : 1;
  return (kCoefficients[lsf ? 1 : 0][layer] * bitRate / sampleRate + padding) * slot;
}

int ReadSyncsafe28(qm::ByteView bytes, std::uint32_t& value) {
  if (!bytes.has(0, 4)) return 0;
  std::uint32_t result = 0;
  for (int i = 0; i < 4; ++i) {
    const std::uint8_t b = bytes.u8(i);
    if (b & 0x80) return 0;
    result = result << 7 | b;
  }
  value = result;
  return 1;
}
