#include "platform/memory_status.h"

#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>

namespace qm {

namespace {

// MemAvailable from /proc/meminfo (in bytes): free memory plus what the
// kernel can reclaim, which is what "available" means to a user.
bool ReadMemAvailable(std::uint64_t& bytes) {
  std::FILE* file = std::fopen("/proc/meminfo", "re");
  if (file == nullptr) return false;
  char line[256];
  bool found = false;
  while (std::fgets(line, sizeof line, file) != nullptr) {
    unsigned long long kib = 0;
    if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
      bytes = static_cast<std::uint64_t>(kib) * 1024;
      found = true;
      break;
    }
  }
  std::fclose(file);
  return found;
}

} // namespace

bool QueryMemoryStatus(MemoryStatus& status) {
  struct sysinfo info;
  std::memset(&info, 0, sizeof info);
  if (sysinfo(&info) != 0) return false;
  const std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
  status.totalPhysical = static_cast<std::uint64_t>(info.totalram) * unit;
  status.availablePhysical = static_cast<std::uint64_t>(info.freeram + info.bufferram) * unit;
  ReadMemAvailable(status.availablePhysical);
  const std::uint64_t totalSwap = static_cast<std::uint64_t>(info.totalswap) * unit;
  const std::uint64_t freeSwap = static_cast<std::uint64_t>(info.freeswap) * unit;
  status.totalPageFile = status.totalPhysical + totalSwap;
  status.availablePageFile = status.availablePhysical + freeSwap;
  return true;
}

} // namespace qm
