// PDF, RTF, HTML, WordPerfect and TrueType over crafted files.
#include "raw/analysers_text_fonts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media_analyser_test.h"

namespace {

using qm::test::Carve;
using qm::test::CarveOn;
using qm::test::DeviceWithZeroTail;
using Bytes = std::vector<std::uint8_t>;

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }
void Put(Bytes& b, std::size_t at, std::string_view s) {
  if (b.size() < at + s.size()) b.resize(at + s.size());
  std::copy(s.begin(), s.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

int Check(IRawFileAnalyser& a, Bytes s, CRawFileInfo& record) {
  s.resize(std::max<std::size_t>(512, s.size()));
  return a.CheckHeader(qm::ByteView(s.data(), s.size()), &record);
}

TEST(PdfAnalyser, ScanEndsAtTheEndThatNoUpdateFollowsOrAtTheNextDocument) {
  FilePDFAnalyser pdf;
  struct Case {
    const char* what;
    std::string text;
    std::size_t length;
    int type;
  };
  const std::string body = "%PDF-1.4\n1 0 obj << >> endobj\n";
  const Case cases[] = {
      {"one document", body + "%%EOF\n", body.size() + 6, 46},
      {"CR LF after the end", body + "%%EOF\r\nxyz", body.size() + 7, 46},
      {"no line end after the end", body + "%%EOFxyz", body.size() + 5, 46},
      {"incremental update", body + "%%EOF\n2 0 obj << >> endobj\n%%EOF\n", 0, 46},
      {"update of a cross-reference table only",
       body + "%%EOF\r\n\r\nxref\n0 1\n0000000000 65535 f \ntrailer\n<< >>\nstartxref\n9\n%%EOF\r\n", 0, 46},
      {"other bytes after the end", body + "%%EOF\n12 obj\n%%EOF\n", body.size() + 6, 46},
      {"next document before any end", body + "%PDF-1.5\n%%EOF\n", body.size(), 46},
      {"illustrator file goes on after its first end",
       "%PDF-1.5\n%!PS-Adobe-3.0\n" + std::string(100, 'x') + "%%EOF\nabc more\n%%EOF\r\x01\x02\x03", 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto r = Carve(pdf, B(c.text));
    EXPECT_EQ(r.type, c.type);
    const std::size_t expected = c.length != 0 ? c.length
                                 : c.type == 5 ? c.text.size() - 3 + 1
                                               : c.text.size();
    EXPECT_EQ(r.length, expected);
  }
  // No end within the maximum: the offset reached.
  qm::MaxRawFileSizeGuard guard(3000);
  Bytes open = B(body);
  open.resize(10000, 'y');
  auto device = DeviceWithZeroTail(open, 0);
  EXPECT_EQ(CarveOn(pdf, *device).length, 3001u);
  // Unreadable before any end: nothing.
  Bytes cut = B(body);
  cut.resize(1024, 'y');
  qm::MemoryDevice short_(cut, 512);
  EXPECT_EQ(CarveOn(pdf, short_, 0).sized, 0);
}

TEST(RtfAnalyser, BraceDepthEndsTheDocument) {
  FileRTFAnalyser rtf;
  const std::string doc = "{\\rtf1{\\fonttbl{\\f0 Arial;}}text with \\{ and \\} and \\\\{\\b bold}}";
  const auto r = Carve(rtf, B(doc + "tail"));
  EXPECT_EQ(r.sized, 1);
  EXPECT_EQ(r.length, doc.size());

  // Cut off inside a group: the length up to the cut, and no success.
  Bytes cut = B("{\\rtf1{\\b unfinished");
  cut.push_back(0);
  const auto c = Carve(rtf, cut);
  EXPECT_EQ(c.sized, 0);
  EXPECT_EQ(c.length, cut.size() - 1);

  // The largest maximum the setting can hold still ends the scan.
  {
    qm::MaxRawFileSizeGuard top(~0ull);
    const auto t = Carve(rtf, B(doc));
    EXPECT_EQ(t.length, doc.size());
  }

  // Never closed, past the maximum: success with the offset reached.
  qm::MaxRawFileSizeGuard guard(2000);
  Bytes open = B("{\\rtf1");
  open.resize(6000, '{');
  auto device = DeviceWithZeroTail(open, 0);
  const auto o = CarveOn(rtf, *device);
  EXPECT_EQ(o.sized, 1);
  EXPECT_EQ(o.length, 2001u);
}

TEST(HtmAnalyser, HeaderForms) {
  struct Case {
    std::string text;
    int match;
  };
  const Case cases[] = {{"<HTML>", 1},
                        {"<html>", 1},
                        {"<!DOCTYPE html PUBLIC", 1},
                        {"<!-- c -->\n<HtMl>", 1},
                        {"<!-- c -->" + std::string(480, ' ') + "<html>", 1},
                        {"<!-- c -->" + std::string(495, ' ') + "<html>", 0},
                        {"<html lang=en>", 0},
                        {"<head><html>", 0}};
  FileHTMAnalyser htm;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 30));
    CRawFileInfo record;
    EXPECT_EQ(Check(htm, B(c.text), record), c.match);
    if (c.match) {
      EXPECT_EQ(record.GetType(), 31);
    }
  }
  // The end tag and the line end after it (LF, CR LF or CR), nothing more.
  const std::string page = "<html><body>x</body></Html>";
  EXPECT_EQ(Carve(htm, B(page + "\nrest")).length, page.size() + 1);
  EXPECT_EQ(Carve(htm, B(page + "\r\nrest")).length, page.size() + 2);
  EXPECT_EQ(Carve(htm, B(page + "\r<p>")).length, page.size() + 1);
  EXPECT_EQ(Carve(htm, B(page + " \n")).length, page.size());
}

