#include "controls/partition_layout_rows.h"

#include <algorithm>
#include <cmath>

namespace qm {

bool PartitionsOverlap(const LAYOUT_PARTITION& a, const LAYOUT_PARTITION& b) {
  if (a.bytesPerSector != b.bytesPerSector) return false;
  return a.firstSector <= b.lastSector && b.firstSector <= a.lastSector;
}

bool SamePartition(const LAYOUT_PARTITION& a, const LAYOUT_PARTITION& b) {
  return a.fileSystem == b.fileSystem && a.firstSector == b.firstSector && a.lastSector == b.lastSector &&
         a.bytesPerSector == b.bytesPerSector && a.rank == b.rank;
}

LayoutRect BlockRect(const LAYOUT_PARTITION& p, std::uint64_t diskSectors, int row, int width) {
  LayoutRect r;
  r.top = row * kLayoutRowHeight;
  r.bottom = r.top + kLayoutRowHeight;
  if (diskSectors == 0 || width <= 0) {
    // No scale: an empty rectangle, drawn as nothing.
    r.left = r.right = 0;
    r.top = r.bottom = r.top + 3;
    return r;
  }
  const double scale = static_cast<double>(width) / static_cast<double>(diskSectors);
  // A partition reaching past the disk's end (a stale table) stops at the
  // view's edge instead of drawing far outside it.
  const double left = std::min(static_cast<double>(p.firstSector) * scale, static_cast<double>(width));
  const double right = std::min(static_cast<double>(p.lastSector) * scale, static_cast<double>(width));
  r.left = static_cast<int>(left);
  r.right = static_cast<int>(right);
  if (r.Width() > 4) {
    r.left += 3;
    r.right -= 3;
  }
  r.top += 3;
  r.bottom -= 3;
  return r;
}

LayoutRect BlockTitleRect(const LayoutRect& b) { return {b.left + 4, b.top + 4, b.right - 4, b.top + 12}; }

LayoutRect BlockBodyRect(const LayoutRect& b) { return {b.left + 4, b.top + 20, b.right - 4, b.bottom - 4}; }

bool PartitionLayoutRows::Add(const LAYOUT_PARTITION& p) {
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    Row& row = m_rows[i];
    const bool clash = std::any_of(row.begin(), row.end(),
                                   [&](const Block& b) { return PartitionsOverlap(b.partition, p); });
    if (clash) continue;
    row.push_back({p, BlockRect(p, m_diskSectors, static_cast<int>(i), m_width)});
    return false;
  }
  m_rows.push_back({{p, BlockRect(p, m_diskSectors, static_cast<int>(m_rows.size()), m_width)}});
  return true;
}

bool PartitionLayoutRows::Remove(const LAYOUT_PARTITION& p) {
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    Row& row = m_rows[i];
    auto it =
        std::find_if(row.begin(), row.end(), [&](const Block& b) { return SamePartition(b.partition, p); });
    if (it == row.end()) continue;
    row.erase(it);
    if (row.empty()) {
      m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(i));
      Layout(m_width);
      return true;
    }
  }
  return false;
}

void PartitionLayoutRows::Layout(int width) {
  m_width = width;
  for (std::size_t i = 0; i < m_rows.size(); ++i)
    for (Block& b : m_rows[i])
      b.rect = BlockRect(b.partition, m_diskSectors, static_cast<int>(i), width);
}

} // namespace qm
