#include "fatext2/ext2_block_iterator.h"

#include <cstring>
#include <exception>

#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_inode.h"
#include "platform/byte_view.h"
#include "platform/out_of_memory.h"

using namespace qm::ext2;

CExt2BlockIterator::CExt2BlockIterator(const CExt2BlockIterator& other)
    : m_pInode(other.m_pInode), m_nIndex(other.m_nIndex) {
  if (other.m_data != nullptr && m_pInode != nullptr && m_pInode->GetFileSystem() != nullptr) {
    const std::uint32_t size = m_pInode->GetFileSystem()->BlockSize();
    m_data = qm::MakeMemBuffer<std::uint8_t>(size);
    std::memcpy(m_data.get(), other.m_data.get(), size);
  }
}

CExt2BlockIterator& CExt2BlockIterator::operator=(const CExt2BlockIterator& other) {
  if (this != &other) {
    CExt2BlockIterator copy(other);
    *this = std::move(copy);
  }
  return *this;
}

bool CExt2BlockIterator::LoadLevel(unsigned level, std::uint32_t block) {
  CExt2FileSystem* fileSystem = m_pInode->GetFileSystem();
  if (block == 0 || !fileSystem->IsValidBlock(block)) return false;
  CacheLevel& cache = m_cache[level];
  if (cache.buffer != nullptr && cache.block == block) return true;
  const std::uint32_t size = fileSystem->BlockSize() & ~3u;
  if (cache.buffer == nullptr) cache.buffer = qm::MakeMemBuffer<std::uint8_t>(size);
  cache.block = block;
  try {
    fileSystem->ReadBlocks(cache.buffer.get(), block, 1);
  } catch (const qm::OutOfMemoryException&) {
    throw; // the memory crash, never a bad record
  } catch (const std::exception&) {
    // An unreadable indirect block maps every block below it to a hole.
    std::memset(cache.buffer.get(), 0, size);
  }
  return true;
}

std::uint32_t CExt2BlockIterator::Entry(unsigned level, std::uint64_t index) const {
  const std::uint32_t size = m_pInode->GetFileSystem()->BlockSize() & ~3u;
  return qm::ByteView(m_cache[level].buffer.get(), size).le32(index * 4);
}

std::uint32_t CExt2BlockIterator::GetPhysicalBlock() {
  if (m_pInode == nullptr || m_pInode->GetFileSystem() == nullptr) return 0;
  CExt2FileSystem* fileSystem = m_pInode->GetFileSystem();
  const std::uint64_t perBlock = fileSystem->BlockSize() / 4;
  const std::uint64_t index = m_nIndex;
  const std::uint64_t singleEnd = kDirectBlocks + perBlock;
  const std::uint64_t doubleEnd = singleEnd + perBlock * perBlock;
  std::uint32_t block = 0;
  if (index < kDirectBlocks) {
    block = m_pInode->GetBlockPointer(static_cast<unsigned>(index));
  } else if (index < singleEnd) {
    if (!LoadLevel(0, m_pInode->GetBlockPointer(12))) return 0;
    block = Entry(0, index - kDirectBlocks);
  } else if (index < doubleEnd) {
    const std::uint64_t rest = index - singleEnd;
    if (!LoadLevel(0, m_pInode->GetBlockPointer(13))) return 0;
    if (!LoadLevel(1, Entry(0, rest / perBlock))) return 0;
    block = Entry(1, rest % perBlock);
  } else {
    const std::uint64_t rest = index - doubleEnd;
    // Past the triple-indirect range there is no block (8 KiB blocks only
    // reach it within 32-bit indexes).
    if (rest / (perBlock * perBlock) >= perBlock) return 0;
    if (!LoadLevel(0, m_pInode->GetBlockPointer(14))) return 0;
    if (!LoadLevel(1, Entry(0, rest / (perBlock * perBlock)))) return 0;
    if (!LoadLevel(2, Entry(1, (rest % (perBlock * perBlock)) / perBlock))) return 0;
    block = Entry(2, rest % perBlock);
  }
  return fileSystem->IsValidBlock(block) ? block : 0;
}

CExt2BlockIterator::Data CExt2BlockIterator::ReadData() {
  Data result;
  result.block = GetPhysicalBlock();
  if (result.block == 0) return result;
  CExt2FileSystem* fileSystem = m_pInode->GetFileSystem();
  const std::uint64_t blockSize = fileSystem->BlockSize();
  const std::uint64_t groupBlocks =
      std::uint64_t{fileSystem->GroupCount()} * fileSystem->SuperBlock().BlocksPerGroup();
  if (result.block > groupBlocks) return result;
  if (m_data == nullptr) m_data = qm::MakeMemBuffer<std::uint8_t>(blockSize);
  try {
    fileSystem->ReadBlocks(m_data.get(), result.block, 1);
  } catch (const qm::OutOfMemoryException&) {
    throw; // the memory crash, never a bad record
  } catch (const std::exception&) {
    return result;
  }
  result.buffer = m_data.get();
  result.length = static_cast<std::uint32_t>(blockSize);
  const std::uint64_t size = m_pInode->GetEffectiveSize();
  if (size < (std::uint64_t{m_nIndex} + 1) * blockSize && size % blockSize != 0)
    result.length = static_cast<std::uint32_t>(size % blockSize);
  return result;
}
