// MP3 files with ID3 tags: the frame walk, where it ends, and the names
// taken from the tags.
#include <gtest/gtest.h>

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
