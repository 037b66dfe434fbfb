#include "deep_scan_support.h"

#include <fstream>
#include <stdexcept>

#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "storage/intelligent_search.h"
#include "storage/searched_partition_info.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace qm::test {

FoundPartitions SweepWith(IStorageDevice* device, const std::vector<IFileSystemSearchController*>& controllers) {
  {
    CIntelligentSearchController search;
    search.SetDevice(device);
    for (IFileSystemSearchController* controller : controllers) search.AddEntry(controller);
    if (search.Start(nullptr) != 1) throw std::runtime_error("the sweep did not start");
  }
  std::vector<CSearchedPartitionInfo*> found;
  for (IFileSystemSearchController* controller : controllers) controller->GetFoundPartitions(found);
  FoundPartitions result;
  for (CSearchedPartitionInfo* record : found) result.records.emplace_back(record);
  return result;
}

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

void Run(const std::string& command) {
  if (RunCommand(command) != 0) throw std::runtime_error("command failed: " + command);
}

std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t x = seed * 2654435761u + 12345u;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  return bytes;
}

void WriteHostFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void TreeDeleter::operator()(CFileNode* root) const { DeleteFileTree(root); }

std::map<std::string, std::vector<std::uint8_t>> CopyOut(CFileNode* root, IStorageDevice* device,
                                                         const std::string& name) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  if (root == nullptr) return files;
  auto* volume = static_cast<CFileSystemNode*>(root);
  volume->ToggleCheck(root, 0);
  const fs::path target = ScratchPath(name);
  fs::remove_all(target);
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  volume->GetVolumeGeometry(&base, &perCluster);
  SaveContext context{nullptr, DeviceForNode(device, root), base, perCluster};
  std::string created;
  if (SaveCheckedTree(context, root, target.string(), &created) != kSaveDone || created.empty()) return files;
  for (const auto& entry : fs::recursive_directory_iterator(created)) {
    if (!entry.is_regular_file()) continue;
    files[fs::relative(entry.path(), created).generic_string()] = ReadFileBytes(entry.path());
  }
  fs::remove_all(target);
  return files;
}

std::string PathEndingWith(const std::map<std::string, std::vector<std::uint8_t>>& files, const std::string& tail) {
  for (const auto& [path, bytes] : files) {
    if (path == tail) return path;
    if (path.size() > tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0 &&
        path[path.size() - tail.size() - 1] == '/')
      return path;
  }
  return "";
}

} // namespace qm::test
