// The NTFS boot sector: the test that tells an NTFS boot sector from any
// other sector, and a 512-byte value class that reads the volume geometry
// from an accepted one.
#pragma once

#include <array>
#include <cstdint>

#include "platform/byte_view.h"

namespace qm::ntfs_boot {
// Offsets in the boot sector (little-endian).
inline constexpr std::size_t kSectorBytes = 512;
inline constexpr std::size_t kOemId = 0x03;             // 8 bytes, "NTFS    "
inline constexpr std::size_t kBytesPerSector = 0x0B;    // u16
inline constexpr std::size_t kSectorsPerCluster = 0x0D; // u8
inline constexpr std::size_t kReservedSectors = 0x0E;   // u16, must be 0
inline constexpr std::size_t kFatCount = 0x10;          // u8, must be 0
inline constexpr std::size_t kRootEntries = 0x11;       // u16, must be 0
inline constexpr std::size_t kSectors16 = 0x13;         // u16, must be 0
inline constexpr std::size_t kSectorsPerFat = 0x16;     // u16, must be 0
inline constexpr std::size_t kSectors32 = 0x20;         // u32, must be 0
inline constexpr std::size_t kTotalSectors = 0x28;      // u64
inline constexpr std::size_t kMftCluster = 0x30;        // s64
inline constexpr std::size_t kMftMirrCluster = 0x38;    // s64
inline constexpr std::size_t kRecordSizeCode = 0x40;    // s8
inline constexpr std::size_t kSerialNumber = 0x48;      // s64
inline constexpr std::size_t kEndMarker = 0x1FE;        // 0x55 0xAA

// Record sizes that a sound volume uses; anything else from a boot sector
// is refused before it sizes a buffer.
inline constexpr std::uint32_t kMinRecordSize = 1024;
inline constexpr std::uint32_t kMaxRecordSize = 4096;
} // namespace qm::ntfs_boot

// True when the 8 bytes at offset 3 read "NTFS    " (any letter case).
// A null pointer or a view shorter than 512 bytes gives false.
bool IsNTFSOemId(const void* sector);
bool IsNTFSOemId(qm::ByteView sector);

// The full boot-sector test (OEM id, sector size, zero FAT fields, cluster
// size, end marker). The total size, $MFT position and record-size code are
// left to the callers, who judge them against the device.
bool IsValidNTFSBootSector(const void* sector);
bool IsValidNTFSBootSector(qm::ByteView sector);

class CNTFSDBR {
public:
  CNTFSDBR() { bytes_.fill(0); }

  // Copies the sector when IsValidNTFSBootSector accepts it; otherwise
  // leaves the object unchanged and returns false.
  bool Load(const void* sector);
  bool Load(qm::ByteView sector);

  std::uint64_t GetTotalSectors() const;
  std::int64_t GetMftStartCluster() const;
  std::int64_t GetMftMirrStartCluster() const;
  std::uint8_t GetSectorsPerCluster() const;
  std::int64_t GetVolumeSerialNumber() const;
  std::uint16_t GetBytesPerSector() const;
  // Bytes of one MFT record by the size code at 0x40: negative n gives
  // 2^(-n mod 32), positive n gives n clusters, 0 gives 1024.
  std::uint32_t GetFileRecordSize() const;
  // True when GetFileRecordSize is a power of two from 1024 to 4096, the only
  // sizes with which records may be read from this boot sector: a hostile
  // code would otherwise size a buffer of up to 2 GiB (or 0).
  bool HasUsableFileRecordSize() const;

  qm::ByteView Bytes() const { return qm::ByteView(bytes_.data(), bytes_.size()); }

private:
  std::array<std::uint8_t, qm::ntfs_boot::kSectorBytes> bytes_;
};

namespace qm {
// True for a power of two from 1024 to 4096.
bool IsUsableFileRecordSize(std::uint64_t size);
} // namespace qm
