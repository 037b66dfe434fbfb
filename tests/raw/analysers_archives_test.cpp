#include "raw/analysers_archives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "carve_harness.h"
#include "format_fixture.h"
#include "platform/message_pump.h"
#include "storage/app_settings.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

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

std::unique_ptr<IRawFileAnalyser> Make(const std::string& name) {
  if (name == "zip") return std::make_unique<FileZIPAnalyser>();
  if (name == "rar") return std::make_unique<FileRARAnalyser>();
  if (name == "cab") return std::make_unique<FileCABAnalyser>();
  if (name == "gz") return std::make_unique<FileGZAnalyser>();
  if (name == "lzh") return std::make_unique<FileLZHAnalyser>();
  return std::make_unique<FileTARAnalyser>();
}

// Real archives made by real tools, each placed after filler on devices of
// both sector sizes: recognised, typed and sized to the file's own length.
TEST(ArchiveAnalysers, RealArchivesAreCarvedWhole) {
  struct Case {
    const char* file;
    const char* analyser;
    int type;
  } cases[] = {
      {"zip_tool.zip", "zip", 68},
      {"comments.zip", "zip", 68},
      {"document.docx", "zip", 69},
      {"sheet.xlsx", "zip", 70},
      {"streamed.zip", "zip", 68},
      {"zip64.zip", "zip", 68},
      {"stored.rar", "rar", 54},
      {"archive.cab", "cab", 10},
      {"archive.tar", "tar", 59},
      {"archive_level0.lzh", "lzh", 34},
      {"archive_level2.lzh", "lzh", 34},
      {"archive_level1.lzh", "lzh", 34},
      // GNU tar's default blocking: zero blocks up to a 10240-byte record.
      {"carve_blocked.tar", "tar", 59},
  };
  for (const std::int32_t sectorSize : {512, 4096}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.file) + " sector size " + std::to_string(sectorSize));
      const Bytes file = qm::ReadFormatFixture(c.file);
      ASSERT_GT(file.size(), 500u);
      auto device = qm::DeviceWithFile(file, 3, 70000, sectorSize);
      auto analyser = Make(c.analyser);
      const qm::CarveResult r = qm::Carve(*analyser, *device, 3);
      EXPECT_EQ(r.matched, 1);
      EXPECT_EQ(r.type, c.type);
      EXPECT_EQ(r.length, file.size());
    }
  }
}

// gzip files of gzip itself: one member, and two members written one after
// the other; inflated to the end of their last member, whatever follows.
TEST(ArchiveAnalysers, GzipIsMeasuredByInflatingItsMembers) {
  for (const char* name : {"b.bin.gz", "carve_text.gz", "carve_two.gz"}) {
    SCOPED_TRACE(name);
    const Bytes file = qm::ReadFormatFixture(name);
    for (const std::int32_t sectorSize : {512, 4096}) {
      auto device = qm::DeviceWithFile(file, 1, 70000, sectorSize);
      FileGZAnalyser gz;
      const qm::CarveResult r = qm::Carve(gz, *device, 1);
      EXPECT_EQ(r.matched, 1);
      EXPECT_EQ(r.type, 29);
      EXPECT_EQ(r.sized, 1);
      EXPECT_EQ(r.length, file.size());
    }
  }
}

