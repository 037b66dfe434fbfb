#include "filemodel/file_node.h"

#include "filemodel/file_system_node.h"

CFileNode::~CFileNode() {
  parent_ = nullptr;
  firstChild_ = nullptr;
  nextSibling_ = nullptr;
  properties_ = nullptr;
  userData_ = nullptr;
}

int CFileNode::GetVolumeGeometry(std::uint64_t* baseSector, std::uint32_t* sectorsPerCluster) const {
  for (const CFileNode* node = parent_; node != nullptr; node = node->parent_) {
    if (node->IsFileSystemNode()) return node->GetVolumeGeometry(baseSector, sectorsPerCluster);
  }
  if (baseSector != nullptr) *baseSector = 0;
  if (sectorsPerCluster != nullptr) *sectorsPerCluster = 0;
  return 0;
}

std::uint32_t CFileNode::GetVolumeState() const {
  // A file-system node answers for itself (it overrides this), so the walk
  // looks at the ancestors.
  for (const CFileNode* node = parent_; node != nullptr; node = node->parent_) {
    if (node->IsFileSystemNode()) return node->GetVolumeState();
  }
  return qm::kVolumeUnknown;
}

int CFileNode::Save(IRSData*) const { return 0; }
int CFileNode::Load(IRSData*) { return 0; }

CFileNode* CFileNode::AddChild(CFileNode* child) {
  if (child == nullptr) return nullptr;
  child->parent_ = this;
  child->nextSibling_ = firstChild_;
  firstChild_ = child;
  return child;
}

int CFileNode::RemoveChild(CFileNode* child) {
  if (child == nullptr) return 0;
  CFileNode** link = &firstChild_;
  while (*link != nullptr && *link != child)
    link = &(*link)->nextSibling_;
  if (*link == nullptr) return 0;
  *link = child->nextSibling_;
  child->parent_ = nullptr;
  child->nextSibling_ = nullptr;
  return 1;
}

CFileNode* CreateFileNode() { return new CFileNode(); }
CFileSystemNode* CreateFileSystemNode() { return new CFileSystemNode(); }

void DeleteFileNode(CFileNode* node) { delete node; }
void DeleteFileSystemNode(CFileSystemNode* node) { delete node; }
void DeleteNodeChecked(CFileNode* node) { delete node; }

void DeleteFileTree(CFileNode* root) {
  if (root == nullptr) return;
  // Always take the leftmost leaf: it is its parent's first child, so
  // unlinking it is one store, and the walk needs no memory of its own
  // however deep the tree is.
  CFileNode* node = root;
  for (;;) {
    while (node->GetFirstChild() != nullptr)
      node = node->GetFirstChild();
    if (node == root) break;
    CFileNode* parent = node->GetParent();
    parent->RemoveChild(node); // the first child: O(1)
    delete node->GetProperties();
    delete node;
    node = parent;
  }
  delete root->GetProperties();
  delete root;
}
