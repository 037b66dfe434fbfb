#include "ntfs/ntfs_boot_sector.h"

#include <cctype>
#include <cstring>

using namespace qm::ntfs_boot;

namespace {

bool IsPowerOfTwo(std::uint64_t v) { return v != 0 && (v & (v - 1)) == 0; }

} // namespace

bool IsNTFSOemId(qm::ByteView sector) {
  if (sector.size() < kSectorBytes) return false;
  static constexpr char kOem[] = "NTFS    ";
  for (std::size_t i = 0; i < 8; ++i) {
    const int c = std::toupper(sector.u8(kOemId + i));
    if (c != kOem[i]) return false;
  }
  return true;
}

bool IsNTFSOemId(const void* sector) {
  return sector != nullptr && IsNTFSOemId(qm::ByteView(sector, kSectorBytes));
}

bool IsValidNTFSBootSector(qm::ByteView s) {
  if (!IsNTFSOemId(s)) return false;
  const std::uint16_t bytesPerSector = s.le16(kBytesPerSector);
  if (bytesPerSector == 0 || bytesPerSector % 512 != 0) return false;
  if (s.le16(kReservedSectors) != 0) return false;
  const std::uint8_t spc = s.u8(kSectorsPerCluster);
  if (!IsPowerOfTwo(spc)) return false; // 1..128 is all a byte allows
  if (s.u8(kFatCount) != 0 || s.le16(kRootEntries) != 0) return false;
  if (s.le16(kSectors16) != 0 || s.le16(kSectorsPerFat) != 0 || s.le32(kSectors32) != 0) return false;
  return s.u8(kEndMarker) == 0x55 && s.u8(kEndMarker + 1) == 0xAA;
}

bool IsValidNTFSBootSector(const void* sector) {
  return sector != nullptr && IsValidNTFSBootSector(qm::ByteView(sector, kSectorBytes));
}

bool CNTFSDBR::Load(qm::ByteView sector) {
  if (!IsValidNTFSBootSector(sector)) return false;
  std::memcpy(bytes_.data(), sector.data(), kSectorBytes);
  return true;
}

bool CNTFSDBR::Load(const void* sector) {
  return sector != nullptr && Load(qm::ByteView(sector, kSectorBytes));
}

std::uint64_t CNTFSDBR::GetTotalSectors() const { return Bytes().le64(kTotalSectors); }
std::int64_t CNTFSDBR::GetMftStartCluster() const {
  return static_cast<std::int64_t>(Bytes().le64(kMftCluster));
}
std::int64_t CNTFSDBR::GetMftMirrStartCluster() const {
  return static_cast<std::int64_t>(Bytes().le64(kMftMirrCluster));
}
std::uint8_t CNTFSDBR::GetSectorsPerCluster() const { return Bytes().u8(kSectorsPerCluster); }
std::int64_t CNTFSDBR::GetVolumeSerialNumber() const {
  return static_cast<std::int64_t>(Bytes().le64(kSerialNumber));
}
std::uint16_t CNTFSDBR::GetBytesPerSector() const { return Bytes().le16(kBytesPerSector); }

std::uint32_t CNTFSDBR::GetFileRecordSize() const {
  const auto code = static_cast<std::int8_t>(Bytes().u8(kRecordSizeCode));
  if (code < 0) {
    const unsigned shift = static_cast<unsigned>(-static_cast<int>(code)) % 32;
    return std::uint32_t{1} << shift;
  }
  if (code > 0) {
    // At most 127 x 65535 x 128 bytes, held in 32 bits.
    return static_cast<std::uint32_t>(code) * GetBytesPerSector() * GetSectorsPerCluster();
  }
  return 1024;
}

bool CNTFSDBR::HasUsableFileRecordSize() const { return qm::IsUsableFileRecordSize(GetFileRecordSize()); }

namespace qm {
bool IsUsableFileRecordSize(std::uint64_t size) {
  return IsPowerOfTwo(size) && size >= ntfs_boot::kMinRecordSize && size <= ntfs_boot::kMaxRecordSize;
}
} // namespace qm
