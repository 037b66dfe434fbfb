#include "raw/zip_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format_fixture.h"
#include "raw/raw_read_buffer.h"

namespace {

// The record walk of a carved archive, as its analyser runs it: record
// after record while the bytes there are a record.
std::uint64_t WalkRecords(IStorageDevice* device, std::uint64_t firstSector, bool checkOfficeNames,
                          int& type) {
  CRawReadBuffer reader(device, firstSector);
  std::uint64_t offset = 0;
  for (int records = 0; records < 10000; ++records) {
    const qm::ByteView bytes = reader.GetPointer(offset);
    std::uint64_t length = 0;
    if (!IsZipRecord(bytes) || !ZipRecordLength(bytes, length, checkOfficeNames, type)) break;
    offset += length;
  }
  return offset;
}

TEST(ZipRecords, RealArchivesAreWalkedToTheirExactSize) {
  struct Case {
    const char* file;
    int type; // after the walk with office names checked
  } cases[] = {
      {"zip_tool.zip", 68},  // made by the zip tool
      {"comments.zip", 68},  // entry comments and an archive comment
      {"document.docx", 69}, // a word-processing package
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<std::uint8_t> file = qm::ReadFormatFixture(c.file);
    ASSERT_GT(file.size(), 100u);
    for (std::int32_t sectorSize : {512, 4096}) {
      auto device = qm::DeviceWithFile(file, 3, 2000, sectorSize);
      int type = 68;
      EXPECT_EQ(WalkRecords(device.get(), 3, true, type), file.size());
      EXPECT_EQ(type, c.type);
    }
  }
}

TEST(ZipRecords, CommentsBelongToTheirRecords) {
  // Without the comments the walk would end inside the first entry comment
  // and cut the archive short.
  const std::vector<std::uint8_t> file = qm::ReadFormatFixture("comments.zip");
  const qm::ByteView bytes(file.data(), file.size());
  std::uint64_t central = 0;
  for (std::uint64_t at = 0; at + 4 <= file.size(); ++at)
    if (bytes.le32(at) == kZipCentralHeaderSignature) {
      central = at;
      break;
    }
  ASSERT_NE(central, 0u);
  std::uint64_t length = 0;
  int type = 0;
  ASSERT_EQ(ZipRecordLength(bytes.from(central), length, false, type), 1);
  EXPECT_EQ(length, 46u + std::string("stored.bin").size() + std::string("an entry comment").size());
  const std::uint64_t end = file.size() - 22 - std::string("the archive's own comment").size();
  ASSERT_EQ(bytes.le32(end), kZipEndRecordSignature);
  ASSERT_EQ(ZipRecordLength(bytes.from(end), length, false, type), 1);
  EXPECT_EQ(end + length, file.size());
}

std::vector<std::uint8_t> LocalHeader(std::uint16_t method, const std::string& name, std::uint32_t compressed,
                                      std::uint16_t extra = 0) {
  std::vector<std::uint8_t> h(30 + name.size());
  qm::StoreLe32(h.data(), kZipLocalHeaderSignature);
  qm::StoreLe16(h.data() + 8, method);
  qm::StoreLe32(h.data() + 18, compressed);
  qm::StoreLe16(h.data() + 26, static_cast<std::uint16_t>(name.size()));
  qm::StoreLe16(h.data() + 28, extra);
  std::copy(name.begin(), name.end(), h.begin() + 30);
  return h;
}

std::vector<std::uint8_t> CentralHeader(const std::string& name, std::uint16_t extra, std::uint16_t comment) {
  std::vector<std::uint8_t> h(46 + name.size());
  qm::StoreLe32(h.data(), kZipCentralHeaderSignature);
  qm::StoreLe16(h.data() + 28, static_cast<std::uint16_t>(name.size()));
  qm::StoreLe16(h.data() + 30, extra);
  qm::StoreLe16(h.data() + 32, comment);
  std::copy(name.begin(), name.end(), h.begin() + 46);
  return h;
}

TEST(ZipRecords, ALengthPastTheDeviceEndEndsTheWalkThere) {
  std::vector<std::uint8_t> bytes = LocalHeader(8, "big.bin", 0xFFFFFF00u);
  bytes.resize(4096);
  qm::MemoryDevice device(bytes, 512);
  int type = 68;
  EXPECT_EQ(WalkRecords(&device, 0, true, type), 30u + 7u + 0xFFFFFF00u);
  // A header cut by the device's end is no record.
  bytes.assign(4096 - 20, 0);
  const std::vector<std::uint8_t> tail = LocalHeader(0, "x", 0);
  bytes.insert(bytes.end(), tail.begin(), tail.begin() + 20);
  qm::MemoryDevice cut(bytes, 512);
  CRawReadBuffer reader(&cut, 0);
  EXPECT_EQ(IsZipRecord(reader.GetPointer(4096 - 20)), 0);
}

TEST(ZipRecords, CraftedRecords) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    int isRecord;
    int hasLength;
    std::uint64_t length;
    int type; // with office names checked; starts as 68
  };
  std::vector<std::uint8_t> end(22);
  qm::StoreLe32(end.data(), kZipEndRecordSignature);
  std::vector<std::uint8_t> endWithComment = end;
  qm::StoreLe16(endWithComment.data() + 20, 300);
  std::vector<std::uint8_t> shortLocal = LocalHeader(8, "", 5);
  shortLocal.resize(29);
  std::vector<std::uint8_t> shortCentral = CentralHeader("", 0, 0);
  shortCentral.resize(45);
  std::vector<std::uint8_t> cutName = LocalHeader(8, "word/_rels/document.xml.rels", 0);
  cutName.resize(40); // the name runs past the bytes at hand
  const Case cases[] = {
      {"deflated entry", LocalHeader(8, "a.txt", 100, 4), 1, 1, 30 + 5 + 4 + 100, 68},
      {"method 10 is the last accepted", LocalHeader(10, "a", 0), 1, 1, 31, 68},
      {"method 11", LocalHeader(11, "a", 0), 0, 1, 31, 68},
      {"method 12", LocalHeader(12, "a", 0), 0, 1, 31, 68},
      {"name of 1040 bytes", LocalHeader(0, std::string(1040, 'n'), 0), 1, 1, 30 + 1040, 68},
      {"name of 1041 bytes", LocalHeader(0, std::string(1041, 'n'), 0), 0, 1, 30 + 1041, 68},
      {"largest sizes add in 64 bits", LocalHeader(0, std::string(1000, 'n'), 0xFFFFFFFF, 0xFFFF), 1, 1,
       30 + 1000 + 0xFFFFull + 0xFFFFFFFFull, 68},
      {"local header cut short", shortLocal, 0, 0, 0, 68},
      {"spreadsheet part", LocalHeader(8, "xl/_rels/workbook.xml.rels", 0), 1, 1, 56, 70},
      {"presentation part", CentralHeader("ppt/_rels/presentation.xml.rels", 0, 0), 1, 1, 77, 71},
      {"names compare exactly", LocalHeader(8, "Word/_rels/document.xml.rels", 0), 1, 1, 58, 68},
      {"name longer than the part", LocalHeader(8, "word/_rels/document.xml.rels2", 0), 1, 1, 59, 68},
      {"name outside the bytes", cutName, 1, 1, 58, 68},
      {"central header with comment", CentralHeader("dir/f", 9, 12), 1, 1, 46 + 5 + 9 + 12, 68},
      {"central header cut short: a record without a length", shortCentral, 1, 0, 0, 68},
      {"end record", end, 1, 1, 22, 68},
      {"end record with comment", endWithComment, 1, 1, 322, 68},
      {"data descriptor signature", {0x50, 0x4B, 0x07, 0x08, 0, 0, 0, 0}, 0, 0, 0, 68},
      {"three bytes", {0x50, 0x4B, 0x03}, 0, 0, 0, 68},
      {"nothing", {}, 0, 0, 0, 68},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const qm::ByteView bytes(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(IsZipRecord(bytes), c.isRecord);
    std::uint64_t length = 12345;
    int type = 68;
    EXPECT_EQ(ZipRecordLength(bytes, length, true, type), c.hasLength);
    EXPECT_EQ(length, c.hasLength ? c.length : 12345u);
    EXPECT_EQ(type, c.type);
    // Without the flag the type is never touched.
    type = 68;
    ZipRecordLength(bytes, length, false, type);
    EXPECT_EQ(type, 68);
  }
}

} // namespace
