#include "storage/bad_sector_set.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/log.h"
#include "storage/mem_alloc.h"

namespace {

// The device's size in sectors; the largest value when it cannot be asked,
// so that nothing is clipped on that account.
std::uint64_t DeviceSectors(qm::IDeviceHandle* handle, std::uint64_t sectorSize) {
  std::uint64_t bytes = 0;
  if (!handle->GetLength(bytes)) return std::numeric_limits<std::uint64_t>::max();
  return bytes / sectorSize;
}

thread_local bool t_exactReads = false;

} // namespace

namespace qm {

ExactReadScope::ExactReadScope() : previous_(t_exactReads) { t_exactReads = true; }
ExactReadScope::~ExactReadScope() { t_exactReads = previous_; }
bool ExactReadsOnThisThread() { return t_exactReads; }

} // namespace qm

int CBadSectorSet::ReadSector(qm::IDeviceHandle* handle, void* buffer, std::uint64_t first, std::uint64_t count,
                              int ignoreBadSectors, int& systemError) {
  systemError = 0;
  if (qm::ExactReadsOnThisThread()) ignoreBadSectors = 0;
  const std::uint64_t sectorSize = static_cast<std::uint64_t>(m_nSectorSize);
  // One request stays below 4 GiB; a "negative" count is the same refusal.
  if (static_cast<std::int64_t>(count) < 0 || count >= (std::uint64_t{1} << 32) / sectorSize) {
    LogError("-----------------Tmx:Read sector parameter error = %lld---------------", static_cast<long long>(count));
    return 0;
  }
  const std::size_t bytes = static_cast<std::size_t>(count * sectorSize);
  if (handle == nullptr) {
    if (bytes != 0) std::memset(buffer, 0, bytes);
    return 0;
  }
  if (count == 0) return 1;
  if (first > std::numeric_limits<std::uint64_t>::max() / sectorSize - count) return 0;
  const SectorRange range{first, first + count};
  if (ignoreBadSectors && ContainsRange(range)) {
    std::memset(buffer, 0, bytes);
    return 1;
  }
  const std::int64_t got = handle->ReadAt(buffer, bytes, first * sectorSize, systemError);
  if (got >= 0 && (static_cast<std::uint64_t>(got) + sectorSize - 1) / sectorSize == count) return 1;
  // "Not ready" is no bad area: the device must be reopened, and the
  // caller (the disk device) does that and reads again.
  if (qm::IsNotReadyError(systemError)) return 0;
  if (!ignoreBadSectors) {
    LogError("ReadSector find bad sector , not ignored\n");
    return 0;
  }
  // A request that runs past the end of the device is not a bad area: it
  // fails, and nothing is remembered.
  if (range.end > DeviceSectors(handle, sectorSize)) return 0;
  std::memset(buffer, 0, bytes);
  UpdateBadSector(handle, first, 2048, 10, 50);
  return 1;
}

void CBadSectorSet::UpdateBadSector(qm::IDeviceHandle* handle, std::uint64_t first, std::uint32_t unitSectors,
                                    std::uint32_t minimumUnits, std::uint32_t startUnits) {
  LogInfo("UpdateBadSector start = %lld\n", static_cast<long long>(first));
  if (handle == nullptr) return;
  const std::uint64_t unit = unitSectors == 0 ? 1 : unitSectors;
  const std::uint64_t sectorSize = static_cast<std::uint64_t>(m_nSectorSize);
  SectorRange range{first, first + unit * minimumUnits};
  const std::uint64_t deviceSectors = DeviceSectors(handle, sectorSize);
  qm::MemBuffer<std::uint8_t> probeBuffer = qm::MakeMemBuffer<std::uint8_t>(static_cast<std::size_t>(unit * sectorSize));
  std::uint64_t n = startUnits;
  bool ended = false;
  while (n > minimumUnits) {
    LogInfo("UpdateBadSector nBadSectorUnitCount = %d\n", static_cast<int>(n));
    const std::uint64_t probe = first + n * unit;
    bool failed = false;
    // A probe at or past the end of the device says nothing about the
    // damage; only a probe that reads the device can fail.
    if (probe < deviceSectors) {
      const std::uint64_t probeSectors = std::min(unit, deviceSectors - probe);
      int error = 0;
      const std::int64_t got = handle->ReadAt(probeBuffer.get(), static_cast<std::size_t>(probeSectors * sectorSize),
                                              probe * sectorSize, error);
      failed = got < 0 || static_cast<std::uint64_t>(got) != probeSectors * sectorSize;
    }
    if (failed) {
      range = {first, first + n * unit};
      ended = true;
      break;
    }
    n /= 2;
    if (n < minimumUnits) {
      range = {first, first + std::uint64_t{minimumUnits} * unit};
      ended = true;
      break;
    }
  }
  if (ended)
    LogInfo("UpdateBadSector find bad sector i64StartOffset = %lld, i64EndOffset = %lld\n",
            static_cast<long long>(range.first), static_cast<long long>(range.end));
  range.end = std::min(range.end, deviceSectors);
  if (range.first < range.end) AddRange(range);
}

int CBadSectorSet::AddRange(const SectorRange& range) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_ranges.push_back(range);
  return 0;
}

int CBadSectorSet::ContainsRange(const SectorRange& range) {
  std::lock_guard<std::mutex> guard(m_lock);
  for (const SectorRange& stored : m_ranges)
    if (static_cast<std::int64_t>(range.first) < static_cast<std::int64_t>(stored.end) &&
        static_cast<std::int64_t>(stored.first) < static_cast<std::int64_t>(range.end))
      return 1;
  return 0;
}

std::vector<SectorRange> CBadSectorSet::GetRanges() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_ranges;
}
