// Scratch files for tests: sparse image files in the build tree, made
// fresh by each test, and a way to run the real disk tools on them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace qm {

// $QM_BINARY_DIR/scratch/<name> (or the temp folder), with its folder made;
// a shard of a test program (GTEST_SHARD_INDEX) gets a folder of its own.
std::filesystem::path ScratchPath(const std::string& name);

// The running test program's name ("raw_tests"). Fixtures that several
// test programs build put it into their scratch names: ctest runs the
// programs at once, and two of them rebuilding one folder break each other.
std::string ScratchTag();

// A sparse file of the given size at ScratchPath(name), replacing any old
// one; returns its path.
std::filesystem::path MakeSparseImage(const std::string& name, std::uint64_t bytes);

// Runs a shell command; returns its exit status (-1 when it could not run).
int RunCommand(const std::string& command);

// Makes sparse images of the given size and runs one tool command on each,
// all at once (partitioning tools sync and wait for the kernel, which takes
// a while each): "%s" in a command stands for its image's path. Returns the
// paths, empty where the command failed.
std::vector<std::filesystem::path>
MakeImagesWithTools(const std::vector<std::pair<std::string, std::string>>& jobs, std::uint64_t bytes);

// Writes bytes at the byte offset of an existing file.
void WriteFileBytes(const std::filesystem::path& path, std::uint64_t offset,
                    const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

} // namespace qm
