// One EXT2 inode: a copy of the first 128 bytes of its inode-table slot,
// its number and, when it was reached through a directory entry, its name.
// Trivially destructible, so the inode walk may keep it in collected memory.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/byte_view.h"

class CExt2FileSystem;
class CExt2BlockIterator;
class CExt2DirIterator;
class CExt2DirEntry;

namespace qm::ext2 {

// Inode layout (offset, width, meaning); little-endian.
inline constexpr std::size_t kInodeBytes = 128;
inline constexpr std::size_t kMode = 0x00;          // u16, type in the top four bits
inline constexpr std::size_t kSizeLow = 0x04;       // u32
inline constexpr std::size_t kAccessTime = 0x08;    // u32, seconds since 1970, signed
inline constexpr std::size_t kChangeTime = 0x0C;    // u32
inline constexpr std::size_t kModifyTime = 0x10;    // u32
inline constexpr std::size_t kDeletionTime = 0x14;  // u32, non-zero: deleted
inline constexpr std::size_t kSectorCount = 0x1C;   // u32, 512-byte sectors allocated
inline constexpr std::size_t kInodeFlags = 0x20;    // u32
inline constexpr std::size_t kBlockPointers = 0x28; // 15 x u32: 12 direct, single, double, triple
inline constexpr std::size_t kSizeHigh = 0x6C;      // u32, regular files only

inline constexpr std::uint16_t kTypeMask = 0xF000;
inline constexpr std::uint16_t kTypeDirectory = 0x4000;
inline constexpr std::uint16_t kTypeRegular = 0x8000;
// The inode maps its data with an extent tree, not block pointers.
inline constexpr std::uint32_t kInodeFlagExtents = 0x80000;
inline constexpr std::uint32_t kDirectBlocks = 12;
inline constexpr std::uint32_t kMaxNameLength = 255;

} // namespace qm::ext2

class CExt2Inode {
public:
  CExt2Inode() = default;

  // Sets the number, clears the name and loads the inode; an inode that
  // cannot be located stays all zeros. A read failure propagates.
  void Load(CExt2FileSystem* fileSystem, std::uint32_t inode);
  // The inode that a directory entry names, with the entry's name; all
  // zeros when the entry is not valid.
  void FromDirEntry(const CExt2Inode& directory, const CExt2DirEntry& entry);
  // Copies a slot's first 128 bytes; no name.
  void FromTableSlot(CExt2FileSystem* fileSystem, qm::ByteView slot, std::uint32_t inode);

  CExt2FileSystem* GetFileSystem() const { return m_pFileSystem; }
  std::uint32_t GetNumber() const { return m_nNumber; }
  const char* GetName() const { return m_name.data(); }
  std::uint32_t GetNameLength() const { return m_nNameLength; }
  std::string_view Name() const { return {m_name.data(), m_nNameLength}; }
  std::uint32_t GetGroup() const;
  qm::ByteView Raw() const { return {m_raw.data(), m_raw.size()}; }

  std::uint16_t GetMode() const { return Raw().le16(qm::ext2::kMode); }
  std::int32_t GetAccessTime() const { return static_cast<std::int32_t>(Raw().le32(qm::ext2::kAccessTime)); }
  std::int32_t GetChangeTime() const { return static_cast<std::int32_t>(Raw().le32(qm::ext2::kChangeTime)); }
  std::int32_t GetModifyTime() const { return static_cast<std::int32_t>(Raw().le32(qm::ext2::kModifyTime)); }
  std::uint32_t GetDeletionTime() const { return Raw().le32(qm::ext2::kDeletionTime); }
  std::uint32_t GetSectorCount() const { return Raw().le32(qm::ext2::kSectorCount); }
  std::uint32_t GetBlockPointer(unsigned index) const;

  // The 64-bit size: the high word counts for regular files only.
  std::uint64_t GetSize() const;
  // The size, or for a size of 0 the allocated sectors x 512 (directories
  // whose size field was lost).
  std::uint64_t GetEffectiveSize() const;
  bool IsDirectory() const { return (GetMode() & qm::ext2::kTypeMask) == qm::ext2::kTypeDirectory; }
  bool IsRegular() const { return (GetMode() & qm::ext2::kTypeMask) == qm::ext2::kTypeRegular; }
  bool IsDeleted() const { return GetDeletionTime() != 0; }
  // Its block pointers hold an extent tree, which this reader does not
  // walk: such an inode has no extents and no directory entries here.
  bool UsesExtents() const { return (Raw().le32(qm::ext2::kInodeFlags) & qm::ext2::kInodeFlagExtents) != 0; }
  bool IsSparse() const;
  bool IsInUse() const;
  // Logical blocks to walk: size / block size for a sparse inode, else the
  // allocated blocks (indirect blocks included); never more than the
  // volume's block count.
  std::uint32_t GetBlockCount() const;

  CExt2BlockIterator Blocks() const;
  CExt2BlockIterator BlocksEnd() const;
  CExt2DirIterator Entries() const;
  CExt2DirIterator EntriesEnd() const;

private:
  void Clear();

  CExt2FileSystem* m_pFileSystem = nullptr;
  std::array<std::uint8_t, qm::ext2::kInodeBytes> m_raw{};
  std::array<char, qm::ext2::kMaxNameLength + 1> m_name{};
  std::uint32_t m_nNumber = 0;
  std::uint32_t m_nNameLength = 0;
};
