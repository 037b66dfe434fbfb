// A minimal IFileProperties for tree tests: attributes, size and check
// state, and a count of live objects so tests can see what a walk freed.
#pragma once

#include <string>

#include "filemodel/file_node.h"

namespace qm::test {

class TestProperties : public IFileProperties {
public:
  TestProperties(std::uint16_t attributes, std::uint64_t size, std::uint8_t checkState = 0)
      : attributes_(attributes), size_(size), checkState_(checkState) {
    ++live;
  }
  ~TestProperties() override { --live; }

  std::uint32_t GetNameLength() const override { return static_cast<std::uint32_t>(name_.size()); }
  void SetName(const char* name) override { name_ = name != nullptr ? name : ""; }
  const char* GetName() const override { return name_.c_str(); }
  std::uint64_t GetSize() const override { return size_; }
  std::uint16_t GetAttributes() const override { return attributes_; }
  const char* GetDescription() const override { return ""; }
  FileTime* GetCreationTime(FileTime* out) const override { return out; }
  FileTime* GetLastWriteTime(FileTime* out) const override { return out; }
  FileTime* GetLastAccessTime(FileTime* out) const override { return out; }
  std::uint16_t GetState() const override { return 0; }
  std::uint8_t GetCheckState() const override { return checkState_; }
  void SetCheckState(std::uint8_t state) override { checkState_ = state; }
  std::unique_ptr<IDataRunList> GetDataRunList() const override { return nullptr; }
  std::uint32_t GetValidFields() const override { return kValidAll; }
  std::uint32_t GetExtraValue() const override { return extra_; }
  std::uint32_t SetExtraValue(std::uint32_t value) override {
    const std::uint32_t previous = extra_;
    extra_ = value;
    return previous;
  }
  int Save(IRSData*) const override { return 0; }
  std::uint32_t GetTypeCode() const override { return 99; }
  int Load(IRSData*) override { return 0; }

  static inline int live = 0;

private:
  std::string name_;
  std::uint16_t attributes_;
  std::uint64_t size_;
  std::uint8_t checkState_;
  std::uint32_t extra_ = 0;
};

// Adds a child node with new properties to parent and returns it.
inline CFileNode* AddFile(CFileNode* parent, std::uint64_t size, std::uint8_t checkState = 0,
                          std::uint16_t attributes = 0) {
  CFileNode* node = CreateFileNode();
  node->SetProperties(new TestProperties(attributes, size, checkState));
  return parent->AddChild(node);
}
inline CFileNode* AddFolder(CFileNode* parent, std::uint8_t checkState = 0) {
  return AddFile(parent, 0, checkState, kAttrFolder);
}
inline std::uint8_t StateOf(const CFileNode* node) { return node->GetProperties()->GetCheckState(); }

} // namespace qm::test
