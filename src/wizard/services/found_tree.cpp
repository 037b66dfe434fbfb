#include "wizard/services/found_tree.h"

#include <array>
#include <cstdint>
#include <vector>

#include "filemodel/file_filter.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "raw/raw_file_properties.h"

namespace qm {

CFileSystemNode* MakeRootNode() {
  CFileSystemNode* root = CreateFileSystemNode();
  auto properties = CreateMyFileProperties();
  CMyFileProperties::Record record;
  record.attributes = kAttrFolder;
  properties->CopyRecord(record);
  properties->SetName("Root");
  root->SetProperties(std::move(properties));
  return root;
}

bool SharesProperties(const CFileNode* root) {
  if (root == nullptr || !root->IsFileSystemNode()) return false;
  std::array<std::uint8_t, CFileSystemNode::kPartitionRecordSize> record{};
  static_cast<const CFileSystemNode*>(root)->GetPartitionRecord(record.data());
  return record[kSharedPropertiesByte] != 0;
}

void MarkSharedProperties(CFileSystemNode* root) {
  std::array<std::uint8_t, CFileSystemNode::kPartitionRecordSize> record{};
  root->GetPartitionRecord(record.data());
  record[kSharedPropertiesByte] = 2;
  root->SetPartitionRecord(record.data());
}

CFileSystemNode* BuildDeletedFilesTree(CFileNode* searched, IFileFilter& filter) {
  CFileSystemNode* out = CreateFileSystemNode();
  auto properties = CreateRawFileProperties();
  properties->SetRawFileName("Deleted Files");
  properties->SetAttributes(kAttrFolder);
  out->SetProperties(std::move(properties));
  out->SetVolumeGeometry(0, 1);
  out->SetVolumeState(kVolumeUnknown);
  MarkSharedProperties(out);
  if (searched == nullptr) return out;
  if (searched->IsFileSystemNode()) {
    const auto* volume = static_cast<const CFileSystemNode*>(searched);
    out->SetName(volume->GetName());
    std::uint64_t base = 0;
    std::uint32_t sectorsPerCluster = 0;
    volume->GetVolumeGeometry(&base, &sectorsPerCluster);
    out->SetVolumeGeometry(base, sectorsPerCluster);
    out->SetVolumeState(volume->GetVolumeState());
  }

  // A walk with its own stack: damaged volumes give folder chains far
  // deeper than the thread's stack.
  struct Frame {
    CFileNode* source;
    CFileNode* copy;
    CFileNode* next;
    bool added;
  };
  std::vector<Frame> stack{{searched, out, searched->GetFirstChild(), false}};
  while (!stack.empty()) {
    Frame& top = stack.back();
    CFileNode* child = top.next;
    if (child == nullptr) {
      const Frame done = top;
      stack.pop_back();
      if (stack.empty()) break;
      Frame& parent = stack.back();
      if (done.added) {
        parent.copy->AddChild(done.copy);
        parent.added = true;
      } else {
        DeleteFileNode(done.copy);
      }
      continue;
    }
    top.next = child->GetNextSibling();
    IFileProperties* shared = child->GetProperties();
    if (child->GetFirstChild() != nullptr) {
      CFileNode* copy = CreateFileNode();
      copy->SetProperties(shared);
      stack.push_back({child, copy, child->GetFirstChild(), false});
      continue;
    }
    if (shared == nullptr || shared->IsFolder() || !filter.IsMatch(shared)) continue;
    CFileNode* copy = CreateFileNode();
    copy->SetProperties(shared);
    top.copy->AddChild(copy);
    top.added = true;
  }
  return out;
}

void FreeFileTree(CFileNode* root) {
  if (root == nullptr) return;
  if (!SharesProperties(root)) {
    DeleteFileTree(root);
    return;
  }
  delete root->GetProperties();
  root->SetProperties(static_cast<IFileProperties*>(nullptr));
  for (CFileNode* child = root->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
    delete child->GetProperties();
    child->SetProperties(static_cast<IFileProperties*>(nullptr));
  }
  ForEachInSubtreeChildrenFirst(root, [](CFileNode* node) {
    // The deeper properties belong to the tree they were shared from.
    node->SetProperties(static_cast<IFileProperties*>(nullptr));
  });
  DeleteFileTree(root);
}

} // namespace qm
