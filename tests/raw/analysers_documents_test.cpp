#include "raw/analysers_documents.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "carve_harness.h"
#include "format_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kEnd = 0xFFFFFFFE;

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  qm::StoreLe16(b.data() + at, v);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  qm::StoreLe32(b.data() + at, v);
}
void PutText(Bytes& b, std::size_t at, const std::string& text) {
  if (b.size() < at + text.size()) b.resize(at + text.size());
  std::memcpy(b.data() + at, text.data(), text.size());
}

// A compound document: the header, fatCount table sectors (sectors 0 ..
// fatCount - 1, all listed in the header) of which the last has lastUsed
// entries in use, and a directory sector after them whose first entries
// carry the names given (UTF-16).
struct Ole {
  std::vector<std::string> names = {"Root Entry"};
  std::uint32_t fatCount = 1;
  std::uint32_t lastUsed = 3;
  std::uint16_t shift = 9;
  bool rootClassZero = true;

  std::size_t SectorSize() const { return std::size_t{1} << shift; }
  std::size_t Offset(std::uint32_t sector) const { return (sector + 1) * SectorSize(); }
  std::uint64_t Length() const {
    const std::uint64_t per = SectorSize() / 4;
    return ((fatCount - 1) * per + lastUsed) * SectorSize() + SectorSize();
  }

  Bytes Build() const {
    const std::size_t ss = SectorSize();
    const std::size_t per = ss / 4;
    Bytes b(Offset(fatCount + 1), 0);
    PutText(b, 0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    Put16(b, 26, shift == 9 ? 3 : 4);
    Put16(b, 28, 0xFFFE);
    Put16(b, 30, shift);
    Put32(b, 44, fatCount);
    Put32(b, 48, fatCount); // directory right after the table
    Put32(b, 60, kEnd);
    Put32(b, 68, kEnd);
    for (std::uint32_t i = 0; i < 109; ++i) Put32(b, 76 + 4 * i, i < fatCount ? i : kFree);
    for (std::uint32_t f = 0; f < fatCount; ++f)
      for (std::size_t e = 0; e < per; ++e)
        Put32(b, Offset(f) + 4 * e, f + 1 < fatCount || e < lastUsed ? kEnd : kFree);
    for (std::size_t n = 0; n < names.size(); ++n) {
      const std::size_t entry = Offset(fatCount) + 128 * n;
      for (std::size_t c = 0; c < names[n].size(); ++c)
        Put16(b, entry + 2 * c, static_cast<std::uint8_t>(names[n][c]));
      Put16(b, entry + 64, static_cast<std::uint16_t>(2 * names[n].size() + 2));
      b[entry + 66] = n == 0 ? 5 : 2;
      if (n == 0 && !rootClassZero) b[entry + 80] = 0x42;
    }
    return b;
  }
};

qm::CarveResult CarveOle(const Bytes& file, std::int32_t sectorSize = 512) {
  auto device = qm::DeviceWithFile(file, 2, 3000, sectorSize);
  FileOLEAnalyser ole;
  return qm::Carve(ole, *device, 2);
}

TEST(DocumentAnalysers, RealCompoundDocumentsAreTypedAndSizedWhole) {
  struct Case {
    const char* file;
    int type;
  } cases[] = {{"word.doc", 21}, {"sheet.xls", 67}};
  for (const std::int32_t sectorSize : {512, 4096}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.file) + " sector size " + std::to_string(sectorSize));
      const Bytes file = qm::ReadFormatFixture(c.file);
      ASSERT_GT(file.size(), 512u);
      const qm::CarveResult r = CarveOle(file, sectorSize);
      EXPECT_EQ(r.matched, 1);
      EXPECT_EQ(r.type, c.type);
      EXPECT_EQ(r.length, file.size());
    }
  }
}

