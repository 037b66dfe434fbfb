// The EXT2 tree build over arbitrary bytes taken as a small volume, with
// the used-block map: whatever the inodes and directories claim, the build
// ends, the result is a tree (every node reached once, parents consistent)
// and every extent lies inside the volume.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <vector>

#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_tree_builder.h"
#include "filemodel/file_node.h"
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

void CheckTree(CFileNode* root, std::uint64_t blockCount) {
  std::vector<CFileNode*> stack{root};
  std::uint64_t nodes = 0;
  while (!stack.empty()) {
    CFileNode* node = stack.back();
    stack.pop_back();
    if (++nodes > 10000000) __builtin_trap(); // a cycle
    if (const auto runs = node->GetProperties()->GetDataRunList()) {
      for (const auto& run : runs->Runs())
        if (!run.IsSparse() && (run.start >= blockCount || run.count > blockCount - run.start))
          __builtin_trap();
    }
    for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
      if (child->GetParent() != node) __builtin_trap();
      stack.push_back(child);
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qm::ext2::InitCollector();
  std::vector<std::uint8_t> bytes(std::max<std::size_t>((size + 511) / 512 * 512, 8192), 0);
  if (size != 0) std::memcpy(bytes.data(), data, size);
  BytesDevice device(std::move(bytes));
  try {
    CExt2FileSystem fileSystem(&device, 2);
    CExt2TreeBuilder builder;
    CFileNode* root = builder.BuildTree(&fileSystem, nullptr, true);
    if (root != nullptr) {
      CheckTree(root, fileSystem.BlockCount());
      DeleteFileTree(root);
    }
  } catch (const std::exception&) {
  }
  return 0;
}
