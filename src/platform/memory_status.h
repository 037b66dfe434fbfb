// The machine's memory figures, as the out-of-memory report and the system
// facts of the log show them.
#pragma once

#include <cstdint>
#include <string_view>

namespace qm {

struct MemoryStatus {
  std::uint64_t totalPhysical = 0;     // bytes
  std::uint64_t availablePhysical = 0; // bytes
  std::uint64_t totalPageFile = 0;     // the kernel's commit limit
  std::uint64_t availablePageFile = 0; // commit limit less what is committed, never below 0
};

// Fills the status; false when the system cannot be asked.
bool QueryMemoryStatus(MemoryStatus& status);

// The status from the text of /proc/meminfo: MemTotal, MemAvailable (else
// MemFree), CommitLimit and Committed_AS. False when MemTotal is missing;
// a missing commit figure leaves its fields 0.
bool ParseMemInfo(std::string_view text, MemoryStatus& status);

} // namespace qm
