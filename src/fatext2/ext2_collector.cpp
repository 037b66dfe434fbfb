#define GC_THREADS
#include "fatext2/ext2_collector.h"

#include <gc/gc.h>

#include <cstring>
#include <mutex>
#include <new>

#include "fatext2/ext2_inode.h"
#include "platform/out_of_memory.h"
#include "storage/mem_alloc.h"

namespace qm::ext2 {

void InitCollector() {
  static std::once_flag once;
  std::call_once(once, [] {
    GC_INIT();
    GC_allow_register_threads();
  });
}

CollectorThreadScope::CollectorThreadScope() {
  InitCollector();
  if (GC_thread_is_registered()) return;
  GC_stack_base base{};
  if (GC_get_stack_base(&base) != GC_SUCCESS) return;
  m_bRegistered = GC_register_my_thread(&base) == GC_SUCCESS;
}

CollectorThreadScope::~CollectorThreadScope() {
  if (m_bRegistered) GC_unregister_my_thread();
}

void* CollectedBytes(std::size_t bytes) {
  InitCollector();
  void* memory = GC_MALLOC_ATOMIC(bytes == 0 ? 1 : bytes);
  if (memory == nullptr) {
    // The same report and exception as every other exhausted allocation.
    qm::LogAllocationFailure(bytes);
    qm::RaiseOutOfMemory();
  }
  std::memset(memory, 0, bytes);
  return memory;
}

void FreeCollected(void* pointer) {
  if (pointer != nullptr) GC_FREE(pointer);
}

CExt2Inode* NewCollectedInode() {
  InitCollector();
  void* memory = GC_MALLOC(sizeof(CExt2Inode));
  if (memory == nullptr) {
    qm::LogAllocationFailure(sizeof(CExt2Inode));
    qm::RaiseOutOfMemory();
  }
  return new (memory) CExt2Inode();
}

void FreeCollectedInode(CExt2Inode* inode) {
  if (inode == nullptr) return;
  inode->~CExt2Inode();
  GC_FREE(inode);
}

void CollectNow() {
  InitCollector();
  GC_gcollect();
}

} // namespace qm::ext2
