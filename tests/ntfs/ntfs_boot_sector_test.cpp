#include "ntfs/ntfs_boot_sector.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>

#include "ntfs_fixture.h"

namespace {

using Sector = std::array<std::uint8_t, 512>;

Sector SoundBootSector() {
  Sector s{};
  s[0] = 0xEB;
  s[1] = 0x52;
  s[2] = 0x90;
  std::memcpy(&s[3], "NTFS    ", 8);
  qm::StoreLe16(&s[0x0B], 512);
  s[0x0D] = 8;
  s[0x15] = 0xF8;
  qm::StoreLe64(&s[0x28], 0x12345);
  qm::StoreLe64(&s[0x30], 4);
  qm::StoreLe64(&s[0x38], 0x1000);
  s[0x40] = 0xF6;
  qm::StoreLe64(&s[0x48], 0x1122334455667788ull);
  s[0x1FE] = 0x55;
  s[0x1FF] = 0xAA;
  return s;
}

struct BootCase {
  const char* what;
  std::function<void(Sector&)> patch;
  bool valid;
};

TEST(NtfsBootSector, ValidityRules) {
  const BootCase cases[] = {
      {"sound", [](Sector&) {}, true},
      {"lower-case OEM id", [](Sector& s) { std::memcpy(&s[3], "ntfs    ", 8); }, true},
      {"other OEM id", [](Sector& s) { std::memcpy(&s[3], "MSDOS5.0", 8); }, false},
      {"4096-byte sectors", [](Sector& s) { qm::StoreLe16(&s[0x0B], 4096); }, true},
      {"520-byte sectors", [](Sector& s) { qm::StoreLe16(&s[0x0B], 520); }, false},
      {"0-byte sectors", [](Sector& s) { qm::StoreLe16(&s[0x0B], 0); }, false},
      {"reserved sectors (FAT with NTFS id)", [](Sector& s) { qm::StoreLe16(&s[0x0E], 32); }, false},
      {"0 sectors per cluster", [](Sector& s) { s[0x0D] = 0; }, false},
      {"3 sectors per cluster", [](Sector& s) { s[0x0D] = 3; }, false},
      {"255 sectors per cluster", [](Sector& s) { s[0x0D] = 255; }, false},
      {"128 sectors per cluster", [](Sector& s) { s[0x0D] = 128; }, true},
      {"FAT count", [](Sector& s) { s[0x10] = 2; }, false},
      {"root entries high byte", [](Sector& s) { s[0x12] = 1; }, false},
      {"16-bit count", [](Sector& s) { s[0x14] = 1; }, false},
      {"sectors per FAT", [](Sector& s) { s[0x17] = 1; }, false},
      {"32-bit count top byte", [](Sector& s) { s[0x23] = 1; }, false},
      {"swapped end marker",
       [](Sector& s) {
         s[0x1FE] = 0xAA;
         s[0x1FF] = 0x55;
       },
       false},
      {"media byte is ignored", [](Sector& s) { s[0x15] = 0x00; }, true},
  };
  for (const auto& c : cases) {
    Sector s = SoundBootSector();
    c.patch(s);
    EXPECT_EQ(IsValidNTFSBootSector(s.data()), c.valid) << c.what;
    CNTFSDBR dbr;
    EXPECT_EQ(dbr.Load(s.data()), c.valid) << c.what;
  }
  EXPECT_FALSE(IsValidNTFSBootSector(static_cast<const void*>(nullptr)));
  EXPECT_FALSE(IsNTFSOemId(static_cast<const void*>(nullptr)));
  const Sector s = SoundBootSector();
  EXPECT_FALSE(IsValidNTFSBootSector(qm::ByteView(s.data(), 511))) << "short view";
}

TEST(NtfsBootSector, RecordSizeCodes) {
  struct Row {
    std::uint8_t code;
    std::uint16_t bps;
    std::uint8_t spc;
    std::uint32_t size;
    bool usable;
  };
  const Row rows[] = {
      {0xF6, 512, 8, 1024, true},  // -10
      {0xF4, 4096, 1, 4096, true}, // -12
      {0x02, 512, 8, 8192, false}, // two clusters
      {0x01, 512, 2, 1024, true},  // one 1024-byte cluster
      {0x00, 512, 8, 1024, true},
      {0x81, 512, 8, 0x80000000u, false}, // -127: exponent 127 mod 32 = 31
      {0x7F, 512, 128, 127u * 512 * 128, false},
      {0xE0, 512, 8, 1, false}, // -32 wraps to 2^0
      {0xF5, 512, 8, 2048, true},
      {0xF3, 512, 8, 8192, false},
  };
  for (const Row& r : rows) {
    Sector s = SoundBootSector();
    s[0x40] = r.code;
    qm::StoreLe16(&s[0x0B], r.bps);
    s[0x0D] = r.spc;
    CNTFSDBR dbr;
    ASSERT_TRUE(dbr.Load(s.data()));
    EXPECT_EQ(dbr.GetFileRecordSize(), r.size) << int(r.code);
    EXPECT_EQ(dbr.HasUsableFileRecordSize(), r.usable) << int(r.code);
  }
}

TEST(NtfsBootSector, RefusedLoadKeepsObjectAndGetters) {
  CNTFSDBR dbr;
  Sector bad = SoundBootSector();
  bad[0x10] = 1;
  EXPECT_FALSE(dbr.Load(bad.data()));
  EXPECT_EQ(dbr.GetTotalSectors(), 0u);
  EXPECT_EQ(dbr.GetSectorsPerCluster(), 0u);
  EXPECT_EQ(dbr.GetFileRecordSize(), 1024u);

  const Sector good = SoundBootSector();
  ASSERT_TRUE(dbr.Load(good.data()));
  EXPECT_FALSE(dbr.Load(bad.data()));
  EXPECT_EQ(dbr.GetTotalSectors(), 0x12345u) << "a refused load leaves the old copy";
  EXPECT_EQ(dbr.GetMftStartCluster(), 4);
  EXPECT_EQ(dbr.GetMftMirrStartCluster(), 0x1000);
  EXPECT_EQ(dbr.GetVolumeSerialNumber(), 0x1122334455667788ll);
  EXPECT_EQ(dbr.GetSectorsPerCluster(), 8u);
}

TEST(NtfsBootSector, RealVolumeFromMkntfs) {
  const auto& image = qm::test::NtfsBasicImage();
  ASSERT_GE(image.size(), 512u);
  CNTFSDBR dbr;
  ASSERT_TRUE(dbr.Load(image.data()));
  EXPECT_EQ(dbr.GetSectorsPerCluster(), 8u);
  EXPECT_EQ(dbr.GetFileRecordSize(), 1024u);
  EXPECT_TRUE(dbr.HasUsableFileRecordSize());
  // mkntfs leaves the last sector for the backup boot sector.
  EXPECT_EQ(dbr.GetTotalSectors(), image.size() / 512 - 1);
  const std::size_t backup = dbr.GetTotalSectors() * 512;
  ASSERT_LE(backup + 512, image.size());
  EXPECT_TRUE(IsValidNTFSBootSector(&image[backup]));
  EXPECT_EQ(std::memcmp(&image[0], &image[backup], 512), 0);
}

} // namespace
