// Shared by the deep-scan tests: sweeping a device with controllers the way
// the complete search does (through the read-ahead cache, block by block),
// running the image tools, and copying a built tree out to compare files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ntfs/search_controller.h"
#include "storage/searched_partition_info.h"

class CFileNode;
class IStorageDevice;

namespace qm::test {

// Owns the records a sweep handed out.
struct FoundPartitions {
  std::vector<std::unique_ptr<CSearchedPartitionInfo>> records;
};

// Sweeps the device with the controllers (in order) through the
// intelligent search and collects what they found.
FoundPartitions SweepWith(IStorageDevice* device, const std::vector<IFileSystemSearchController*>& controllers);

std::string Quote(const std::string& text);
// Runs a shell command; fails the calling test through an exception.
void Run(const std::string& command);
// Bytes that tell files and places apart.
std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed);
void WriteHostFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

struct TreeDeleter {
  void operator()(CFileNode* root) const;
};
using TreeRoot = std::unique_ptr<CFileNode, TreeDeleter>;

// Checks the whole tree, copies it out below a scratch folder of that name
// and returns every copied file by its path inside the copy
// ("folder/sub/name").
std::map<std::string, std::vector<std::uint8_t>> CopyOut(CFileNode* root, IStorageDevice* device,
                                                         const std::string& name);

// The first key that equals tail or ends with "/" + tail; "" when none.
std::string PathEndingWith(const std::map<std::string, std::vector<std::uint8_t>>& files, const std::string& tail);

} // namespace qm::test
