// MP3 files with ID3 tags and without: the frame walk, where it ends, the
// names taken from the tags, and how a file without a tag is told from
// stray frame syncs.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "media_analyser_test.h"
#include "raw/analysers_media.h"

namespace {

using qm::test::CarveOn;
using qm::test::DeviceWithZeroTail;
using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::size_t at, std::string_view s) {
  if (b.size() < at + s.size()) b.resize(at + s.size());
  std::copy(s.begin(), s.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
void PutSyncsafe(Bytes& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  for (int i = 0; i < 4; ++i)
    b[at + i] = static_cast<std::uint8_t>((v >> (7 * (3 - i))) & 0x7F);
}

// An ID3v2 tag of the given frames (id, raw data), padded to tagSize.
Bytes Id3(int major, const std::vector<std::pair<std::string, Bytes>>& frames, std::uint32_t tagSize = 200) {
  Bytes b = {'I', 'D', '3', static_cast<std::uint8_t>(major), 0, 0};
  PutSyncsafe(b, 6, tagSize);
  for (const auto& [id, data] : frames) {
    const std::size_t at = b.size();
    Put(b, at, id);
    const auto size = static_cast<std::uint32_t>(data.size());
    if (major == 4)
      PutSyncsafe(b, at + 4, size);
    else
      for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(size >> (24 - 8 * i)));
    b.resize(at + 10);
    b.insert(b.end(), data.begin(), data.end());
  }
  b.resize(10 + tagSize);
  return b;
}

Bytes Text(std::uint8_t encoding, const Bytes& text) {
  Bytes b = {encoding};
  b.insert(b.end(), text.begin(), text.end());
  return b;
}
Bytes Latin(std::string_view s) { return Bytes(s.begin(), s.end()); }

// MPEG-1 Layer III frames at 128 kbit/s, 44100 Hz: 417 bytes each.
void Frames(Bytes& b, int count) {
  for (int i = 0; i < count; ++i) {
    const std::size_t at = b.size();
    b.resize(at + 417, 0x55);
    b[at] = 0xFF, b[at + 1] = 0xFB, b[at + 2] = 0x90, b[at + 3] = 0x00;
  }
}

TEST(Mp3Analyser, RealFileIsMeasuredAndNamed) {
  const Bytes file = qm::ReadFormatFixture("mpeg1_l3_id3.mp3");
  for (std::int32_t sectorSize : {512, 4096}) {
    auto device = DeviceWithZeroTail(file, 8192, sectorSize);
    FileMP3Analyser mp3;
    const auto r = CarveOn(mp3, *device);
    EXPECT_EQ(r.type, 41);
    EXPECT_EQ(r.sized, 1);
    EXPECT_EQ(r.length, file.size());
    EXPECT_EQ(mp3.GetExtraName(), "Walker Tune");
    EXPECT_EQ(mp3.GetExtraName2(), "2001");
    EXPECT_EQ(r.record.GetExtraName(), "Walker Tune");
    EXPECT_EQ(r.record.GetExtraName2(), "2001");
  }
}

TEST(Mp3Analyser, TextEncodingsOfTheTag) {
  struct Case {
    const char* what;
    Bytes title;
    std::string expected;
  };
  const Case cases[] = {
      {"8-bit", Text(0, Latin("Plain Title")), "Plain Title"},
      {"UTF-16 little-endian", Text(1, {0xFF, 0xFE, 'T', 0, 0xE4, 0, 'n', 0, 0, 0}), "T\xC3\xA4n"},
      {"UTF-16 big-endian", Text(1, {0xFE, 0xFF, 0, 'T', 0, 'x'}), ""},
      {"UTF-8", Text(3, Latin("K\xC3\xB6ln")), "K\xC3\xB6ln"},
      {"UTF-16 without mark", Text(2, {0, 'T'}), ""},
  };
  for (const Case& c : cases) {
    for (int major : {3, 4}) {
      SCOPED_TRACE(c.what);
      Bytes file = Id3(
          major, {{"TPE1", Text(0, Latin("Artist"))}, {"TIT2", c.title}, {"TYER", Text(0, Latin("1999"))}});
      Frames(file, 5);
      auto device = DeviceWithZeroTail(file, 2048);
      FileMP3Analyser mp3;
      const auto r = CarveOn(mp3, *device);
      EXPECT_EQ(r.length, file.size());
      EXPECT_EQ(mp3.GetExtraName(), c.expected);
      EXPECT_EQ(mp3.GetExtraName2(), "1999");
    }
  }
}

TEST(Mp3Analyser, VersionOneTagEndsTheFileAndFillsMissingNames) {
  Bytes file = Id3(3, {{"TIT2", Text(0, Latin("From v2"))}});
  Frames(file, 3);
  const std::size_t tag = file.size();
  Put(file, tag, "TAG");
  Put(file, tag + 3, "From v1");
  Put(file, tag + 93, "1987");
  file.resize(tag + 128);
  // On a sector boundary, or followed by zeros: taken.
  file.insert(file.begin() + 10 + 200, (512 - file.size() % 512) % 512, 0x00); // gap before the frames
  auto device = DeviceWithZeroTail(file, 1024);
  FileMP3Analyser mp3;
  const auto r = CarveOn(mp3, *device);
  EXPECT_EQ(r.length, file.size());
  EXPECT_EQ(mp3.GetExtraName(), "From v2");
  EXPECT_EQ(mp3.GetExtraName2(), "1987");

  // Ending inside a sector: taken when zeros fill the sector's rest, not
  // when other data does.
  Bytes inside = file;
  inside.insert(inside.begin() + 210, 100, 0x00);
  auto zerosDevice = DeviceWithZeroTail(inside, 1024);
  EXPECT_EQ(CarveOn(mp3, *zerosDevice).length, inside.size());
  Bytes noisy = inside;
  noisy.resize(noisy.size() + 100, 0x31);
  auto noisyDevice = DeviceWithZeroTail(noisy, 1024);
  const auto n = CarveOn(mp3, *noisyDevice);
  EXPECT_EQ(n.length, inside.size() - 128);
  EXPECT_EQ(mp3.GetExtraName2(), "");
}

TEST(Mp3Analyser, NextFileOrLongGapEndsTheFrames) {
  Bytes file = Id3(3, {}, 502); // the frames start on a sector boundary
  Frames(file, 4);
  const std::size_t end = file.size();
  file.resize((end + 511) / 512 * 512, 0);
  Bytes next = Id3(4, {});
  Frames(next, 2);
  file.insert(file.end(), next.begin(), next.end());
  auto device = DeviceWithZeroTail(file, 1024);
  FileMP3Analyser mp3;
  EXPECT_EQ(CarveOn(mp3, *device).length, end);

  // Frames behind a gap of more than 64 KiB are not this file's.
  Bytes gap = Id3(3, {});
  Frames(gap, 2);
  const std::size_t gapEnd = gap.size();
  gap.resize(gapEnd + 0x10001 + 1, 0x20);
  Frames(gap, 2);
  auto gapDevice = DeviceWithZeroTail(gap, 1024);
  EXPECT_EQ(CarveOn(mp3, *gapDevice).length, gapEnd);
}

TEST(Mp3Analyser, NoFrameMeansNoLengthAndNamesStay) {
  FileMP3Analyser mp3;
  Bytes named = Id3(3, {{"TIT2", Text(0, Latin("Kept"))}});
  Frames(named, 2);
  auto namedDevice = DeviceWithZeroTail(named, 512);
  CarveOn(mp3, *namedDevice);
  ASSERT_EQ(mp3.GetExtraName(), "Kept");

  Bytes empty = Id3(3, {{"TIT2", Text(0, Latin("Other"))}});
  auto device = DeviceWithZeroTail(empty, 70000);
  const auto r = CarveOn(mp3, *device);
  EXPECT_EQ(r.sized, 0);
  EXPECT_EQ(r.length, 0u);
  EXPECT_EQ(mp3.GetExtraName(), "Kept");

  // A broken tag size, and frames whose sizes run past the tag.
  Bytes broken = Id3(3, {});
  broken[6] = 0x80;
  Frames(broken, 2);
  auto brokenDevice = DeviceWithZeroTail(broken, 512);
  EXPECT_EQ(CarveOn(mp3, *brokenDevice).sized, 0);
  Bytes wild = Id3(3, {{"TIT2", Text(0, Latin("x"))}});
  wild[14] = 0x7F; // a frame size of about 2 GiB
  Frames(wild, 2);
  auto wildDevice = DeviceWithZeroTail(wild, 512);
  EXPECT_EQ(CarveOn(mp3, *wildDevice).length, wild.size());
}

// Frames as an encoder writes them at the start of a stream: a header
// (4 bytes, or 6 with a CRC), side information beginning with an empty
// bit reservoir, then audio data.
void StreamFrames(Bytes& b, int count, std::array<std::uint8_t, 4> header, std::size_t length) {
  for (int i = 0; i < count; ++i) {
    const std::size_t at = b.size();
    b.resize(at + length, 0x5A);
    std::copy(header.begin(), header.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    const std::size_t side = (header[1] & 1) == 0 ? 6 : 4;
    b[at + side] = 0;
    b[at + side + 1] = 0x00;
  }
}

constexpr std::array<std::uint8_t, 4> kMpeg1At128 = {0xFF, 0xFB, 0x90, 0x00};  // 417 bytes
constexpr std::array<std::uint8_t, 4> kMpeg1At320 = {0xFF, 0xFB, 0xE0, 0x00};  // 1044 bytes
constexpr std::array<std::uint8_t, 4> kMpeg1Crc = {0xFF, 0xFA, 0x90, 0x00};    // 417 bytes, CRC
constexpr std::array<std::uint8_t, 4> kMpeg2At64 = {0xFF, 0xF3, 0x80, 0x00};   // 208 bytes
constexpr std::array<std::uint8_t, 4> kLayer2At128 = {0xFF, 0xFD, 0x80, 0x00}; // 417 bytes

TEST(Mp3Analyser, AFileWithoutTagIsToldByItsFirstFrames) {
  struct Case {
    const char* what;
    std::function<void(Bytes&)> patch;
    int matched;
  };
  const Case cases[] = {
      {"Layer III frames from an empty reservoir", [](Bytes&) {}, 1},
      {"the reservoir not empty (a frame inside a stream)", [](Bytes& b) { b[4] = 0x01; }, 0},
      {"main_data_begin's ninth bit set", [](Bytes& b) { b[5] = 0x80; }, 0},
      {"the next header of another sample rate", [](Bytes& b) { b[417 + 2] = 0x94; }, 0},
      {"the next header of another MPEG version", [](Bytes& b) { b[417 + 1] = 0xF3; }, 0},
      {"no frame where the next should begin", [](Bytes& b) { b[417] = 0x00; }, 0},
      {"another bit rate and padding go on", [](Bytes& b) { b[417 + 2] = 0xA2; }, 1},
      {"free-format bit rate", [](Bytes& b) { b[2] = 0x00; }, 0},
      {"no sync", [](Bytes& b) { b[1] = 0xDB; }, 0},
  };
  FileMP3Analyser mp3;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes sector;
    StreamFrames(sector, 2, kMpeg1At128, 417);
    c.patch(sector);
    sector.resize(512);
    CRawFileInfo record;
    EXPECT_EQ(mp3.CheckHeader(qm::ByteView(sector.data(), sector.size()), &record), c.matched);
    if (c.matched) {
      EXPECT_EQ(record.GetType(), 41);
    }
  }
  // Other layouts: a CRC before the side information, MPEG-2 (an 8-bit
  // main_data_begin; several frames in one sector), a frame longer than
  // the sector; Layer II is not MP3.
  struct Layout {
    std::array<std::uint8_t, 4> header;
    std::size_t length;
    int matched;
  };
  for (const Layout& l : {Layout{kMpeg1Crc, 417, 1}, Layout{kMpeg2At64, 208, 1}, Layout{kMpeg1At320, 1044, 1},
                          Layout{kLayer2At128, 417, 0}}) {
    Bytes sector;
    StreamFrames(sector, 3, l.header, l.length);
    sector.resize(std::max<std::size_t>(sector.size(), 512));
    CRawFileInfo record;
    EXPECT_EQ(mp3.CheckHeader(qm::ByteView(sector.data(), 512), &record), l.matched) << l.length;
  }
}

TEST(Mp3Analyser, AFileWithoutTagNeedsSeveralFramesInARow) {
  FileMP3Analyser mp3;
  for (int frames : {3, 4, 40}) {
    SCOPED_TRACE(frames);
    Bytes file;
    StreamFrames(file, frames, kMpeg1At128, 417);
    auto device = DeviceWithZeroTail(file, 2048);
    const auto r = CarveOn(mp3, *device);
    EXPECT_EQ(r.matched, 1);
    EXPECT_EQ(r.sized, frames >= 4 ? 1 : 0);
    EXPECT_EQ(r.length, frames >= 4 ? file.size() : 0u);
  }
  // One header of a long frame in noise: the header test cannot see the
  // next frame, the walk finds none.
  Bytes noise(4096);
  std::uint32_t x = 99;
  for (auto& b : noise)
    b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 24);
  std::copy(kMpeg1At320.begin(), kMpeg1At320.end(), noise.begin());
  noise[4] = noise[5] = 0;
  qm::MemoryDevice device(noise, 512);
  const auto r = CarveOn(mp3, device, 0);
  EXPECT_EQ(r.matched, 1);
  EXPECT_EQ(r.sized, 0);
  EXPECT_EQ(r.length, 0u);
}

