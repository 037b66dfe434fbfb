// RIFF, MIDI, AU, ASF, QuickTime, MP4, 3GP and SWF over crafted files.
#include "raw/analysers_media.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media_analyser_test.h"
#include "platform/message_pump.h"

namespace {

using qm::test::Carve;
using qm::test::CarveOn;
using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::size_t at, std::string_view s) {
  if (b.size() < at + s.size()) b.resize(at + s.size());
  std::copy(s.begin(), s.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
void PutBe(Bytes& b, std::size_t at, std::uint64_t v, int n = 4) {
  if (b.size() < at + n) b.resize(at + n);
  for (int i = 0; i < n; ++i)
    b[at + i] = static_cast<std::uint8_t>(v >> (8 * (n - 1 - i)));
}
void PutLe(Bytes& b, std::size_t at, std::uint64_t v, int n = 4) {
  if (b.size() < at + n) b.resize(at + n);
  for (int i = 0; i < n; ++i)
    b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct Header {
  int match;
  int type;
  std::uint64_t length;
};
Header Check(IRawFileAnalyser& a, Bytes s) {
  s.resize(std::max<std::size_t>(512, s.size()));
  CRawFileInfo record;
  const int match = a.CheckHeader(qm::ByteView(s.data(), s.size()), &record);
  return {match, record.GetType(), record.GetLength()};
}

TEST(RiffAnalyser, SubTypeByFormAndFirstChunk) {
  struct Case {
    const char* form;
    const char* chunk;
    int type;
  };
  const Case cases[] = {{"WAVE", "fmt ", 63}, {"wave", "FMT ", 63}, {"AVI ", "LIST", 8},
                        {"avi ", "list", 8},  {"ACON", "LIST", 4},  {"ACON", "anih", 4},
                        {"CARC", "vrsn", 13}, {"CSL2", "VRSN", 17}, {"CDR9", "vrsn", 11},
                        {"cdrc", "vrsn", 11}, {"WAVE", "data", 55}, {"XYZW", "vrsn", 55},
                        {"CDR6", "vrsn", 55}};
  FileRIFFAnalyser riff;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form);
    Bytes s;
    Put(s, 0, "RIFF");
    PutLe(s, 4, 1000);
    Put(s, 8, c.form);
    Put(s, 12, c.chunk);
    const Header h = Check(riff, s);
    EXPECT_EQ(h.match, 1);
    EXPECT_EQ(h.type, c.type);
    EXPECT_EQ(h.length, 1008u);
  }
  // Corel's metafile is told by its exact texts only.
  Bytes cmx;
  Put(cmx, 0, "RIFF");
  Put(cmx, 8, "CMX1");
  Put(cmx, 20, "{Corel Binary Meta File}");
  EXPECT_EQ(Check(riff, cmx).type, 14);
  Put(cmx, 8, "cmx1");
  EXPECT_EQ(Check(riff, cmx).type, 55);
  // The largest size field still gives a 64-bit length, not a wrapped one.
  Bytes big;
  Put(big, 0, "RIFF");
  PutLe(big, 4, 0xFFFFFFFF);
  EXPECT_EQ(Check(riff, big).length, 0xFFFFFFFFull + 8);
}

TEST(MidAnalyser, TrackChunksAreWalked) {
  Bytes b;
  Put(b, 0, std::string_view("MThd\0\0\0\x06", 8));
  PutBe(b, 8, 1, 2);
  PutBe(b, 10, 2, 2);
  PutBe(b, 12, 96, 2);
  for (std::uint32_t length : {20u, 300u}) {
    const std::size_t at = b.size();
    Put(b, at, "MTrk");
    PutBe(b, at + 4, length);
    b.resize(at + 8 + length, 0x40);
  }
  FileMIDAnalyser mid;
  EXPECT_EQ(Carve(mid, b).length, b.size());
  Bytes lower = b;
  Put(lower, 14, "mtrk");
  EXPECT_EQ(Carve(mid, lower).length, b.size());

  Bytes format3 = b;
  PutBe(format3, 8, 3, 2);
  EXPECT_EQ(Check(mid, format3).match, 0);
  Bytes noTracks = b;
  PutBe(noTracks, 10, 0, 2);
  EXPECT_EQ(Check(mid, noTracks).match, 0);

  // A huge track length stops at the maximum.
  qm::MaxRawFileSizeGuard guard(5000);
  Bytes huge = b;
  PutBe(huge, 18, 0xFFFFFFF0);
  EXPECT_EQ(Carve(mid, huge).length, 14 + 8 + 0xFFFFFFF0ull);
}

TEST(AuAnalyser, DataOffsetAndSizeGiveTheLength) {
  struct Case {
    std::uint32_t offset, size;
    int match;
  };
  const Case cases[] = {{24, 1000, 1}, {23, 1000, 0}, {40, 0xFFFFFFFF, 0}, {0xFFFFFFFF, 0xFFFFFFFE, 1}};
  FileAUAnalyser au;
  for (const Case& c : cases) {
    Bytes s;
    Put(s, 0, ".snd");
    PutBe(s, 4, c.offset);
    PutBe(s, 8, c.size);
    const Header h = Check(au, s);
    EXPECT_EQ(h.match, c.match);
    EXPECT_EQ(h.type, 7);
    EXPECT_EQ(h.length, c.match ? std::uint64_t{c.offset} + c.size : 0);
  }
}

// ---------------------------------------------------------------- ASF

const std::string_view kHeaderGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const std::string_view kDataGuid("\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const std::string_view kIndexGuid("\x90\x08\x00\x33\xB1\xE5\xCF\x11\x89\xF4\x00\xA0\xC9\x03\x49\xCB", 16);

void AsfObject(Bytes& b, std::string_view guid, std::uint64_t size, std::size_t room) {
  const std::size_t at = b.size();
  Put(b, at, guid);
  PutLe(b, at + 16, size, 8);
  b.resize(at + room);
}

TEST(AsfAnalyser, HeaderDataAndIndexObjects) {
  FileASFAnalyser asf;
  Bytes b;
  AsfObject(b, kHeaderGuid, 600, 600);
  AsfObject(b, kDataGuid, 2000, 2000);
  AsfObject(b, kIndexGuid, 100, 100);
  const auto r = Carve(asf, b);
  EXPECT_EQ(r.type, 6);
  EXPECT_EQ(r.length, 2700u);

  Bytes noIndex = b;
  Put(noIndex, 2600, "not an index obj");
  EXPECT_EQ(Carve(asf, noIndex).length, 2600u);
  Bytes noData = b;
  noData[600] ^= 1;
  EXPECT_EQ(Carve(asf, noData).sized, 0);
  // A zero-sized header object leaves the walk on the header again.
  Bytes zero = b;
  PutLe(zero, 16, 0, 8);
  EXPECT_EQ(Carve(asf, zero).sized, 0);

  // A data object of an absurd size: past the maximum the walk ends, and
  // a sum past 100 x 2^32 is taken as 2^32.
  Bytes huge;
  AsfObject(huge, kHeaderGuid, 600, 600);
  AsfObject(huge, kDataGuid, ~0ull - 100, 100);
  EXPECT_EQ(Carve(asf, huge).length, 1ull << 32);
  Bytes large;
  AsfObject(large, kHeaderGuid, 600, 600);
  AsfObject(large, kDataGuid, 90ull << 32, 100);
  EXPECT_EQ(Carve(asf, large).length, 600 + (90ull << 32));
}

// ---------------------------------------------------------------- QuickTime family

void Box(Bytes& b, std::uint32_t size, std::string_view type, std::size_t room) {
  const std::size_t at = b.size();
  PutBe(b, at, size);
  Put(b, at + 4, type);
  b.resize(at + room);
}

TEST(MovAnalyser, TopLevelBoxesAreWalked) {
  Bytes b;
  Box(b, 20, "ftyp", 20);
  Box(b, 8, "wide", 8);
  Box(b, 1000, "mdat", 1000);
  Box(b, 300, "moov", 300);
  Box(b, 16, "pnot", 16);
  const std::size_t end = b.size();
  Box(b, 50, "uuid", 50);
  FileMOVAnalyser mov;
  const auto r = Carve(mov, b);
  EXPECT_EQ(r.type, 40);
  EXPECT_EQ(r.length, end);

  Bytes small = b;
  PutBe(small, 28, 7); // mdat of 7 bytes cannot be stepped over
  EXPECT_EQ(Carve(mov, small).length, 28u);

  // An endless run of empty "free" boxes stops at the maximum, with
  // window messages dispatched on the way.
  int pumped = 0;
  qm::SetMessagePump([&] { ++pumped; });
  qm::MaxRawFileSizeGuard guard(4000);
  Bytes frees;
  Box(frees, 20, "ftyp", 20);
  for (int i = 0; i < 1000; ++i)
    Box(frees, 8, "free", 8);
  EXPECT_EQ(Carve(mov, frees).length, 4004u);
  qm::SetMessagePump({});
  EXPECT_GE(pumped, 40);
}

TEST(IsoMediaAnalysers, BrandsChooseTheAnalyser) {
  struct Case {
    const char* brand;
    int mp4, gp3;
  };
  const Case cases[] = {{"isom", 1, 0}, {"MP42", 1, 0}, {"m4v ", 1, 0}, {"3gp4", 0, 1},
                        {"3G2A", 0, 1}, {"3gp5", 0, 0}, {"qt  ", 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.brand);
    Bytes s;
    Box(s, 24, "ftyp", 24);
    Put(s, 8, c.brand);
    FileMP4Analyser mp4;
    File3GPAnalyser gp3;
    FileMOVAnalyser mov;
    const Header a = Check(mp4, s), b = Check(gp3, s);
    EXPECT_EQ(a.match, c.mp4);
    EXPECT_EQ(b.match, c.gp3);
    if (a.match != 0) {
      EXPECT_EQ(a.type, 42);
    }
    if (b.match != 0) {
      EXPECT_EQ(b.type, 2);
    }
    EXPECT_EQ(Check(mov, s).match, 1); // any file type box
  }
}

TEST(SwfAnalyser, HeaderGivesTheLength) {
  FileSWFAnalyser swf;
  for (const char* sig : {"FWS", "CWS"}) {
    Bytes s;
    Put(s, 0, sig);
    s.push_back(10);
    PutLe(s, 4, 12345);
    const Header h = Check(swf, s);
    EXPECT_EQ(h.match, 1);
    EXPECT_EQ(h.type, 58);
    EXPECT_EQ(h.length, 12345u);
  }
  Bytes zws;
  Put(zws, 0, "ZWS");
  EXPECT_EQ(Check(swf, zws).match, 0);
}

} // namespace
