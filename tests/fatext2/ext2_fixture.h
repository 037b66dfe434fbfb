// EXT2 and EXT3 images made with mke2fs and debugfs at test time, in the
// build tree, with the files written into them, and helpers that read files
// back through the reader.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_inode.h"

namespace qm::test {

struct Ext2FixtureFile {
  std::string path; // from the root, "/a/b/name"
  std::vector<std::uint8_t> content;
};

struct Ext2Image {
  std::filesystem::path path;
  std::uint32_t blockSize = 0;
  std::vector<Ext2FixtureFile> files;   // files that stay
  std::vector<std::string> directories; // directories made, "/a", "/a/b", ...
  Ext2FixtureFile deleted;              // a file written, then removed with rm
  Ext2FixtureFile killed;               // a file freed with kill_file: its entry stays
  std::vector<std::uint8_t> Bytes() const;
};

enum class Ext2Layout {
  Ext2Blocks1K,    // EXT2, 1 KiB blocks, three groups
  Ext3Blocks4K,    // EXT3, 4 KiB blocks, two groups (a backup in group 1)
  Ext2SmallGroups, // EXT2, 1 KiB blocks, 2048 blocks per group (copies in groups 0, 1, 3, 5, 7)
  Ext2Revision0,   // EXT2 of revision 0 (fixed 128-byte inodes, first inode 11), 2 KiB blocks
  Ext2Blocks8K,    // EXT2, 8 KiB blocks
};

// Made once per test process; skips the test when the tools are missing.
const Ext2Image& GetExt2Image(Ext2Layout layout);

// A 1 KiB-block volume whose directory "/big" holds kHashedEntries empty
// files named "file_with_quite_a_long_name_number_<n>" (n from 1): 3000 of
// them made into a two-level hashed directory by e2fsck -D, the rest added
// afterwards, so that leaf blocks follow the interior index blocks. Empty
// when the tools failed.
inline constexpr int kHashedEntries = 3600;
const std::filesystem::path& GetHashedDirectoryImage();

// Walks a path of names from the root directory; an all-zero inode when a
// name is missing.
CExt2Inode FindPath(CExt2FileSystem& fileSystem, const std::string& path);
// The names a directory lists, in order, "." and ".." included.
std::vector<std::string> ListNames(const CExt2Inode& directory);
// A file's content read block by block through its block map; holes read
// as zeros.
std::vector<std::uint8_t> ReadContent(const CExt2Inode& inode);

} // namespace qm::test
