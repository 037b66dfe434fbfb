#include "support/memory_device.h"

#include <cstring>

#include "platform/byte_view.h"

namespace qm {

MemoryDevice::MemoryDevice(std::vector<std::uint8_t> bytes, std::int32_t sectorSize) : m_bytes(std::move(bytes)) {
  m_nSectorSize = sectorSize;
}

MemoryDevice::MemoryDevice(std::uint64_t sectorCount, std::int32_t sectorSize)
    : m_bytes(static_cast<std::size_t>(sectorCount * static_cast<std::uint64_t>(sectorSize))) {
  m_nSectorSize = sectorSize;
}

std::uint64_t MemoryDevice::GetSectorCount() {
  if (m_nSectorSize <= 0) return 0;
  return m_bytes.size() / static_cast<std::uint64_t>(m_nSectorSize);
}

void MemoryDevice::AddFailingRange(std::uint64_t first, std::uint64_t end) {
  std::lock_guard<std::mutex> guard(m_rangeLock);
  m_failing.emplace_back(first, end);
}

void MemoryDevice::ClearFailingRanges() {
  std::lock_guard<std::mutex> guard(m_rangeLock);
  m_failing.clear();
}

int MemoryDevice::ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) {
  ++m_readCalls;
  m_sectorsRead += count;
  const std::uint64_t total = GetSectorCount();
  if (first > total || count > total - first) return 0;
  {
    std::lock_guard<std::mutex> guard(m_rangeLock);
    for (const auto& [badFirst, badEnd] : m_failing)
      if (first < badEnd && badFirst < first + count) return 0;
  }
  const std::uint64_t size = static_cast<std::uint64_t>(m_nSectorSize);
  if (count != 0) std::memcpy(buffer, m_bytes.data() + first * size, static_cast<std::size_t>(count * size));
  return 1;
}

std::vector<std::uint8_t> MakePatternBytes(std::uint64_t sectorCount, std::int32_t sectorSize) {
  const std::uint64_t size = static_cast<std::uint64_t>(sectorSize);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(sectorCount * size));
  for (std::uint64_t s = 0; s < sectorCount; ++s)
    for (std::uint64_t w = 0; w < size / 8; ++w) StoreLe64(bytes.data() + s * size + w * 8, s << 16 | w);
  return bytes;
}

} // namespace qm
