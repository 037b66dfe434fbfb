#include "fatext2/ext2_searched_partition_info.h"

#include <algorithm>
#include <cstring>

#include "filemodel/rs_data.h"

using namespace qm::ext2;

CExt2SearchedPartitionInfo::CExt2SearchedPartitionInfo(std::span<const std::uint8_t> image, std::uint64_t foundAt,
                                                       std::uint32_t sectorSize)
    : CSearchedPartitionInfo(sectorSize), CExt2SuperBlock(image) {
  const CExt2SuperBlock normalised = Normalised();
  const std::int64_t offset = normalised.GroupNumber() != 0 ? normalised.SuperBlockOffset() : 0;
  SetClusterZeroSector(foundAt);
  SetStartSector(foundAt - static_cast<std::uint64_t>(offset) - 2);
  SetFileSystemType(normalised.JournalInode() != 0 ? kFsExt3 : kFsExt2);
  SetSectorsPerCluster(static_cast<std::uint8_t>(normalised.SectorsPerBlock()));
  SetSectorCount(normalised.SizeInBytes() / 512);
  m_nHitCount = 1;
  m_nEarliestFoundAt = foundAt;
  m_nValid = ImageChecks() ? 1 : 0;
}

CExt2SearchedPartitionInfo::~CExt2SearchedPartitionInfo() = default;

CExt2SuperBlock CExt2SearchedPartitionInfo::Normalised() const {
  CExt2SuperBlock copy(Image());
  copy.Normalise();
  return copy;
}

std::uint64_t CExt2SearchedPartitionInfo::Groups() const { return Normalised().GroupCount(); }

std::uint64_t CExt2SearchedPartitionInfo::ExpectedDescriptorSector() const {
  const std::uint64_t perBlock = std::max<std::uint32_t>(Normalised().SectorsPerBlock(), 1);
  const std::uint64_t start = GetStartSector();
  const std::uint64_t foundAt = GetFoundAt();
  const std::uint64_t into = foundAt >= start ? foundAt - start : 0;
  return start + (into / perBlock + 1) * perBlock;
}

void CExt2SearchedPartitionInfo::CollectDescriptors(qm::ByteView sector, std::uint64_t at) {
  const std::uint64_t groups = Groups();
  if (m_table == nullptr) {
    // The check bounds the group count by the volume's geometry (the table
    // fits inside the first group), so this stays a few megabytes at most.
    m_nTableBytes = static_cast<std::size_t>(groups * kDescriptorBytes);
    m_table = qm::MakeMemBuffer<std::uint8_t>(std::max<std::size_t>(m_nTableBytes, 1));
    std::memset(m_table.get(), 0, std::max<std::size_t>(m_nTableBytes, 1));
    m_nDescriptorSector = at;
  }
  if (m_nCollected >= groups) return;
  const std::uint64_t take = std::min<std::uint64_t>(groups - m_nCollected, 512 / kDescriptorBytes);
  const std::uint64_t bytes = take * kDescriptorBytes;
  if (!sector.has(0, bytes)) return;
  std::memcpy(m_table.get() + std::uint64_t{m_nCollected} * kDescriptorBytes, sector.data(), bytes);
  m_nCollected += static_cast<std::uint32_t>(take);
}

void CExt2SearchedPartitionInfo::Reload(std::span<const std::uint8_t> image, qm::MemBuffer<std::uint8_t> table,
                                        std::size_t tableBytes) {
  Assign(image);
  m_table = std::move(table);
  m_nTableBytes = tableBytes;
  m_nCollected = static_cast<std::uint32_t>(tableBytes / kDescriptorBytes);
}

bool CExt2SearchedPartitionInfo::SameAs(const CExt2SearchedPartitionInfo& other) const {
  if (this == &other) return true;
  if (m_table == nullptr || other.m_table == nullptr) return false;
  if ((GroupNumber() != 0 || other.GroupNumber() != 0) && GetStartSector() != other.GetStartSector()) return false;
  const CExt2SuperBlock mine = Normalised();
  if (!mine.EqualTo(other.Normalised())) return false;
  return DescriptorTablesEqual(Table(), other.Table(), mine.GroupCount());
}

int CExt2SearchedPartitionInfo::Save(IRSData* stream) {
  if (!CSearchedPartitionInfo::Save(stream)) return 0;
  qm::RSWrite<std::uint64_t>(*stream, m_nDescriptorSector);
  qm::RSWrite<std::uint32_t>(*stream, m_nValid);
  return 1;
}

int CExt2SearchedPartitionInfo::Load(IRSData* stream) {
  if (!CSearchedPartitionInfo::Load(stream)) return 0;
  m_nDescriptorSector = qm::RSRead<std::uint64_t>(*stream);
  m_nValid = qm::RSRead<std::uint32_t>(*stream);
  m_table.reset();
  m_nTableBytes = 0;
  m_nCollected = 0;
  m_nHitCount = 0;
  return 1;
}
