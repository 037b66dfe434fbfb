#include "fatext2/ext2_file_system.h"

#include <gc/gc_allocator.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_exceptions.h"
#include "fatext2/ext2_inode_table_cursor.h"
#include "platform/log.h"

using namespace qm::ext2;

namespace {

// Groups that hold a copy of the super block and descriptor table on a
// volume with sparse super blocks (0, 1 and the powers of 3, 5 and 7), in
// the order they are tried.
constexpr std::uint32_t kCopyGroups[] = {0, 1, 3, 5, 7, 9, 25, 27, 49, 81, 125};

constexpr std::uint32_t kSuperBlockReadBytes = 4096;

} // namespace

CExt2FileSystem::CExt2FileSystem(IStorageDevice* device, std::uint64_t superBlockSector)
    : m_nSuperBlockSector(superBlockSector) {
  static const bool installed = (InstallSeTranslator(), true);
  (void)installed;
  if (device != nullptr && device->GetSectorSize() != 512) device = device->Get512ByteSectorDevice();
  if (device == nullptr) throw CExt2ReadSectorError();
  m_pDevice = device;

  qm::MemBuffer<std::uint8_t> first = qm::MakeMemBuffer<std::uint8_t>(kSuperBlockReadBytes);
  if (superBlockSector > static_cast<std::uint64_t>(INT64_MAX) ||
      !ReadDeviceSectors(first.get(), static_cast<std::int64_t>(superBlockSector),
                         kSuperBlockReadBytes / 512))
    throw CExt2ReadSectorError();
  m_superBlock.Assign({first.get(), qm::ext2::kSuperBlockBytes});
  NormaliseAndCheck();

  // The copy in use may be a backup; the partition's base (start + 2)
  // lies its offset before it. A copy whose offset reaches before the
  // device cannot be where it claims to be.
  const std::int64_t base = static_cast<std::int64_t>(superBlockSector) - m_superBlock.SuperBlockOffset();
  if (base < 2) throw CExt2BadSuperBlock();
  m_nBase = base;

  const std::uint64_t sectors = m_pDevice->GetSectorCount();
  const std::uint64_t partitionStart = static_cast<std::uint64_t>(base) - 2;
  if (sectors < partitionStart || m_superBlock.SizeInBytes() > (sectors - partitionStart) * 512) {
    LogError("EXT2: volume of %llu bytes at sector %llu does not fit a device of %llu sectors",
             static_cast<unsigned long long>(m_superBlock.SizeInBytes()),
             static_cast<unsigned long long>(partitionStart), static_cast<unsigned long long>(sectors));
    throw CExt2BadSuperBlock();
  }
  ReadDescriptorTable();
}

CExt2FileSystem::CExt2FileSystem(IStorageDevice* device, std::uint64_t partitionStart,
                                 std::span<const std::uint8_t> superBlockImage,
                                 std::span<const std::uint8_t> descriptors)
    : m_nSuperBlockSector(partitionStart + 2) {
  static const bool installed = (InstallSeTranslator(), true);
  (void)installed;
  if (device != nullptr && device->GetSectorSize() != 512) device = device->Get512ByteSectorDevice();
  if (device == nullptr) throw CExt2ReadSectorError();
  m_pDevice = device;
  if (superBlockImage.size() < qm::ext2::kSuperBlockBytes ||
      partitionStart > static_cast<std::uint64_t>(INT64_MAX) - 2)
    throw CExt2BadSuperBlock();
  m_superBlock.Assign(superBlockImage);
  NormaliseAndCheck();
  m_superBlock.SetGroupNumber(0);
  m_nBase = static_cast<std::int64_t>(partitionStart) + 2;

  const std::size_t tableBytes = std::size_t{m_nGroupCount} * kDescriptorBytes;
  if (descriptors.size() < tableBytes || !DescriptorsInRange(m_superBlock, descriptors, m_nGroupCount))
    throw CExt2BadGroupDescriptor();
  m_descriptors = qm::MakeMemBuffer<std::uint8_t>(tableBytes);
  std::memcpy(m_descriptors.get(), descriptors.data(), tableBytes);
}

CExt2FileSystem::~CExt2FileSystem() = default;

void CExt2FileSystem::NormaliseAndCheck() {
  m_superBlock.Normalise();
  if (!m_superBlock.Check()) throw CExt2BadSuperBlock();
  m_nBlockSize = m_superBlock.BlockSize();
  // The check bounds the group count far below 2^32.
  m_nGroupCount = static_cast<std::uint32_t>(m_superBlock.GroupCount());
}

bool CExt2FileSystem::ReadDeviceSectors(void* buffer, std::int64_t first, std::uint64_t count) {
  if (first < 0) return false;
  const std::uint64_t sectors = m_pDevice->GetSectorCount();
  const auto start = static_cast<std::uint64_t>(first);
  if (start >= sectors || count > sectors - start) return false;
  return m_pDevice->ReadSectors(buffer, start, count) != 0;
}

