// What the NTFS deep scan keeps of the records it meets besides whole
// candidates: folders with their index allocation, system files with their
// data runs, data streams, and runs of consecutive FILE records. Each is
// made from one fixed-up record and refused when the record cannot serve
// as evidence.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ntfs/data_runs.h"
#include "platform/byte_view.h"

class IRSData;

namespace qm {

inline constexpr std::uint64_t kNoSector = ~std::uint64_t{0};
inline constexpr std::uint64_t kNoNumber = ~std::uint64_t{0};

// A folder record with an index.
struct NtfsFolderIndexInfo {
  std::uint64_t recordSector = kNoSector;
  NtfsRunList indexRuns; // of its $INDEX_ALLOCATION
  std::uint64_t lsn = 0;
  std::uint64_t folderNumber = kNoNumber; // the common parent of its entries
  std::uint32_t ownNumber = 0;
  std::uint32_t ownNumberPresent = 0;
  std::uint32_t sectorsPerClusterGuess = 0; // from the $INDEX_ALLOCATION's sizes
};

// A system-file record whose unnamed $DATA is non-resident.
struct NtfsSystemFileInfo {
  std::uint64_t recordSector = 0;
  NtfsRunList dataRuns;
  std::uint64_t lsn = 0;
  std::uint8_t sectorsPerCluster = 0;
};

struct NtfsDataStreamInfo {
  std::uint64_t recordSector = 0;
  std::uint64_t size = kNoNumber;
};

// Consecutive FILE records, two sectors apart.
struct NtfsRecordRange {
  std::uint64_t firstSector = kNoSector;
  std::uint64_t count = 0;
  // The sector just after the last record.
  std::uint64_t EndSector() const { return firstSector + 2 * count; }
  // Takes a record at EndSector() into the range.
  bool Extend(std::uint64_t sector) {
    if (sector != EndSector()) return false;
    ++count;
    return true;
  }
};

// Saved with the scan state: 8 + 8 bytes. Stream errors raise.
void SaveRecordRange(IRSData& stream, const NtfsRecordRange& range);
NtfsRecordRange LoadRecordRange(IRSData& stream);

// One run of a translation: values [start, start + length) map to target on.
struct NtfsRangeMap {
  std::uint64_t target = 0;
  std::uint64_t start = 0;
  std::uint64_t length = 0;
};
// The first map that holds the value gives target + value - start; none -1.
std::int64_t TranslateThroughRanges(std::span<const NtfsRangeMap> maps, std::uint64_t value);

// Power of two from 1 to 128 that covers a sectors-per-cluster value
// computed from sizes (rounded up first), or 0 when none does.
unsigned RoundSectorsPerClusterGuess(double sectorsPerCluster);

// deviceSectorSize: the scanned device's (512 when 0 or not a multiple of
// 512). The record must be fixed up.
std::optional<NtfsFolderIndexInfo> MakeFolderIndexInfo(ByteView record, std::uint64_t recordSector,
                                                       std::uint32_t deviceSectorSize);
// The record may be protected or fixed up; it is checked as a FILE record
// first and leaves unchanged.
std::optional<NtfsSystemFileInfo> MakeSystemFileInfo(std::span<std::uint8_t> record,
                                                     std::uint64_t recordSector,
                                                     std::uint32_t deviceSectorSize);
std::optional<NtfsDataStreamInfo> MakeDataStreamInfo(ByteView record, std::uint64_t recordSector);

} // namespace qm