TEST(ArchiveAnalysers, GzipWalkStopsAtTheMaximumAndAtBadData) {
  const Bytes file = qm::ReadFormatFixture("carve_two.gz");
  const Bytes first = qm::ReadFormatFixture("carve_text.gz");
  FileGZAnalyser gz;
  {
    // A member still running at the maximum carved size gets the maximum.
    qm::MaxRawFileSizeGuard guard(300);
    auto device = qm::DeviceWithFile(first, 1, 4000);
    EXPECT_EQ(qm::Carve(gz, *device, 1).length, 300u);
  }
  {
    // The second member damaged: the file ends after the first one (the
    // bytes after a whole member only looked like another).
    Bytes broken = file;
    const Bytes magic = {0x1F, 0x8B, 0x08};
    const auto second = static_cast<std::size_t>(
        std::search(broken.begin() + 3, broken.end(), magic.begin(), magic.end()) - broken.begin());
    ASSERT_LT(second, broken.size());
    broken[second + 3] = 0xE0; // reserved header flags
    auto device = qm::DeviceWithFile(broken, 1, 4000);
    EXPECT_EQ(qm::Carve(gz, *device, 1).length, second);
  }
  {
    // Data that are no deflate stream at all: no length.
    Bytes noise = {0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 3, 0xFF, 0xFF, 0xFF};
    auto device = qm::DeviceWithFile(noise, 1, 4000);
    const qm::CarveResult r = qm::Carve(gz, *device, 1);
    EXPECT_EQ(r.sized, 0);
    EXPECT_EQ(r.length, 0u);
  }
  {
    // Cut by the device's end inside the first member, after some of it
    // decoded: what was read.
    const Bytes cut(first.begin(), first.begin() + 512);
    qm::MemoryDevice device(cut, 512);
    EXPECT_EQ(qm::Carve(gz, device, 0).length, 512u);
  }
}

// --- ZIP -------------------------------------------------------------------

Bytes ZipEntry(const std::string& name, const std::string& data, std::uint16_t flags = 0) {
  Bytes b;
  Put32(b, 0, 0x04034b50);
  Put16(b, 6, flags);
  Put32(b, 18, static_cast<std::uint32_t>(data.size()));
  Put32(b, 22, static_cast<std::uint32_t>(data.size()));
  Put16(b, 26, static_cast<std::uint16_t>(name.size()));
  PutText(b, 30, name);
  PutText(b, 30 + name.size(), data);
  return b;
}

Bytes ZipOf(const std::vector<std::string>& names) {
  Bytes zip;
  for (const std::string& name : names) {
    const Bytes e = ZipEntry(name, "some content of " + name);
    zip.insert(zip.end(), e.begin(), e.end());
  }
  Bytes end;
  Put32(end, 0, 0x06054b50);
  Put16(end, 20, 0);
  zip.insert(zip.end(), end.begin(), end.end());
  return zip;
}

TEST(ArchiveAnalysers, ZipPackagesAreTypedByTheirFirstAndMainParts) {
  struct Case {
    std::vector<std::string> names;
    int type;
  } cases[] = {
      {{"[Content_Types].xml", "_rels/.rels", "xl/_rels/workbook.xml.rels"}, 70},
      {{"[Content_Types].xml", "ppt/_rels/presentation.xml.rels"}, 71},
      {{"[Content_Types].xml", "word/_rels/document.xml.rels"}, 69},
      // The content-types part need not come first (one office suite
      // writes it last, before the central directory).
      {{"_rels/.rels", "[Content_Types].xml", "xl/_rels/workbook.xml.rels"}, 70},
      // The main part without any content-types part: a plain ZIP.
      {{"_rels/.rels", "xl/_rels/workbook.xml.rels"}, 68},
      {{"[Content_Types].xml", "other.xml"}, 68},
      {{"content/riffData.cdr", "preview.png"}, 11},
      // A drawing's main part later in the archive is not a drawing.
      {{"a.txt", "content/riffData.cdr"}, 68},
  };
  FileZIPAnalyser zip;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names.front() + " ... " + c.names.back());
    const Bytes file = ZipOf(c.names);
    auto device = qm::DeviceWithFile(file, 2, 600);
    const qm::CarveResult r = qm::Carve(zip, *device, 2);
    EXPECT_EQ(r.type, c.type);
    EXPECT_EQ(r.length, file.size());
  }
  // The flags belong to the archive sized last: a plain ZIP after a
  // drawing package is plain again.
  const Bytes plain = ZipOf({"x.txt"});
  auto device = qm::DeviceWithFile(plain, 0, 600);
  EXPECT_EQ(qm::Carve(zip, *device, 0).type, 68);
}

