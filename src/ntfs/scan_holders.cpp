#include "ntfs/scan_holders.h"

#include <cmath>

#include "filemodel/rs_data.h"
#include "ntfs/index_record.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "ntfs/system_files.h"

namespace {

constexpr std::uint32_t kIndexRoot = 0x90;

std::uint32_t ScanSectorSize(std::uint32_t size) { return size == 0 || size % 512 != 0 ? 512 : size; }

} // namespace

namespace qm {

void SaveRecordRange(IRSData& stream, const NtfsRecordRange& range) {
  RSWrite(stream, range.firstSector);
  RSWrite(stream, range.count);
}

NtfsRecordRange LoadRecordRange(IRSData& stream) {
  NtfsRecordRange range;
  range.firstSector = RSRead<std::uint64_t>(stream);
  range.count = RSRead<std::uint64_t>(stream);
  return range;
}

std::int64_t TranslateThroughRanges(std::span<const NtfsRangeMap> maps, std::uint64_t value) {
  for (const NtfsRangeMap& m : maps) {
    if (value >= m.start && value - m.start < m.length)
      return static_cast<std::int64_t>(m.target + (value - m.start));
  }
  return -1;
}

unsigned RoundSectorsPerClusterGuess(double sectorsPerCluster) {
  const double n = std::ceil(sectorsPerCluster);
  if (!(n >= 1)) return 0;
  for (unsigned spc = 1; spc <= 128; spc *= 2) {
    if (n <= spc) return spc;
  }
  return 0;
}

std::optional<NtfsFolderIndexInfo> MakeFolderIndexInfo(ByteView record, std::uint64_t recordSector,
                                                       std::uint32_t deviceSectorSize) {
  if (IsExtensionRecord(record)) return std::nullopt;
  NtfsFolderIndexInfo info;
  if (const NtfsAttribute root = FindAttribute(record, kIndexRoot, 0)) {
    const std::int64_t parent = GetIndexRootParent(root.bytes);
    if (parent >= 0) info.folderNumber = static_cast<std::uint64_t>(parent);
  }
  const NtfsAttribute allocation = FindAttribute(record, mft::kIndexAllocation, 0);
  if (allocation && allocation.bytes.le16(mft::kAttrPairsOffset) > 0) {
    const auto nr = ReadNonResident(allocation.bytes);
    if (!nr) return std::nullopt;
    DecodeDataRuns(nr->mappingPairs, info.indexRuns, nr->firstVcn);
    const std::uint64_t clusters = TotalClusters(info.indexRuns);
    if (info.indexRuns.empty() || clusters == 0 || static_cast<std::int64_t>(nr->initializedSize) <= 0)
      return std::nullopt;
    info.sectorsPerClusterGuess =
        RoundSectorsPerClusterGuess(static_cast<double>(nr->initializedSize) / static_cast<double>(clusters) /
                                    static_cast<double>(ScanSectorSize(deviceSectorSize)));
  }
  if (info.sectorsPerClusterGuess == 0) return std::nullopt;
  info.recordSector = recordSector;
  info.lsn = record.le64(mft::kLsn);
  if (const auto number = RecordOwnNumber(record)) {
    info.ownNumber = *number;
    info.ownNumberPresent = 1;
    if (info.folderNumber == kNoNumber) info.folderNumber = info.ownNumber;
  }
  // The root folder's index proves nothing about a partition's position.
  if (info.folderNumber == 5 || info.folderNumber == kNoNumber) return std::nullopt;
  return info;
}

std::optional<NtfsSystemFileInfo> MakeSystemFileInfo(std::span<std::uint8_t> record,
                                                     std::uint64_t recordSector,
                                                     std::uint32_t deviceSectorSize) {
  const CNTFSFileRecordView view(record.size() > mft::kFixupBytes ? record.first(mft::kFixupBytes) : record,
                                 false);
  if (!view.IsValid()) return std::nullopt;
  NtfsSystemFileInfo info;
  const unsigned spc = GuessSectorsPerClusterFromMftRecord(view.Record(), ScanSectorSize(deviceSectorSize));
  if (spc == 0) return std::nullopt;
  std::uint64_t realSize = 0;
  if (!CollectUnnamedDataRuns(view.Record(), false, info.dataRuns, realSize) || info.dataRuns.empty())
    return std::nullopt;
  SortByVcn(info.dataRuns);
  info.sectorsPerCluster = static_cast<std::uint8_t>(spc);
  info.recordSector = recordSector;
  info.lsn = view.Record().le64(mft::kLsn);
  return info;
}

std::optional<NtfsDataStreamInfo> MakeDataStreamInfo(ByteView record, std::uint64_t recordSector) {
  NtfsRunList runs;
  std::uint64_t realSize = 0;
  if (!CollectUnnamedDataRuns(record, false, runs, realSize)) return std::nullopt;
  if (static_cast<std::int64_t>(realSize) <= 0 || TotalClusters(runs) == 0) return std::nullopt;
  return NtfsDataStreamInfo{recordSector, realSize};
}

} // namespace qm
