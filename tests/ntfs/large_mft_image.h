// A volume with a large $MFT, for the tree-build benchmark and for tests
// that need more records than the fixture holds: the fixture volume with a
// new $MFT appended (the boot sector pointing at it), whose records are
// clones of the fixture's own files and folders (resident, non-resident,
// compressed, sparse; some deleted) arranged as folders of 63 files, eight
// subfolders a folder. Its own record is a hidden system "$MFT" with one
// run; records 1 to 15 are left empty.
#pragma once

#include <cstdint>
#include <vector>

namespace qm::test {

inline constexpr std::uint64_t kLargeMftFirstUserRecord = 16;

struct LargeMftImage {
  std::vector<std::uint8_t> bytes; // empty when the fixture gave no templates
  std::uint64_t mftOffset = 0;     // byte offset of record 0
  std::uint64_t mftBytes = 0;      // whole clusters
};

// fixture: the bytes of the fixture image (1024-byte records); records:
// the size of the new $MFT.
LargeMftImage MakeLargeMftImage(std::vector<std::uint8_t> fixture, std::uint64_t records);

// Writes the update-sequence protection over a fixed-up 1024-byte record.
void ProtectRecord(std::uint8_t* record);

} // namespace qm::test
