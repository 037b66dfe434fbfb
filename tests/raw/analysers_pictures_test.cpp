// JPEG, TIFF / NEF and CRW over crafted files: header tests, the walks'
// refusals, bounds on damaged chains, and the names taken from metadata.
#include "raw/analysers_pictures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media_analyser_test.h"

namespace {

using qm::test::Carve;
using qm::test::CarveOn;
using qm::test::kLeadSectors;
using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::size_t at, std::string_view s) {
  if (b.size() < at + s.size()) b.resize(at + s.size());
  std::copy(s.begin(), s.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
void PutBe16(Bytes& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = static_cast<std::uint8_t>(v >> 8);
  b[at + 1] = static_cast<std::uint8_t>(v);
}
void PutLe16(Bytes& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  for (int i = 0; i < 4; ++i)
    b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// ---------------------------------------------------------------- JPEG

// A JPEG of segments: the first after FF D8, a frame header of the given
// precision and components, a scan header, scan data and the end marker.
struct JpegLayout {
  std::uint8_t first = 0xDB;
  std::string appText = {};
  int precision = 8;
  int components = 3;
  int width = 16, height = 8;
  bool frame = true;
  std::size_t scanBytes = 300;
  bool endMarker = true;
};

Bytes Jpeg(const JpegLayout& s) {
  Bytes b = {0xFF, 0xD8, 0xFF, s.first};
  PutBe16(b, 4, 16);
  Put(b, 6, s.appText);
  b.resize(4 + 16);
  if (s.frame) {
    const std::size_t at = b.size();
    b.insert(b.end(), {0xFF, 0xC0});
    PutBe16(b, at + 2, 8 + 3 * static_cast<std::uint32_t>(s.components));
    b.push_back(static_cast<std::uint8_t>(s.precision));
    PutBe16(b, at + 5, static_cast<std::uint32_t>(s.height));
    PutBe16(b, at + 7, static_cast<std::uint32_t>(s.width));
    b.push_back(static_cast<std::uint8_t>(s.components));
    b.resize(at + 2 + 8 + 3 * static_cast<std::size_t>(s.components));
  }
  const std::size_t sos = b.size();
  b.insert(b.end(), {0xFF, 0xDA});
  PutBe16(b, sos + 2, 6 + 2 * static_cast<std::uint32_t>(s.components));
  b.push_back(static_cast<std::uint8_t>(s.components));
  b.resize(sos + 2 + 6 + 2 * static_cast<std::size_t>(s.components));
  for (std::size_t i = 0; i < s.scanBytes; ++i)
    b.push_back(static_cast<std::uint8_t>(i * 7 % 0xFF));
  if (s.endMarker) b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

TEST(JpgAnalyser, HeaderNeedsAKnownFirstSegment) {
  struct Case {
    std::uint8_t first;
    const char* text;
    bool match;
  };
  const Case cases[] = {{0xE0, "JFIF", true},  {0xE1, "Exif", true}, {0xE1, "eXIF", true},
                        {0xE0, "jfif", true},  {0xDB, "xxxx", true}, {0xE1, "XMP ", false},
                        {0xE2, "Exif", false}, {0xC0, "JFIF", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Bytes sector = qm::test::Sector({0xFF, 0xD8, 0xFF, c.first});
    Put(sector, 6, c.text);
    FileJPGAnalyser jpg;
    CRawFileInfo record;
    EXPECT_EQ(jpg.CheckHeader(qm::ByteView(sector.data(), sector.size()), &record) != 0, c.match);
    EXPECT_EQ(record.GetType(), c.match ? 33 : 0);
  }
}

TEST(JpgAnalyser, WalksAreRefusedOnDamagedOrUnusualSegments) {
  struct Case {
    const char* what;
    JpegLayout layout;
    bool sized;
  };
  const Case cases[] = {
      {"plain colour picture", {}, true},
      {"plain grey-scale picture", {.components = 1}, false},
      {"12-bit samples", {.precision = 12}, false},
      {"scan before any frame", {.frame = false}, false},
      {"JFIF in its own case", {.first = 0xE0, .appText = "JFIF", .components = 1}, true},
      {"jfif in other case", {.first = 0xE0, .appText = "jfif"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes file = Jpeg(c.layout);
    FileJPGAnalyser jpg;
    const auto r = Carve(jpg, file);
    ASSERT_NE(r.matched, 0);
    EXPECT_EQ(r.sized, c.sized ? 1 : 0);
    EXPECT_EQ(r.length, c.sized ? file.size() : 0u);
  }
}

TEST(JpgAnalyser, EndSearchStopsAtTheUncompressedSizeAndAtTheMaximum) {
  // No end marker: the search runs width x height x 3 bytes past the scan
  // header, or up to the maximum carved size when that is smaller.
  JpegLayout layout{.width = 10, .height = 10, .scanBytes = 5000, .endMarker = false};
  Bytes file = Jpeg(layout);
  for (auto& b : file)
    if (b == 0xFF && &b > &file[40]) b = 0xFE;
  const std::uint64_t scanEnd = file.size() - 5000;
  FileJPGAnalyser jpg;
  EXPECT_EQ(Carve(jpg, file, 512, 0).length, scanEnd + 300 + 2);

  qm::MaxRawFileSizeGuard guard(1000);
  layout.width = layout.height = 65535;
  layout.scanBytes = 3000;
  file = Jpeg(layout);
  for (std::size_t i = 40; i < file.size(); ++i)
    if (file[i] == 0xFF) file[i] = 0xFE;
  auto device = qm::test::DeviceWithZeroTail(file, 4096);
  EXPECT_EQ(CarveOn(jpg, *device).length, file.size() - 3000 + 1000 + 2);
}

TEST(JpgAnalyser, SegmentChainPastTheDeviceOrTheMaximumGivesNoLength) {
  Bytes file = Jpeg({});
  PutBe16(file, 4, 0xFFF0); // the first segment runs past the device's end
  FileJPGAnalyser jpg;
  auto device = std::make_unique<qm::MemoryDevice>(Bytes(file.begin(), file.end()), 512);
  device->bytes().resize(1024);
  EXPECT_EQ(CarveOn(jpg, *device, 0).length, 0u);

  // Fill bytes all the way: bounded by the maximum, not by the device.
  Bytes fill(40000, 0xFF);
  fill[1] = 0xD8;
  fill[3] = 0xDB;
  qm::MaxRawFileSizeGuard guard(10000);
  const auto r = Carve(jpg, fill);
  EXPECT_EQ(r.sized, 0);
}

TEST(JpgAnalyser, BrokenExifDataLeavesTheNamesEmptyAndTheWalkGoesOn) {
  Bytes file = Jpeg({.first = 0xE1, .appText = std::string("Exif\0\0XX", 8)});
  FileJPGAnalyser jpg;
  const auto r = Carve(jpg, file);
  EXPECT_EQ(r.length, file.size());
  EXPECT_EQ(jpg.GetExtraName(), "");
  EXPECT_EQ(r.record.GetExtraName2(), "");
}

// ---------------------------------------------------------------- TIFF

// A little-endian TIFF: header, strip data, one IFD with the given
// entries (tag, type, count, value), and out-of-line values after it.
struct TiffEntry {
  std::uint16_t tag, type;
  std::uint32_t count, value;
};

Bytes Tiff(std::uint32_t ifd, const std::vector<TiffEntry>& entries, std::uint32_t next = 0,
           std::size_t size = 0) {
  Bytes b = {'I', 'I', 42, 0};
  PutLe32(b, 4, ifd);
  PutLe16(b, ifd, static_cast<std::uint32_t>(entries.size()));
  std::size_t at = ifd + 2;
  for (const TiffEntry& e : entries) {
    PutLe16(b, at, e.tag);
    PutLe16(b, at + 2, e.type);
    PutLe32(b, at + 4, e.count);
    PutLe32(b, at + 8, e.value);
    at += 12;
  }
  PutLe32(b, at, next);
  if (b.size() < size) b.resize(size);
  return b;
}

TEST(TifAnalyser, LengthReachesTheFurthestStripValueOrDirectory) {
  // One strip at 8 of 1000 bytes, the directory after it.
  Bytes one = Tiff(1008, {{256, 3, 1, 40}, {273, 4, 1, 8}, {279, 4, 1, 1000}});
  FileTIFAnalyser tif;
  EXPECT_EQ(Carve(tif, one).length, 1008 + 2 + 3 * 12 + 4u);

  // Three strips listed in arrays; the last strip ends at 9000.
  Bytes three = Tiff(8, {{273, 4, 3, 100}, {279, 3, 3, 120}}, 0, 9000);
  PutLe32(three, 100, 2000), PutLe32(three, 104, 8000), PutLe32(three, 108, 5000);
  PutLe16(three, 120, 500), PutLe16(three, 122, 1000), PutLe16(three, 124, 100);
  EXPECT_EQ(Carve(tif, three).length, 9000u);

  // Strip data after a long out-of-line value, which ends the file.
  Bytes value = Tiff(8, {{273, 4, 1, 100}, {279, 4, 1, 50}, {270, 2, 3000, 200}});
  EXPECT_EQ(Carve(tif, value).length, 3200u);
}

TEST(TifAnalyser, NikonModelMakesANefNamedAfterIt) {
  Bytes file = Tiff(8, {{271, 2, 18, 200}, {272, 2, 10, 300}, {273, 4, 1, 400}, {279, 4, 1, 2000}});
  Put(file, 200, std::string("NIKON CORPORATION\0", 18));
  Put(file, 300, std::string("NIKON D70\0", 10));
  FileTIFAnalyser tif;
  const auto r = Carve(tif, file);
  EXPECT_EQ(r.type, 73);
  EXPECT_EQ(r.length, 2400u);
  EXPECT_EQ(tif.GetExtraName(), "NIKON D70");
  EXPECT_EQ(r.record.GetExtraName(), "NIKON D70");
  EXPECT_EQ(r.record.GetExtraName2(), "");

  // Another camera's picture stays TIF, and names nothing.
  Put(file, 300, std::string("Canon EOS\0", 10));
  const auto other = Carve(tif, file);
  EXPECT_EQ(other.type, 60);
  EXPECT_EQ(tif.GetExtraName(), "");
}

TEST(TifAnalyser, SubImageOfANefIsWalkedForItsRawData) {
  // The main directory holds a thumbnail; the second sub-image the raw data
  // at the end of the file.
  Bytes file = Tiff(8, {{272, 2, 6, 200}, {273, 4, 1, 300}, {279, 4, 1, 100}, {330, 4, 2, 220}});
  Put(file, 200, std::string("NIKON\0", 6));
  PutLe32(file, 220, 600);
  PutLe32(file, 224, 700);
  PutLe16(file, 700, 2);
  PutLe16(file, 702, 273), PutLe16(file, 704, 4), PutLe32(file, 706, 1), PutLe32(file, 710, 1000);
  PutLe16(file, 714, 279), PutLe16(file, 716, 4), PutLe32(file, 718, 1), PutLe32(file, 722, 50000);
  PutLe32(file, 726, 0);
  FileTIFAnalyser tif;
  EXPECT_EQ(Carve(tif, file).length, 51000u);
}

TEST(TifAnalyser, DamagedDirectoriesEndTheWalk) {
  FileTIFAnalyser tif;
  // A directory chain that points back at itself ends.
  Bytes loop = Tiff(8, {{273, 4, 1, 100}, {279, 4, 1, 400}}, 8);
  EXPECT_EQ(Carve(tif, loop).length, 500u);
  // Two directories that point at each other.
  Bytes pair = Tiff(8, {{273, 4, 1, 100}, {279, 4, 1, 400}}, 600, 700);
  PutLe16(pair, 600, 0);
  PutLe32(pair, 602, 8);
  EXPECT_EQ(Carve(tif, pair).length, 606u);
  // Too many entries, or a directory beyond the maximum.
  Bytes many = Tiff(8, {});
  PutLe16(many, 8, 513);
  EXPECT_EQ(Carve(tif, many).sized, 0);
  qm::MaxRawFileSizeGuard guard(100000);
  Bytes far = Tiff(8, {});
  PutLe32(far, 4, 200000);
  EXPECT_EQ(Carve(tif, far).sized, 0);
  // Strip counts in an array that runs off the device: the strips read.
  Bytes off = Tiff(8, {{273, 4, 70000, 100}, {279, 4, 70000, 100}});
  auto device = std::make_unique<qm::MemoryDevice>(off, 512);
  device->bytes().resize(1024);
  CarveOn(tif, *device, 0);
}

// ---------------------------------------------------------------- CRW

Bytes CrwHeader() {
  Bytes b = qm::test::Sector({'I', 'I', 0x1A, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R', 2, 0});
  return b;
}

void PutCrwDescription(Bytes& b, std::size_t at) {
  Put(b, at, "High definition CCD image");
  Put(b, at + 32, "CRW:High definition CCD image");
  Put(b, at + 122, "Canon ");
  Put(b, at + 128, "Canon PowerShot S30");
}

TEST(CrwAnalyser, LengthEndsAtTheCameraDescriptionRoundedToSectors) {
  Bytes file = CrwHeader();
  file.resize(300000);
  PutCrwDescription(file, 200123);
  FileCRWAnalyser crw;
  for (std::int32_t sectorSize : {512, 4096}) {
    const auto r = Carve(crw, file, sectorSize);
    EXPECT_EQ(r.type, 16);
    EXPECT_EQ(r.length, (200123 + sectorSize - 1) / sectorSize * std::uint64_t(sectorSize));
  }
  // Only part of the description: not the end.
  Put(file, 200123 + 128, "Canon EOS");
  auto device = qm::test::DeviceWithZeroTail(file, 0);
  EXPECT_EQ(CarveOn(crw, *device).length, (file.size() + 511) / 512 * 512);
}

TEST(CrwAnalyser, WithoutADescriptionTheLengthIsTwentyMegabytes) {
  Bytes file = CrwHeader();
  auto device = qm::test::DeviceWithZeroTail(file, 0x1400000 + 4096);
  FileCRWAnalyser crw;
  EXPECT_EQ(CarveOn(crw, *device).length, 0x1400000u);
}

} // namespace