TEST(DocumentAnalysers, CompoundDocumentTypeFollowsTheDirectoryNames) {
  struct Case {
    std::vector<std::string> names;
    int type;
    bool rootClassZero = true;
  } cases[] = {
      {{"Root Entry", "WordDocument"}, 21},
      {{"Root Entry", "a", "b", "ObjectPool"}, 21},
      {{"Root Entry", "x", "Workbook"}, 67},
      {{"Root Entry", "Book"}, 67},
      // A later rule that holds wins over an earlier one.
      {{"Root Entry", "x", "Workbook", "PowerPoint Document"}, 48},
      {{"Root Entry", "WordDocument", "Workbook"}, 67},
      {{"Root Entry", "Pictures and more"}, 48},
      {{"Root Entry", "PP40"}, 48},
      {{"Root Entry", "Scene"}, 35},
      {{"Root Entry", "PerfectOffice_MAIN", "PerfectOffice_OBJECTS", "\x05SummaryInformation"}, 57},
      {{"Root Entry", "PerfectOffice_MAIN", "PerfectOffice_OBJECTS", "x"}, 65},
      {{"Root Entry", "PerfectOffice_MAIN", "PerfectOffice_OBJECTS", "x"}, 64, false},
      {{"Root Entry", "Objects", "Quill", "Escher"}, 49},
      {{"Root Entry", "NativeContent_MAIN"}, 53},
      {{"Root Entry", "\x01" "CompObj", "   19", "   29"}, 43},
      {{"Root Entry", "\x01" "CompObj", "   112", "   212"}, 43},
      {{"Root Entry", "\x01" "CompObj", "   19", "   212"}, 39},
      {{"Root Entry", "PropData", "Forms", "Reports"}, 3},
      // Names are compared whole: a longer name is another name.
      {{"Root Entry", "WordDocuments"}, 39},
      {{"Root Entry", "Workbook"}, 67},
      {{"Root Entry", "a", "b", "Workbook"}, 39},
      {{"Root Entry"}, 39},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names.back() + " -> " + std::to_string(c.type));
    Ole ole;
    ole.names = c.names;
    ole.rootClassZero = c.rootClassZero;
    const qm::CarveResult r = CarveOle(ole.Build());
    EXPECT_EQ(r.type, c.type);
    EXPECT_EQ(r.length, ole.Length());
  }
  // Drawing documents get 1 KiB more than their table counts.
  Ole visio;
  visio.names = {"Root Entry", "VisioDocument"};
  const qm::CarveResult r = CarveOle(visio.Build());
  EXPECT_EQ(r.type, 62);
  EXPECT_EQ(r.length, visio.Length() + 1024);
}

// The first four entries name nothing known; the next directory sector
// (sector 2, linked from sector 1 through the table) holds `later`.
Bytes WithLaterEntry(const std::string& later, std::uint32_t linkFromFirst) {
  Ole ole;
  ole.names = {"Root Entry", "\x01" "CompObj", "\x01Ole", "1Table"};
  ole.lastUsed = 4;
  Bytes b = ole.Build();
  b.resize(ole.Offset(3), 0);
  Put32(b, ole.Offset(0) + 4 * 1, linkFromFirst);
  Put32(b, ole.Offset(0) + 4 * 2, kEnd);
  for (std::size_t c = 0; c < later.size(); ++c) Put16(b, ole.Offset(2) + 128 + 2 * c, static_cast<std::uint8_t>(later[c]));
  return b;
}

TEST(DocumentAnalysers, MainStreamsFurtherDownTheDirectoryStillTypeTheDocument) {
  struct Case {
    std::string later;
    std::uint32_t link;
    int type;
  } cases[] = {
      {"WordDocument", 2, 21},
      {"Workbook", 2, 67},
      {"PowerPoint Document", 2, 48},
      {"Other", 2, 39},
      // The first directory sector links to itself: the search ends.
      {"WordDocument", 1, 39},
      // A link past the device or to a mark ends it too.
      {"WordDocument", 900000, 39},
      {"WordDocument", kFree, 39},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.later + " " + std::to_string(c.link));
    const qm::CarveResult r = CarveOle(WithLaterEntry(c.later, c.link));
    EXPECT_EQ(r.type, c.type);
    EXPECT_EQ(r.length, 5u * 512);
  }
}

TEST(DocumentAnalysers, CompoundDocumentLengthCountsEveryTableSector) {
  // Three table sectors, the last with its last used entry at 10.
  Ole ole;
  ole.fatCount = 3;
  ole.lastUsed = 10;
  EXPECT_EQ(CarveOle(ole.Build()).length, (2u * 128 + 10) * 512 + 512);
  // 4096-byte sectors are sized by their own sector size, not cut to an
  // eighth.
  Ole large;
  large.shift = 12;
  large.lastUsed = 3;
  large.names = {"Root Entry", "WordDocument"};
  const qm::CarveResult r = CarveOle(large.Build());
  EXPECT_EQ(r.type, 21);
  EXPECT_EQ(r.length, 4u * 4096);
  EXPECT_EQ(CarveOle(large.Build(), 4096).length, 4u * 4096);
}

