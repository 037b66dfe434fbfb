#include "preview/temp_path_names.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/log.h"

namespace qm {
namespace {

void RemoveQuietly(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

std::string WithExtension(const std::string& path, const char* extension) {
  if (path.size() < 4 || path.compare(path.size() - 4, 4, ".tmp") != 0) return {};
  return path.substr(0, path.size() - 4) + extension;
}

} // namespace

CTempPathNameSignle& CTempPathNameSignle::GetInstance() {
  static CTempPathNameSignle instance;
  return instance;
}

CTempPathNameSignle::~CTempPathNameSignle() { SweepAll(); }

void CTempPathNameSignle::SetFolder(const std::string& folder) {
  std::lock_guard guard(lock_);
  folder_ = folder;
}

std::string CTempPathNameSignle::MakeTempName() {
  std::string folder;
  {
    std::lock_guard guard(lock_);
    folder = folder_;
  }
  if (folder.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    folder = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  std::string pattern = folder + "/~@!XXXXXX.tmp";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkstemps(buffer.data(), 4);
  if (fd < 0) {
    LogError("Cannot make a temporary file in %s", folder.c_str());
    return {};
  }
  ::close(fd);
  std::string name(buffer.data());
  std::lock_guard guard(lock_);
  names_.insert(name);
  return name;
}

void CTempPathNameSignle::DeleteTempFile(const std::string& path) {
  if (path.empty()) return;
  RemoveQuietly(path);
  for (const char* extension : {".doc", ".xls"}) {
    const std::string other = WithExtension(path, extension);
    if (!other.empty()) RemoveQuietly(other);
  }
  std::lock_guard guard(lock_);
  names_.erase(path);
}

void CTempPathNameSignle::KeepUntilExit(const std::string& path) {
  std::lock_guard guard(lock_);
  names_.insert(path);
}

void CTempPathNameSignle::SweepAll() {
  std::set<std::string> names;
  {
    std::lock_guard guard(lock_);
    names.swap(names_);
  }
  for (const std::string& name : names) {
    RemoveQuietly(name);
    for (const char* extension : {".doc", ".xls"}) {
      const std::string other = WithExtension(name, extension);
      if (!other.empty()) RemoveQuietly(other);
    }
  }
}

std::size_t CTempPathNameSignle::Outstanding() {
  std::lock_guard guard(lock_);
  return names_.size();
}

} // namespace qm