TEST(ArchiveAnalysers, RecordsStraddlingTheReadersLoadsAreSeenWhole) {
  // The reader loads windows of 128 sectors with one sector more; a record
  // that begins 10 bytes before the end of that extra sector must still be
  // read whole, from a load of its own.
  FileZIPAnalyser zip;
  for (const std::int32_t sectorSize : {512, 4096}) {
    const std::size_t window = 128 * static_cast<std::size_t>(sectorSize);
    Bytes file = ZipEntry("entry.bin", std::string(window + sectorSize - 10 - 39, 'a'));
    ASSERT_EQ(file.size(), window + sectorSize - 10);
    for (int i = 0; i < 3; ++i) {
      const Bytes e = ZipEntry("next.bin", "some more content");
      file.insert(file.end(), e.begin(), e.end());
    }
    Bytes end;
    Put32(end, 0, 0x06054b50);
    Put16(end, 20, 0);
    file.insert(file.end(), end.begin(), end.end());
    auto device = qm::DeviceWithFile(file, 1, 100, sectorSize);
    EXPECT_EQ(qm::Carve(zip, *device, 1).length, file.size()) << sectorSize;
  }
}

TEST(ArchiveAnalysers, DataDescriptorSearchEndsUnderTheLargestMaximum) {
  const Bytes file = qm::ReadFormatFixture("streamed.zip");
  auto device = qm::DeviceWithFile(file, 1, 3000);
  qm::MaxRawFileSizeGuard guard(~std::uint64_t{0});
  FileZIPAnalyser zip;
  EXPECT_EQ(qm::Carve(zip, *device, 1).length, file.size());
}

TEST(ArchiveAnalysers, ZipWalkEndsOnHostileRecords) {
  FileZIPAnalyser zip;
  {
    // A method the walker refuses in the first record: no length at all.
    Bytes file = ZipOf({"a.txt"});
    Put16(file, 8, 12);
    auto device = qm::DeviceWithFile(file, 0, 600);
    const qm::CarveResult r = qm::Carve(zip, *device, 0);
    EXPECT_EQ(r.matched, 1);
    EXPECT_EQ(r.sized, 0);
    EXPECT_EQ(r.length, 0u);
  }
  {
    // A compressed size of almost 4 GiB leaps past the maximum carved
    // size: the walk stops there at once.
    Bytes file = ZipOf({"a.txt", "b.txt"});
    Put32(file, 18, 0xFFFFFFF0);
    auto device = qm::DeviceWithFile(file, 0, 600);
    EXPECT_EQ(qm::Carve(zip, *device, 0).length, std::uint64_t{30 + 5} + 0xFFFFFFF0u);
  }
  {
    // A 64-bit size in the extra field near 2^63: taken, and the walk
    // stops past the maximum.
    Bytes file = ZipEntry("big", "");
    file.resize(33 + 20 + 100, 'x');
    Put32(file, 18, 0xFFFFFFFF);
    Put32(file, 22, 0xFFFFFFFF);
    Put16(file, 28, 20);
    Put16(file, 33, 0x0001);
    Put16(file, 35, 16);
    qm::StoreLe64(file.data() + 37, 0);
    qm::StoreLe64(file.data() + 37 + 8, std::uint64_t{1} << 63);
    auto device = qm::DeviceWithFile(file, 0, 600);
    EXPECT_EQ(qm::Carve(zip, *device, 0).length, 33u + 20 + (std::uint64_t{1} << 63));
  }
  {
    // 64-bit end records whose size would wrap or is below the record's
    // own: the walk ends at the record.
    for (const std::uint64_t size : {~std::uint64_t{0}, std::uint64_t{10}}) {
      Bytes file = ZipOf({"a.txt"});
      const std::size_t at = file.size() - 22;
      file.resize(at);
      Put32(file, at, 0x06064b50);
      file.resize(at + 12);
      qm::StoreLe64(file.data() + at + 4, size);
      auto device = qm::DeviceWithFile(file, 0, 600);
      EXPECT_EQ(qm::Carve(zip, *device, 0).length, at) << size;
    }
  }
  {
    // A data-descriptor entry with nothing after it but filler: the
    // search for the next record ends at the device's end, keeping the
    // offset before the entry.
    Bytes file = ZipOf({"a.txt"});
    const Bytes open = ZipEntry("stream.bin", "", 0x0008);
    const std::size_t at = file.size() - 22;
    file.resize(at);
    file.insert(file.end(), open.begin(), open.end());
    auto device = qm::DeviceWithFile(file, 0, 3000);
    const qm::CarveResult r = qm::Carve(zip, *device, 0);
    EXPECT_EQ(r.length, at);
  }
}

