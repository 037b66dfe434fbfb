#include "storage/huge_page_buffer.h"

#include <limits>
#include <mutex>
#include <utility>

#include <sys/mman.h>

#include "platform/out_of_memory.h"
#include "storage/mem_alloc.h"

namespace qm {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kSmallPage = 4096;
// A scan holds about 130 MiB of such buffers (the cache's queue and the
// blocks kept behind it); a second scan of the same process finds them
// all. Anything beyond is freed.
constexpr std::size_t kKeptBytesLimit = std::size_t{320} << 20;
constexpr std::size_t kKeptLimit = 96;

struct Kept {
  void* base;
  std::uint8_t* data;
  std::size_t size;
};

// Trivially destructible, so that a buffer given up during the program's
// exit never meets a destroyed store; what is kept at exit goes back with
// the process.
struct KeptStore {
  std::mutex lock;
  Kept entries[kKeptLimit];
  std::size_t count;
  std::size_t bytes;
};
constinit KeptStore g_kept{};

bool TakeKept(std::size_t bytes, Kept& out) {
  std::lock_guard<std::mutex> guard(g_kept.lock);
  std::size_t best = g_kept.count;
  for (std::size_t i = 0; i < g_kept.count; ++i) {
    const std::size_t size = g_kept.entries[i].size;
    // Not a buffer far larger than needed: it would be held for nothing.
    if (size < bytes || size - bytes > bytes / 2) continue;
    if (best == g_kept.count || size < g_kept.entries[best].size) best = i;
  }
  if (best == g_kept.count) return false;
  out = g_kept.entries[best];
  g_kept.entries[best] = g_kept.entries[--g_kept.count];
  g_kept.bytes -= out.size;
  return true;
}

bool Keep(const Kept& buffer) {
  std::lock_guard<std::mutex> guard(g_kept.lock);
  if (g_kept.count == kKeptLimit || g_kept.bytes + buffer.size > kKeptBytesLimit) return false;
  g_kept.entries[g_kept.count++] = buffer;
  g_kept.bytes += buffer.size;
  return true;
}

} // namespace

HugePageBuffer::HugePageBuffer(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
  Kept kept{};
  if (TakeKept(bytes, kept)) {
    base_ = kept.base;
    data_ = kept.data;
    size_ = kept.size;
    return;
  }
  // Buffers of a huge page or more start on a huge-page boundary inside a
  // slightly larger allocation; smaller ones on a page boundary.
  const std::size_t align = bytes >= kHugePage ? kHugePage : kSmallPage;
  const std::size_t rounded = (bytes + align - 1) / align * align;
  if (bytes > std::numeric_limits<std::size_t>::max() - 2 * align) {
    LogAllocationFailure(bytes);
    RaiseOutOfMemory();
  }
  base_ = MemAlloc(rounded + align);
  const auto address = reinterpret_cast<std::uintptr_t>(base_);
  data_ = static_cast<std::uint8_t*>(base_) + (align - address % align) % align;
  size_ = rounded;
#ifdef MADV_HUGEPAGE
  if (align == kHugePage) ::madvise(data_, size_, MADV_HUGEPAGE);
#endif
}

HugePageBuffer::HugePageBuffer(HugePageBuffer&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)), data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

HugePageBuffer& HugePageBuffer::operator=(HugePageBuffer&& other) noexcept {
  if (this != &other) {
    reset();
    base_ = std::exchange(other.base_, nullptr);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

HugePageBuffer::~HugePageBuffer() { reset(); }

void HugePageBuffer::reset() {
  if (base_ == nullptr) return;
  if (!Keep(Kept{base_, data_, size_})) MemFree(base_);
  base_ = nullptr;
  data_ = nullptr;
  size_ = 0;
}

std::size_t ReleaseKeptHugePageBuffers() {
  std::lock_guard<std::mutex> guard(g_kept.lock);
  const std::size_t bytes = g_kept.bytes;
  for (std::size_t i = 0; i < g_kept.count; ++i) MemFree(g_kept.entries[i].base);
  g_kept.count = 0;
  g_kept.bytes = 0;
  return bytes;
}

std::size_t KeptHugePageBufferBytes() {
  std::lock_guard<std::mutex> guard(g_kept.lock);
  return g_kept.bytes;
}

} // namespace qm
