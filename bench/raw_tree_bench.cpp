// The carving result tree at the scale of a large disk: 1,000,000 carved
// files of twelve types, one in eight in a used cluster. Times the build of
// the "Raw Files" tree (type folders, folders of 300, one packed extent a
// file) and its delete.
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "filemodel/raw_file_collection.h"
#include "ntfs/cluster_use_bitmap.h"
#include "raw/raw_tree_builder.h"
#include "storage/app_settings.h"
#include "storage/storage_device.h"

namespace {

class Quiet : public IDIRBuildCallback {
public:
  int OnBegin(const char*, std::uint32_t) override { return 0; }
  int OnStep(std::uint32_t) override { return 0; }
  int OnPosition(std::uint32_t) override { return 0; }
  int OnEnd() override { return 0; }
  int Poll() override { return 0; }
};

class NoDevice : public IStorageDevice {
public:
  int ReadSectors(void*, std::uint64_t, std::uint64_t) override { return 0; }
  std::uint64_t GetSectorCount() override { return 1ull << 40; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main() {
  constexpr int kFiles = 1000000;
  constexpr int kTypes[] = {33, 47, 28, 9, 21, 67, 48, 46, 68, 41, 63, 60};
  std::mt19937_64 random(7);
  CRawFileCollection carved;
  std::uint64_t sector = 2048;
  for (int i = 0; i < kFiles; ++i) {
    auto record = std::make_unique<CRawFileInfo>();
    const std::uint64_t length = 1000 + random() % 4000000;
    record->SetStartSector(sector);
    record->SetLength(length);
    const int type = kTypes[random() % std::size(kTypes)];
    record->SetType(type);
    record->SetAnalyserType(type == 21 || type == 67 || type == 48 ? 44 : type);
    carved.Add(std::move(record));
    sector += length / 512 + 1;
  }
  const std::uint64_t clusters = sector / 8 + 1;
  std::vector<bool> bits(clusters, false);
  for (std::uint64_t c = 0; c < clusters; c += 8)
    bits[c] = true;
  CClusterUseBitMap used(&bits, 0, 8, clusters);

  Quiet quiet;
  NoDevice device;
  for (int round = 0; round < 3; ++round) {
    const auto start = std::chrono::steady_clock::now();
    CRawTreeBuilder builder;
    CFileNode* root = builder.BuildTree(&device, &carved.GetIterator(), &used, &quiet);
    const double build = Seconds(start);
    std::uint64_t files = 0;
    qm::ForEachInSubtree(root, [&](CFileNode* node) {
      if (!node->GetProperties()->IsFolder()) ++files;
    });
    const auto deleteStart = std::chrono::steady_clock::now();
    DeleteFileTree(root);
    std::printf("raw tree: %d records, %llu files listed, build %.3f s (%.0f ns/record), delete %.3f s\n", kFiles,
                static_cast<unsigned long long>(files), build, build * 1e9 / kFiles, Seconds(deleteStart));
  }
  return 0;
}
