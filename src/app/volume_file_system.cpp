#include "app/volume_file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace qm {
namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
std::string Unescape(std::string_view field) {
  const auto octal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && field.size() - i >= 4 && octal(field[i + 1]) && octal(field[i + 2]) &&
        octal(field[i + 3])) {
      const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      out.push_back(static_cast<char>(value & 0xFF));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

bool IsUnder(std::string_view path, std::string_view mountPoint) {
  if (mountPoint == "/") {
    return !path.empty() && path.front() == '/';
  }
  if (path.size() < mountPoint.size() || path.substr(0, mountPoint.size()) != mountPoint) {
    return false;
  }
  return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

std::vector<std::string_view> SplitBlanks(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && line[at] == ' ') {
      ++at;
    }
    const std::size_t end = line.find(' ', at);
    const std::size_t stop = end == std::string_view::npos ? line.size() : end;
    if (stop > at) {
      fields.push_back(line.substr(at, stop - at));
    }
    at = stop;
  }
  return fields;
}

} // namespace

MountEntry FindMountOf(std::string_view resolvedPath, std::string_view mountinfo) {
  MountEntry best;
  std::size_t bestLength = 0;
  bool found = false;
  std::size_t at = 0;
  while (at < mountinfo.size()) {
    std::size_t end = mountinfo.find('\n', at);
    if (end == std::string_view::npos) {
      end = mountinfo.size();
    }
    const std::string_view line = mountinfo.substr(at, end - at);
    at = end + 1;
    // id parent major:minor root mount-point options [optional...] - type source super-options
    const std::vector<std::string_view> fields = SplitBlanks(line);
    std::size_t dash = 0;
    for (std::size_t i = 6; i < fields.size(); ++i) {
      if (fields[i] == "-") {
        dash = i;
        break;
      }
    }
    if (fields.size() < 7 || dash == 0 || dash + 1 >= fields.size()) {
      continue;
    }
    std::string mountPoint = Unescape(fields[4]);
    if (!IsUnder(resolvedPath, mountPoint) || (found && mountPoint.size() < bestLength)) {
      continue;
    }
    found = true;
    bestLength = mountPoint.size();
    best.mountPoint = std::move(mountPoint);
    best.fileSystemType = Unescape(fields[dash + 1]);
    best.source = dash + 2 < fields.size() ? Unescape(fields[dash + 2]) : std::string();
  }
  return best;
}

bool IsNtfsMount(const MountEntry& entry) {
  const std::string_view type = entry.fileSystemType;
  if (type == "ntfs" || type == "ntfs3" || type == "fuse.ntfs-3g" || type == "fuse.lowntfs-3g") {
    return true;
  }
  if (type != "fuseblk" || entry.source.empty() || entry.source.front() != '/') {
    return false;
  }
  const int fd = ::open(entry.source.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  std::array<char, 11> head{};
  const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
  ::close(fd);
  return got == static_cast<ssize_t>(head.size()) && std::memcmp(head.data() + 3, "NTFS    ", 8) == 0;
}

} // namespace qm

int IsNtfsVolume(const char* root) {
  if (root == nullptr || root[0] == '\0') {
    return 0;
  }
  char resolved[PATH_MAX];
  if (::realpath(root, resolved) == nullptr) {
    return 0;
  }
  std::ifstream file("/proc/self/mountinfo");
  if (!file) {
    return 0;
  }
  std::stringstream text;
  text << file.rdbuf();
  const qm::MountEntry entry = qm::FindMountOf(resolved, text.str());
  return !entry.mountPoint.empty() && qm::IsNtfsMount(entry) ? 1 : 0;
}
