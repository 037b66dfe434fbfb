// Memory for the small objects that file trees hold by the million (nodes,
// file properties, packed extents). A volume of a million files made three
// heap blocks a file, each with the allocator's own header and rounding and
// a share of its locking; here objects of one size lie side by side in
// 2 MiB chunks (huge pages where the system gives them), without headers.
// A chunk whose objects are all freed goes back to the system, so deleting a
// tree returns its memory.
//
// A class takes its objects from the pool by declaring
//   static void* operator new(std::size_t bytes) { return qm::AllocateTreeObject(bytes); }
//   static void operator delete(void* p, std::size_t bytes) noexcept { qm::FreeTreeObject(p, bytes); }
// With a virtual destructor the size given back is the most derived
// class's, as the pool needs. Objects larger than the pool's largest size
// go to the ordinary heap. Thread-safe.
#pragma once

#include <cstddef>

namespace qm {

inline constexpr std::size_t kTreeObjectMaxBytes = 256;

// Never null: running out of memory raises the program's out-of-memory
// exception. Aligned to 16 bytes.
void* AllocateTreeObject(std::size_t bytes);
// bytes must be what the object was allocated with.
void FreeTreeObject(void* object, std::size_t bytes) noexcept;

// While one lives on a thread, that thread's objects come from runs of a
// few dozen that it takes from the pool at a time, one lock a run instead
// of one an object: for threads that allocate side by side (the readers of
// a tree build's records). The objects taken and not handed out go back
// when it ends; until then they count as allocated. The one made last on a
// thread is the one used.
class TreeObjectCache {
public:
  TreeObjectCache();
  ~TreeObjectCache();
  TreeObjectCache(const TreeObjectCache&) = delete;
  TreeObjectCache& operator=(const TreeObjectCache&) = delete;

private:
  friend void* AllocateTreeObject(std::size_t bytes);
  // An object of a pooled size (rounded to 16 bytes).
  void* Take(std::size_t size);

  static constexpr std::size_t kRun = 32;
  struct Run {
    void* objects[kRun];
    std::size_t next = 0; // the first not handed out
    std::size_t count = 0;
  };
  Run runs_[kTreeObjectMaxBytes / 16];
  TreeObjectCache* previous_;
};

// Gives back to the system every chunk that holds no object: those that
// threads allocating at the same time made beside one another and did not
// need, and the one kept from the last frees. Returns how many.
std::size_t TrimTreeObjectPool() noexcept;

// Asks the system for huge pages over the whole 2 MiB pieces of a large
// block that is about to be filled (the list of a million records a tree
// build gathers): its first touch then takes one fault a piece, not one
// every 4 KiB. Advice only: nothing changes when the system declines.
void AdviseHugePages(void* block, std::size_t bytes) noexcept;

// Has the system provide the pages of a block now, on the calling thread,
// leaving every byte as it is: a block that one thread is about to fill
// can take its page faults on another. Advice only, as above.
void PrefaultPages(void* block, std::size_t bytes) noexcept;

struct TreeObjectPoolUse {
  std::size_t chunks = 0;  // chunks held
  std::size_t objects = 0; // objects allocated and not freed
};
TreeObjectPoolUse GetTreeObjectPoolUse();

} // namespace qm
