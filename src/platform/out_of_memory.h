// The program's one fatal out-of-memory exception. The allocation wrappers
// raise it after logging the memory state; the crash handler recognises it
// by its code and reports a memory crash instead of a plain one.
#pragma once

#include <cstdint>
#include <new>

namespace qm {

inline constexpr std::uint32_t kOutOfMemoryCode = 0xE0000001;

// Derives from std::bad_alloc so that it may leave a new-handler.
class OutOfMemoryException : public std::bad_alloc {
public:
  std::uint32_t code() const noexcept { return kOutOfMemoryCode; }
  const char* what() const noexcept override { return "out of memory (0xE0000001)"; }
};

[[noreturn]] void RaiseOutOfMemory();

} // namespace qm
