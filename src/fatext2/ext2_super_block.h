// The EXT2/EXT3 super block: a 1024-byte image read from byte 1024 of the
// partition (or a backup copy at the start of a later group), with the
// values the reader derives from it, its repair and its plausibility check.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "platform/byte_view.h"

namespace qm::ext2 {

// Super block layout (offset, width, meaning); little-endian.
inline constexpr std::size_t kSuperBlockBytes = 1024;
inline constexpr std::size_t kInodeCount = 0x00;     // u32
inline constexpr std::size_t kBlockCount = 0x04;     // u32
inline constexpr std::size_t kFirstDataBlock = 0x14; // u32, recomputed on load
inline constexpr std::size_t kLogBlockSize = 0x18;   // u32, log2(block size) - 10
inline constexpr std::size_t kBlocksPerGroup = 0x20; // u32
inline constexpr std::size_t kInodesPerGroup = 0x28; // u32
inline constexpr std::size_t kMountTime = 0x2C;      // u32
inline constexpr std::size_t kWriteTime = 0x30;      // u32
inline constexpr std::size_t kMagic = 0x38;          // u16, 0xEF53
inline constexpr std::size_t kCheckTime = 0x40;      // u32
inline constexpr std::size_t kRevisionLevel = 0x4C;  // u32, 0: fixed inode size and first inode
inline constexpr std::size_t kFirstInode = 0x54;     // u32
inline constexpr std::size_t kInodeSize = 0x58;      // u16
inline constexpr std::size_t kGroupNumber = 0x5A;    // u16, group holding this copy
inline constexpr std::size_t kVolumeId = 0x68;       // 16 bytes
inline constexpr std::size_t kVolumeName = 0x78;     // 16 bytes, NUL-terminated
inline constexpr std::size_t kJournalInode = 0xE0;   // u32, non-zero: EXT3

inline constexpr std::uint16_t kSuperBlockMagic = 0xEF53;
inline constexpr std::uint32_t kGoodOldInodeSize = 128;
inline constexpr std::uint32_t kGoodOldFirstInode = 11;

// Group descriptor layout: 32 bytes each; the reader uses the first three.
inline constexpr std::size_t kDescriptorBytes = 32;
inline constexpr std::size_t kBlockBitmapBlock = 0x00; // u32
inline constexpr std::size_t kInodeBitmapBlock = 0x04; // u32
inline constexpr std::size_t kInodeTableBlock = 0x08;  // u32

} // namespace qm::ext2

class CExt2SuperBlock {
public:
  CExt2SuperBlock() = default;
  // The first 1024 bytes of image (zeros where it is shorter).
  explicit CExt2SuperBlock(std::span<const std::uint8_t> image) { Assign(image); }

  void Assign(std::span<const std::uint8_t> image);
  const std::array<std::uint8_t, qm::ext2::kSuperBlockBytes>& Image() const { return m_image; }
  qm::ByteView View() const { return qm::ByteView(m_image.data(), m_image.size()); }

  std::uint32_t InodeCount() const { return View().le32(qm::ext2::kInodeCount); }
  std::uint32_t BlockCount() const { return View().le32(qm::ext2::kBlockCount); }
  std::uint32_t FirstDataBlock() const { return View().le32(qm::ext2::kFirstDataBlock); }
  std::uint32_t LogBlockSize() const { return View().le32(qm::ext2::kLogBlockSize); }
  std::uint32_t BlocksPerGroup() const { return View().le32(qm::ext2::kBlocksPerGroup); }
  std::uint32_t InodesPerGroup() const { return View().le32(qm::ext2::kInodesPerGroup); }
  std::uint32_t MountTime() const { return View().le32(qm::ext2::kMountTime); }
  std::uint32_t WriteTime() const { return View().le32(qm::ext2::kWriteTime); }
  std::uint32_t CheckTime() const { return View().le32(qm::ext2::kCheckTime); }
  std::uint16_t Magic() const { return View().le16(qm::ext2::kMagic); }
  std::uint32_t RevisionLevel() const { return View().le32(qm::ext2::kRevisionLevel); }
  std::uint32_t FirstInodeField() const { return View().le32(qm::ext2::kFirstInode); }
  std::uint16_t InodeSizeField() const { return View().le16(qm::ext2::kInodeSize); }
  std::uint16_t GroupNumber() const { return View().le16(qm::ext2::kGroupNumber); }
  std::uint32_t JournalInode() const { return View().le32(qm::ext2::kJournalInode); }
  // The volume name up to its first NUL (at most 16 bytes).
  std::string VolumeName() const;

  // 1 << (field 0x18 + 10); 0 when the field is too large to be a block size
  // of any kind (so that no shift overflows on a hostile value).
  std::uint32_t BlockSize() const;
  std::uint32_t SectorsPerBlock() const { return BlockSize() / 512; }
  // Groups: (blocks - first data block + blocks per group - 1) / blocks per
  // group, in 64 bits so that no block count wraps it; 0 without groups.
  std::uint64_t GroupCount() const;
  std::uint32_t FirstInode() const;
  std::uint32_t InodeSize() const;
  std::uint32_t InodeGroup(std::uint32_t inode) const;
  std::uint32_t InodeIndex(std::uint32_t inode) const;
  // Sectors from the partition's base (partition start + 2) back to where
  // this copy sits: g x blocks per group x sectors per block, minus 2 when
  // the first data block is 0.
  std::int64_t SuperBlockOffset() const;
  std::uint64_t SizeInBytes() const { return std::uint64_t{BlockCount()} * BlockSize(); }

  // Repairs the values that real volumes get wrong or that backups store
  // differently: inode size of revision 0, the first data block, an inode
  // count that does not fit the groups.
  void Normalise();
  // The plausibility check of a normalised image.
  bool Check() const;
  // Two copies describe the same file system.
  bool EqualTo(const CExt2SuperBlock& other) const;

  void SetGroupNumber(std::uint16_t group) { qm::StoreLe16(m_image.data() + qm::ext2::kGroupNumber, group); }

protected:
  std::array<std::uint8_t, qm::ext2::kSuperBlockBytes> m_image{};
};

namespace qm::ext2 {

// The range test of a descriptor table: every group's block bitmap, inode
// bitmap and inode table lie inside that group. table holds at least
// groupCount descriptors.
bool DescriptorsInRange(const CExt2SuperBlock& superBlock, ByteView table, std::uint64_t groupCount);

// Two tables are equal when the first three fields of all groupCount
// descriptors are.
bool DescriptorTablesEqual(ByteView a, ByteView b, std::uint64_t groupCount);

} // namespace qm::ext2
