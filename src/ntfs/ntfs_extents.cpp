#include "ntfs/ntfs_extents.h"

#include <algorithm>
#include <cstring>

#include "filemodel/file_properties.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"

std::unique_ptr<CNoneResidentNTFSDataRunList> BuildNonResidentRunList(const qm::NtfsRunList& runs,
                                                                      std::uint64_t* totalClusters) {
  if (totalClusters) *totalClusters = 0;
  if (runs.empty()) return nullptr;
  auto list = std::make_unique<CNoneResidentNTFSDataRunList>();
  std::uint64_t total = 0;
  for (const qm::NtfsRun& run : runs) {
    list->AddRun(static_cast<std::uint64_t>(run.lcn), run.length);
    total += run.length;
  }
  if (totalClusters) *totalClusters = total;
  return list;
}

std::unique_ptr<CResidentNTFSDataRunList> BuildResidentRunList(qm::ByteView attribute,
                                                               std::uint64_t recordSector,
                                                               std::uint32_t attributeOffset,
                                                               std::uint64_t* valueLength) {
  auto list = std::make_unique<CResidentNTFSDataRunList>();
  const std::uint32_t valueOffset = attribute.le16(qm::mft::kAttrValueOffset);
  list->SetResidentData(recordSector, 1, attributeOffset + valueOffset);
  if (valueLength) *valueLength = attribute.le32(qm::mft::kAttrValueLength);
  return list;
}

void CollectFileDataRuns(CNTFSFileRecord& record, std::uint64_t bytesPerCluster, qm::NtfsFileExtents& info) {
  // A tree build calls this for every file: the runs are decoded into the
  // same vector each time and packed straight from it, with no run list in
  // between.
  thread_local qm::NtfsRunList runs;
  runs.clear();
  bool resident = false;
  for (unsigned i = 0;; ++i) {
    const auto data = record.FindAttributeAnywhere(qm::mft::kData, i);
    if (!data) break;
    const qm::ByteView a = data.attribute.bytes;
    if (qm::attr::NameLength(a) != 0) continue;
    const std::uint16_t flags = qm::attr::Flags(a);
    if (flags & qm::mft::kAttrCompressed) info.attributes |= qm::kAttrCompressed;
    if (flags & qm::mft::kAttrEncrypted) info.attributes |= qm::kAttrEncrypted;
    if (qm::attr::IsResident(a)) {
      if (!qm::attr::ResidentValue(a)) continue; // a value outside its attribute is no data
      // As a resident run list packs: the run (record sector, 1) and the
      // low 16 bits of the value's offset from the start of that sector.
      const std::uint32_t valueOffset =
          data.recordOffsetInSector + data.attribute.offset + a.le16(qm::mft::kAttrValueOffset);
      const DataRunEntry run[] = {{data.recordSector, 1}};
      info.extents = CPackedDataRunList::FromRuns(
          run, [](const DataRunEntry& entry) { return entry; }, static_cast<std::uint16_t>(valueOffset));
      info.size = static_cast<std::int64_t>(a.le32(qm::mft::kAttrValueLength));
      resident = true;
      break;
    }
    const auto nr = qm::ReadNonResident(a);
    if (!nr) continue;
    DecodeDataRuns(nr->mappingPairs, runs, nr->firstVcn);
    const auto realSize = static_cast<std::int64_t>(nr->realSize);
    if (nr->firstVcn == 0 && (info.size <= 0 || info.size < realSize)) info.size = realSize;
  }
  if (!resident) {
    SortByVcn(runs);
    std::uint64_t clusters = 0;
    for (const qm::NtfsRun& run : runs) clusters += run.length;
    info.extents = CPackedDataRunList::FromRuns(
        runs, [](const qm::NtfsRun& run) { return DataRunEntry{static_cast<std::uint64_t>(run.lcn), run.length}; },
        0);
    if (info.size < 0) info.size = 0;
    if (bytesPerCluster != 0 && bytesPerCluster % 512 == 0) {
      // Saturates instead of wrapping on a hostile cluster count.
      const std::uint64_t allocated = clusters > static_cast<std::uint64_t>(INT64_MAX) / bytesPerCluster
                                          ? static_cast<std::uint64_t>(INT64_MAX)
                                          : clusters * bytesPerCluster;
      if (static_cast<std::uint64_t>(info.size) > allocated) info.size = static_cast<std::int64_t>(allocated);
      if (info.size == 0 && allocated != 0) info.size = static_cast<std::int64_t>(allocated);
    }
  }
  if (runs.capacity() > 4096) qm::NtfsRunList().swap(runs); // a file of many fragments
  if ((info.attributes & qm::kAttrCompressed) && (info.attributes & qm::kAttrEncrypted))
    info.attributes &= static_cast<std::uint16_t>(~qm::kAttrCompressed);
}

