// The machine's memory figures, as the out-of-memory report and the system
// facts of the log show them.
#pragma once

#include <cstdint>

namespace qm {

struct MemoryStatus {
  std::uint64_t totalPhysical = 0;     // bytes
  std::uint64_t availablePhysical = 0; // bytes
  std::uint64_t totalPageFile = 0;     // commit limit: physical memory plus swap
  std::uint64_t availablePageFile = 0;
};

// Fills the status; false when the system cannot be asked.
bool QueryMemoryStatus(MemoryStatus& status);

} // namespace qm