// 109 table sectors in the header and two more in a DIFAT sector (sector
// 109); the table at sectors 0-108 and 110-111, the directory at 112.
Bytes WithDifatChain(std::uint32_t next, std::uint32_t lastUsed) {
  Ole ole;
  ole.fatCount = 109;
  ole.lastUsed = 128;
  Bytes b = ole.Build();
  // Move the directory from sector 109 to 112 and write the DIFAT sector.
  b.resize(ole.Offset(113), 0);
  std::memmove(b.data() + ole.Offset(112), b.data() + ole.Offset(109), 512);
  std::memset(b.data() + ole.Offset(109), 0xFF, 512);
  Put32(b, 48, 112);
  Put32(b, 68, 109);
  Put32(b, 72, 1);
  Put32(b, ole.Offset(109) + 0, 110);
  Put32(b, ole.Offset(109) + 4, 111);
  Put32(b, ole.Offset(109) + 508, next);
  for (std::uint32_t e = 0; e < 128; ++e) {
    Put32(b, ole.Offset(110) + 4 * e, kEnd);
    Put32(b, ole.Offset(111) + 4 * e, e < lastUsed ? kEnd : kFree);
  }
  return b;
}

TEST(DocumentAnalysers, DifatChainIsFollowedForwardsOnly) {
  const std::uint64_t expected = (110u * 128 + 20) * 512 + 512;
  struct Case {
    std::uint32_t next;
    const char* what;
  } cases[] = {
      {kEnd, "end of chain"},
      {kFree, "free mark"},
      {109, "points at itself"},
      {5, "points backwards"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const qm::CarveResult r = CarveOle(WithDifatChain(c.next, 20));
    EXPECT_EQ(r.matched, 1);
    EXPECT_EQ(r.length, expected);
  }
  // A chain that runs on past the device: the table cannot be counted.
  const qm::CarveResult r = CarveOle(WithDifatChain(200, 20));
  EXPECT_EQ(r.sized, 0);
  EXPECT_EQ(r.length, 0u);
  // A chain whose next sector lies beyond the maximum carved size stops
  // there, keeping what it counted.
  EXPECT_EQ(CarveOle(WithDifatChain(5000000, 20)).length, expected);
  qm::MaxRawFileSizeGuard guard(100000);
  EXPECT_EQ(CarveOle(WithDifatChain(200, 20)).length, expected);
}

TEST(DocumentAnalysers, DamagedCompoundDocumentsGetNoOrAFallbackLength) {
  {
    // No table sector listed at all.
    Bytes b = Ole{}.Build();
    Put32(b, 76, kFree);
    const qm::CarveResult r = CarveOle(b);
    EXPECT_EQ(r.sized, 0);
    EXPECT_EQ(r.length, 0u);
    EXPECT_EQ(r.type, 44);
  }
  {
    // The last table sector lies past the device.
    Bytes b = Ole{}.Build();
    Put32(b, 76, 0x00FFFFF0);
    EXPECT_EQ(CarveOle(b).length, 0u);
  }
  {
    // An unreadable directory: a small document is still sized (MOF).
    Ole ole;
    ole.names = {"Root Entry", "WordDocument"};
    Bytes b = ole.Build();
    Put32(b, 48, 0x00FFFFF0);
    const qm::CarveResult r = CarveOle(b);
    EXPECT_EQ(r.type, 39);
    EXPECT_EQ(r.length, ole.Length());
  }
  {
    // ... but not one above 10 MiB: 3 table sectors of 4096 bytes cover
    // 12 MiB.
    Ole ole;
    ole.shift = 12;
    ole.fatCount = 3;
    ole.lastUsed = 1024;
    Bytes b = ole.Build();
    Put32(b, 48, kEnd);
    const qm::CarveResult r = CarveOle(b);
    EXPECT_EQ(r.sized, 0);
    EXPECT_EQ(r.length, 0u);
  }
  {
    // A truncated header.
    const Bytes b = Ole{}.Build();
    qm::MemoryDevice device(Bytes(b.begin(), b.begin() + 512));
    CRawFileInfo info;
    FileOLEAnalyser ole;
    EXPECT_EQ(ole.AnalyseFileSize(&info, &device), 0);
  }
}

TEST(DocumentAnalysers, EarlyWordDocumentsTakeTheirLengthFromTheHeader) {
  FileLowDocAnalyser low;
  {
    const Bytes doc = qm::ReadFormatFixture("word.doc");
    CRawFileInfo info;
    EXPECT_EQ(low.CheckHeader(qm::ByteView(doc.data(), 512), &info), 1);
    EXPECT_EQ(info.GetType(), 21);
    const std::uint64_t directory = qm::ByteView(doc.data(), 512).le32(48);
    EXPECT_EQ(info.GetLength(), (directory + 5) * 512);
  }
  struct Case {
    std::string magic;
    std::uint32_t end;
    std::uint16_t tail;
    std::uint64_t length;
  } cases[] = {
      {std::string("\xDB\xA5\x2D\x00", 4), 1000, 24, 1024},
      {std::string("\x94\xA6\x2E\x00", 4), 1000, 25, 1536},
      {std::string("\x94\xA6\x2E\x00", 4), 0xFFFFFFFF, 0xFFFF, 0x100010000ull},
  };
  for (const Case& c : cases) {
    Bytes h(512, 0);
    PutText(h, 0, c.magic);
    Put32(h, 292, c.end);
    Put16(h, 296, c.tail);
    CRawFileInfo info;
    EXPECT_EQ(low.CheckHeader(qm::ByteView(h.data(), h.size()), &info), 1);
    EXPECT_EQ(info.GetLength(), c.length);
  }
  Bytes other(512, 0);
  PutText(other, 0, std::string("\xDB\xA5\x2D\x01", 4));
  CRawFileInfo info;
  EXPECT_EQ(low.CheckHeader(qm::ByteView(other.data(), other.size()), &info), 0);
}

TEST(DocumentAnalysers, RealHelpFileIsCarvedWholeAndAlteredHeadersAreRefused) {
  const Bytes chm = qm::ReadFormatFixture("help.chm");
  FileCHMAnalyser analyser;
  for (const std::int32_t sectorSize : {512, 4096}) {
    auto device = qm::DeviceWithFile(chm, 1, 100, sectorSize);
    const qm::CarveResult r = qm::Carve(analyser, *device, 1);
    EXPECT_EQ(r.matched, 1);
    EXPECT_EQ(r.type, 12);
    EXPECT_EQ(r.length, chm.size());
  }
  struct Case {
    std::size_t at;
    std::uint8_t value;
    int matched;
  } cases[] = {
      {8, 0x58, 0},  // header length of version 2
      {24, 0x11, 0}, // first class id
      {40, 0x11, 1}, // the second class id as other compilers write it
      {40, 0x12, 0}, //
      {96, 0xFF, 0}, // section mark
      {100, 1, 0},   //
      {112, 1, 0},   //
      {116, 1, 0},   //
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.at);
    Bytes h(chm.begin(), chm.begin() + 512);
    h[c.at] = c.value;
    CRawFileInfo info;
    EXPECT_EQ(analyser.CheckHeader(qm::ByteView(h.data(), h.size()), &info), c.matched);
  }
}