std::optional<std::uint64_t> NtfsReadResidentFileData(CNTFSFileRecord& record,
                                                      std::span<std::uint8_t> buffer) {
  for (unsigned i = 0;; ++i) {
    const auto data = record.FindAttributeAnywhere(qm::mft::kData, i);
    if (!data) return std::nullopt;
    if (qm::attr::NameLength(data.attribute.bytes) != 0) continue;
    if (!qm::attr::IsResident(data.attribute.bytes)) return std::nullopt;
    return NtfsReadResidentData(data.attribute.bytes, buffer);
  }
}

std::optional<std::uint64_t> ReadNtfsFileStreamForRecovery(CNTFSFileRecord& record,
                                                           std::span<std::uint8_t> buffer,
                                                           std::uint64_t firstSector,
                                                           std::uint32_t sectorsPerCluster,
                                                           IStorageDevice& device) {
  const auto stream = record.FindAttributeAnywhere(qm::mft::kLoggedUtilityStream, 0);
  if (!stream) return std::nullopt;
  const qm::ByteView a = stream.attribute.bytes;
  const auto length = NtfsReadAttributeData(a, buffer, firstSector, sectorsPerCluster, device);
  if (!length || *length < 8) return std::nullopt;
  const qm::ByteView head(buffer.data(), 8);
  if (qm::attr::IsResident(a)) {
    if (head.le32(0) != a.le32(qm::mft::kAttrValueLength) || head.le32(4) != 0) return std::nullopt;
  } else {
    const auto nr = qm::ReadNonResident(a);
    if (!nr || head.le64(0) != nr->realSize) return std::nullopt;
  }
  return length;
}

std::optional<std::vector<std::uint8_t>>
NtfsReadResidentContent(IStorageDevice& device, const IDataRunList& list, std::uint64_t length) {
  constexpr std::uint64_t kMaxRecord = 4096;
  if (!list.IsResident() || list.Runs().empty()) return std::nullopt;
  const std::uint64_t sector = list.Runs().front().start;
  const std::uint64_t offset = list.GetResidentValue();
  const std::int32_t sectorSize = device.GetSectorSize();
  // A resident value lies inside one record, which starts at a multiple of
  // 1024 bytes at or before it in the sector.
  if (sectorSize <= 0 || length > kMaxRecord || offset >= 64 * 1024) return std::nullopt;
  const std::uint64_t firstRecord = offset / 1024 * 1024;
  const std::uint64_t count = (firstRecord + kMaxRecord + sectorSize - 1) / sectorSize;
  const std::uint64_t total = device.GetSectorCount();
  if (sector > total) return std::nullopt;
  std::vector<std::uint8_t> sectors(std::min(count, total - sector) * static_cast<std::uint64_t>(sectorSize));
  if (sectors.empty() || !device.ReadSectors(sectors.data(), sector, sectors.size() / sectorSize))
    return std::nullopt;
  for (std::uint64_t start = firstRecord;; start -= 1024) {
    const qm::ByteView at(sectors.data() + start, sectors.size() - start);
    if (start < sectors.size() && IsFileRecordHeader(at)) {
      const std::uint64_t size = std::max<std::uint64_t>(at.le32(qm::mft::kBytesAllocated), 1024);
      if (at.has(0, size) && offset - start <= size && length <= size - (offset - start)) {
        std::vector<std::uint8_t> record(sectors.begin() + start, sectors.begin() + start + size);
        if (IsValidFileRecord(record)) {
          ApplyUpdateSequenceFixup(record);
          return std::vector<std::uint8_t>(record.begin() + (offset - start),
                                           record.begin() + (offset - start + length));
        }
      }
    }
    if (start == 0) return std::nullopt;
  }
}
