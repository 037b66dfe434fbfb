#include "fatext2/ext2_dir_iterator.h"

#include <cstring>

#include "fatext2/ext2_file_system.h"

using namespace qm::ext2;

std::string_view CExt2DirEntry::GetName() const {
  const qm::ByteView name = m_bytes.from(kEntryName);
  const std::size_t length = std::min<std::size_t>(GetNameLength(), name.size());
  return {reinterpret_cast<const char*>(name.data()), length};
}

bool CExt2DirEntry::IsValid() const {
  const std::uint32_t recordLength = GetRecordLength();
  const std::uint32_t nameLength = GetNameLength();
  // The record holds its 8-byte header and the name, rounded up to 4.
  return recordLength % 4 == 0 && recordLength >= ((nameLength + 11) & ~3u) &&
         m_bytes.has(0, kEntryName + nameLength);
}

CExt2DirIterator::CExt2DirIterator(const CExt2Inode* directory, std::uint64_t position)
    : m_pDirectory(directory), m_nPosition(position), m_blocks(directory, 0) {
  if (directory == nullptr || directory->GetFileSystem() == nullptr) {
    m_nEnd = position;
    return;
  }
  m_nEnd = directory->GetEffectiveSize();
  m_nBlockSize = directory->GetFileSystem()->BlockSize();
  m_nBlockCount = directory->GetBlockCount();
  if (position == 0 && m_nEnd > 0) LoadBlock();
}

CExt2DirIterator::CExt2DirIterator(const CExt2DirIterator& other)
    : m_pDirectory(other.m_pDirectory), m_nPosition(other.m_nPosition), m_nEnd(other.m_nEnd),
      m_nBlockSize(other.m_nBlockSize), m_nBlockCount(other.m_nBlockCount), m_blocks(other.m_blocks) {
  if (other.m_window != nullptr) {
    m_window = qm::MakeMemBuffer<std::uint8_t>(std::size_t{2} * m_nBlockSize);
    std::memcpy(m_window.get(), other.m_window.get(), std::size_t{2} * m_nBlockSize);
  }
}

CExt2DirIterator& CExt2DirIterator::operator=(const CExt2DirIterator& other) {
  if (this != &other) {
    CExt2DirIterator copy(other);
    *this = std::move(copy);
  }
  return *this;
}

bool CExt2DirIterator::LoadBlock() {
  if (m_nPosition >= m_nEnd) return false;
  const CExt2BlockIterator::Data data = m_blocks.ReadData();
  if (data.buffer == nullptr || data.length == 0) return false;
  const std::size_t blockSize = m_nBlockSize;
  if (m_window == nullptr) {
    m_window = qm::MakeMemBuffer<std::uint8_t>(2 * blockSize);
    std::memset(m_window.get(), 0, 2 * blockSize);
  }
  const std::uint32_t index = m_blocks.GetIndex();
  std::uint8_t* half = m_window.get();
  if (index == 1) {
    half += blockSize;
  } else if (index >= 2) {
    std::memmove(m_window.get(), m_window.get() + blockSize, blockSize);
    half += blockSize;
  }
  // The tail of a short last block reads as zeros, never as an older block.
  const std::size_t length = std::min<std::size_t>(data.length, blockSize);
  std::memcpy(half, data.buffer, length);
  std::memset(half + length, 0, blockSize - length);
  return true;
}

void CExt2DirIterator::JumpToEnd() { m_nPosition = m_nEnd; }

CExt2DirEntry CExt2DirIterator::Current() const {
  if (m_window == nullptr) throw CExt2DirEntry::CBadDir();
  const std::uint64_t index = m_blocks.GetIndex();
  const std::uint64_t windowStart = index <= 1 ? 0 : (index - 1) * m_nBlockSize;
  const qm::ByteView window(m_window.get(), std::size_t{2} * m_nBlockSize);
  if (m_nPosition < windowStart) return CExt2DirEntry();
  return CExt2DirEntry(window.from(m_nPosition - windowStart));
}

void CExt2DirIterator::Next() {
  if (m_window == nullptr || m_nPosition >= m_nEnd) {
    JumpToEnd();
    return;
  }
  const CExt2DirEntry entry = Current();
  if (!entry.IsValid() || entry.GetRecordLength() > m_nBlockSize) {
    JumpToEnd();
    return;
  }
  // A valid record is at least 8 bytes long, so every step moves forward
  // and the walk ends within the directory's size.
  m_nPosition += entry.GetRecordLength();
  if (m_nPosition >= m_nEnd) {
    JumpToEnd();
    return;
  }
  const std::uint64_t index = m_blocks.GetIndex();
  const std::uint64_t needed =
      m_nPosition + kLongestEntry < m_nEnd ? (m_nPosition + kLongestEntry) / m_nBlockSize : index;
  if (needed == index) return;
  // A size that claims more blocks than the directory has: stay on the
  // last block; entries that run out of the window read as invalid.
  if (index + 1 >= m_nBlockCount) return;
  m_blocks.Next();
  if (!LoadBlock()) JumpToEnd();
}

bool CExt2DirIterator::AtEnd() const {
  if (m_window == nullptr || m_nPosition >= m_nEnd) return true;
  // An empty record (inode 0, no name) with a good length is not the end:
  // unused directory blocks and the index blocks of hashed directories
  // begin with one, and entries follow them.
  return !Current().IsValid();
}

bool CExt2DirIterator::operator==(const CExt2DirIterator& other) const {
  const bool atEnd = AtEnd();
  if (atEnd || other.AtEnd()) return atEnd && other.AtEnd();
  return m_pDirectory == other.m_pDirectory && m_nPosition == other.m_nPosition;
}

CExt2Inode CExt2DirIterator::MakeInode() const {
  CExt2Inode inode;
  inode.FromDirEntry(*m_pDirectory, Current());
  return inode;
}
