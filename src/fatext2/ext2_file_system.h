// An EXT2 or EXT3 file system read through a device of 512-byte sectors:
// the checked super block, the chosen group descriptor table, block reads
// and the location of inodes. EXT3 is read as EXT2 (the journal is not
// replayed). Complete after construction and immutable afterwards; every
// failure is an exception derived from std::exception.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "fatext2/ext2_super_block.h"
#include "storage/mem_alloc.h"
#include "storage/storage_device.h"

class CExt2InodeTableCursor;

class CExt2FileSystem {
public:
  // Reads the super block at superBlockSector (normally partition start +
  // 2) and opens the file system; throws CExt2ReadSectorError,
  // CExt2BadSuperBlock or CExt2BadGroupDescriptor.
  CExt2FileSystem(IStorageDevice* device, std::uint64_t superBlockSector);
  // Opens a file system whose super block image (1024 bytes, as found) and
  // descriptor table (group count x 32 bytes, or empty) were found
  // elsewhere; no size test against the device is made.
  CExt2FileSystem(IStorageDevice* device, std::uint64_t partitionStart,
                  std::span<const std::uint8_t> superBlockImage, std::span<const std::uint8_t> descriptors);
  virtual ~CExt2FileSystem();
  CExt2FileSystem(const CExt2FileSystem&) = delete;
  CExt2FileSystem& operator=(const CExt2FileSystem&) = delete;

  // Reads count whole blocks from firstBlock into buffer (count x block
  // size bytes). Throws std::out_of_range("CExt2FileSystem::ReadBlocks")
  // for blocks outside the device, and CExt2ReadSectorError (after zeroing
  // the buffer) when the device fails.
  int ReadBlocks(void* buffer, std::uint32_t firstBlock, std::uint32_t count);

  void GetSuperBlock(void* copy) const;
  const CExt2SuperBlock& SuperBlock() const { return m_superBlock; }
  IStorageDevice* GetDevice() const { return m_pDevice; }
  // 5 (EXT3) when the journal inode number is non-zero, else 4 (EXT2).
  int GetFileSystemType() const { return m_superBlock.JournalInode() != 0 ? 5 : 4; }
  std::string GetLabel() const { return m_superBlock.VolumeName(); }
  std::uint64_t GetSizeInBytes() const { return m_superBlock.SizeInBytes(); }
  // The device sector of a block (may be negative for a hostile geometry).
  std::int64_t GetBlockSector(std::uint64_t block) const;
  std::uint64_t GetSuperBlockSector() const { return m_nSuperBlockSector; }
  // 0 when the inode number is 0, beyond the inode count or in no group.
  int LocateInode(std::uint32_t inode, std::uint32_t& block, std::uint32_t& byteOffset) const;
  bool IsValidBlock(std::uint64_t block) const { return block < m_superBlock.BlockCount(); }

  std::uint32_t BlockSize() const { return m_nBlockSize; }
  std::uint32_t SectorsPerBlock() const { return m_nBlockSize / 512; }
  std::uint32_t BlockCount() const { return m_superBlock.BlockCount(); }
  std::uint32_t GroupCount() const { return m_nGroupCount; }
  // The first three fields of group g's descriptor (g < GroupCount()).
  std::uint32_t BlockBitmapBlock(std::uint32_t group) const;
  std::uint32_t InodeBitmapBlock(std::uint32_t group) const;
  std::uint32_t InodeTableBlock(std::uint32_t group) const;
  qm::ByteView Descriptors() const {
    return {m_descriptors.get(), std::size_t{m_nGroupCount} * qm::ext2::kDescriptorBytes};
  }

  CExt2InodeTableCursor FirstInodeCursor();
  CExt2InodeTableCursor EndInodeCursor();

private:
  void NormaliseAndCheck();
  void ReadDescriptorTable();
  // Reads 512-byte sectors; false on failure or outside the device.
  bool ReadDeviceSectors(void* buffer, std::int64_t first, std::uint64_t count);

  CExt2SuperBlock m_superBlock;
  IStorageDevice* m_pDevice = nullptr;
  std::uint64_t m_nSuperBlockSector = 0;
  std::int64_t m_nBase = 0; // partition start + 2
  std::uint32_t m_nBlockSize = 0;
  std::uint32_t m_nGroupCount = 0;
  qm::MemBuffer<std::uint8_t> m_descriptors;
};
