#include "ntfs/ntfs_partition_info.h"

#include "filemodel/rs_data.h"

CSearchedNTFSPartitionInfo::CSearchedNTFSPartitionInfo(std::uint64_t serialNumber,
                                                       std::uint32_t bytesPerSector)
    : CSearchedPartitionInfo(bytesPerSector), m_u64SerialNumber(serialNumber) {
  m_nFileSystemType = kFsNtfs;
}

int CSearchedNTFSPartitionInfo::Save(IRSData* stream) {
  if (!CSearchedPartitionInfo::Save(stream)) return 0;
  IRSData& s = *stream;
  qm::RSWrite(s, m_u64SerialNumber);
  qm::RSWrite(s, m_nSectorsPerFileRecord);
  qm::RSWrite(s, m_nFoundFlags);
  qm::RSWrite(s, m_bUseMft);
  qm::RSWrite(s, m_bFilesFromMftOnly);
  qm::RSWrite(s, m_u64TotalClusters);
  qm::RSWrite(s, m_u64LogFileMatches);
  qm::RSWrite(s, m_u64AttrDefMatches);
  qm::RSWrite(s, m_u64UpCaseMatches);
  qm::RSWrite(s, m_u64MftSector);
  qm::RSWrite(s, m_u64LogFileSector);
  qm::RSWrite(s, m_u64AttrDefSector);
  qm::RSWrite(s, m_u64UpCaseSector);
  qm::RSWrite(s, m_u64SectorsFromSystemFiles);
  return 1;
}

int CSearchedNTFSPartitionInfo::Load(IRSData* stream) {
  if (!CSearchedPartitionInfo::Load(stream)) return 0;
  IRSData& s = *stream;
  m_u64SerialNumber = qm::RSRead<std::uint64_t>(s);
  m_nSectorsPerFileRecord = qm::RSRead<std::uint32_t>(s);
  m_nFoundFlags = qm::RSRead<std::uint32_t>(s);
  m_bUseMft = qm::RSRead<std::uint32_t>(s);
  m_bFilesFromMftOnly = qm::RSRead<std::uint32_t>(s);
  m_u64TotalClusters = qm::RSRead<std::uint64_t>(s);
  m_u64LogFileMatches = qm::RSRead<std::uint64_t>(s);
  m_u64AttrDefMatches = qm::RSRead<std::uint64_t>(s);
  m_u64UpCaseMatches = qm::RSRead<std::uint64_t>(s);
  m_u64MftSector = qm::RSRead<std::uint64_t>(s);
  m_u64LogFileSector = qm::RSRead<std::uint64_t>(s);
  m_u64AttrDefSector = qm::RSRead<std::uint64_t>(s);
  m_u64UpCaseSector = qm::RSRead<std::uint64_t>(s);
  m_u64SectorsFromSystemFiles = qm::RSRead<std::uint64_t>(s);
  return 1;
}
