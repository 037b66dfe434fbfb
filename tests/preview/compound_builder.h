// Small compound files made by hand for the reader's tests: a header, one
// allocation-table sector and a directory of one or more sectors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

struct CompoundBuilderEntry {
  std::string name;
  std::uint8_t type = 2; // 1 storage, 2 stream, 5 root
  std::uint32_t left = 0xFFFFFFFF;
  std::uint32_t right = 0xFFFFFFFF;
  std::uint32_t child = 0xFFFFFFFF;
};

inline void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// 512-byte sectors: sector 0 the allocation table, sectors 1.. the
// directory (4 entries a sector). The root is entry 0 and its child
// entry 1 unless the entries say otherwise.
inline std::vector<std::uint8_t> BuildCompoundFile(std::vector<CompoundBuilderEntry> entries) {
  const std::size_t dirSectors = (entries.size() + 3) / 4;
  std::vector<std::uint8_t> bytes(512 * (2 + dirSectors), 0);
  const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  for (int i = 0; i < 8; ++i)
    bytes[static_cast<std::size_t>(i)] = signature[i];
  bytes[24] = 0x3E; // minor version
  bytes[26] = 0x03; // major version 3
  bytes[28] = 0xFE;
  bytes[29] = 0xFF;
  bytes[30] = 9; // 512-byte sectors
  bytes[32] = 6;
  PutLe32(bytes, 44, 1);          // one allocation-table sector
  PutLe32(bytes, 48, 1);          // directory starts at sector 1
  PutLe32(bytes, 56, 4096);       // mini stream cut-off
  PutLe32(bytes, 60, 0xFFFFFFFE); // no mini table
  PutLe32(bytes, 68, 0xFFFFFFFE); // no DIFAT sectors
  PutLe32(bytes, 76, 0);          // the table is sector 0
  for (std::size_t i = 1; i < 109; ++i)
    PutLe32(bytes, 76 + i * 4, 0xFFFFFFFF);
  // The allocation table: sector 0 is itself, the directory a chain.
  const std::size_t fat = 512;
  for (std::size_t i = 0; i < 128; ++i)
    PutLe32(bytes, fat + i * 4, 0xFFFFFFFF);
  PutLe32(bytes, fat, 0xFFFFFFFD);
  for (std::size_t s = 0; s < dirSectors; ++s)
    PutLe32(bytes, fat + (1 + s) * 4, s + 1 == dirSectors ? 0xFFFFFFFE : static_cast<std::uint32_t>(2 + s));
  for (std::size_t e = 0; e < entries.size(); ++e) {
    const std::size_t at = 1024 + e * 128;
    const std::string& name = entries[e].name;
    for (std::size_t c = 0; c < name.size() && c < 31; ++c)
      bytes[at + c * 2] = static_cast<std::uint8_t>(name[c]);
    const std::size_t nameBytes = (std::min<std::size_t>(name.size(), 31) + 1) * 2;
    bytes[at + 64] = static_cast<std::uint8_t>(nameBytes);
    bytes[at + 66] = entries[e].type;
    PutLe32(bytes, at + 68, entries[e].left);
    PutLe32(bytes, at + 72, entries[e].right);
    PutLe32(bytes, at + 76, entries[e].child);
    PutLe32(bytes, at + 116, 0xFFFFFFFE);
  }
  return bytes;
}

// A Word document's container: the root and its "WordDocument" stream.
inline std::vector<std::uint8_t> BuildWordContainer(const std::string& stream = "WordDocument") {
  return BuildCompoundFile({{"Root Entry", 5, 0xFFFFFFFF, 0xFFFFFFFF, 1}, {stream, 2}});
}

} // namespace qm::test