// --- RAR -------------------------------------------------------------------

Bytes RarArchive(std::uint32_t packed, std::size_t dataBytes, bool endBlock) {
  Bytes b;
  PutText(b, 0, std::string("Rar!\x1a\x07\x00", 7));
  b.push_back(0); // archive header at 7: CRC, type 0x73, flags, size 13
  b.resize(7 + 13);
  b[9] = 0x73;
  Put16(b, 12, 13);
  const std::size_t file = b.size(); // file header, 32 bytes + name "x"
  b.resize(file + 33);
  b[file + 2] = 0x74;
  Put16(b, file + 5, 33);
  Put32(b, file + 7, packed);
  Put32(b, file + 11, packed);
  b[file + 15] = 2;
  b.resize(b.size() + dataBytes, 0x5A);
  if (endBlock) {
    const std::uint8_t end[7] = {0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00};
    b.insert(b.end(), end, end + 7);
  }
  return b;
}

TEST(ArchiveAnalysers, RarBlocksAreSummedToTheEndBlock) {
  FileRARAnalyser rar;
  {
    const Bytes file = RarArchive(100, 100, true);
    auto device = qm::DeviceWithFile(file, 1, 600);
    EXPECT_EQ(qm::Carve(rar, *device, 1).length, file.size());
  }
  {
    // Without an end block the walk stops where no block follows.
    const Bytes file = RarArchive(100, 100, false);
    auto device = qm::DeviceWithFile(file, 1, 600);
    EXPECT_EQ(qm::Carve(rar, *device, 1).length, file.size());
  }
  {
    // An archive that ends at the device's end without an end block keeps
    // its length instead of losing it.
    const std::uint32_t packed = 512 - (20 + 33) % 512;
    const Bytes file = RarArchive(packed, packed, false);
    qm::MemoryDevice device(file);
    ASSERT_EQ(file.size() % 512, 0u);
    EXPECT_EQ(qm::Carve(rar, device, 0).length, file.size());
  }
  {
    // A packed size that leaps past the device: the walk ends with the
    // block's claimed end, bounded by the maximum.
    const Bytes file = RarArchive(0xFFFFFF00, 10, false);
    auto device = qm::DeviceWithFile(file, 0, 600);
    EXPECT_EQ(qm::Carve(rar, *device, 0).length, std::uint64_t{20 + 33} + 0xFFFFFF00u);
  }
  {
    // A member of 4 GiB and more: the high half of its packed size counts.
    Bytes file = RarArchive(100, 100, true);
    Put16(file, 20 + 3, 0x8100);
    Put16(file, 20 + 5, 41);
    Put32(file, 20 + 32, 2);
    auto device = qm::DeviceWithFile(file, 0, 600);
    EXPECT_EQ(qm::Carve(rar, *device, 0).length, 20u + 41 + 100 + (std::uint64_t{2} << 32));
  }
  {
    // No archive header after the marker: no length.
    Bytes file = RarArchive(10, 10, true);
    file[9] = 0x10;
    auto device = qm::DeviceWithFile(file, 0, 600);
    const qm::CarveResult r = qm::Carve(rar, *device, 0);
    EXPECT_EQ(r.matched, 1);
    EXPECT_EQ(r.length, 0u);
  }
}

// --- Cabinets --------------------------------------------------------------

TEST(ArchiveAnalysers, CabinetHeaderGivesTheLengthOrRefuses) {
  const Bytes real = qm::ReadFormatFixture("archive.cab");
  struct Case {
    std::size_t at;
    std::uint32_t value;
    int matched;
  } cases[] = {
      {4, 0, 1},   // as written
      {4, 1, 0},   // reserved fields must be 0
      {12, 7, 0},  //
      {20, 9, 0},  //
      {24, 0x0102, 0}, // only format 1.3
      {8, 0, 0},   // a cabinet of size 0
  };
  FileCABAnalyser cab;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.at);
    Bytes file = real;
    if (c.at == 24)
      Put16(file, c.at, static_cast<std::uint16_t>(c.value));
    else
      Put32(file, c.at, c.value);
    CRawFileInfo info;
    EXPECT_EQ(cab.CheckHeader(qm::ByteView(file.data(), 512), &info), c.matched);
    // The type is set before the header is judged, also when refused.
    EXPECT_EQ(info.GetType(), 10);
    EXPECT_EQ(info.GetLength(), c.matched ? real.size() : 0u);
  }
}

