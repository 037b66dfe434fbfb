#include "fatext2/ext2_inode_table_cursor.h"

#include <algorithm>
#include <stdexcept>

#include "fatext2/ext2_exceptions.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_inode.h"

CExt2InodeTableCursor& CExt2InodeTableCursor::operator=(const CExt2InodeTableCursor& other) {
  if (this != &other) {
    m_pFileSystem = other.m_pFileSystem;
    m_nInode = other.m_nInode;
    m_nGroup = kNoGroup;
  }
  return *this;
}

void CExt2InodeTableCursor::LoadPiece(std::uint32_t group, std::uint64_t firstBlock) {
  CExt2FileSystem& fileSystem = *m_pFileSystem;
  const CExt2SuperBlock& superBlock = fileSystem.SuperBlock();
  const std::uint64_t blockSize = fileSystem.BlockSize();
  const std::uint64_t tableBlocks =
      (std::uint64_t{superBlock.InodeSize()} * superBlock.InodesPerGroup() + blockSize - 1) / blockSize;
  const std::uint64_t blocks =
      std::min(tableBlocks - firstBlock, std::max<std::uint64_t>(1, kMaxPieceBytes / blockSize));
  const std::uint64_t start = std::uint64_t{fileSystem.InodeTableBlock(group)} + firstBlock;
  if (start + blocks > UINT32_MAX) throw std::out_of_range("CExt2FileSystem::ReadBlocks");
  if (m_nBufferBytes < blocks * blockSize) {
    m_buffer = qm::MakeMemBuffer<std::uint8_t>(blocks * blockSize);
    m_nBufferBytes = blocks * blockSize;
  }
  m_nGroup = kNoGroup;
  m_badBlocks.assign(blocks, false);
  try {
    fileSystem.ReadBlocks(m_buffer.get(), static_cast<std::uint32_t>(start),
                          static_cast<std::uint32_t>(blocks));
  } catch (const CExt2ReadSectorError&) {
    // One bad sector must not cost the whole group: read block by block
    // and remember which ones failed.
    for (std::uint64_t i = 0; i < blocks; ++i) {
      try {
        fileSystem.ReadBlocks(m_buffer.get() + i * blockSize, static_cast<std::uint32_t>(start + i), 1);
      } catch (const CExt2ReadSectorError&) {
        m_badBlocks[i] = true;
      }
    }
  }
  m_nGroup = group;
  m_nPieceFirst = firstBlock;
  m_nPieceBlocks = blocks;
}

void CExt2InodeTableCursor::Read(CExt2Inode& inode) {
  const std::uint32_t number = GetNumber();
  CExt2FileSystem& fileSystem = *m_pFileSystem;
  const CExt2SuperBlock& superBlock = fileSystem.SuperBlock();
  std::uint32_t unusedBlock = 0;
  std::uint32_t unusedOffset = 0;
  if (m_nInode > UINT32_MAX || !fileSystem.LocateInode(number, unusedBlock, unusedOffset)) {
    inode.FromTableSlot(&fileSystem, {}, number);
    return;
  }
  const std::uint32_t group = superBlock.InodeGroup(number);
  const std::uint64_t blockSize = fileSystem.BlockSize();
  const std::uint64_t byte = std::uint64_t{superBlock.InodeIndex(number)} * superBlock.InodeSize();
  const std::uint64_t block = byte / blockSize;
  if (group != m_nGroup || block < m_nPieceFirst || block >= m_nPieceFirst + m_nPieceBlocks)
    LoadPiece(group, block);
  const std::uint64_t inPiece = block - m_nPieceFirst;
  if (m_badBlocks[inPiece]) throw CExt2ReadSectorError();
  const qm::ByteView piece(m_buffer.get(), m_nPieceBlocks * blockSize);
  inode.FromTableSlot(&fileSystem, piece.sub(inPiece * blockSize + byte % blockSize, qm::ext2::kInodeBytes),
                      number);
}
