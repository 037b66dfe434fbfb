#include "ntfs/log_pages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "fixture_volume.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "platform/byte_view.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qm::StoreLe16;
using qm::StoreLe32;

// Protects a page as NTFS writes it: the sequence number over every
// stride end, the displaced bytes in the array.
void Protect(std::uint8_t* page, std::size_t usa, std::uint16_t sequence) {
  StoreLe16(page + usa, sequence);
  for (std::size_t i = 0; i < 8; ++i) {
    std::memcpy(page + usa + 2 + 2 * i, page + 512 * i + 510, 2);
    StoreLe16(page + 512 * i + 510, sequence);
  }
}

// A restart page in the layout NTFS writes at the start of $LogFile.
void WriteRestartPage(std::uint8_t* page, std::uint16_t sequence) {
  std::memset(page, 0, 4096);
  std::memcpy(page, "RSTR", 4);
  StoreLe16(page + 4, 0x1E);
  StoreLe16(page + 6, 9);
  StoreLe32(page + 0x10, 4096);
  StoreLe32(page + 0x14, 4096);
  StoreLe16(page + 0x18, 0x30);
  StoreLe16(page + 0x1A, 1);
  StoreLe16(page + 0x1C, 1);
  const char16_t name[] = u"NTFS";
  for (int i = 0; i < 4; ++i)
    StoreLe16(page + 0x90 + 2 * i, name[i]);
  Protect(page, 0x1E, sequence);
}

void WriteRecordPage(std::uint8_t* page, std::uint16_t sequence) {
  std::memset(page, 0, 4096);
  std::memcpy(page, "RCRD", 4);
  StoreLe16(page + 4, 40);
  StoreLe16(page + 6, 9);
  for (std::size_t i = 64; i < 4096; ++i)
    page[i] = static_cast<std::uint8_t>(i * 7);
  Protect(page, 40, sequence);
}

qm::ByteView View(const Bytes& b) { return qm::ByteView(b.data(), b.size()); }

TEST(LogPages, RecordPageRules) {
  struct Row {
    const char* what;
    std::function<void(Bytes&)> patch;
    bool valid;
  };
  const Row rows[] = {
      {"sound", [](Bytes&) {}, true},
      {"count 3 (a 1024-byte page)", [](Bytes& p) { StoreLe16(&p[6], 3); }, false},
      {"array at 41", [](Bytes& p) { StoreLe16(&p[4], 41); }, false},
      {"last stride end differs", [](Bytes& p) { p[7 * 512 + 511] ^= 0x80; }, false},
      {"first stride end differs", [](Bytes& p) { p[510] ^= 1; }, false},
      {"restart magic", [](Bytes& p) { std::memcpy(p.data(), "RSTR", 4); }, false},
      {"cut to 4095 bytes", [](Bytes& p) { p.resize(4095); }, false},
  };
  for (const Row& row : rows) {
    Bytes page(4096);
    WriteRecordPage(page.data(), 0x1234);
    EXPECT_TRUE(IsRcrdMagic(View(page)));
    row.patch(page);
    EXPECT_EQ(IsValidRcrdPage(View(page)), row.valid) << row.what;
  }
}

TEST(LogPages, RestartPageRules) {
  struct Row {
    const char* what;
    std::function<void(Bytes&)> patch;
    bool valid;
  };
  const Row rows[] = {
      {"sound", [](Bytes&) {}, true},
      {"client name not NTFS", [](Bytes& p) { p[0x96] = 'X'; }, false},
      {"a stride end differs", [](Bytes& p) { p[4 * 512 + 510] ^= 1; }, false},
      {"record magic", [](Bytes& p) { std::memcpy(p.data(), "RCRD", 4); }, false},
      {"cut to 2048 bytes", [](Bytes& p) { p.resize(2048); }, false},
  };
  for (const Row& row : rows) {
    Bytes page(4096);
    WriteRestartPage(page.data(), 3);
    row.patch(page);
    EXPECT_EQ(IsValidRstrPage(View(page)), row.valid) << row.what;
  }
}

// The fixture's $LogFile, found through its record's runs. ntfs-3g leaves
// the log empty (all 0xFF), so no page passes; pages written where NTFS
// keeps them (two restart pages, then record pages from page 4) pass when
// read back through the same runs.
class FixtureLogFile : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(FixtureLogFile, PagesInTheLogsClusters) {
  auto v = qm::test::OpenFixtureVolume(GetParam());
  const auto record = qm::test::LoadFixtureRecord(v, 2);
  ASSERT_TRUE(record);
  const auto data = record->FindAttributeAnywhere(qm::mft::kData, 0);
  const auto nr = qm::ReadNonResident(data.attribute.bytes);
  ASSERT_TRUE(nr);
  qm::NtfsRunList runs;
  DecodeDataRuns(nr->mappingPairs, runs, nr->firstVcn);
  const std::uint32_t pageSectors = 4096 / v.geometry.sectorSize;
  auto pageSector = [&](std::uint64_t page) {
    const std::int64_t lcn = VcnToLcn(runs, page * 4096 / v.geometry.ClusterBytes());
    EXPECT_GE(lcn, 0);
    return static_cast<std::uint64_t>(lcn) * v.geometry.sectorsPerCluster;
  };
  auto readPage = [&](std::uint64_t page) {
    Bytes bytes(4096);
    EXPECT_TRUE(v.device->ReadSectors(bytes.data(), pageSector(page), pageSectors));
    return bytes;
  };
  for (std::uint64_t page = 0; page < 8; ++page) {
    const Bytes bytes = readPage(page);
    EXPECT_FALSE(IsValidRstrPage(View(bytes)) || IsValidRcrdPage(View(bytes))) << page;
  }

  const std::uint64_t byteOfPage0 = pageSector(0) * v.geometry.sectorSize;
  auto* memory = static_cast<qm::MemoryDevice*>(v.device.get()); // the sector-size form makes one
  std::uint8_t* log = memory->bytes().data() + byteOfPage0;
  WriteRestartPage(log, 1);
  WriteRestartPage(log + 4096, 1);
  for (std::uint64_t page = 4; page < 8; ++page)
    WriteRecordPage(log + page * 4096, static_cast<std::uint16_t>(page));
  for (std::uint64_t page = 0; page < 8; ++page) {
    const Bytes bytes = readPage(page);
    EXPECT_EQ(IsValidRstrPage(View(bytes)), page < 2) << page;
    EXPECT_EQ(IsValidRcrdPage(View(bytes)), page >= 4) << page;
  }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, FixtureLogFile, ::testing::Values(512, 4096));

} // namespace
