#include "ntfs/ntfs_record_collection.h"

#include "filemodel/rs_data.h"

std::uint64_t SectorToRecordNumber(const NtfsMftInfo& mft, std::uint64_t sector,
                                   std::uint64_t partitionStart) {
  const std::uint64_t perCluster = mft.sectorsPerCluster;
  const std::uint64_t perRecord = mft.sectorsPerFileRecord;
  if (perCluster == 0 || perRecord == 0 || sector < partitionStart) return qm::kNoNumber;
  const std::uint64_t offset = sector - partitionStart;
  const std::uint64_t lcn = offset / perCluster;
  const std::uint64_t remainder = offset % perCluster;
  for (const auto& run : mft.extents) {
    if (run.lcn < 0) continue;
    const auto first = static_cast<std::uint64_t>(run.lcn);
    if (lcn < first || lcn - first >= run.length) continue;
    const std::uint64_t vcn = run.vcn + (lcn - first);
    const std::uint64_t inMft = vcn * perCluster + remainder;
    if (inMft % perRecord != 0) return qm::kNoNumber;
    return inMft / perRecord;
  }
  return qm::kNoNumber;
}

std::uint64_t NtfsMftInfo::RecordNumberOfSector(std::uint64_t sector, std::uint64_t partitionStart) const {
  return SectorToRecordNumber(*this, sector, partitionStart);
}

std::uint64_t NtfsMftInfo::TotalClusters() const { return ::TotalClusters(extents); }

bool NtfsMftInfo::ContainsLcn(std::int64_t lcn) const {
  if (lcn < 0) return false;
  for (const auto& run : extents)
    if (run.lcn >= 0 && lcn >= run.lcn && static_cast<std::uint64_t>(lcn - run.lcn) < run.length) return true;
  return false;
}

void NtfsMftInfo::Save(IRSData& stream) const {
  qm::RSWrite<std::uint64_t>(stream, recordSector);
  qm::RSWrite<std::uint8_t>(stream, sectorsPerFileRecord);
  qm::RSWrite<std::uint8_t>(stream, sectorsPerCluster);
  qm::SaveRunList(extents, stream);
}

std::optional<NtfsMftInfo> NtfsMftInfo::Load(IRSData& stream) {
  NtfsMftInfo info;
  info.recordSector = qm::RSRead<std::uint64_t>(stream);
  info.sectorsPerFileRecord = qm::RSRead<std::uint8_t>(stream);
  info.sectorsPerCluster = qm::RSRead<std::uint8_t>(stream);
  auto runs = qm::LoadRunList(stream);
  if (!runs || info.sectorsPerCluster == 0 || info.sectorsPerFileRecord == 0) return std::nullopt;
  info.extents = std::move(*runs);
  return info;
}
