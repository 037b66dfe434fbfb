#include "ntfs/ntfs_templates.h"

#include <array>

namespace qm::ntfs_templates {
namespace {

using Table = std::array<std::uint8_t, kUpCaseTableBytes>;

Table BuildUpCaseTable() {
  std::array<std::uint16_t, 65536> values{};
  for (std::uint32_t c = 0; c < values.size(); ++c)
    values[c] = static_cast<std::uint16_t>(c);
  for (std::size_t r = 0; r < kUpCaseRunCount; ++r) {
    const UpCaseRun& run = kUpCaseRuns[r];
    for (std::uint32_t k = 0; k < run.count; ++k) {
      const std::uint64_t c = run.first + std::uint64_t{k} * run.step;
      if (c >= values.size()) break;
      values[c] = static_cast<std::uint16_t>(c + run.difference);
    }
  }
  Table table{};
  for (std::size_t c = 0; c < values.size(); ++c) {
    table[2 * c] = static_cast<std::uint8_t>(values[c]);
    table[2 * c + 1] = static_cast<std::uint8_t>(values[c] >> 8);
  }
  return table;
}

} // namespace

ByteView UpCaseTable() {
  static const Table table = BuildUpCaseTable();
  return ByteView(table.data(), table.size());
}

ByteView AttrDefTemplate(std::size_t k) {
  if (k >= kAttrDefTemplates) return {};
  return ByteView(kAttrDefBytes + k * kSectorBytes, kSectorBytes);
}

ByteView UpCaseTemplate(std::size_t k) {
  if (k >= kUpCaseTemplates) return {};
  return UpCaseTable().sub(k * kSectorBytes, kSectorBytes);
}

} // namespace qm::ntfs_templates
