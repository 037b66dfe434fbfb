// The EXT2 reader over arbitrary bytes taken as a small volume: the super
// block check and repair, the descriptor table search, both ways of
// opening, inode loads and the inode walk, block maps and directory walks.
// Every walk must end on its own; nothing here caps them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <vector>

#include "fatext2/ext2_block_iterator.h"
#include "fatext2/ext2_dir_iterator.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_inode.h"
#include "fatext2/ext2_inode_table_cursor.h"
#include "storage/storage_device.h"

namespace {

class BytesDevice : public IStorageDevice {
public:
  explicit BytesDevice(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    const std::uint64_t sectors = GetSectorCount();
    if (first >= sectors || count > sectors - first) return 0;
    std::memcpy(buffer, m_bytes.data() + first * 512, count * 512);
    return 1;
  }
  std::uint64_t GetSectorCount() override { return m_bytes.size() / 512; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  std::vector<std::uint8_t> m_bytes;
};

void ReadFile(const CExt2Inode& inode) {
  const CExt2BlockIterator end = inode.BlocksEnd();
  for (CExt2BlockIterator it = inode.Blocks(); !(it == end); it.Next()) {
    const auto data = it.ReadData();
    if (data.buffer != nullptr && data.length > inode.GetFileSystem()->BlockSize()) __builtin_trap();
  }
}

void ListDirectory(const CExt2Inode& directory, int depth) {
  for (auto it = directory.Entries(), end = directory.EntriesEnd(); it != end; it.Next()) {
    try {
      const CExt2Inode child = it.MakeInode();
      if (child.GetNameLength() > 255) __builtin_trap();
      if (!child.IsInUse() || child.GetNameLength() <= 2) continue;
      if (child.IsDirectory() && depth < 2)
        ListDirectory(child, depth + 1);
      else
        ReadFile(child);
    } catch (const std::exception&) {
    }
  }
}

void Exercise(CExt2FileSystem& fileSystem) {
  CExt2Inode root;
  try {
    root.Load(&fileSystem, 2);
    if (root.IsInUse()) ListDirectory(root, 0);
  } catch (const std::exception&) {
  }
  CExt2Inode inode;
  int walked = 0;
  try {
    for (auto it = fileSystem.FirstInodeCursor(), end = fileSystem.EndInodeCursor();
         it != end && walked < 256; it.Next(), ++walked) {
      try {
        it.Read(inode);
        if (inode.IsInUse() && !inode.IsDirectory()) ReadFile(inode);
      } catch (const std::out_of_range&) {
        throw;
      } catch (const std::exception&) {
      }
    }
  } catch (const std::exception&) {
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // At least the 4096 bytes read at the super block, in whole sectors.
  std::vector<std::uint8_t> bytes(std::max<std::size_t>((size + 511) / 512 * 512, 8192), 0);
  if (size != 0) std::memcpy(bytes.data(), data, size);
  const std::vector<std::uint8_t> copy = bytes;
  BytesDevice device(bytes);
  try {
    CExt2FileSystem fileSystem(&device, 2);
    Exercise(fileSystem);
  } catch (const std::exception&) {
  }
  // The same super block with a table taken from the bytes that follow it,
  // as a deep scan would hand them over.
  try {
    CExt2FileSystem fileSystem(&device, 0, std::span<const std::uint8_t>(copy.data() + 1024, 1024),
                               std::span<const std::uint8_t>(copy.data() + 2048, copy.size() - 2048));
    Exercise(fileSystem);
  } catch (const std::exception&) {
  }
  return 0;
}
