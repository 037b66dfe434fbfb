// Reading MBR partition entries, and the guard that makes every walk of a
// chain of extended boot records end: a corrupt chain may point back on
// itself or run through boot records that hold nothing but another link.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "platform/byte_view.h"

namespace qm {

// Partition table of an MBR or extended boot record:
//   446  4 × 16  entries
//   510  2       signature 0x55 0xAA
// Entry: +0 boot indicator, +4 type, +8 first sector (u32), +12 count (u32).
inline constexpr std::size_t kMbrTableOffset = 446;
inline constexpr std::size_t kMbrEntrySize = 16;
inline constexpr int kMbrEntryCount = 4;
inline constexpr std::size_t kMbrEntryBootOffset = 0;
inline constexpr std::size_t kMbrEntryTypeOffset = 4;
inline constexpr std::size_t kMbrEntryStartOffset = 8;
inline constexpr std::size_t kMbrEntryCountOffset = 12;
inline constexpr std::size_t kMbrSignatureOffset = 510;

struct MbrEntry {
  std::uint8_t bootIndicator = 0;
  std::uint8_t type = 0;
  std::uint32_t start = 0;
  std::uint32_t count = 0;
  bool empty = true; // all 16 bytes zero (or not readable)
};

inline MbrEntry ReadMbrEntry(ByteView sector, int index) {
  MbrEntry entry;
  const ByteView raw = sector.sub(kMbrTableOffset + kMbrEntrySize * static_cast<std::size_t>(index), kMbrEntrySize);
  if (raw.empty()) return entry;
  entry.bootIndicator = raw.u8(kMbrEntryBootOffset);
  entry.type = raw.u8(kMbrEntryTypeOffset);
  entry.start = raw.le32(kMbrEntryStartOffset);
  entry.count = raw.le32(kMbrEntryCountOffset);
  for (std::uint8_t byte : raw.bytes())
    if (byte != 0) entry.empty = false;
  return entry;
}

inline bool HasMbrSignature(ByteView sector) {
  return sector.u8(kMbrSignatureOffset) == 0x55 && sector.u8(kMbrSignatureOffset + 1) == 0xAA;
}

// Both walks of an extended chain (the dynamic-disk test and the partition
// table reader) ask Enter before reading each boot record; it refuses a
// sector already visited and anything past kMaxBootRecords records. What a
// walk found before it was stopped stays valid.
class BootRecordChainGuard {
public:
  static constexpr int kMaxBootRecords = 256;

  bool Enter(std::uint64_t sector) {
    if (visited_.size() >= static_cast<std::size_t>(kMaxBootRecords)) return false;
    return visited_.insert(sector).second;
  }
  std::size_t visitedCount() const { return visited_.size(); }

private:
  std::unordered_set<std::uint64_t> visited_;
};

} // namespace qm
