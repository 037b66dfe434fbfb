#include "storage/partition_device.h"

#include <cstring>

#include "platform/log.h"

CBasicPartitionDevice::CBasicPartitionDevice(IStorageDevice* parent, std::uint64_t firstSector,
                                             std::uint64_t sectorCount)
    : m_pParent(parent), m_nFirstSector(firstSector), m_nSectorCount(sectorCount) {
  const std::uint64_t parentCount = parent != nullptr ? parent->GetSectorCount() : 0;
  if (firstSector > parentCount || sectorCount > parentCount - firstSector) {
    LogError("-----------Tmx:partition window %llu+%llu does not fit its device of %llu sectors",
             static_cast<unsigned long long>(firstSector), static_cast<unsigned long long>(sectorCount),
             static_cast<unsigned long long>(parentCount));
    m_nSectorCount = 0;
  }
}

std::int32_t CBasicPartitionDevice::GetSectorSize() { return m_pParent != nullptr ? m_pParent->GetSectorSize() : 512; }

int CBasicPartitionDevice::ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) {
  if (first >= m_nSectorCount || count > m_nSectorCount || m_pParent == nullptr) return 0;
  const std::uint64_t n = count > m_nSectorCount - first ? m_nSectorCount - first : count;
  const int result = m_pParent->ReadSectors(buffer, m_nFirstSector + first, n);
  if (n < count) {
    const std::uint64_t size = static_cast<std::uint64_t>(GetSectorSize());
    std::memset(static_cast<std::uint8_t*>(buffer) + n * size, 0, static_cast<std::size_t>((count - n) * size));
  }
  return result;
}
