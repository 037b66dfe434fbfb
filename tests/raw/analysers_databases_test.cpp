#include "raw/analysers_databases.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "carve_harness.h"
#include "format_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Header(const std::string& magic, std::size_t at = 0) {
  Bytes b(512, 0);
  std::memcpy(b.data() + at, magic.data(), magic.size());
  return b;
}

int Check(IRawFileAnalyser& analyser, const Bytes& h, CRawFileInfo& info) {
  return analyser.CheckHeader(qm::ByteView(h.data(), h.size()), &info);
}

TEST(DatabaseAnalysers, PersonalFoldersTakeTheSizeOfTheirFormat) {
  struct Case {
    std::uint8_t format;
    std::uint64_t length;
  } cases[] = {{14, 0x11223344}, {23, 0x5566778899ull}, {15, 0x100000}, {36, 0x100000}};
  FilePSTAnalyser pst;
  for (const Case& c : cases) {
    Bytes h = Header("!BDN");
    h[10] = c.format;
    qm::StoreLe32(h.data() + 168, 0x11223344);
    qm::StoreLe64(h.data() + 184, 0x5566778899ull);
    CRawFileInfo info;
    EXPECT_EQ(Check(pst, h, info), 1);
    EXPECT_EQ(info.GetType(), 52);
    EXPECT_EQ(info.GetLength(), c.length) << int{c.format};
  }
}

TEST(DatabaseAnalysers, MailFoldersAreKnownByTheirIds) {
  const std::string ids[] = {
      std::string("\xCF\xAD\x12\xFE\xC5\xFD\x74\x6F\x66\xE3\xD1\x11\x9A\x4E\x00\xC0", 16),
      std::string("\xCF\xAD\x12\xFE\xC6\xFD\x74\x6F\x66\xE3\xD1\x11\x9A\x4E\x00\xC0", 16),
      std::string("\xCF\xAD\x12\xFE\xC7\xFD\x74\x6F\x66\xE3\xD1\x11\x9A\x4E\x00\xC0", 16),
      std::string("\xCF\xAD\x12\xFE\x30\x9D\xFE\x26\x8F\x1A\xD2\x11\xAA\xBF\x00\x60", 16),
      std::string("JMF6\x03\x00\x10\x00", 8),
  };
  FileDBXAnalyser dbx;
  for (const std::string& id : ids) {
    Bytes h = Header(id);
    qm::StoreLe32(h.data() + 124, 777777);
    CRawFileInfo info;
    EXPECT_EQ(Check(dbx, h, info), 1);
    EXPECT_EQ(info.GetType(), 19);
    EXPECT_EQ(info.GetLength(), 777777u);
  }
  Bytes other = Header(std::string("\xCF\xAD\x12\xFE\xC8\xFD\x74\x6F\x66\xE3\xD1\x11\x9A\x4E\x00\xC0", 16));
  CRawFileInfo info;
  EXPECT_EQ(Check(dbx, other, info), 0);
}

Bytes Database(const char* kind, int pages) {
  Bytes b(static_cast<std::size_t>(pages) * 4096, 0);
  const std::string magic = std::string("\x00\x01\x00\x00Standard ", 13) + kind + " DB";
  std::memcpy(b.data(), magic.data(), magic.size());
  for (int p = 0; p < pages; ++p) b[static_cast<std::size_t>(p) * 4096] = p == 0 ? 0 : 1 + p % 5;
  return b;
}

TEST(DatabaseAnalysers, DatabasesAreSizedByTheirPagesInUse) {
  FileMDBAnalyser mdb;
  for (const std::int32_t sectorSize : {512, 4096}) {
    // Six pages, then a page that begins with 0.
    Bytes file = Database("Jet", 6);
    file.resize(file.size() + 4096, 0);
    auto device = qm::DeviceWithFile(file, 8, 0, sectorSize);
    const qm::CarveResult r = qm::Carve(mdb, *device, 8);
    EXPECT_EQ(r.type, 37);
    EXPECT_EQ(r.length, 6u * 4096);
  }
  {
    // An ACE database that runs to the device's end.
    const Bytes file = Database("ACE", 5);
    qm::MemoryDevice device(file);
    const qm::CarveResult r = qm::Carve(mdb, device, 0);
    EXPECT_EQ(r.type, 72);
    EXPECT_EQ(r.length, 5u * 4096);
  }
  {
    // Bounded by the maximum carved size: offsets up to it are taken.
    const Bytes file = Database("Jet", 10);
    qm::MemoryDevice device(file);
    qm::MaxRawFileSizeGuard guard(3 * 4096);
    EXPECT_EQ(qm::Carve(mdb, device, 0).length, 4u * 4096);
  }
  {
    // ... and by 100 MiB whatever the maximum: a device of nonzero pages.
    qm::MemoryDevice device(Bytes(0x6400000 + 8 * 4096, 0x33));
    std::memcpy(device.bytes().data(), "\x00\x01\x00\x00Standard Jet DB\x00", 20);
    qm::MaxRawFileSizeGuard guard(~std::uint64_t{0});
    EXPECT_EQ(qm::Carve(mdb, device, 0).length, 0x6400000u);
  }
  CRawFileInfo info;
  Bytes other = Header(std::string("\x00\x01\x00\x00Standard Jet DX", 19));
  EXPECT_EQ(Check(mdb, other, info), 0);
}

TEST(DatabaseAnalysers, FinanceDatabasesTakeOneMebibyte) {
  FileMNYAnalyser mny;
  CRawFileInfo info;
  EXPECT_EQ(Check(mny, Header("MSISAM Database", 4), info), 1);
  EXPECT_EQ(info.GetType(), 38);
  EXPECT_EQ(info.GetLength(), 0x100000u);
  EXPECT_EQ(Check(mny, Header("MSISAM Database", 0), info), 0);
}

} // namespace
