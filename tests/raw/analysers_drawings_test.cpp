// Metafiles, EPS, FreeHand, 3D Studio, DWG and DXF over crafted files.
#include "raw/analysers_drawings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media_analyser_test.h"

namespace {

using qm::test::Carve;
using qm::test::CarveOn;
using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::size_t at, std::string_view s) {
  if (b.size() < at + s.size()) b.resize(at + s.size());
  std::copy(s.begin(), s.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
void PutLe(Bytes& b, std::size_t at, std::uint32_t v, int n = 4) {
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

Bytes PlaceableWmf(std::uint32_t words) {
  Bytes b;
  PutLe(b, 0, 0x9AC6CDD7);
  PutLe(b, 10, 200, 2);
  PutLe(b, 12, 100, 2);
  PutLe(b, 14, 1440, 2);
  b.resize(20); // bytes 16-19 are reserved zeros, part of the checksum
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < 20; i += 2)
    sum ^= static_cast<std::uint16_t>(b[i] | b[i + 1] << 8);
  PutLe(b, 20, sum, 2);
  Put(b, 22, std::string_view("\1\0\x09\0", 4));
  PutLe(b, 22 + 6, words);
  return b;
}

TEST(WmfAnalyser, PlainAndPlaceableHeaders) {
  FileWMFAnalyser wmf;
  Bytes plain;
  Put(plain, 0, std::string_view("\1\0\x09\0", 4));
  PutLe(plain, 6, 500);
  EXPECT_EQ(Check(wmf, plain).length, 1000u);
  PutLe(plain, 16, 1, 2);
  EXPECT_EQ(Check(wmf, plain).match, 0);

  EXPECT_EQ(Check(wmf, PlaceableWmf(500)).length, 22 + 1000u);
  Bytes badSum = PlaceableWmf(500);
  badSum[20] ^= 1;
  EXPECT_EQ(Check(wmf, badSum).match, 0);
  Bytes handle = PlaceableWmf(500);
  handle[4] = 1, handle[20] ^= 1; // checksum kept right, handle not 0
  EXPECT_EQ(Check(wmf, handle).match, 0);
  Bytes inner = PlaceableWmf(500);
  inner[22] = 2;
  EXPECT_EQ(Check(wmf, inner).match, 0);
}

TEST(EpsAnalyser, TextEpsIsToldByItsFirstLineAndEndsAtItsEndComment) {
  FileEPSAnalyser eps;
  struct HeaderCase {
    std::string text;
    int match;
  };
  const HeaderCase headers[] = {
      {"%!PS-Adobe-3.0 EPSF-3.0\n", 1},
      {"%!PS-Adobe-2.0 EPSF-1.2\r\n", 1},
      {"%!PS-Adobe-3.0\n%%Title: EPSF-3.0\n", 0}, // a PostScript document, not EPS
      {"%!PS-Adobe-3.0 Resource-Font\n", 0},
      {"%!PS\n", 0},
      {"%!PS-Adobe-3.0" + std::string(70, ' ') + " EPSF-3.0\n", 0}, // too far into the line
  };
  for (const HeaderCase& h : headers) {
    SCOPED_TRACE(h.text);
    const Header r = Check(eps, Bytes(h.text.begin(), h.text.end()));
    EXPECT_EQ(r.match, h.match);
    if (h.match != 0) {
      EXPECT_EQ(r.type, 25);
      EXPECT_EQ(r.length, 0u);
    }
  }

  const std::string head = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n";
  struct LengthCase {
    const char* what;
    std::string text;
    std::string after;
  };
  const LengthCase lengths[] = {
      {"end comment and line end", head + "stroke\n%%EOF\n", "more text"},
      {"CR LF", head + "stroke\r\n%%EOF\r\n", "\r\nmore"},
      {"no line end after it", head + "stroke\n%%EOF", "x"},
      {"not at a line start", head + "currentfile 1(%%EOF)/SubFileDecode filter\n%%EOF\n", "x"},
      {"an embedded document's end",
       head + "%%BeginDocument: inner.eps\n%!PS-Adobe-3.0 EPSF-3.0\n%%EOF\n%%EndDocument\nshowpage\n%%EOF\n",
       "x"},
  };
  for (const LengthCase& c : lengths) {
    SCOPED_TRACE(c.what);
    Bytes file(c.text.begin(), c.text.end());
    Bytes device = file;
    device.insert(device.end(), c.after.begin(), c.after.end());
    auto d = qm::test::DeviceWithZeroTail(device, 512);
    const auto r = CarveOn(eps, *d);
    EXPECT_EQ(r.sized, 1);
    EXPECT_EQ(r.length, file.size());
  }
  {
    // No end comment within the maximum: the maximum.
    qm::MaxRawFileSizeGuard guard(2000);
    Bytes open(head.begin(), head.end());
    open.resize(5000, 'x');
    auto d = qm::test::DeviceWithZeroTail(open, 512);
    EXPECT_EQ(CarveOn(eps, *d).length, 2001u);
  }
}

TEST(EmfEpsAnalysers, HeaderFieldsGiveTheLength) {
  FileEMFAnalyser emf;
  Bytes e;
  PutLe(e, 0, 1);
  Put(e, 40, " EMF");
  PutLe(e, 48, 4242);
  EXPECT_EQ(Check(emf, e).length, 4242u);
  PutLe(e, 58, 1, 2);
  EXPECT_EQ(Check(emf, e).match, 0);

  FileEPSAnalyser eps;
  struct Case {
    std::string_view at28;
    int match;
  };
  const Case cases[] = {{std::string_view("\xFF\xFF%!", 4), 1},
                        {std::string_view("\xFF\xFF\0\0", 4), 1},
                        {"\xFF\xFFII", 1},
                        {"\xFF\xFFii", 1},
                        {"\x12\x34%!", 0},
                        {"\xFF\xFFMM", 0}};
  for (const Case& c : cases) {
    Bytes s;
    PutLe(s, 0, 0xC6D3D0C5);
    PutLe(s, 4, 30), PutLe(s, 8, 1000);    // PostScript 30-1030
    PutLe(s, 12, 1030), PutLe(s, 16, 500); // WMF preview to 1530
    PutLe(s, 20, 1530), PutLe(s, 24, 700); // TIFF preview to 2230
    Put(s, 28, c.at28);
    const Header h = Check(eps, s);
    EXPECT_EQ(h.match, c.match);
    if (c.match != 0) { // both previews: the last one ends the file
      EXPECT_EQ(h.length, 2230u);
    }
  }
}

TEST(ThreeDsAnalyser, MainChunkMustHoldTheEditorChunk) {
  File3DSAnalyser tds;
  Bytes s;
  PutLe(s, 0, 0x4D4D, 2);
  PutLe(s, 2, 5000);
  PutLe(s, 16, 0x3D3D, 2);
  PutLe(s, 18, 4000);
  EXPECT_EQ(Check(tds, s).length, 5000u);
  PutLe(s, 18, 5001);
  const Header refused = Check(tds, s);
  EXPECT_EQ(refused.match, 0);
  EXPECT_EQ(refused.type, 1); // typed before the refusal
  PutLe(s, 2, 0), PutLe(s, 18, 0);
  EXPECT_EQ(Check(tds, s).match, 0);
}

TEST(TextMarkedDrawings, EndMarkersEndTheFile) {
  Bytes dxf;
  Put(dxf, 0, "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  0\r\nENDSEC\r\n  0\r\neof\r\n");
  FileDXFAnalyser dxfAnalyser;
  EXPECT_EQ(Carve(dxfAnalyser, dxf).length, dxf.size());
  Bytes lf = dxf;
  Put(lf, 0, "  0\nSECTION\n");
  EXPECT_EQ(Check(dxfAnalyser, lf).match, 0);

  Bytes fh;
  Put(fh, 0, std::string_view("\x1C\x01\x00\x00\x02\x00\x04\x1C\x01\x14\x00\x02\x00\x14\x1C\x01", 16));
  Put(fh, 34, "11");
  fh.resize(3000, 'x');
  Put(fh, 2500, std::string_view("DECODE\0\xFF\xFF\xFF\xFF", 11));
  FileFH11Analyser fh11;
  EXPECT_EQ(Carve(fh11, fh).length, 2511u);
  Put(fh, 34, "10");
  EXPECT_EQ(Check(fh11, fh).match, 0);
}

// ---------------------------------------------------------------- DWG

TEST(DwgAnalyser, SectionLocatorsOfR13ToR15) {
  Bytes b;
  Put(b, 0, std::string_view("AC1015\0\0", 8));
  PutLe(b, 13, 1000); // image seeker
  PutLe(b, 21, 3);    // locators
  const std::uint32_t locators[3][2] = {{100, 300}, {5000, 700}, {2000, 9000}};
  for (int i = 0; i < 3; ++i) {
    b.resize(25 + 9 * (i + 1));
    b[25 + 9 * i] = static_cast<std::uint8_t>(i);
    PutLe(b, 26 + 9 * i, locators[i][0]);
    PutLe(b, 30 + 9 * i, locators[i][1]);
  }
  Put(b, 1000, std::string_view("\x1F\x25\x6D\x07\xD4\x36\x28\x28\x9D\x57\xCA\x3F\x9D\x44\x10\x2B", 16));
  FileDWGAnalyser dwg;
  const auto r = Carve(dwg, b);
  EXPECT_EQ(r.type, 22);
  EXPECT_EQ(r.length, 5700u); // the locator with the largest seeker

  Bytes many = b;
  PutLe(many, 21, 101);
  EXPECT_EQ(Carve(dwg, many).sized, 0);
  Bytes sentinel = b;
  sentinel[1005] ^= 1;
  EXPECT_EQ(Carve(dwg, sentinel).sized, 0);
  Bytes old;
  Put(old, 0, std::string_view("AC1009\0\0", 8));
  EXPECT_EQ(Carve(dwg, old).sized, 0);
  Bytes noZeros;
  Put(noZeros, 0, "AC1015xx");
  EXPECT_EQ(Check(dwg, noZeros).match, 0);
}

TEST(DwgAnalyser, LaterVersionsEndAtTheCopyOfTheirHeaderBlock) {
  const std::string_view block("\x68\x40\xF8\xF7\x92\x2A\xB5\xEF\x18\xDD\x0B\xF1\xF1\xBB\xE9\xEB", 16);
  Bytes b;
  Put(b, 0, std::string_view("AC1018\0\0", 8));
  Put(b, 128, block);
  b.resize(70000, 0x11);
  Put(b, 65530, block); // straddles a window of the reader
  FileDWGAnalyser dwg;
  EXPECT_EQ(Carve(dwg, b).length, 65530 + 108u);

  Bytes r21 = b;
  Put(r21, 0, "AC1021");
  Put(r21, 128, "0123456789abcdef");
  Put(r21, 65530, "0123456789abcdef");
  EXPECT_EQ(Carve(dwg, r21).length, 65530 + 1024u);

  // No copy: the search ends at the maximum.
  qm::MaxRawFileSizeGuard guard(30000);
  Bytes none = b;
  std::fill(none.begin() + 144, none.end(), 0x11);
  auto device = qm::test::DeviceWithZeroTail(none, 0);
  EXPECT_EQ(CarveOn(dwg, *device).length, 30001u);
  Bytes wrong = b;
  wrong[130] ^= 1;
  EXPECT_EQ(Carve(dwg, wrong).sized, 0);
}

TEST(DwgAnalyser, SearchEndsAtTheDeviceEnd) {
  const std::string_view block("\x68\x40\xF8\xF7\x92\x2A\xB5\xEF\x18\xDD\x0B\xF1\xF1\xBB\xE9\xEB", 16);
  Bytes b;
  Put(b, 0, std::string_view("AC1018\0\0", 8));
  Put(b, 128, block);
  b.resize(3000, 0x11);
  qm::MemoryDevice device(b, 512);
  FileDWGAnalyser dwg;
  EXPECT_EQ(CarveOn(dwg, device, 0).length, 2560u); // the five whole sectors
}

} // namespace
