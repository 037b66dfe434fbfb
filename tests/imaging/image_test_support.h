// Shared by the imaging tests: a writer callback that records and can
// cancel or ask for new parts, and a helper that writes an image of a
// device and reads it back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "imaging/compress_controller.h"

class IStorageDevice;

namespace qm::test {

class RecordingCompressCallback : public ICompressCallBack {
public:
  void ProcessMessages() override { ++pumps; }
  int IsCancelled() override { return cancelAfter >= 0 && done >= static_cast<std::uint64_t>(cancelAfter); }
  void OnBlockDone(std::uint64_t index) override {
    indices.push_back(index);
    ++done;
    if (onBlockDone) {
      onBlockDone(index);
    }
  }
  void OnStart(std::uint64_t first, std::uint64_t total) override {
    startFirst = first;
    startTotal = total;
  }
  void OnBlockStored(std::uint32_t length) override { stored.push_back(length); }
  // A new part before each block whose index is in newPartBefore.
  int IsNewPartRequested() override { return newPartBefore.count(done) != 0; }

  std::int64_t cancelAfter = -1; // blocks done before the cancel
  std::set<std::uint64_t> newPartBefore;
  std::function<void(std::uint64_t)> onBlockDone;
  std::uint64_t done = 0, pumps = 0, startFirst = ~0ull, startTotal = 0;
  std::vector<std::uint64_t> indices;
  std::vector<std::uint32_t> stored;
};

// A fresh folder under the scratch folder.
std::filesystem::path FreshFolder(const std::string& name);

// The whole content of a device, read in one go.
std::vector<std::uint8_t> ReadAll(IStorageDevice& device);

} // namespace qm::test
