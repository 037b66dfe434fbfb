// Directory entries of an EXT2 directory inode, walked through a window of
// two blocks so that an entry is always read whole.
#pragma once

#include <cstdint>
#include <exception>
#include <string_view>

#include "fatext2/ext2_block_iterator.h"
#include "fatext2/ext2_inode.h"
#include "platform/byte_view.h"
#include "storage/mem_alloc.h"

namespace qm::ext2 {

// Directory entry layout (offset, width, meaning); little-endian.
inline constexpr std::size_t kEntryInode = 0;        // u32
inline constexpr std::size_t kEntryRecordLength = 4; // u16
inline constexpr std::size_t kEntryNameLength = 6;   // u8
inline constexpr std::size_t kEntryFileType = 7;     // u8, not used
inline constexpr std::size_t kEntryName = 8;         // name bytes, not NUL-terminated
// The longest entry: header and a 255-byte name, rounded up to 4.
inline constexpr std::uint32_t kLongestEntry = 264;

} // namespace qm::ext2

// A view of one directory entry inside the iterator's window; reads past the
// window give zeros.
class CExt2DirEntry {
public:
  // Asked for the current entry before anything was loaded.
  class CBadDir : public std::exception {
  public:
    const char* what() const noexcept override { return "CExt2DirEntry::CBadDir"; }
  };

  CExt2DirEntry() = default;
  explicit CExt2DirEntry(qm::ByteView bytes) : m_bytes(bytes) {}

  std::uint32_t GetInodeNumber() const { return m_bytes.le32(qm::ext2::kEntryInode); }
  std::uint16_t GetRecordLength() const { return m_bytes.le16(qm::ext2::kEntryRecordLength); }
  std::uint8_t GetNameLength() const { return m_bytes.u8(qm::ext2::kEntryNameLength); }
  std::uint8_t GetFileType() const { return m_bytes.u8(qm::ext2::kEntryFileType); }
  // The name bytes that lie inside the window.
  std::string_view GetName() const;
  // The record length is a multiple of 4 and holds the header and the name,
  // and the header and name lie inside the window.
  bool IsValid() const;

private:
  qm::ByteView m_bytes;
};

class CExt2DirIterator {
public:
  // At position 0 the first block is loaded (when the directory has one);
  // at the effective size nothing is (the end).
  CExt2DirIterator(const CExt2Inode* directory, std::uint64_t position);
  CExt2DirIterator(const CExt2DirIterator& other);
  CExt2DirIterator& operator=(const CExt2DirIterator& other);
  CExt2DirIterator(CExt2DirIterator&&) noexcept = default;
  CExt2DirIterator& operator=(CExt2DirIterator&&) noexcept = default;

  // The current entry; throws CExt2DirEntry::CBadDir before a window was
  // loaded.
  CExt2DirEntry Current() const;
  void Next();
  // An inode object made from the current entry.
  CExt2Inode MakeInode() const;
  std::uint64_t GetPosition() const { return m_nPosition; }

  bool operator==(const CExt2DirIterator& other) const;

private:
  bool LoadBlock();
  void JumpToEnd();
  bool AtEnd() const;

  const CExt2Inode* m_pDirectory = nullptr;
  qm::MemBuffer<std::uint8_t> m_window; // two blocks; null until the first load
  std::uint64_t m_nPosition = 0;
  std::uint64_t m_nEnd = 0; // the directory's effective size
  std::uint32_t m_nBlockSize = 0;
  std::uint32_t m_nBlockCount = 0; // the directory's GetBlockCount()
  CExt2BlockIterator m_blocks;
};
