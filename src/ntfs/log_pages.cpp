#include "ntfs/log_pages.h"

using namespace qm::logfile;

namespace {

bool StrideEndsEqual(qm::ByteView page, std::uint16_t sequence) {
  for (std::size_t i = 0; i < kStrides; ++i) {
    if (page.le16(kStride * i + kStride - 2) != sequence) return false;
  }
  return true;
}

} // namespace

bool IsRcrdMagic(qm::ByteView page) { return page.matches(kMagic, "RCRD"); }

bool IsValidRcrdPage(qm::ByteView page) {
  if (!IsRcrdMagic(page) || page.size() < kPageBytes) return false;
  if (page.le16(kUsaCount) != kRcrdUsaCount || page.le16(kUsaOffset) != kRcrdUsaOffset) return false;
  return StrideEndsEqual(page, page.le16(kRcrdUsaOffset));
}

bool IsRstrMagic(qm::ByteView page) { return page.matches(kMagic, "RSTR"); }

bool IsValidRstrPage(qm::ByteView page) {
  if (page.size() < kPageBytes || !IsRstrMagic(page)) return false;
  static constexpr char kNtfs[] = {'N', 0, 'T', 0, 'F', 0, 'S', 0};
  if (!page.matches(kRstrClientName, std::string_view(kNtfs, sizeof kNtfs))) return false;
  return StrideEndsEqual(page, page.le16(kRstrSequence));
}
