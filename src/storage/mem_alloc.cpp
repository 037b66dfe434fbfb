#include "storage/mem_alloc.h"

#include <cstdlib>
#include <new>

#include "platform/log.h"
#include "platform/memory_status.h"
#include "platform/out_of_memory.h"

namespace qm {

void LogAllocationFailure(std::size_t requestedBytes) {
  if (requestedBytes != 0)
    LogError("Failed to alloc 0x%08x bytes", static_cast<unsigned>(requestedBytes));
  else
    LogError("Failed to alloc memory for operator new");
  MemoryStatus status;
  if (!QueryMemoryStatus(status)) {
    LogError("Failed to query memory status.");
    return;
  }
  constexpr std::uint64_t kMiB = 1048576;
  LogError("Memory status:");
  LogError("Total physical memory:%4llu MB\tAvailable physical memory:%4llu MB",
           static_cast<unsigned long long>(status.totalPhysical / kMiB),
           static_cast<unsigned long long>(status.availablePhysical / kMiB));
  LogError("Total   page    files:%4llu MB\tAvailable    page   files:%4llu MB",
           static_cast<unsigned long long>(status.totalPageFile / kMiB),
           static_cast<unsigned long long>(status.availablePageFile / kMiB));
}

} // namespace qm

void* AllocOrReport(std::size_t size) {
  void* pointer = std::malloc(size == 0 ? 1 : size);
  if (pointer == nullptr) {
    qm::LogAllocationFailure(size);
    qm::RaiseOutOfMemory();
  }
  return pointer;
}

void* MemAlloc(std::size_t size) { return AllocOrReport(size); }

int FreeMemory(void* pointer) {
  std::free(pointer);
  return 0;
}

void MemFree(void* pointer) { FreeMemory(pointer); }

namespace {

void OnNewFailure() {
  // Called by operator new when the heap is exhausted; the size asked for
  // is not passed to a new-handler.
  std::set_new_handler(nullptr); // a failure while reporting must not recurse
  qm::LogAllocationFailure(0);
  std::set_new_handler(OnNewFailure);
  qm::RaiseOutOfMemory();
}

} // namespace

void InstallOutOfMemoryHandler() { std::set_new_handler(OnNewFailure); }
