#include "filemodel/tree_object_pool.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#include <sys/mman.h>

#include "platform/out_of_memory.h"
#include "storage/mem_alloc.h"

#if defined(__SANITIZE_ADDRESS__)
#define QM_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_POOL_ASAN 1
#endif
#endif
#ifdef QM_POOL_ASAN
#include <sanitizer/asan_interface.h>
// Free and never used bytes of a chunk stay poisoned, so that a use after
// free of a pooled object is caught as it would be on the heap.
#define QM_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define QM_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define QM_POISON(p, n) ((void)(p), (void)(n))
#define QM_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace qm {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{2} << 20;
constexpr std::size_t kGrain = 16;
constexpr std::size_t kClasses = kTreeObjectMaxBytes / kGrain;

struct FreeBlock {
  FreeBlock* next;
};

// At the start of every chunk; the objects follow.
struct alignas(kGrain) Chunk {
  Chunk* prev; // in its class's list of chunks with room
  Chunk* next;
  FreeBlock* free;  // freed objects of this chunk
  std::size_t bump; // offset of the never used rest
  std::size_t live; // objects allocated
  std::size_t size; // of each object
  bool listed;      // in the list of chunks with room
};

struct SizeClass {
  std::mutex lock;
  Chunk* withRoom = nullptr; // chunks that can give an object; objects come from the first
  Chunk* lastWithRoom = nullptr;
  std::size_t chunks = 0;
  std::size_t objects = 0;
};

SizeClass& ClassFor(std::size_t rounded) {
  static SizeClass classes[kClasses];
  return classes[rounded / kGrain - 1];
}

Chunk* ChunkOf(void* object) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(object) & ~(kChunkBytes - 1));
}

bool HasRoom(const Chunk* chunk) {
  return chunk->free != nullptr || chunk->bump + chunk->size <= kChunkBytes;
}

void Link(SizeClass& c, Chunk* chunk) {
  chunk->prev = nullptr;
  chunk->next = c.withRoom;
  if (c.withRoom != nullptr) c.withRoom->prev = chunk;
  c.withRoom = chunk;
  if (c.lastWithRoom == nullptr) c.lastWithRoom = chunk;
  chunk->listed = true;
}

// At the end: the chunk being filled stays first, so that a new chunk is
// not begun while another still has room.
void LinkLast(SizeClass& c, Chunk* chunk) {
  chunk->next = nullptr;
  chunk->prev = c.lastWithRoom;
  if (c.lastWithRoom != nullptr) c.lastWithRoom->next = chunk;
  c.lastWithRoom = chunk;
  if (c.withRoom == nullptr) c.withRoom = chunk;
  chunk->listed = true;
}

void Unlink(SizeClass& c, Chunk* chunk) {
  if (chunk->prev != nullptr)
    chunk->prev->next = chunk->next;
  else
    c.withRoom = chunk->next;
  if (chunk->next != nullptr)
    chunk->next->prev = chunk->prev;
  else
    c.lastWithRoom = chunk->prev;
  chunk->prev = chunk->next = nullptr;
  chunk->listed = false;
}

Chunk* NewChunk(std::size_t size) {
  void* memory = std::aligned_alloc(kChunkBytes, kChunkBytes);
  if (memory == nullptr) {
    LogAllocationFailure(kChunkBytes);
    RaiseOutOfMemory();
  }
#ifdef MADV_HUGEPAGE
  ::madvise(memory, kChunkBytes, MADV_HUGEPAGE);
#endif
  auto* chunk = static_cast<Chunk*>(memory);
  *chunk = Chunk{nullptr, nullptr, nullptr, sizeof(Chunk), 0, size, false};
  QM_POISON(static_cast<std::uint8_t*>(memory) + sizeof(Chunk), kChunkBytes - sizeof(Chunk));
  return chunk;
}

} // namespace

namespace {

// The objects that a cache on this thread hands out, when there is one.
thread_local TreeObjectCache* threadCache = nullptr;

std::size_t Rounded(std::size_t bytes) { return (bytes + kGrain - 1) / kGrain * kGrain; }

// One object of the class, left poisoned; guard holds the class's lock.
void* TakeObject(SizeClass& c, std::unique_lock<std::mutex>& guard, std::size_t size) {
  Chunk* chunk = c.withRoom;
  if (chunk == nullptr) {
    // A new chunk's first touch has the system clear its pages, which
    // takes long: threads that allocate beside this one go on meanwhile,
    // and those that find no room either make chunks of their own at the
    // same time. What is left of those unused goes back at the next trim.
    guard.unlock();
    Chunk* fresh = NewChunk(size);
    guard.lock();
    ++c.chunks;
    LinkLast(c, fresh);
    chunk = c.withRoom;
  }
  void* object;
  if (chunk->free != nullptr) {
    FreeBlock* block = chunk->free;
    QM_UNPOISON(block, sizeof(FreeBlock));
    chunk->free = block->next;
    QM_POISON(block, sizeof(FreeBlock));
    object = block;
  } else {
    object = reinterpret_cast<std::uint8_t*>(chunk) + chunk->bump;
    chunk->bump += size;
  }
  ++chunk->live;
  ++c.objects;
  if (!HasRoom(chunk)) Unlink(c, chunk);
  return object;
}

} // namespace

