#include "platform/memory_status.h"

#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace qm {
namespace {

// The kB value of a "Name:   123 kB" line, when the line names it.
bool ReadField(std::string_view line, std::string_view name, std::uint64_t& bytes) {
  if (line.size() <= name.size() || line.substr(0, name.size()) != name || line[name.size()] != ':') return false;
  std::uint64_t kib = 0;
  bool digits = false;
  for (char c : line.substr(name.size() + 1)) {
    if (c >= '0' && c <= '9') {
      if (kib > (UINT64_MAX / 1024 - 9) / 10) return false; // no wrap on a hostile value
      kib = kib * 10 + static_cast<std::uint64_t>(c - '0');
      digits = true;
    } else if (digits) {
      break;
    }
  }
  if (!digits) return false;
  bytes = kib * 1024;
  return true;
}

} // namespace

bool ParseMemInfo(std::string_view text, MemoryStatus& status) {
  MemoryStatus parsed;
  bool haveTotal = false, haveAvailable = false;
  std::uint64_t memFree = 0, committed = 0;
  bool haveFree = false, haveCommitted = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    haveTotal |= ReadField(line, "MemTotal", parsed.totalPhysical);
    haveAvailable |= ReadField(line, "MemAvailable", parsed.availablePhysical);
    haveFree |= ReadField(line, "MemFree", memFree);
    ReadField(line, "CommitLimit", parsed.totalPageFile);
    haveCommitted |= ReadField(line, "Committed_AS", committed);
  }
  if (!haveTotal) return false;
  if (!haveAvailable && haveFree) parsed.availablePhysical = memFree;
  // Overcommitted machines commit more than the limit: nothing is left then.
  parsed.availablePageFile =
      haveCommitted && committed < parsed.totalPageFile ? parsed.totalPageFile - committed : 0;
  if (!haveCommitted) parsed.availablePageFile = parsed.totalPageFile;
  status = parsed;
  return true;
}

bool QueryMemoryStatus(MemoryStatus& status) {
  // Only plain reads and a stack buffer: the out-of-memory report calls
  // this when the heap is exhausted.
  std::FILE* file = std::fopen("/proc/meminfo", "re");
  if (file != nullptr) {
    char text[8192];
    const std::size_t length = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    if (ParseMemInfo(std::string_view(text, length), status)) return true;
  }
  struct sysinfo info;
  std::memset(&info, 0, sizeof info);
  if (sysinfo(&info) != 0) return false;
  const std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
  status.totalPhysical = static_cast<std::uint64_t>(info.totalram) * unit;
  status.availablePhysical = static_cast<std::uint64_t>(info.freeram + info.bufferram) * unit;
  status.totalPageFile = status.totalPhysical + static_cast<std::uint64_t>(info.totalswap) * unit;
  status.availablePageFile = status.availablePhysical + static_cast<std::uint64_t>(info.freeswap) * unit;
  return true;
}

} // namespace qm
