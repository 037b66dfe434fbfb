// FAT12, FAT16 and FAT32 images made at test time with mkfs.fat and
// mtools, and what the tools were asked to write into them: folders, files
// with long and short names, a fragmented file and a deleted one. Each
// image is made once per test run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qm::test {

struct FatFixtureFile {
  std::string path; // from the root, '/'-separated, UTF-8: "/Docs/Report.doc"
  std::vector<std::uint8_t> content;
  bool directory = false;
  bool deleted = false;
  // The clusters as the tools report them (for the deleted file: before it
  // was deleted).
  std::vector<std::uint32_t> chain;
  std::string Name() const { return path.substr(path.rfind('/') + 1); }
};

struct FatFixture {
  std::filesystem::path image;
  int fatType = 7;
  std::uint32_t sectorsPerCluster = 0;
  std::string label;
  std::vector<FatFixtureFile> files;
  const FatFixtureFile* Find(const std::string& path) const;
};

// Bytes of a fixed pseudo-random pattern.
std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed);

// The image of the given FAT type (0, 1, 2). Fails the calling test through
// an exception when the tools fail.
const FatFixture& GetFatFixture(int fatType);

} // namespace qm::test