TreeObjectCache::TreeObjectCache() : previous_(threadCache) { threadCache = this; }

TreeObjectCache::~TreeObjectCache() {
  threadCache = previous_;
  for (std::size_t i = 0; i < kClasses; ++i) {
    Run& run = runs_[i];
    for (; run.next < run.count; ++run.next) {
      QM_UNPOISON(run.objects[run.next], (i + 1) * kGrain);
      FreeTreeObject(run.objects[run.next], (i + 1) * kGrain);
    }
  }
}

void* TreeObjectCache::Take(std::size_t size) {
  Run& run = runs_[size / kGrain - 1];
  if (run.next == run.count) {
    SizeClass& c = ClassFor(size);
    std::unique_lock<std::mutex> guard(c.lock);
    for (run.next = 0, run.count = 0; run.count < kRun; ++run.count)
      run.objects[run.count] = TakeObject(c, guard, size);
  }
  void* object = run.objects[run.next++];
  QM_UNPOISON(object, size);
  return object;
}

void* AllocateTreeObject(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
  if (bytes > kTreeObjectMaxBytes) return ::operator new(bytes);
  const std::size_t size = Rounded(bytes);
  if (threadCache != nullptr) return threadCache->Take(size);
  SizeClass& c = ClassFor(size);
  std::unique_lock<std::mutex> guard(c.lock);
  void* object = TakeObject(c, guard, size);
  QM_UNPOISON(object, size);
  return object;
}

void FreeTreeObject(void* object, std::size_t bytes) noexcept {
  if (object == nullptr) return;
  if (bytes == 0) bytes = 1;
  if (bytes > kTreeObjectMaxBytes) {
    ::operator delete(object); // the unsized form: not every compiler declares the sized one
    return;
  }
  const std::size_t size = Rounded(bytes);
  SizeClass& c = ClassFor(size);
  Chunk* chunk = ChunkOf(object);
  std::lock_guard<std::mutex> guard(c.lock);
  auto* block = static_cast<FreeBlock*>(object);
  block->next = chunk->free;
  chunk->free = block;
  QM_POISON(object, size);
  --chunk->live;
  --c.objects;
  if (chunk->live == 0 && (chunk->listed ? c.withRoom != chunk || chunk->next != nullptr : true)) {
    // Empty and not the only chunk with room: back to the system. The last
    // chunk with room stays, so that a tree built and deleted object by
    // object does not take and give back a chunk each time.
    if (chunk->listed) Unlink(c, chunk);
    --c.chunks;
    QM_UNPOISON(chunk, kChunkBytes);
    std::free(chunk);
    return;
  }
  if (!chunk->listed) Link(c, chunk);
}

std::size_t TrimTreeObjectPool() noexcept {
  std::size_t freed = 0;
  for (std::size_t i = 0; i < kClasses; ++i) {
    SizeClass& c = ClassFor((i + 1) * kGrain);
    std::lock_guard<std::mutex> guard(c.lock);
    for (Chunk* chunk = c.withRoom; chunk != nullptr;) {
      Chunk* next = chunk->next;
      if (chunk->live == 0) {
        Unlink(c, chunk);
        --c.chunks;
        QM_UNPOISON(chunk, kChunkBytes);
        std::free(chunk);
        ++freed;
      }
      chunk = next;
    }
  }
  return freed;
}

void AdviseHugePages(void* block, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
  const auto begin = reinterpret_cast<std::uintptr_t>(block);
  if (block == nullptr || bytes > UINTPTR_MAX - begin) return;
  const std::uintptr_t first = (begin + kChunkBytes - 1) & ~(kChunkBytes - 1);
  const std::uintptr_t last = (begin + bytes) & ~(kChunkBytes - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)block;
  (void)bytes;
#endif
}

void PrefaultPages(void* block, std::size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
  constexpr std::uintptr_t kPage = 4096;
  const auto begin = reinterpret_cast<std::uintptr_t>(block);
  if (block == nullptr || bytes == 0 || bytes > UINTPTR_MAX - kPage - begin) return;
  const std::uintptr_t first = begin & ~(kPage - 1);
  const std::uintptr_t last = (begin + bytes + kPage - 1) & ~(kPage - 1);
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
  (void)block;
  (void)bytes;
#endif
}

TreeObjectPoolUse GetTreeObjectPoolUse() {
  TreeObjectPoolUse use;
  for (std::size_t i = 0; i < kClasses; ++i) {
    SizeClass& c = ClassFor((i + 1) * kGrain);
    std::lock_guard<std::mutex> guard(c.lock);
    use.chunks += c.chunks;
    use.objects += c.objects;
  }
  return use;
}

} // namespace qm
