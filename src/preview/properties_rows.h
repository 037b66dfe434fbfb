// The "Name" / "Value" rows the properties dialog shows for one node of the
// found-file tree: where it lies on the disk and the engine's state flags,
// by the file system of its volume.
#pragma once

#include <string>
#include <vector>

class CFileNode;

namespace qm {

struct PropertyRow {
  std::string name;  // English; the dialog translates it
  std::string value; // "Yes" and "No" are translated too
  bool operator==(const PropertyRow&) const = default;
};

// Empty for a null node, a node without properties, EXT2 and EXT3 nodes
// and RAW folders, except that a damaged file always has a "Damaged" row.
std::vector<PropertyRow> BuildPropertyRows(CFileNode* node);

// "a: b - c: d." of the extents; FAT clusters count from 2, so they are
// shown with 2 added.
std::string FormatLayout(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& extents,
                         std::uint64_t add);

} // namespace qm