Bytes Wide(std::string_view s) {
  Bytes b = {0xFF, 0xFE};
  for (char c : s)
    b.insert(b.end(), {static_cast<std::uint8_t>(c), 0});
  return b;
}

TEST(UnicodeHtmAnalyser, Utf16TextEndsAtTheEndTagOrAStopCharacter) {
  FileUnicodeHTMAnalyser htm;
  Bytes page = Wide("<html><body>text</body></HTML>\n");
  EXPECT_EQ(Carve(htm, page).length, page.size()); // the end tag and one character more

  Bytes stop = Wide("<!DOCTYPE x><html>text");
  const std::size_t end = stop.size();
  stop.insert(stop.end(), {0, 0, 'x', 0});
  EXPECT_EQ(Carve(htm, stop).length, end);

  Bytes noTag = Wide("<!DOCTYPE x><body>");
  EXPECT_EQ(Carve(htm, noTag).sized, 0);
  Bytes otherStart = Wide("<body><html>");
  EXPECT_EQ(Carve(htm, otherStart).sized, 0);

  // Text that never ends stops at 1 MiB.
  Bytes endless = Wide("<html>");
  for (int i = 0; i < 600000; ++i)
    endless.insert(endless.end(), {'a', 0});
  EXPECT_EQ(Carve(htm, endless).length, 0x100000u);
}

TEST(WpdAnalyser, ProductAndFileTypeChooseTheType) {
  struct Case {
    std::string_view at8, at14;
    int match, type;
  };
  const Case cases[] = {
      {std::string_view("\x01\x0A\x02\x01", 4), std::string_view("\x00\x02\x05\x00", 4), 1, 64},
      {std::string_view("\x01\x16\x02\x00", 4), std::string_view("\x00\x00\x03\x00", 4), 1, 65},
      {std::string_view("\x0F\x0F\x01\x00", 4), std::string_view("\x00\x00\x03\x00", 4), 1, 57},
      {std::string_view("\x01\x0A\x02\x01", 4), std::string_view("\x00\x00\x03\x00", 4), 0, 0},
  };
  FileWPDAnalyser wpd;
  for (const Case& c : cases) {
    Bytes s = B("\xFFWPC");
    Put(s, 8, c.at8);
    Put(s, 14, c.at14);
    Put(s, 20, std::string_view("\x10\x27\0\0", 4));
    CRawFileInfo record;
    EXPECT_EQ(Check(wpd, s, record), c.match);
    EXPECT_EQ(record.GetType(), c.type);
    EXPECT_EQ(record.GetLength(), c.match ? 10000u : 0u);
  }
}

Bytes Font(int tables, int known) {
  Bytes b = {0, 1, 0, 0, 0, static_cast<std::uint8_t>(tables)};
  b.resize(12 + 16 * static_cast<std::size_t>(tables));
  const char* names[] = {"cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post", "OS/2"};
  for (int i = 0; i < tables; ++i) {
    const std::size_t at = 12 + 16 * static_cast<std::size_t>(i);
    Put(b, at, i < known ? names[i % 10] : "zzz1");
    b[at + 15] = static_cast<std::uint8_t>(10 + i); // lengths 10, 11, ... rounded up to 4
  }
  return b;
}

TEST(TtfAnalyser, AtLeastHalfTheTablesMustBeKnown) {
  FileTTFAnalyser ttf;
  CRawFileInfo record;
  EXPECT_EQ(Check(ttf, Font(10, 4), record), 0);
  ASSERT_EQ(Check(ttf, Font(10, 5), record), 1);
  EXPECT_EQ(record.GetType(), 61);
  std::uint64_t tables = 0;
  for (int i = 0; i < 10; ++i)
    tables += (10 + i + 3) / 4 * 4;
  EXPECT_EQ(record.GetLength(), 12 + 160 + tables);
  EXPECT_EQ(Check(ttf, Font(31, 31), record), 1);
  EXPECT_EQ(Check(ttf, Font(32, 32), record), 0);
  EXPECT_EQ(Check(ttf, Font(0, 0), record), 0);
}

} // namespace
