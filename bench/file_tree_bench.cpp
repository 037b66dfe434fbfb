// The found-file tree at the scale of a large disk: 1,000,000 files in
// 10,000 folders. Times the build (with packed one-run extents, as the
// engines keep them), a toggle of the root, a refresh of the check states,
// a recount of the summary and the delete, and reports the heap bytes each
// file costs (node, properties and packed extents; the name apart).
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "filemodel/file_system_node.h"
#include "filemodel/ntfs_data_run_lists.h"
#include "filemodel/packed_data_run_list.h"
#include "storage/mem_alloc.h"

namespace {

// About what an engine keeps per file: owned name, size, three times,
// attributes, state, check state, a mark and the packed extents.
class BenchProperties : public IFileProperties {
public:
  BenchProperties(std::uint16_t attributes, std::uint64_t size) : size_(size), attributes_(attributes) {}
  ~BenchProperties() override { MemFree(name_); }

  std::uint32_t GetNameLength() const override {
    return name_ ? static_cast<std::uint32_t>(std::strlen(name_)) : 0;
  }
  void SetName(const char* name) override {
    MemFree(name_);
    const std::size_t n = std::strlen(name);
    name_ = static_cast<char*>(MemAlloc(n + 1));
    std::memcpy(name_, name, n + 1);
  }
  const char* GetName() const override { return name_ ? name_ : ""; }
  std::uint64_t GetSize() const override { return size_; }
  std::uint16_t GetAttributes() const override { return attributes_; }
  const char* GetDescription() const override { return ""; }
  qm::FileTime* GetCreationTime(qm::FileTime* out) const override {
    *out = times_[0];
    return out;
  }
  qm::FileTime* GetLastWriteTime(qm::FileTime* out) const override {
    *out = times_[1];
    return out;
  }
  qm::FileTime* GetLastAccessTime(qm::FileTime* out) const override {
    *out = times_[2];
    return out;
  }
  std::uint16_t GetState() const override { return state_; }
  std::uint8_t GetCheckState() const override { return check_; }
  void SetCheckState(std::uint8_t state) override { check_ = state; }
  std::unique_ptr<IDataRunList> GetDataRunList() const override {
    return extents_ ? extents_->Unpack() : nullptr;
  }
  std::uint32_t GetValidFields() const override { return qm::kValidAll; }
  std::uint32_t GetExtraValue() const override { return mark_; }
  std::uint32_t SetExtraValue(std::uint32_t value) override {
    const std::uint32_t old = mark_;
    mark_ = static_cast<std::uint8_t>(value);
    return old;
  }
  int Save(IRSData*) const override { return 0; }
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesNtfs; }
  int Load(IRSData*) override { return 0; }

  void SetExtents(std::unique_ptr<CPackedDataRunList> extents) { extents_ = std::move(extents); }

private:
  char* name_ = nullptr;
  std::uint64_t size_;
  qm::FileTime times_[3] = {};
  std::uint16_t attributes_;
  std::uint16_t state_ = 0;
  std::uint8_t check_ = 0;
  std::uint8_t mark_ = 0;
  std::unique_ptr<CPackedDataRunList> extents_;
};

std::size_t HeapInUse() { return mallinfo2().uordblks; }

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main() {
  constexpr int kFolders = 10000;
  constexpr int kFilesPerFolder = 100;
  constexpr int kFiles = kFolders * kFilesPerFolder;
  std::mt19937_64 random(1);

  const std::size_t heapBefore = HeapInUse();
  auto start = std::chrono::steady_clock::now();
  CFileSystemNode* root = CreateFileSystemNode();
  std::vector<CFileNode*> files;
  files.reserve(kFiles);
  const std::size_t vectorBytes = HeapInUse() - heapBefore;
  for (int f = 0; f < kFolders; ++f) {
    CFileNode* folder = CreateFileNode();
    folder->SetProperties(new BenchProperties(qm::kAttrFolder, 0));
    root->AddChild(folder);
    for (int i = 0; i < kFilesPerFolder; ++i) {
      const std::uint64_t clusters = random() % 4096 + 1;
      auto* properties =
          new BenchProperties(random() % 50 == 0 ? qm::kAttrCompressed : 0, clusters * 4096 - 100);
      CNoneResidentNTFSDataRunList runs;
      runs.AddRun(random() % 200000000, clusters);
      properties->SetExtents(CPackedDataRunList::FromDataRunList(&runs));
      CFileNode* file = CreateFileNode();
      file->SetProperties(properties);
      files.push_back(folder->AddChild(file));
    }
  }
  const double buildSeconds = Seconds(start);
  const std::size_t treeBytes = HeapInUse() - heapBefore - vectorBytes;

  // Names apart: an engine's name costs what its text costs.
  const std::size_t beforeNames = HeapInUse();
  char name[32];
  for (int i = 0; i < kFiles; ++i) {
    std::snprintf(name, sizeof name, "IMG_%07d.JPG", i);
    files[i]->GetProperties()->SetName(name);
  }
  const std::size_t nameBytes = HeapInUse() - beforeNames;

  start = std::chrono::steady_clock::now();
  root->UpdateSelectionSummary();
  const double summaryFirstSeconds = Seconds(start);

  start = std::chrono::steady_clock::now();
  root->ToggleCheck(root, 0);
  const double toggleSeconds = Seconds(start);
  const std::uint32_t checkedAfterToggle = root->Summary().checkedFiles;

  start = std::chrono::steady_clock::now();
  root->RefreshCheckStates();
  const double refreshSeconds = Seconds(start);

  start = std::chrono::steady_clock::now();
  root->UpdateSelectionSummary();
  const double summarySeconds = Seconds(start);

  start = std::chrono::steady_clock::now();
  std::uint64_t clusters = 0;
  for (CFileNode* file : files) {
    auto list = file->GetProperties()->GetDataRunList();
    for (const DataRunEntry* run = list->FirstRun(); run != nullptr; run = list->NextRun())
      clusters += run->count;
  }
  const double unpackSeconds = Seconds(start);

  start = std::chrono::steady_clock::now();
  DeleteFileTree(root);
  const double deleteSeconds = Seconds(start);

  const int nodes = kFiles + kFolders + 1;
  std::printf("tree of %d files in %d folders (%d nodes)\n", kFiles, kFolders, nodes);
  std::printf("  build (nodes, properties, packed extents): %8.1f ms\n", buildSeconds * 1e3);
  std::printf("  summary (first count):                     %8.1f ms\n", summaryFirstSeconds * 1e3);
  std::printf("  toggle root:                               %8.1f ms  (%u files checked)\n",
              toggleSeconds * 1e3, checkedAfterToggle);
  std::printf("  refresh check states:                      %8.1f ms\n", refreshSeconds * 1e3);
  std::printf("  summary (recount):                         %8.1f ms\n", summarySeconds * 1e3);
  std::printf("  unpack every file's extents:               %8.1f ms  (%llu clusters)\n", unpackSeconds * 1e3,
              static_cast<unsigned long long>(clusters));
  std::printf("  delete tree:                               %8.1f ms\n", deleteSeconds * 1e3);
  std::printf("  heap per node besides its name: %.1f bytes (node %zu, properties %zu, packed list %zu, "
              "plus allocator overhead); names: %.1f bytes each\n",
              static_cast<double>(treeBytes) / nodes, sizeof(CFileNode), sizeof(BenchProperties),
              sizeof(CPackedDataRunList), static_cast<double>(nameBytes) / kFiles);
  std::printf("  target: no more than 200 bytes per file node besides its name\n");
  return 0;
}
