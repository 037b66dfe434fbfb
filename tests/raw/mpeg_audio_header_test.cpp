#include "raw/mpeg_audio_header.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "format_fixture.h"

namespace {

// Header bytes from their fields: version id (0, 2, 3), layer bits
// (3 = Layer I ... 1 = Layer III), bit-rate index, sample-rate index,
// padding, channel mode and emphasis.
std::array<std::uint8_t, 4> Header(int version, int layerBits, int bitRate, int sampleRate, int padding = 0,
                                   int mode = 0, int emphasis = 0) {
  return {0xFF, static_cast<std::uint8_t>(0xE0 | version << 3 | layerBits << 1 | 1),
          static_cast<std::uint8_t>(bitRate << 4 | sampleRate << 2 | padding << 1),
          static_cast<std::uint8_t>(mode << 6 | emphasis)};
}

TEST(MpegAudioHeader, FieldsAndFrameLengthsOfCraftedHeaders) {
  struct Case {
    const char* what;
    std::array<std::uint8_t, 4> bytes;
    int lsf, layer, sampleRate, bitRate, allocTable, frameLength;
  };
  const Case cases[] = {
      {"MPEG-1 Layer III 128 kbit/s 44100 Hz", Header(3, 1, 9, 0), 0, 2, 44100, 128000, 0, 417},
      {"the same with padding", Header(3, 1, 9, 0, 1), 0, 2, 44100, 128000, 0, 418},
      {"MPEG-2 Layer III 64 kbit/s 22050 Hz", Header(2, 1, 8, 0), 1, 2, 22050, 64000, 0, 208},
      {"MPEG-2.5 Layer III 8 kbit/s 8000 Hz", Header(0, 1, 1, 2), 1, 2, 8000, 8000, 0, 72},
      {"MPEG-1 Layer I 448 kbit/s 32000 Hz, padded", Header(3, 3, 14, 2, 1), 0, 0, 32000, 448000, 0, 676},
      {"MPEG-2 Layer I 256 kbit/s 16000 Hz", Header(2, 3, 14, 2), 1, 0, 16000, 256000, 0, 768},
      {"MPEG-2 Layer II: table 4", Header(2, 2, 14, 1), 1, 1, 24000, 160000, 4, 960},
      {"MPEG-1 Layer II stereo 64 kbit/s (32 per channel) at 32000 Hz", Header(3, 2, 4, 2), 0, 1, 32000,
       64000, 3, 288},
      {"MPEG-1 Layer II stereo 96 kbit/s (48) at 44100 Hz", Header(3, 2, 6, 0), 0, 1, 44100, 96000, 2, 313},
      {"MPEG-1 Layer II mono 64 kbit/s", Header(3, 2, 4, 0, 0, 3), 0, 1, 44100, 64000, 0, 208},
      {"MPEG-1 Layer II stereo 192 kbit/s (96) at 48000 Hz", Header(3, 2, 10, 1), 0, 1, 48000, 192000, 0,
       576},
      {"MPEG-1 Layer II stereo 192 kbit/s (96) at 44100 Hz", Header(3, 2, 10, 0), 0, 1, 44100, 192000, 1,
       626},
      {"MPEG-1 Layer II mono 192 kbit/s at 48000 Hz", Header(3, 2, 10, 1, 0, 3), 0, 1, 48000, 192000, 0, 576},
      {"MPEG-1 Layer II stereo 384 kbit/s (192)", Header(3, 2, 14, 0), 0, 1, 44100, 384000, 1, 1253},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MpegAudioHeader h;
    ASSERT_EQ(h.Parse(qm::ByteView(c.bytes.data(), 4)), 1);
    EXPECT_EQ(h.lsf, c.lsf);
    EXPECT_EQ(h.layer, c.layer);
    EXPECT_EQ(h.sampleRate, c.sampleRate);
    EXPECT_EQ(h.bitRate, c.bitRate);
    EXPECT_EQ(h.allocTable, c.allocTable);
    EXPECT_EQ(h.FrameLength(), c.frameLength);
  }
  MpegAudioHeader mono;
  ASSERT_EQ(mono.Parse(qm::ByteView(Header(3, 1, 9, 0, 0, 3).data(), 4)), 1);
  EXPECT_TRUE(mono.IsMono());
  EXPECT_EQ(mono.versionId, 3);
}

TEST(MpegAudioHeader, RefusedHeaders) {
  struct Case {
    const char* what;
    std::array<std::uint8_t, 4> bytes;
  };
  std::array<std::uint8_t, 4> noSync = Header(3, 1, 9, 0);
  noSync[1] &= 0xDF;
  const Case cases[] = {
      {"reserved version", Header(1, 1, 9, 0)},
      {"reserved layer", Header(3, 0, 9, 0)},
      {"bit-rate index 15", Header(3, 1, 15, 0)},
      {"free format", Header(3, 1, 0, 0)},
      {"reserved sample rate", Header(3, 1, 9, 3)},
      {"emphasis 2", Header(3, 1, 9, 0, 0, 0, 2)},
      {"Layer II stereo at 32 kbit/s", Header(3, 2, 1, 0)},
      {"Layer II stereo at 80 kbit/s", Header(3, 2, 5, 0)},
      {"Layer II mono at 224 kbit/s", Header(3, 2, 11, 0, 0, 3)},
      {"Layer II mono at 384 kbit/s", Header(3, 2, 14, 0, 0, 3)},
      {"no frame sync", noSync},
      {"ID3 tag start", {'I', 'D', '3', 3}},
  };
  for (const Case& c : cases) {
    MpegAudioHeader h;
    EXPECT_EQ(h.Parse(qm::ByteView(c.bytes.data(), 4)), 0) << c.what;
  }
  MpegAudioHeader h;
  EXPECT_EQ(h.Parse(qm::ByteView(Header(3, 1, 9, 0).data(), 3)), 0);
  EXPECT_EQ(h.Parse(qm::ByteView()), 0);
}

TEST(MpegAudioHeader, FramesOfRealFilesFollowEachOtherToTheEnd) {
  struct Case {
    const char* file;
    int versionId, layer, sampleRate, bitRate;
  } cases[] = {
      {"mpeg1_l3_id3.mp3", 3, 2, 32000, 32000}, // ID3v2 before, ID3v1 after
      {"mpeg2_l3.mp3", 2, 2, 22050, 24000},      {"mpeg25_l3.mp3", 0, 2, 8000, 8000},
      {"mpeg1_l2_mono.mp2", 3, 1, 44100, 64000}, {"mpeg1_l2_stereo.mp2", 3, 1, 48000, 192000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<std::uint8_t> file = qm::ReadFormatFixture(c.file);
    const qm::ByteView bytes(file.data(), file.size());
    std::uint64_t offset = 0;
    if (bytes.matches(0, "ID3")) {
      std::uint32_t tagSize = 0;
      ASSERT_EQ(ReadSyncsafe28(bytes.sub(6, 4), tagSize), 1);
      offset = 10 + tagSize;
    }
    int frames = 0;
    MpegAudioHeader h;
    while (h.Parse(bytes.from(offset))) {
      EXPECT_EQ(h.versionId, c.versionId);
      EXPECT_EQ(h.layer, c.layer);
      EXPECT_EQ(h.sampleRate, c.sampleRate);
      EXPECT_EQ(h.bitRate, c.bitRate);
      ASSERT_GT(h.FrameLength(), 0);
      offset += static_cast<std::uint64_t>(h.FrameLength());
      ++frames;
    }
    EXPECT_GT(frames, 5);
    if (bytes.matches(offset, "TAG")) offset += 128;
    EXPECT_EQ(offset, file.size());
  }
}

TEST(MpegAudioHeader, SyncsafeNumbers) {
  struct Case {
    std::array<std::uint8_t, 4> bytes;
    int ok;
    std::uint32_t value;
  } cases[] = {
      {{0, 0, 0, 0}, 1, 0},     {{0, 0, 2, 1}, 1, 257},   {{0x7F, 0x7F, 0x7F, 0x7F}, 1, 0x0FFFFFFF},
      {{0x80, 0, 0, 0}, 0, 99}, {{0, 0, 0, 0xFF}, 0, 99},
  };
  for (const Case& c : cases) {
    std::uint32_t value = 99;
    EXPECT_EQ(ReadSyncsafe28(qm::ByteView(c.bytes.data(), 4), value), c.ok);
    EXPECT_EQ(value, c.value);
  }
  std::uint32_t value = 99;
  EXPECT_EQ(ReadSyncsafe28(qm::ByteView(cases[1].bytes.data(), 3), value), 0);
}

} // namespace
