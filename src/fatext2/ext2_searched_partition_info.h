// An EXT2 or EXT3 partition as the deep scan finds it: one super block copy
// met in the sweep (kept as found), where it was found, the descriptor
// table collected from the sectors after it, and how often an equal copy
// was met. The base record's "cluster" fields hold blocks here: sectors per
// cluster is sectors per block, the cluster-zero sector is the sector where
// this copy was found. Sectors are 512-byte sectors of the device's
// 512-byte view.
#pragma once

#include <cstdint>
#include <span>

#include "fatext2/ext2_super_block.h"
#include "storage/mem_alloc.h"
#include "storage/searched_partition_info.h"

class CExt2SearchedPartitionInfo : public CSearchedPartitionInfo, public CExt2SuperBlock {
public:
  // For loading: no image, no table.
  CExt2SearchedPartitionInfo() : CSearchedPartitionInfo(512) {}
  // From a sweep hit: the 1024 bytes as found at sector foundAt.
  CExt2SearchedPartitionInfo(std::span<const std::uint8_t> image, std::uint64_t foundAt,
                             std::uint32_t sectorSize = 512);
  ~CExt2SearchedPartitionInfo() override;

  int GetKind() override { return kPartitionKindExt2; }
  // The base record, then the descriptor sector (8 bytes) and the valid
  // flag (4). The image, hit count and table are read again from the
  // device when a tree is built.
  int Save(IRSData* stream) override;
  int Load(IRSData* stream) override;

  // A normalised copy of the image as found.
  CExt2SuperBlock Normalised() const;
  // Groups of the normalised image (0 when it has none).
  std::uint64_t Groups() const;

  std::uint32_t GetHitCount() const { return m_nHitCount; }
  void AddHit() {
    ++m_nHitCount;
    SetFoldersMatched(GetFoldersMatched() + 1);
  }
  void SetHitCount(std::uint32_t count) { m_nHitCount = count; }
  std::uint32_t GetCollected() const { return m_nCollected; }
  bool TableComplete() const { return m_table != nullptr && m_nCollected >= Groups(); }
  std::uint64_t GetDescriptorSector() const { return m_nDescriptorSector; }
  // The block after the block that holds this copy of the super block.
  std::uint64_t ExpectedDescriptorSector() const;
  std::uint64_t GetFoundAt() const { return GetClusterZeroSector(); }
  std::uint64_t GetEarliestFoundAt() const { return m_nEarliestFoundAt; }
  void SetEarliestFoundAt(std::uint64_t sector) { m_nEarliestFoundAt = sector; }
  std::uint32_t GetValidFlag() const { return m_nValid; }
  void SetValidFlag(std::uint32_t valid) { m_nValid = valid; }
  // Whether the image as found passes the check.
  bool ImageChecks() const { return CExt2SuperBlock(Image()).Check(); }

  // Collects up to 16 descriptors (one 512-byte sector) from sector at;
  // the first call allocates the table and records the sector.
  void CollectDescriptors(qm::ByteView sector, std::uint64_t at);
  qm::ByteView Table() const {
    return m_table == nullptr ? qm::ByteView() : qm::ByteView(m_table.get(), m_nTableBytes);
  }
  // Replaces image and table (a reload from the device); the table holds
  // every group's descriptor.
  void Reload(std::span<const std::uint8_t> image, qm::MemBuffer<std::uint8_t> table, std::size_t tableBytes);

  // Two records describe the same file system at the same place.
  bool SameAs(const CExt2SearchedPartitionInfo& other) const;

private:
  std::uint32_t m_nHitCount = 0;
  std::uint32_t m_nCollected = 0;
  std::uint64_t m_nDescriptorSector = 0;
  std::uint64_t m_nEarliestFoundAt = 0;
  std::uint32_t m_nValid = 0;
  qm::MemBuffer<std::uint8_t> m_table;
  std::size_t m_nTableBytes = 0;
};
