#include "filemodel/file_type_map.h"

#include "platform/log.h"

namespace {

std::string KeyOf(std::string_view extension) {
  // Catalogue extensions are written without the dot while the tree builds
  // ask with the text from the dot on; both forms must meet.
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  std::string key(extension);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) { return KeyOf(a) == KeyOf(b); }

} // namespace

CFileTypeMap& CFileTypeMap::GetInstance() {
  static CFileTypeMap instance;
  return instance;
}

void CFileTypeMap::Add(std::string_view extension) {
  std::string key = KeyOf(extension);
  if (key.empty()) return;
  extensions_.try_emplace(std::move(key), extension);
}

void CFileTypeMap::Build(std::span<const FileTypeChoice> catalogue, int allTypes) {
  qm::ExclusiveHold hold(lock_);
  if (allTypes != 0) {
    mode_ = kAllFiles;
  } else {
    mode_ = kInclude;
    for (const FileTypeChoice& entry : catalogue)
      if (entry.checkState == 2 && entry.isMutex != 0) mode_ = kExclude;
  }
  extensions_.clear();
  hasExtensions_ = false;
  if (allTypes != 0) return;
  for (const FileTypeChoice& entry : catalogue) {
    if (mode_ == kInclude && entry.checkState == 2) {
      for (const std::string& extension : entry.extensions)
        Add(extension);
    } else if (mode_ == kExclude && entry.checkState == 0) {
      for (const std::string& extension : entry.extensions) {
        bool chosenElsewhere = false;
        for (const FileTypeChoice& other : catalogue) {
          if (other.checkState != 2) continue;
          for (const std::string& chosen : other.extensions)
            if (EqualsIgnoringCase(chosen, extension)) chosenElsewhere = true;
        }
        if (!chosenElsewhere) Add(extension);
      }
    }
  }
  hasExtensions_ = !extensions_.empty();
}

void CFileTypeMap::Clear() {
  qm::ExclusiveHold hold(lock_);
  extensions_.clear();
  hasExtensions_ = false;
}

bool CFileTypeMap::HasExtensions() { return hasExtensions_.load(std::memory_order_acquire); }

int CFileTypeMap::GetMode() {
  qm::SharedHold hold(lock_);
  return mode_;
}

int CFileTypeMap::IsFileTypeInList(const char* extension) {
  if (extension == nullptr) return 0;
  // Asked for every name of a tree build: traced only at trace level.
  DebugTrace("IsFileTypeInList find para ptchExt = %s,ptchExtValue = %s\n", extension, "");
  int found = 1;
  int mode = kAllFiles;
  const char* value = "";
  {
    qm::SharedHold hold(lock_);
    mode = mode_;
    if (!extensions_.empty()) {
      auto it = extensions_.find(KeyOf(extension));
      found = it != extensions_.end() ? 1 : 0;
      if (found) value = it->second.c_str();
      DebugTrace("IsFileTypeInList find para ptchExt = %s,ptchExtValue = %s,bRet = %d\n", extension, value,
                 found);
    } else {
      return 1; // nothing chosen: every file passes, whatever the mode
    }
  }
  return mode == kExclude ? !found : found;
}

int IsFileTypeInList(const char* extension) {
  return CFileTypeMap::GetInstance().IsFileTypeInList(extension);
}
