#include "fatext2/fat_partition_info.h"

#include "filemodel/rs_data.h"

int CFATSearchedPartitionInfo::Save(IRSData* stream) {
  if (!CSearchedPartitionInfo::Save(stream)) return 0;
  IRSData& s = *stream;
  qm::RSWrite(s, m_nReservedSectors);
  qm::RSWrite(s, m_nSectorsPerFat);
  qm::RSWrite(s, m_nClusterCount);
  qm::RSWrite(s, m_nRootValue);
  qm::RSWrite(s, m_nFlags);
  return 1;
}

int CFATSearchedPartitionInfo::Load(IRSData* stream) {
  if (!CSearchedPartitionInfo::Load(stream)) return 0;
  IRSData& s = *stream;
  m_nReservedSectors = qm::RSRead<std::uint16_t>(s);
  m_nSectorsPerFat = qm::RSRead<std::uint32_t>(s);
  m_nClusterCount = qm::RSRead<std::uint32_t>(s);
  m_nRootValue = qm::RSRead<std::uint32_t>(s);
  m_nFlags = qm::RSRead<std::uint32_t>(s);
  return 1;
}