// --- TAR -------------------------------------------------------------------

Bytes TarHeader(const std::string& name, const std::string& octalSize) {
  Bytes b(512, 0);
  PutText(b, 0, name);
  PutText(b, 124, octalSize);
  PutText(b, 257, "ustar");
  return b;
}

TEST(ArchiveAnalysers, TarWalkCountsEmptyMembersAndEndsAtTheZeroBlocks) {
  FileTARAnalyser tar;
  {
    // A folder (size 0), then a file of 1000 bytes, then the end blocks.
    Bytes file = TarHeader("folder/", "00000000000");
    Bytes member = TarHeader("folder/a.txt", "00000001750");
    file.insert(file.end(), member.begin(), member.end());
    file.resize(file.size() + 1024, 'd');
    file.resize(file.size() + 1024, 0);
    auto device = qm::DeviceWithFile(file, 5, 4000);
    EXPECT_EQ(qm::Carve(tar, *device, 5).length, file.size());
    // On 4096-byte sectors the data is still padded to tar blocks only.
    auto large = qm::DeviceWithFile(file, 1, 4000, 4096);
    EXPECT_EQ(qm::Carve(tar, *large, 1).length, file.size());
  }
  {
    // A size of 8^11 - 1 bytes leaps past the maximum: the walk ends.
    Bytes file = TarHeader("huge", "77777777777");
    auto device = qm::DeviceWithFile(file, 0, 4000);
    EXPECT_EQ(qm::Carve(tar, *device, 0).length, 512u + 8589934592u);
    // Non-digits count 0 in their place.
    Bytes odd = TarHeader("odd", " 0000x00010");
    odd.resize(512 + 512 + 1024, 0);
    auto oddDevice = qm::DeviceWithFile(odd, 0, 4000);
    EXPECT_EQ(qm::Carve(tar, *oddDevice, 0).length, odd.size());
  }
  {
    // A first block that is text without the magic: no tar.
    Bytes file = TarHeader("name", "00000000000");
    file[257] = 'x';
    auto device = qm::DeviceWithFile(file, 0, 4000);
    CRawFileInfo info;
    EXPECT_EQ(tar.AnalyseFileSize(&info, device.get()), 0);
    EXPECT_EQ(info.GetLength(), 0u);
  }
}

// --- LHA -------------------------------------------------------------------

TEST(ArchiveAnalysers, LhaWalkEndsOnHostileSizes) {
  FileLZHAnalyser lzh;
  Bytes file = qm::ReadFormatFixture("archive_level0.lzh");
  Put32(file, 7, 0xFFFFFFFF);
  auto device = qm::DeviceWithFile(file, 0, 600);
  EXPECT_EQ(qm::Carve(lzh, *device, 0).length, std::uint64_t{file[0]} + 2 + 0xFFFFFFFFu);
  CRawFileInfo info;
  Bytes other(512, 0x41);
  qm::MemoryDevice plain(other);
  EXPECT_EQ(lzh.AnalyseFileSize(&info, &plain), 0);
}

TEST(ArchiveAnalysers, LongWalksLetWindowMessagesThrough) {
  // 300 empty members of a tar archive: one message every ten steps.
  Bytes file;
  for (int i = 0; i < 300; ++i) {
    const Bytes h = TarHeader("f" + std::to_string(i), "00000000000");
    file.insert(file.end(), h.begin(), h.end());
  }
  file.resize(file.size() + 1024, 0);
  auto device = qm::DeviceWithFile(file, 0, 0);
  int pumped = 0;
  qm::SetMessagePump([&] { ++pumped; });
  FileTARAnalyser tar;
  const qm::CarveResult r = qm::Carve(tar, *device, 0);
  qm::SetMessagePump({});
  EXPECT_EQ(r.length, file.size());
  EXPECT_EQ(pumped, 31);
}

} // namespace
