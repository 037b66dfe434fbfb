#include "filemodel/target_names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/log.h"

namespace qm {

std::string CutUtf8(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return std::string(text);
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

namespace {

bool IsMissingPath(int error) { return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG; }

} // namespace

std::string SanitizeRootName(std::string_view name) {
  std::string out = SanitizeEntryName(name);
  for (char& c : out)
    if (c == ':' || c == '?' || c == '\\' || c == '|' || c == '*' || c == '>' || c == '<' || c == '"') c = '#';
  return out;
}

std::string SanitizeEntryName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) out.push_back(c == '/' || c == '\0' ? '#' : c);
  // Cut first: a damaged name cut at a character border can end up empty
  // or as a dot name, which must not reach the file system either.
  out = CutUtf8(out, kMaxNameBytes);
  if (out.empty() || out == ".") return "#";
  if (out == "..") return "##";
  return out;
}

int CreateNewFile(const std::string& path, int* fd) {
  const int made = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (made < 0) return errno;
  if (fd != nullptr)
    *fd = made;
  else
    ::close(made);
  return 0;
}

} // namespace qm

bool CreateUniqueDirectory(std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  if (errno != EEXIST) return false;
  for (int counter = 0; counter < 1000; ++counter) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%03d", counter);
    const std::string candidate = path + suffix;
    if (::mkdir(candidate.c_str(), 0777) == 0) {
      path = candidate;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

int CreateNumberedFile(const std::string& folder, const std::string& name, std::string& created, int* fd) {
  const std::size_t dot = name.rfind('.');
  std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  // Room for "_000": a name at the length limit would never take a number.
  constexpr std::size_t kNumberBytes = 4;
  if (stem.size() + kNumberBytes + extension.size() > qm::kMaxNameBytes) {
    const std::size_t room = qm::kMaxNameBytes > kNumberBytes + extension.size()
                                 ? qm::kMaxNameBytes - kNumberBytes - extension.size()
                                 : 0;
    stem = qm::CutUtf8(stem, room);
  }
  int error = ENOENT;
  for (int counter = 0; counter < 1000; ++counter) {
    char number[16];
    std::snprintf(number, sizeof number, "_%03d", counter);
    const std::string candidate = folder + "/" + stem + number + extension;
    error = qm::CreateNewFile(candidate, fd);
    if (error == 0) {
      created = candidate;
      return 0;
    }
    if (error != EEXIST) return error;
  }
  return error;
}

bool PrepareTargetFile(const std::string& base, const std::string& folder, const std::string& name,
                       std::string& path, int* fd) {
  const std::string first = folder + "/" + name;
  int error = qm::CreateNewFile(first, fd);
  if (error == 0) {
    path = first;
    return true;
  }
  if (error == EEXIST) {
    error = CreateNumberedFile(folder, name, path, fd);
    if (error == 0) return true;
  }
  if (qm::IsMissingPath(error)) {
    // The folder could not be made: the file lands in the base folder.
    const std::string fallback = base + "/" + name;
    error = qm::CreateNewFile(fallback, fd);
    if (error == 0) {
      path = fallback;
      return true;
    }
    if (error == EEXIST) {
      error = CreateNumberedFile(base, name, path, fd);
      if (error == 0) return true;
    }
  }
  LogError("Error code:%d", error);
  return false;
}
