#include "filemodel/file_filter.h"

namespace {

constexpr std::uint32_t kTestedAttributes = 0x01 | 0x02 | 0x04 | 0x08 | 0x10 | 0x20 | 0x40 | 0x400 | 0x800;
constexpr std::uint32_t kTestedStates = 0x01 | 0x02 | 0x04;

} // namespace

bool CFileAttributeFilter::IsMatch(IFileProperties* properties) {
  if (properties == nullptr || (properties->GetValidFields() & qm::kValidAttributes) == 0) return false;
  if (mask_ == kFilterAnything) return true;
  return (properties->GetAttributes() & mask_ & kTestedAttributes) != 0;
}

bool CFileStateFilter::IsMatch(IFileProperties* properties) {
  if (properties == nullptr || (properties->GetValidFields() & qm::kValidState) == 0) return false;
  if (mask_ == kFilterAnything) return true;
  return (properties->GetState() & mask_ & kTestedStates) != 0;
}
