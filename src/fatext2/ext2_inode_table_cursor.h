// Sequential walk over inode numbers that reads each group's inode table in
// large pieces instead of one block per inode.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/mem_alloc.h"

class CExt2FileSystem;
class CExt2Inode;

class CExt2InodeTableCursor {
public:
  CExt2InodeTableCursor(CExt2FileSystem* fileSystem, std::uint64_t inode)
      : m_pFileSystem(fileSystem), m_nInode(inode) {}
  // A copy stands at the same number and reads its own tables.
  CExt2InodeTableCursor(const CExt2InodeTableCursor& other)
      : m_pFileSystem(other.m_pFileSystem), m_nInode(other.m_nInode) {}
  CExt2InodeTableCursor& operator=(const CExt2InodeTableCursor& other);
  CExt2InodeTableCursor(CExt2InodeTableCursor&&) noexcept = default;
  CExt2InodeTableCursor& operator=(CExt2InodeTableCursor&&) noexcept = default;

  // Fills inode with the current number's slot. Throws CExt2ReadSectorError
  // when the block holding the slot cannot be read (the other inodes of the
  // group stay readable), and std::out_of_range when the group's table lies
  // outside the device (the walk should stop).
  void Read(CExt2Inode& inode);
  void Next() { ++m_nInode; }
  std::uint32_t GetNumber() const { return static_cast<std::uint32_t>(m_nInode); }
  bool operator==(const CExt2InodeTableCursor& other) const {
    return m_pFileSystem == other.m_pFileSystem && m_nInode == other.m_nInode;
  }

  // The largest piece of a group's table read at once. Tables of real
  // volumes (up to a few MiB) are read whole; a hostile geometry cannot
  // make the cursor allocate more.
  static constexpr std::uint64_t kMaxPieceBytes = std::uint64_t{4} << 20;

private:
  void LoadPiece(std::uint32_t group, std::uint64_t firstBlock);

  static constexpr std::uint32_t kNoGroup = UINT32_MAX;

  CExt2FileSystem* m_pFileSystem = nullptr;
  std::uint64_t m_nInode = 0;
  qm::MemBuffer<std::uint8_t> m_buffer;
  std::uint64_t m_nBufferBytes = 0;
  std::uint32_t m_nGroup = kNoGroup; // the group whose table piece is in the buffer
  std::uint64_t m_nPieceFirst = 0;   // its first block, counted from the table start
  std::uint64_t m_nPieceBlocks = 0;
  std::vector<bool> m_badBlocks; // blocks of the piece that could not be read
};
