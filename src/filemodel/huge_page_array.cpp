#include "filemodel/huge_page_array.h"

#include <cstdlib>

#include "filemodel/tree_object_pool.h"
#include "platform/out_of_memory.h"
#include "storage/mem_alloc.h"

namespace qm {
namespace {

constexpr std::size_t kHugePageArrayAlign = std::size_t{2} << 20;
// From here on one huge page costs less than the small pages it replaces
// (on a virtual machine, where a small page's first fault is dear).
constexpr std::size_t kHugePageArrayFrom = std::size_t{64} << 10;

} // namespace

void* AllocateHugePageMemory(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
  void* memory = nullptr;
  if (bytes < kHugePageArrayFrom) {
    memory = std::malloc(bytes);
  } else if (bytes <= std::numeric_limits<std::size_t>::max() - kHugePageArrayAlign) {
    const std::size_t rounded = (bytes + kHugePageArrayAlign - 1) / kHugePageArrayAlign * kHugePageArrayAlign;
    memory = std::aligned_alloc(kHugePageArrayAlign, rounded);
    if (memory != nullptr) AdviseHugePages(memory, rounded);
  }
  if (memory == nullptr) {
    LogAllocationFailure(bytes);
    RaiseOutOfMemory();
  }
  return memory;
}

void FreeHugePageMemory(void* memory) noexcept { std::free(memory); }

} // namespace qm