void CExt2FileSystem::ReadDescriptorTable() {
  const std::uint64_t groups = m_nGroupCount;
  const std::uint64_t tableBytes = groups * kDescriptorBytes;
  const std::uint64_t tableSectors = (tableBytes + 511) / 512;
  const std::uint64_t perGroup = m_superBlock.BlocksPerGroup();
  const std::uint64_t firstData = m_superBlock.FirstDataBlock();

  // Candidate tables live in collected memory; the list that holds them is
  // itself visible to the collector, so a collection during the search
  // cannot take a table that is still a candidate.
  std::vector<std::uint8_t*, traceable_allocator<std::uint8_t*>> accepted;
  std::uint8_t* inHand = nullptr;
  std::uint8_t copy[1024];

  for (std::uint32_t group : kCopyGroups) {
    // Groups past the end of the volume hold no copy.
    if (group >= groups) break;
    const std::uint64_t superBlockBlock = group * perGroup + firstData;
    if (group != 0) {
      if (!ReadDeviceSectors(copy, GetBlockSector(superBlockBlock), 2)) {
        inHand = nullptr;
        break;
      }
      CExt2SuperBlock backup({copy, sizeof copy});
      backup.Normalise();
      if (!backup.EqualTo(m_superBlock)) continue;
    }
    auto* table = static_cast<std::uint8_t*>(CollectedBytes(tableSectors * 512));
    if (!ReadDeviceSectors(table, GetBlockSector(superBlockBlock + 1), tableSectors)) {
      inHand = nullptr;
      break;
    }
    const qm::ByteView view(table, tableBytes);
    if (!DescriptorsInRange(m_superBlock, view, groups)) {
      inHand = nullptr;
      continue;
    }
    inHand = table;
    const bool confirmed = std::any_of(accepted.begin(), accepted.end(), [&](const std::uint8_t* other) {
      return DescriptorTablesEqual(view, qm::ByteView(other, tableBytes), groups);
    });
    if (confirmed) break;
    accepted.push_back(table);
  }
  if (inHand == nullptr && !accepted.empty()) inHand = accepted.front();
  if (inHand == nullptr) throw CExt2BadGroupDescriptor();
  m_descriptors = qm::MakeMemBuffer<std::uint8_t>(tableBytes);
  std::memcpy(m_descriptors.get(), inHand, tableBytes);
}

int CExt2FileSystem::ReadBlocks(void* buffer, std::uint32_t firstBlock, std::uint32_t count) {
  const std::int64_t first = GetBlockSector(firstBlock);
  const std::uint64_t sectors = std::uint64_t{count} * SectorsPerBlock();
  const std::uint64_t deviceSectors = m_pDevice->GetSectorCount();
  if (first < 0 || static_cast<std::uint64_t>(first) >= deviceSectors || sectors > deviceSectors)
    throw std::out_of_range("CExt2FileSystem::ReadBlocks");
  const int result = m_pDevice->ReadSectors(buffer, static_cast<std::uint64_t>(first), sectors);
  if (result == 0) {
    // A cache that keeps this buffer sees zeros, never stale blocks.
    std::memset(buffer, 0, std::size_t{count} * m_nBlockSize);
    throw CExt2ReadSectorError();
  }
  return result;
}

void CExt2FileSystem::GetSuperBlock(void* copy) const {
  std::memcpy(copy, m_superBlock.Image().data(), qm::ext2::kSuperBlockBytes);
}

std::int64_t CExt2FileSystem::GetBlockSector(std::uint64_t block) const {
  return m_nBase + static_cast<std::int64_t>(block * SectorsPerBlock()) - 2;
}

std::uint32_t CExt2FileSystem::BlockBitmapBlock(std::uint32_t group) const {
  return Descriptors().le32(std::uint64_t{group} * kDescriptorBytes + kBlockBitmapBlock);
}
std::uint32_t CExt2FileSystem::InodeBitmapBlock(std::uint32_t group) const {
  return Descriptors().le32(std::uint64_t{group} * kDescriptorBytes + kInodeBitmapBlock);
}
std::uint32_t CExt2FileSystem::InodeTableBlock(std::uint32_t group) const {
  return Descriptors().le32(std::uint64_t{group} * kDescriptorBytes + kInodeTableBlock);
}

int CExt2FileSystem::LocateInode(std::uint32_t inode, std::uint32_t& block, std::uint32_t& byteOffset) const {
  // Inode numbers run from 1 to the inode count; 0 would wrap the group.
  if (inode == 0 || inode > m_superBlock.InodeCount()) return 0;
  const std::uint32_t group = m_superBlock.InodeGroup(inode);
  if (group >= m_nGroupCount) return 0;
  const std::uint64_t byte = std::uint64_t{m_superBlock.InodeIndex(inode)} * m_superBlock.InodeSize();
  const std::uint64_t at = InodeTableBlock(group) + byte / m_nBlockSize;
  if (at > UINT32_MAX) return 0;
  block = static_cast<std::uint32_t>(at);
  byteOffset = static_cast<std::uint32_t>(byte % m_nBlockSize);
  return 1;
}

CExt2InodeTableCursor CExt2FileSystem::FirstInodeCursor() {
  const std::uint64_t end = std::uint64_t{m_superBlock.InodeCount()} + 1;
  return CExt2InodeTableCursor(this, std::clamp<std::uint64_t>(m_superBlock.FirstInode(), 1, end));
}

CExt2InodeTableCursor CExt2FileSystem::EndInodeCursor() {
  return CExt2InodeTableCursor(this, std::uint64_t{m_superBlock.InodeCount()} + 1);
}
