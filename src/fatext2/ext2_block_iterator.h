// Logical block cursor of one inode: maps logical block indexes to physical
// blocks through the direct and indirect block pointers, keeping one block
// per indirect level so that walking a file in order reads each indirect
// block once.
#pragma once

#include <cstdint>

#include "storage/mem_alloc.h"

class CExt2Inode;

class CExt2BlockIterator {
public:
  CExt2BlockIterator(const CExt2Inode* inode, std::uint32_t index) : m_pInode(inode), m_nIndex(index) {}
  // Copies the data buffer; the copy starts with empty indirect caches.
  CExt2BlockIterator(const CExt2BlockIterator& other);
  CExt2BlockIterator& operator=(const CExt2BlockIterator& other);
  CExt2BlockIterator(CExt2BlockIterator&&) noexcept = default;
  CExt2BlockIterator& operator=(CExt2BlockIterator&&) noexcept = default;

  // The physical block of the current index; 0 for a hole, an unreadable
  // or out-of-volume pointer, or an index beyond the triple-indirect range.
  std::uint32_t GetPhysicalBlock();

  struct Data {
    const std::uint8_t* buffer = nullptr; // null when nothing could be read
    std::uint32_t length = 0;             // bytes of the block that belong to the file
    std::uint32_t block = 0;              // the physical block
  };
  // Reads the current block; the buffer stays valid until the next read.
  Data ReadData();

  void Next() { ++m_nIndex; }
  std::uint32_t GetIndex() const { return m_nIndex; }
  const CExt2Inode* GetInode() const { return m_pInode; }
  bool operator==(const CExt2BlockIterator& other) const {
    return m_pInode == other.m_pInode && m_nIndex == other.m_nIndex;
  }

private:
  struct CacheLevel {
    qm::MemBuffer<std::uint8_t> buffer;
    std::uint32_t block = 0;
  };
  // Puts block x into cache level; false when x is 0 or outside the volume.
  bool LoadLevel(unsigned level, std::uint32_t block);
  // Entry i of a loaded cache level.
  std::uint32_t Entry(unsigned level, std::uint64_t index) const;

  const CExt2Inode* m_pInode = nullptr;
  std::uint32_t m_nIndex = 0;
  qm::MemBuffer<std::uint8_t> m_data;
  CacheLevel m_cache[3];
};
