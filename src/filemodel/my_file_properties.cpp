#include "filemodel/my_file_properties.h"

#include <cstring>

void CMyFileProperties::SetName(const char* name) {
  if (name == nullptr) return;
  const std::size_t length = std::strlen(name);
  if (length >= kNameCapacity) {
    record_.name[0] = '\0';
    record_.nameLength = 0;
    return;
  }
  std::memcpy(record_.name, name, length + 1);
  record_.nameLength = static_cast<std::uint32_t>(length);
}

qm::FileTime* CMyFileProperties::GetCreationTime(qm::FileTime* out) const {
  if (out != nullptr) *out = record_.creationTime;
  return out;
}

qm::FileTime* CMyFileProperties::GetLastWriteTime(qm::FileTime* out) const {
  if (out != nullptr) *out = record_.lastWriteTime;
  return out;
}

qm::FileTime* CMyFileProperties::GetLastAccessTime(qm::FileTime* out) const {
  if (out != nullptr) *out = record_.lastAccessTime;
  return out;
}

std::uint32_t CMyFileProperties::SetExtraValue(std::uint32_t value) {
  const std::uint32_t previous = record_.extraValue;
  record_.extraValue = value;
  return previous;
}

void CMyFileProperties::CopyRecord(const Record& record) {
  record_ = record;
  record_.name[kNameCapacity - 1] = '\0';
  record_.nameLength = static_cast<std::uint32_t>(std::strlen(record_.name));
}

std::unique_ptr<CMyFileProperties> CreateMyFileProperties() { return std::make_unique<CMyFileProperties>(); }
