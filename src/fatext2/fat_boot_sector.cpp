#include "fatext2/fat_boot_sector.h"

#include <cctype>
#include <string_view>

using namespace qm::fat_boot;

namespace {

// The 8 label bytes at offset equal text, without regard to letter case.
bool LabelIs(qm::ByteView sector, std::size_t offset, std::string_view text) {
  if (!sector.has(offset, text.size())) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = sector.u8(offset + i);
    if (std::tolower(c) != std::tolower(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

bool IsClusterSizeCode(std::uint32_t sectorsPerCluster) {
  return sectorsPerCluster != 0 && sectorsPerCluster <= 128 &&
         (sectorsPerCluster & (sectorsPerCluster - 1)) == 0;
}

bool HasEndMarker(qm::ByteView sector) {
  return sector.u8(kSignature) == 0x55 && sector.u8(kSignature + 1) == 0xAA;
}

// The rules the three tests share: a whole sector, two FAT copies, a
// power-of-two cluster of at most 128 sectors, the device's sector size
// and the end marker.
bool SharedRulesHold(qm::ByteView sector, std::uint32_t expectedBytesPerSector) {
  return sector.has(0, kSectorBytes) && expectedBytesPerSector != 0 && sector.u8(kFatCount) == 2 &&
         IsClusterSizeCode(sector.u8(kSectorsPerCluster)) &&
         sector.le16(kBytesPerSector) == expectedBytesPerSector && HasEndMarker(sector);
}

// The root directory fills whole sectors.
bool RootFillsSectors(std::uint32_t rootEntries, std::uint32_t expectedBytesPerSector) {
  return (rootEntries * kDirEntryBytes) % expectedBytesPerSector == 0;
}

} // namespace

bool HasBootSignature(qm::ByteView sector) {
  return sector.has(0, kSectorBytes) && sector.u8(0) != 0 && HasEndMarker(sector);
}

bool IsFat16BootSector(qm::ByteView sector, std::uint32_t expectedBytesPerSector) {
  if (!LabelIs(sector, kLabel16, "FAT16   ") || !SharedRulesHold(sector, expectedBytesPerSector))
    return false;
  const std::uint32_t rootEntries = sector.le16(kRootEntries);
  return rootEntries >= 224 && RootFillsSectors(rootEntries, expectedBytesPerSector) &&
         sector.le16(kSectorsPerFat16) >= 1;
}

bool IsFat32BootSector(qm::ByteView sector, std::uint32_t expectedBytesPerSector) {
  return LabelIs(sector, kLabel32, "FAT32   ") && SharedRulesHold(sector, expectedBytesPerSector) &&
         sector.le32(kSectorsPerFat32) >= 1;
}

bool IsFat12BootSector(qm::ByteView sector, std::uint32_t expectedBytesPerSector) {
  if (!LabelIs(sector, kLabel16, "FAT12   ") || !SharedRulesHold(sector, expectedBytesPerSector))
    return false;
  const std::uint32_t rootEntries = sector.le16(kRootEntries);
  const std::uint32_t sectorsPerFat = sector.le16(kSectorsPerFat16);
  return rootEntries >= 224 && rootEntries <= 2048 && RootFillsSectors(rootEntries, expectedBytesPerSector) &&
         sectorsPerFat >= 1 && sectorsPerFat <= 200;
}

CFATDBR::CFATDBR(qm::ByteView sector, std::uint32_t expectedBytesPerSector)
    : sector_(sector), expectedBytesPerSector_(expectedBytesPerSector) {
  if (IsFat16BootSector(sector, expectedBytesPerSector))
    type_ = kFatType16;
  else if (IsFat32BootSector(sector, expectedBytesPerSector))
    type_ = kFatType32;
  else if (IsFat12BootSector(sector, expectedBytesPerSector))
    type_ = kFatType12;
}

std::uint32_t CFATDBR::GetTotalSectors() const {
  switch (type_) {
  case kFatType12:
  case kFatType16: {
    // Volumes of 65536 sectors or more keep 0 in the 16-bit field and the
    // count in the 32-bit one; FAT12 ones made with large clusters do too.
    const std::uint32_t small = sector_.le16(kSectors16);
    return small != 0 ? small : sector_.le32(kSectors32);
  }
  case kFatType32:
    return sector_.le32(kSectors32);
  default:
    return 0;
  }
}

std::uint32_t CFATDBR::GetSectorsPerFat() const {
  switch (type_) {
  case kFatType12:
  case kFatType16:
    return sector_.le16(kSectorsPerFat16);
  case kFatType32:
    return sector_.le32(kSectorsPerFat32);
  default:
    return 0;
  }
}

std::uint32_t CFATDBR::GetNumberOfFats() const { return IsFat() ? sector_.u8(kFatCount) : 0; }
std::uint32_t CFATDBR::GetSectorsPerCluster() const { return IsFat() ? sector_.u8(kSectorsPerCluster) : 0; }
std::uint32_t CFATDBR::GetReservedSectors() const { return IsFat() ? sector_.le16(kReservedSectors) : 0; }
std::uint32_t CFATDBR::GetRootCluster() const { return type_ == kFatType32 ? sector_.le32(kRootCluster) : 0; }
