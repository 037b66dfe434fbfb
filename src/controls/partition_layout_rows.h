// Where the chosen partitions of a disk are drawn: rows of blocks, a block
// per partition placed in proportion to its sector range, partitions that
// overlap on separate rows (first fit). Plain geometry, no window, so the
// view only paints what this holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One partition to show.
struct LAYOUT_PARTITION {
  char name[260] = {};
  std::uint32_t fileSystem = 0; // 0 FAT12, 1 FAT16, 2 FAT32, 3 NTFS, 4 EXT2, 5 EXT3
  std::uint64_t firstSector = 0;
  std::uint64_t lastSector = 0; // inclusive
  std::uint32_t bytesPerSector = 512;
  double rank = 0.0; // 0 to 1
};

// The disk the partitions lie on.
struct LAYOUT_DISK {
  std::string name;
  std::uint32_t type = 0; // 0 or 1 disk, 2 disk image, 3 partition
  std::uint64_t sectorCount = 0;
  std::uint32_t bytesPerSector = 512;
};

namespace qm {

struct LayoutRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  bool operator==(const LayoutRect&) const = default;
};

inline constexpr int kLayoutRowHeight = 80;

// Two partitions overlap when they have the same sector size and neither
// lies wholly before the other.
bool PartitionsOverlap(const LAYOUT_PARTITION& a, const LAYOUT_PARTITION& b);

// The partition's identity for removal: everything but the name.
bool SamePartition(const LAYOUT_PARTITION& a, const LAYOUT_PARTITION& b);

// The block's rectangle in row `row` of a view `width` pixels wide: placed
// by first and last sector over the disk's sectors, narrowed by 3 pixels on
// each side when wider than 4, and by 3 at top and bottom always. A disk of
// 0 sectors has no scale: the block is empty (nothing drawn).
LayoutRect BlockRect(const LAYOUT_PARTITION& p, std::uint64_t diskSectors, int row, int width);

// The title band of a block; empty (left >= right) when the block is too
// narrow for anything but its fill and frame.
LayoutRect BlockTitleRect(const LayoutRect& block);
// The body under the title band.
LayoutRect BlockBodyRect(const LayoutRect& block);

class PartitionLayoutRows {
public:
  struct Block {
    LAYOUT_PARTITION partition;
    LayoutRect rect;
  };
  using Row = std::vector<Block>;

  void SetDiskSectors(std::uint64_t sectors) { m_diskSectors = sectors; }
  std::uint64_t DiskSectors() const { return m_diskSectors; }

  // Puts the partition on the first row where it overlaps no block, or on
  // a new row. Returns true when a row was added.
  bool Add(const LAYOUT_PARTITION& p);
  // Removes the first equal block of each row until a row empties (that row
  // goes, and the search ends). Returns true when a row was removed.
  bool Remove(const LAYOUT_PARTITION& p);
  void Clear() { m_rows.clear(); }

  // Recomputes every block's rectangle for a view of that width.
  void Layout(int width);

  const std::vector<Row>& Rows() const { return m_rows; }
  int ContentHeight() const { return kLayoutRowHeight * static_cast<int>(m_rows.size()); }

private:
  std::vector<Row> m_rows;
  std::uint64_t m_diskSectors = 0;
  int m_width = 0;
};

} // namespace qm
