// An in-memory sector device for tests: a byte vector behind
// IStorageDevice, with a configurable sector size and optional unreadable
// sector ranges. Safe to read from several threads at once (the read-ahead
// cache does); configure it before sharing it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "storage/storage_device.h"

namespace qm {

class MemoryDevice : public IStorageDevice {
public:
  // bytes is the whole content; a trailing partial sector is not readable.
  explicit MemoryDevice(std::vector<std::uint8_t> bytes, std::int32_t sectorSize = 512);
  // sectorCount zero-filled sectors.
  MemoryDevice(std::uint64_t sectorCount, std::int32_t sectorSize);

  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override;
  std::uint64_t GetSectorCount() override;
  std::int32_t GetSectorSize() override { return m_nSectorSize; }
  int Open() override { return 1; }
  int Close() override { return 1; }

  // Any read that touches a sector of [first, end) fails and leaves the
  // buffer untouched.
  void AddFailingRange(std::uint64_t first, std::uint64_t end);
  void ClearFailingRanges();

  // The content, for tests that write a structure into it before reading.
  std::vector<std::uint8_t>& bytes() { return m_bytes; }
  std::uint8_t* sector(std::uint64_t index) { return m_bytes.data() + index * static_cast<std::uint64_t>(m_nSectorSize); }

  // Every ReadSectors call, good or failed, and the sectors asked for.
  std::uint64_t readCalls() const { return m_readCalls.load(); }
  std::uint64_t sectorsRead() const { return m_sectorsRead.load(); }
  void ResetCounters() {
    m_readCalls = 0;
    m_sectorsRead = 0;
  }

private:
  std::vector<std::uint8_t> m_bytes;
  std::mutex m_rangeLock;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> m_failing;
  std::atomic<std::uint64_t> m_readCalls{0};
  std::atomic<std::uint64_t> m_sectorsRead{0};
};

// A device whose content is a pattern that tells every sector apart: each
// 8-byte word holds (sector << 16 | word index), little-endian. Good for
// checking that a wrapper returns the right bytes at the right place.
std::vector<std::uint8_t> MakePatternBytes(std::uint64_t sectorCount, std::int32_t sectorSize);

} // namespace qm