TEST(Mp3Analyser, FramesEndWhereTheirSequenceBreaks) {
  FileMP3Analyser mp3;
  {
    // Junk after the frames and more frames beyond it (inside one sector,
    // where no next file can begin): the file ends at the junk.
    Bytes file = Id3(3, {});
    Frames(file, 3);
    const std::size_t end = file.size();
    file.resize(end + 100, 0x20);
    Frames(file, 3);
    auto device = DeviceWithZeroTail(file, 2048);
    EXPECT_EQ(CarveOn(mp3, *device).length, end);
  }
  {
    // The next file in the next cluster, frames without any tag: not
    // this file's, whatever lies between.
    Bytes file = Id3(3, {});
    Frames(file, 5);
    const std::size_t end = file.size();
    file.resize(end + 60, 0);
    file.resize(4096, 0x33);
    StreamFrames(file, 10, kMpeg1At128, 417);
    auto device = DeviceWithZeroTail(file, 2048);
    EXPECT_EQ(CarveOn(mp3, *device).length, end);
  }
  {
    // Other tags before the closing ID3v1 tag (an APE tag here): the ID3v1
    // tag still ends the file.
    Bytes file = Id3(3, {});
    Frames(file, 4);
    const std::size_t ape = file.size();
    Put(file, ape, "APETAGEX");
    file.resize(ape + 64, 0x01);
    const std::size_t tag = file.size();
    Put(file, tag, "TAG");
    Put(file, tag + 93, "2004");
    file.resize(tag + 128);
    auto device = DeviceWithZeroTail(file, 2048);
    const auto r = CarveOn(mp3, *device);
    EXPECT_EQ(r.length, file.size());
    EXPECT_EQ(mp3.GetExtraName2(), "2004");
  }
  {
    // A stray sync in junk before the audio is passed over: the first
    // frame is the one that the next frame follows.
    Bytes file = Id3(3, {}, 300);
    file[10 + 100] = 0xFF, file[10 + 101] = 0xFB, file[10 + 102] = 0x90;
    Frames(file, 4);
    auto device = DeviceWithZeroTail(file, 2048);
    EXPECT_EQ(CarveOn(mp3, *device).length, file.size());
  }
}

TEST(Mp3Analyser, HeaderNeedsVersionThreeOrFour) {
  FileMP3Analyser mp3;
  for (int major : {2, 3, 4, 5}) {
    Bytes s = Id3(major, {});
    s.resize(512);
    CRawFileInfo record;
    EXPECT_EQ(mp3.CheckHeader(qm::ByteView(s.data(), s.size()), &record), major == 3 || major == 4 ? 1 : 0);
  }
}

} // namespace