TEST(DocumentAnalysers, HelpAndNotebookHeadersGiveTheLength) {
  struct HlpCase {
    std::uint32_t directory;
    std::uint32_t size;
    int matched;
  } hlp[] = {{300, 5000, 1}, {5000, 5000, 1}, {5001, 5000, 0}, {0, 511, 0}, {0, 512, 1}};
  FileHLPAnalyser help;
  for (const HlpCase& c : hlp) {
    Bytes h(512, 0);
    PutText(h, 0, std::string("\x3F\x5F\x03\x00", 4));
    Put32(h, 4, c.directory);
    Put32(h, 12, c.size);
    CRawFileInfo info;
    EXPECT_EQ(help.CheckHeader(qm::ByteView(h.data(), h.size()), &info), c.matched) << c.size;
    if (c.matched) {
      EXPECT_EQ(info.GetType(), 30);
      EXPECT_EQ(info.GetLength(), c.size);
    }
  }
  struct OneCase {
    std::uint32_t size;
    std::uint64_t length;
  } one[] = {{123456, 123456}, {0, 0x300000}, {0x40000000, 0x40000000}, {0x40000001, 0x300000}};
  FileONEAnalyser notebook;
  for (const OneCase& c : one) {
    Bytes h(512, 0);
    PutText(h, 0, "\xE4\x52\x5C\x7B\x8C\xD8\xA7\x4D\xAE\xB1\x53\x78\xD0\x29\x96\xD3");
    Put32(h, 196, c.size);
    CRawFileInfo info;
    EXPECT_EQ(notebook.CheckHeader(qm::ByteView(h.data(), h.size()), &info), 1);
    EXPECT_EQ(info.GetType(), 45);
    EXPECT_EQ(info.GetLength(), c.length);
  }
}

} // namespace
