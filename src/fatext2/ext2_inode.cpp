#include "fatext2/ext2_inode.h"

#include <algorithm>
#include <cstring>

#include "fatext2/ext2_block_iterator.h"
#include "fatext2/ext2_dir_iterator.h"
#include "fatext2/ext2_file_system.h"
#include "storage/mem_alloc.h"
#include "storage/text_convert.h"

using namespace qm::ext2;

void CExt2Inode::Clear() {
  m_raw.fill(0);
  m_name.fill(0);
  m_nNameLength = 0;
}

void CExt2Inode::Load(CExt2FileSystem* fileSystem, std::uint32_t inode) {
  m_pFileSystem = fileSystem;
  m_nNumber = inode;
  Clear();
  std::uint32_t block = 0;
  std::uint32_t offset = 0;
  if (fileSystem == nullptr || !fileSystem->LocateInode(inode, block, offset)) return;
  // Directory listings load one inode per entry: no allocation for it.
  // The super block check holds blocks to at most 8 KiB.
  std::uint8_t buffer[8192];
  if (fileSystem->BlockSize() > sizeof buffer) return;
  fileSystem->ReadBlocks(buffer, block, 1);
  // Inode slots never straddle a block (the super block check holds inode
  // sizes to powers of two no larger than a block); the view keeps it so.
  qm::ByteView(buffer, fileSystem->BlockSize()).copyTo(offset, m_raw.data(), kInodeBytes);
}

void CExt2Inode::FromTableSlot(CExt2FileSystem* fileSystem, qm::ByteView slot, std::uint32_t inode) {
  m_pFileSystem = fileSystem;
  m_nNumber = inode;
  Clear();
  slot.copyTo(0, m_raw.data(), std::min<std::size_t>(slot.size(), kInodeBytes));
}

void CExt2Inode::FromDirEntry(const CExt2Inode& directory, const CExt2DirEntry& entry) {
  const std::uint32_t number = entry.GetInodeNumber();
  const bool valid = entry.IsValid();
  if (valid) {
    Load(directory.GetFileSystem(), number);
  } else {
    m_pFileSystem = directory.GetFileSystem();
    m_nNumber = number;
    Clear();
  }
  const std::string_view raw = entry.GetName();
  char converted[kMaxNameLength + 1] = {};
  int length = Utf8ToAnsi(raw.data(), raw.size(), converted, raw.size());
  if (length > 0) {
    std::memcpy(m_name.data(), converted, static_cast<std::size_t>(length));
  } else {
    // Names that are not UTF-8 (older systems wrote other code pages) are
    // kept as their bytes.
    length = static_cast<int>(raw.size());
    std::memcpy(m_name.data(), raw.data(), raw.size());
  }
  m_nNameLength = static_cast<std::uint32_t>(std::min<int>(length, kMaxNameLength));
  m_name[m_nNameLength] = '\0';
}

std::uint32_t CExt2Inode::GetGroup() const {
  return m_pFileSystem == nullptr ? 0 : m_pFileSystem->SuperBlock().InodeGroup(m_nNumber);
}

std::uint32_t CExt2Inode::GetBlockPointer(unsigned index) const {
  return index < 15 ? Raw().le32(kBlockPointers + 4 * std::size_t{index}) : 0;
}

std::uint64_t CExt2Inode::GetSize() const {
  std::uint64_t size = Raw().le32(kSizeLow);
  if (IsRegular()) size |= std::uint64_t{Raw().le32(kSizeHigh)} << 32;
  return size;
}

std::uint64_t CExt2Inode::GetEffectiveSize() const {
  const std::uint64_t size = GetSize();
  // In 64 bits: a count of 2^23 sectors or more must not wrap to a small size.
  return size != 0 ? size : std::uint64_t{GetSectorCount()} * 512;
}

bool CExt2Inode::IsSparse() const { return GetSize() / 512 > GetSectorCount(); }

bool CExt2Inode::IsInUse() const {
  if (GetMode() == 0 || m_pFileSystem == nullptr) return false;
  // An extent tree is no list of block numbers; such an inode stays listed.
  if (UsesExtents()) return true;
  const std::int64_t blocks = static_cast<std::int64_t>(GetSize()) / m_pFileSystem->BlockSize();
  const std::int64_t checked = std::min<std::int64_t>(blocks, kDirectBlocks + 1);
  for (std::int64_t i = 0; i < checked; ++i)
    if (!m_pFileSystem->IsValidBlock(GetBlockPointer(static_cast<unsigned>(i)))) return false;
  return true;
}

std::uint32_t CExt2Inode::GetBlockCount() const {
  if (m_pFileSystem == nullptr) return 0;
  const std::uint64_t count = IsSparse() ? GetSize() / m_pFileSystem->BlockSize()
                                         : GetSectorCount() / std::uint64_t{m_pFileSystem->SectorsPerBlock()};
  // No file maps more blocks than the volume has; this bounds every walk
  // over a hostile size or sector count.
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(count, m_pFileSystem->BlockCount()));
}

CExt2BlockIterator CExt2Inode::Blocks() const { return CExt2BlockIterator(this, 0); }
CExt2BlockIterator CExt2Inode::BlocksEnd() const { return CExt2BlockIterator(this, GetBlockCount()); }
CExt2DirIterator CExt2Inode::Entries() const { return CExt2DirIterator(this, 0); }
CExt2DirIterator CExt2Inode::EntriesEnd() const { return CExt2DirIterator(this, GetEffectiveSize()); }
