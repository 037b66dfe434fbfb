// The standard contents of two NTFS system files that the deep scan looks
// for sector by sector: the first 2560 bytes of $AttrDef (the attribute
// definitions of an NTFS 3.x volume, 160 bytes each) and the 128 KiB
// $UpCase table (the upper-case value of every UTF-16 code unit). The data
// are generated from a volume made by mkntfs (scripts/make_ntfs_templates.sh
// writes ntfs_template_data.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_view.h"

namespace qm::ntfs_templates {

inline constexpr std::size_t kSectorBytes = 512;
inline constexpr std::size_t kAttrDefTemplateBytes = 2560;
inline constexpr std::size_t kAttrDefTemplates = kAttrDefTemplateBytes / kSectorBytes; // 5
inline constexpr std::size_t kUpCaseTableBytes = 65536 * 2;
inline constexpr std::size_t kUpCaseTemplates = kUpCaseTableBytes / kSectorBytes; // 256

// Code units first, first + step, ... (count of them) map to themselves
// plus difference (mod 2^16); every code unit no run names maps to itself.
struct UpCaseRun {
  std::uint32_t first;
  std::uint32_t count;
  std::uint32_t step;
  std::uint32_t difference;
};

extern const std::uint8_t kAttrDefBytes[kAttrDefTemplateBytes];
extern const UpCaseRun kUpCaseRuns[];
extern const std::size_t kUpCaseRunCount;

// The k-th 512-byte template (k below kAttrDefTemplates / kUpCaseTemplates).
ByteView AttrDefTemplate(std::size_t k);
ByteView UpCaseTemplate(std::size_t k);
// The whole $UpCase table, little-endian (built once, on first use).
ByteView UpCaseTable();

} // namespace qm::ntfs_templates
