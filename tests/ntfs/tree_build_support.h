// Shared by the tree-build tests: a callback that records what a build
// reports and can cancel, and the nodes of a built tree by their paths.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "filemodel/dir_build_callback.h"

class CFileNode;

namespace qm::test {

class RecordingCallback : public IDIRBuildCallback {
public:
  // Cancels from the n-th call of any kind on (never when negative).
  explicit RecordingCallback(long cancelAfter = -1) : cancelAfter_(cancelAfter) {}
  int OnBegin(const char* title, std::uint32_t total) override {
    titles.push_back(title);
    totals.push_back(total);
    return Answer();
  }
  int OnStep(std::uint32_t n) override {
    steps += n;
    return Answer();
  }
  int OnPosition(std::uint32_t p) override {
    positions.push_back(p);
    return Answer();
  }
  int OnEnd() override {
    ++ends;
    return Answer();
  }
  int Poll() override { return Answer(); }

  std::vector<std::string> titles;
  std::vector<std::uint32_t> totals;
  std::vector<std::uint32_t> positions;
  std::uint64_t steps = 0;
  int ends = 0;
  long calls = 0;

private:
  int Answer() {
    ++calls;
    return cancelAfter_ >= 0 && calls > cancelAfter_ ? kCallbackCancel : 0;
  }
  long cancelAfter_;
};

// Every node below root by its path ("folder/name"), the root itself
// excluded. A name met twice in one folder keeps its first node and
// counts in duplicates.
struct TreePaths {
  std::map<std::string, CFileNode*> byPath;
  std::size_t nodes = 0;
  std::size_t duplicates = 0;
};
TreePaths CollectPaths(CFileNode* root);

// Each deleted file below root (folders left out) by its name, and whether
// it is marked damaged; then frees the tree. Empty for a null root.
std::map<std::string, bool> TakeDeletedFileMarks(CFileNode* root);

} // namespace qm::test
