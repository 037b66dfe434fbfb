// The allocation wrappers. Every buffer of the program comes from here or
// from operator new; neither ever returns null. Running out of memory is
// logged with the machine's memory state and raised as the program's
// out-of-memory exception (code 0xE0000001), which the crash handler treats
// as a memory crash.
#pragma once

#include <cstddef>
#include <memory>

// malloc, or the logged out-of-memory exception; never null. A request of 0
// bytes returns a unique pointer that may be freed.
void* AllocOrReport(std::size_t size);
void* MemAlloc(std::size_t size);

// free; returns 0. MemFree forwards to it.
int FreeMemory(void* pointer);
void MemFree(void* pointer);

// Makes operator new fail the same way: the memory state is logged and the
// out-of-memory exception raised. Programs call it first thing in main.
void InstallOutOfMemoryHandler();

namespace qm {

// Writes the memory-state lines of an out-of-memory report. requestedBytes
// of 0 means the size is not known (a failed operator new).
void LogAllocationFailure(std::size_t requestedBytes);

struct MemFreeDeleter {
  void operator()(void* pointer) const { MemFree(pointer); }
};

// An owned buffer from MemAlloc.
template <typename T = unsigned char>
using MemBuffer = std::unique_ptr<T[], MemFreeDeleter>;

template <typename T = unsigned char>
MemBuffer<T> MakeMemBuffer(std::size_t count) {
  return MemBuffer<T>(static_cast<T*>(MemAlloc(count * sizeof(T))));
}

} // namespace qm
