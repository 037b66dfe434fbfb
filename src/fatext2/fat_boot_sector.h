// The FAT boot sector: the test that tells a FAT12, FAT16 or FAT32 boot
// sector from any other sector, and the geometry getters that every FAT
// user (deep scan, tree builds, volume naming, partition search) reads
// from an accepted one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_view.h"

namespace qm::fat_boot {
// Offsets in the boot sector (little-endian).
inline constexpr std::size_t kSectorBytes = 512;
inline constexpr std::size_t kBytesPerSector = 0x0B;    // u16
inline constexpr std::size_t kSectorsPerCluster = 0x0D; // u8
inline constexpr std::size_t kReservedSectors = 0x0E;   // u16
inline constexpr std::size_t kFatCount = 0x10;          // u8
inline constexpr std::size_t kRootEntries = 0x11;       // u16 (FAT12 / FAT16)
inline constexpr std::size_t kSectors16 = 0x13;         // u16
inline constexpr std::size_t kSectorsPerFat16 = 0x16;   // u16 (FAT12 / FAT16)
inline constexpr std::size_t kSectors32 = 0x20;         // u32
inline constexpr std::size_t kSectorsPerFat32 = 0x24;   // u32
inline constexpr std::size_t kRootCluster = 0x2C;       // u32 (FAT32)
inline constexpr std::size_t kLabel16 = 0x36;           // 8 chars, "FAT12   " / "FAT16   "
inline constexpr std::size_t kLabel32 = 0x52;           // 8 chars, "FAT32   "
inline constexpr std::size_t kSignature = 0x1FE;        // 0x55 0xAA
inline constexpr std::size_t kDirEntryBytes = 32;
} // namespace qm::fat_boot

// FAT type codes; the same numbers as the found partitions' file-system
// type codes.
enum : int {
  kFatType12 = 0,
  kFatType16 = 1,
  kFatType32 = 2,
  kFatTypeNone = 7,
};

// First byte non-zero and 0x55 0xAA at 0x1FE. False for a view shorter
// than 512 bytes.
bool HasBootSignature(qm::ByteView sector);

// A view over a boot sector that the caller keeps alive. Classified once,
// at construction: FAT16 first, then FAT32, then FAT12; anything else is
// type 7, and every geometry getter then answers 0.
class CFATDBR {
public:
  // expectedBytesPerSector is the device's sector size; the sector must
  // declare the same. A view shorter than 512 bytes, or an expected size
  // of 0, is not FAT.
  CFATDBR(qm::ByteView sector, std::uint32_t expectedBytesPerSector);
  CFATDBR(const void* sector, std::uint32_t expectedBytesPerSector)
      : CFATDBR(qm::ByteView(sector, sector != nullptr ? qm::fat_boot::kSectorBytes : 0),
                expectedBytesPerSector) {}

  int GetFatType() const { return type_; }
  bool IsFat() const { return type_ != kFatTypeNone; }

  std::uint32_t GetTotalSectors() const;
  std::uint32_t GetSectorsPerFat() const;
  std::uint32_t GetNumberOfFats() const;
  std::uint32_t GetSectorsPerCluster() const;
  std::uint32_t GetReservedSectors() const;
  std::uint32_t GetRootCluster() const;
  // These two read their fields whatever the type.
  std::uint32_t GetRootEntryCount() const { return sector_.le16(qm::fat_boot::kRootEntries); }
  std::uint32_t GetReservedSectorCount() const { return sector_.le16(qm::fat_boot::kReservedSectors); }

  std::uint32_t GetExpectedBytesPerSector() const { return expectedBytesPerSector_; }

private:
  qm::ByteView sector_;
  int type_ = kFatTypeNone;
  std::uint32_t expectedBytesPerSector_ = 0;
};

// The three classification tests, each over a whole 512-byte sector.
bool IsFat16BootSector(qm::ByteView sector, std::uint32_t expectedBytesPerSector);
bool IsFat32BootSector(qm::ByteView sector, std::uint32_t expectedBytesPerSector);
bool IsFat12BootSector(qm::ByteView sector, std::uint32_t expectedBytesPerSector);
