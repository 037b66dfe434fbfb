#include "raw/raw_type_names.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

namespace {

using Entry = std::array<char, kRawTypeNameMax + 1>;

struct CustomTypes {
  std::mutex mutex;
  std::array<Entry, kRawTypeCount - kFirstCustomRawType> entries{};
};

CustomTypes& Custom() {
  static CustomTypes custom;
  return custom;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(const Entry& entry, std::string_view name) {
  std::size_t i = 0;
  for (; i < name.size(); ++i)
    if (FoldAscii(entry[i]) != FoldAscii(name[i])) return false;
  return entry[i] == '\0';
}

} // namespace

const char* RawTypeNames::Get(int typeId) {
  if (typeId >= 0 && typeId <= kLastBuiltInRawType) return kBuiltInRawTypeNames[typeId];
  if (typeId < kFirstCustomRawType || typeId >= kRawTypeCount) return "";
  CustomTypes& custom = Custom();
  std::lock_guard lock(custom.mutex);
  const Entry& entry = custom.entries[static_cast<std::size_t>(typeId - kFirstCustomRawType)];
  // A given entry never changes again, so its text may be handed out; an
  // empty one may be filled later, so it is not.
  return entry[0] == '\0' ? "" : entry.data();
}

int RawTypeNames::AssignCustom(std::string_view name) {
  name = name.substr(0, std::min(name.find('\0'), kRawTypeNameMax));
  if (name.empty()) return -1;
  CustomTypes& custom = Custom();
  std::lock_guard lock(custom.mutex);
  for (std::size_t i = 0; i < custom.entries.size(); ++i) {
    Entry& entry = custom.entries[i];
    if (entry[0] == '\0') {
      std::memcpy(entry.data(), name.data(), name.size());
      entry[name.size()] = '\0';
      return kFirstCustomRawType + static_cast<int>(i);
    }
    if (EqualsIgnoringCase(entry, name)) return kFirstCustomRawType + static_cast<int>(i);
  }
  // Every custom id holds another name: the match is refused rather than
  // filed under a type it does not belong to.
  return -1;
}

void RawTypeNames::ResetCustomForTest() {
  CustomTypes& custom = Custom();
  std::lock_guard lock(custom.mutex);
  custom.entries = {};
}
