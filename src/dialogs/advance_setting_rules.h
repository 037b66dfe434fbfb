// The rules of the advanced settings that do not need a window: the carved
// file types offered and their groups, the size text, and the types a choice
// implies.
#pragma once

#include <QtCore/QString>

#include <cstdint>
#include <span>
#include <vector>

namespace qm {

struct RawTypeChoice {
  const char* label;
  int typeId;
};

struct RawTypeGroup {
  const char* label;
  const char* iconSample; // a file name whose desktop icon stands for the group
  std::span<const RawTypeChoice> types;
};

// The six groups of carved types in the order the RAW page lists them.
std::span<const RawTypeGroup> RawTypeGroups();

// The size edit's text as a size: the leading decimal digits (with an
// optional sign), 0 when there are none, negative sizes as 0, and sizes
// past the 64-bit range as the largest.
std::int64_t ParseRawSizeText(const QString& text);

// Appends, after the chosen ids, the container types the chosen ones are
// carved through: OLE compound files (44) for the types stored in one, PDF
// (46) for Illustrator files, ZIP (68) for the Office 2007 types; each
// container once, and not when it is chosen already.
void AddImpliedRawTypes(std::vector<int>& types);

} // namespace qm
