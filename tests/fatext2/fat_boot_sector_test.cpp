#include "fatext2/fat_boot_sector.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>

namespace {

using Sector = std::array<std::uint8_t, 512>;

// A FAT16 boot sector as a formatter writes it: 512-byte sectors, 4
// sectors per cluster, 4 reserved, 2 FATs of 32 sectors, 512 root entries.
Sector Fat16Sector() {
  Sector s{};
  s[0] = 0xEB;
  s[1] = 0x3C;
  s[2] = 0x90;
  qm::StoreLe16(&s[0x0B], 512);
  s[0x0D] = 4;
  qm::StoreLe16(&s[0x0E], 4);
  s[0x10] = 2;
  qm::StoreLe16(&s[0x11], 512);
  qm::StoreLe16(&s[0x13], 0);
  s[0x15] = 0xF8;
  qm::StoreLe16(&s[0x16], 32);
  qm::StoreLe32(&s[0x20], 131072);
  std::memcpy(&s[0x36], "FAT16   ", 8);
  s[0x1FE] = 0x55;
  s[0x1FF] = 0xAA;
  return s;
}

Sector Fat32Sector() {
  Sector s{};
  s[0] = 0xEB;
  qm::StoreLe16(&s[0x0B], 512);
  s[0x0D] = 8;
  qm::StoreLe16(&s[0x0E], 32);
  s[0x10] = 2;
  s[0x15] = 0xF8;
  qm::StoreLe32(&s[0x20], 2097152);
  qm::StoreLe32(&s[0x24], 2044);
  qm::StoreLe32(&s[0x2C], 2);
  std::memcpy(&s[0x52], "FAT32   ", 8);
  s[0x1FE] = 0x55;
  s[0x1FF] = 0xAA;
  return s;
}

Sector Fat12Sector() {
  Sector s = Fat16Sector();
  std::memcpy(&s[0x36], "FAT12   ", 8);
  qm::StoreLe16(&s[0x13], 2880);
  qm::StoreLe16(&s[0x11], 224);
  qm::StoreLe16(&s[0x16], 9);
  s[0x0D] = 1;
  return s;
}

struct ClassifyCase {
  const char* what;
  Sector (*base)();
  std::function<void(Sector&)> patch;
  std::uint32_t expectedBytesPerSector;
  int type;
};

TEST(FatBootSector, Classification) {
  const auto none = [](Sector&) {};
  const ClassifyCase cases[] = {
      {"sound FAT16", Fat16Sector, none, 512, kFatType16},
      {"lower-case label", Fat16Sector, [](Sector& s) { std::memcpy(&s[0x36], "fat16   ", 8); }, 512,
       kFatType16},
      {"three FATs", Fat16Sector, [](Sector& s) { s[0x10] = 3; }, 512, kFatTypeNone},
      {"one FAT", Fat16Sector, [](Sector& s) { s[0x10] = 1; }, 512, kFatTypeNone},
      {"224 root entries, 64 per cluster", Fat16Sector,
       [](Sector& s) {
         qm::StoreLe16(&s[0x11], 224);
         s[0x0D] = 64;
       },
       512, kFatType16},
      {"223 root entries", Fat16Sector, [](Sector& s) { qm::StoreLe16(&s[0x11], 223); }, 512, kFatTypeNone},
      {"root of 512 entries on 4096-byte sectors", Fat16Sector,
       [](Sector& s) { qm::StoreLe16(&s[0x0B], 4096); }, 4096, kFatType16},
      {"root of 224 entries on 4096-byte sectors", Fat16Sector,
       [](Sector& s) {
         qm::StoreLe16(&s[0x0B], 4096);
         qm::StoreLe16(&s[0x11], 224);
       },
       4096, kFatTypeNone},
      {"sector size differs from the device's", Fat16Sector, none, 4096, kFatTypeNone},
      {"device sector size unknown", Fat16Sector, none, 0, kFatTypeNone},
      {"3 sectors per cluster", Fat16Sector, [](Sector& s) { s[0x0D] = 3; }, 512, kFatTypeNone},
      {"0 sectors per cluster", Fat16Sector, [](Sector& s) { s[0x0D] = 0; }, 512, kFatTypeNone},
      {"128 sectors per cluster", Fat16Sector, [](Sector& s) { s[0x0D] = 128; }, 512, kFatType16},
      {"no FAT sectors", Fat16Sector, [](Sector& s) { qm::StoreLe16(&s[0x16], 0); }, 512, kFatTypeNone},
      {"no end marker", Fat16Sector, [](Sector& s) { s[0x1FF] = 0; }, 512, kFatTypeNone},
      {"label of FAT32 at the FAT16 place", Fat16Sector,
       [](Sector& s) { std::memcpy(&s[0x36], "FAT32   ", 8); }, 512, kFatTypeNone},
      {"sound FAT32", Fat32Sector, none, 512, kFatType32},
      {"FAT32 without FAT sectors", Fat32Sector, [](Sector& s) { qm::StoreLe32(&s[0x24], 0); }, 512,
       kFatTypeNone},
      {"FAT32 with 256 sectors per cluster", Fat32Sector, [](Sector& s) { s[0x0D] = 0; }, 512, kFatTypeNone},
      {"FAT32 with one FAT", Fat32Sector, [](Sector& s) { s[0x10] = 1; }, 512, kFatTypeNone},
      {"sound FAT12 floppy", Fat12Sector, none, 512, kFatType12},
      {"FAT12 with 201 FAT sectors", Fat12Sector, [](Sector& s) { qm::StoreLe16(&s[0x16], 201); }, 512,
       kFatTypeNone},
      {"FAT12 with 4096 root entries", Fat12Sector, [](Sector& s) { qm::StoreLe16(&s[0x11], 4096); }, 512,
       kFatTypeNone},
      {"all zeros", [] { return Sector{}; }, none, 512, kFatTypeNone},
  };
  for (const auto& c : cases) {
    Sector s = c.base();
    c.patch(s);
    const CFATDBR dbr(qm::ByteView(s.data(), s.size()), c.expectedBytesPerSector);
    EXPECT_EQ(dbr.GetFatType(), c.type) << c.what;
    EXPECT_EQ(dbr.IsFat(), c.type != kFatTypeNone) << c.what;
  }
}

TEST(FatBootSector, ShortViewIsNotFat) {
  const Sector s = Fat16Sector();
  const CFATDBR dbr(qm::ByteView(s.data(), 511), 512);
  EXPECT_FALSE(dbr.IsFat());
  EXPECT_FALSE(HasBootSignature(qm::ByteView(s.data(), 511)));
  EXPECT_FALSE(CFATDBR(static_cast<const void*>(nullptr), 512).IsFat());
}

TEST(FatBootSector, GeometryByType) {
  const Sector fat16 = Fat16Sector();
  const CFATDBR d16(qm::ByteView(fat16.data(), 512), 512);
  EXPECT_EQ(d16.GetTotalSectors(), 131072u) << "16-bit count 0 falls back to the 32-bit one";
  EXPECT_EQ(d16.GetSectorsPerFat(), 32u);
  EXPECT_EQ(d16.GetNumberOfFats(), 2u);
  EXPECT_EQ(d16.GetSectorsPerCluster(), 4u);
  EXPECT_EQ(d16.GetReservedSectors(), 4u);
  EXPECT_EQ(d16.GetRootCluster(), 0u);
  EXPECT_EQ(d16.GetRootEntryCount(), 512u);

  const Sector fat32 = Fat32Sector();
  const CFATDBR d32(qm::ByteView(fat32.data(), 512), 512);
  EXPECT_EQ(d32.GetTotalSectors(), 2097152u);
  EXPECT_EQ(d32.GetSectorsPerFat(), 2044u);
  EXPECT_EQ(d32.GetRootCluster(), 2u);
  EXPECT_EQ(d32.GetReservedSectors(), 32u);
  EXPECT_EQ(d32.GetRootEntryCount(), 0u);

  const Sector fat12 = Fat12Sector();
  const CFATDBR d12(qm::ByteView(fat12.data(), 512), 512);
  EXPECT_EQ(d12.GetTotalSectors(), 2880u);
  EXPECT_EQ(d12.GetSectorsPerFat(), 9u);
  EXPECT_EQ(d12.GetRootCluster(), 0u);

  // Not FAT: every getter 0, the two untyped ones still read their fields.
  Sector bad = Fat16Sector();
  bad[0x10] = 3;
  const CFATDBR none(qm::ByteView(bad.data(), 512), 512);
  EXPECT_EQ(none.GetTotalSectors(), 0u);
  EXPECT_EQ(none.GetSectorsPerFat(), 0u);
  EXPECT_EQ(none.GetNumberOfFats(), 0u);
  EXPECT_EQ(none.GetSectorsPerCluster(), 0u);
  EXPECT_EQ(none.GetReservedSectors(), 0u);
  EXPECT_EQ(none.GetRootEntryCount(), 512u);
  EXPECT_EQ(none.GetReservedSectorCount(), 4u);
}

TEST(FatBootSector, BootSignature) {
  Sector s = Fat16Sector();
  EXPECT_TRUE(HasBootSignature(qm::ByteView(s.data(), 512)));
  s[0] = 0;
  EXPECT_FALSE(HasBootSignature(qm::ByteView(s.data(), 512)));
  s[0] = 0xEB;
  s[0x1FE] = 0x54;
  EXPECT_FALSE(HasBootSignature(qm::ByteView(s.data(), 512)));
}

} // namespace
