// The tree of found files: every scan engine hands its result to the rest
// of the program as one tree of nodes. A node stands for one file or
// folder and carries its IFileProperties; the root of each volume, found
// partition or carving result is a CFileSystemNode (file_system_node.h).
//
// Children form a singly linked list. The tree can be very deep (damaged
// file systems give chains of thousands of folders) and very large
// (millions of files), so every walk over it is iterative and a node keeps
// nothing but its links.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "filemodel/file_properties.h"
#include "filemodel/tree_object_pool.h"

class IRSData;

class CFileNode {
public:
  CFileNode() = default;
  CFileNode(const CFileNode&) = delete;
  CFileNode& operator=(const CFileNode&) = delete;
  // Clears the links only: a node's children and properties are released
  // by DeleteFileTree.
  virtual ~CFileNode();
  // Nodes come from the tree-object pool: a large volume has millions.
  static void* operator new(std::size_t bytes) { return qm::AllocateTreeObject(bytes); }
  static void operator delete(void* node, std::size_t bytes) noexcept { qm::FreeTreeObject(node, bytes); }

  // 0 for a plain node.
  virtual int IsFileSystemNode() const { return 0; }
  // The base sector and sectors per cluster of the nearest file-system node
  // above this one (the walk starts at the parent). Without one both are 0
  // and the result is 0.
  virtual int GetVolumeGeometry(std::uint64_t* baseSector, std::uint32_t* sectorsPerCluster) const;
  // The state (file-system type code) of the first file-system node met
  // walking up from this node itself; 7 (unknown) when there is none.
  virtual std::uint32_t GetVolumeState() const;
  // A plain node has no data of its own: both return 0 and transfer
  // nothing.
  virtual int Save(IRSData* stream) const;
  virtual int Load(IRSData* stream);

  // Makes child the first child (children stand in reverse order of
  // adding; the engines and the saved-tree reader rely on that). Returns
  // child.
  CFileNode* AddChild(CFileNode* child);
  // 1 when child was in this node's list and has been unlinked (its parent
  // and next sibling cleared); 0 otherwise, with nothing changed.
  int RemoveChild(CFileNode* child);

  CFileNode* GetParent() const { return parent_; }
  CFileNode* GetFirstChild() const { return firstChild_; }
  CFileNode* GetNextSibling() const { return nextSibling_; }
  // The tree owns the properties (DeleteFileTree destroys them); setting
  // new ones does not destroy the old.
  IFileProperties* GetProperties() const { return properties_; }
  void SetProperties(IFileProperties* properties) { properties_ = properties; }
  void SetProperties(std::unique_ptr<IFileProperties> properties) { properties_ = properties.release(); }
  // A pointer the owner of the tree may attach; the tree never reads it.
  void* GetUserData() const { return userData_; }
  void SetUserData(void* data) { userData_ = data; }

private:
  CFileNode* parent_ = nullptr;
  CFileNode* firstChild_ = nullptr;
  CFileNode* nextSibling_ = nullptr;
  IFileProperties* properties_ = nullptr;
  void* userData_ = nullptr;
};

class CFileSystemNode;

// A new node; the out-of-memory exception when memory is short.
CFileNode* CreateFileNode();
CFileSystemNode* CreateFileSystemNode();
// Destroy one node (not its children or properties); null is ignored.
void DeleteFileNode(CFileNode* node);
void DeleteFileSystemNode(CFileSystemNode* node);
void DeleteNodeChecked(CFileNode* node);

// Destroys a whole tree: every node below root and root itself, each with
// its properties. Null does nothing. root is not unlinked from a parent it
// may have; RemoveChild it first.
void DeleteFileTree(CFileNode* root);

// Calls visitor(node) for root and every node below it, breadth first (the
// root, then its children first child first, then theirs). The visitor may
// change properties but not links.
template <typename Visitor> void VisitTreeBreadthFirst(CFileNode* root, Visitor&& visitor) {
  if (root == nullptr) return;
  std::deque<CFileNode*> queue{root};
  while (!queue.empty()) {
    CFileNode* node = queue.front();
    queue.pop_front();
    visitor(node);
    for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
      queue.push_back(child);
  }
}

namespace qm {

// Calls visitor(node) for root and every node below it in depth-first
// pre-order, following the links alone: no memory, whatever the depth. For
// walks whose result does not depend on the order. The visitor may change
// properties but not links.
template <typename Visitor> void ForEachInSubtree(CFileNode* root, Visitor&& visitor) {
  CFileNode* node = root;
  while (node != nullptr) {
    visitor(node);
    if (CFileNode* child = node->GetFirstChild()) {
      node = child;
      continue;
    }
    while (node != root && node->GetNextSibling() == nullptr)
      node = node->GetParent();
    if (node == root) break;
    node = node->GetNextSibling();
  }
}

// Calls visitor(node) for every node below root and then root, each node
// after all of its children (post-order), following the links alone.
template <typename Visitor> void ForEachInSubtreeChildrenFirst(CFileNode* root, Visitor&& visitor) {
  if (root == nullptr) return;
  CFileNode* node = root;
  while (node->GetFirstChild() != nullptr)
    node = node->GetFirstChild();
  for (;;) {
    visitor(node);
    if (node == root) break;
    if (CFileNode* sibling = node->GetNextSibling()) {
      node = sibling;
      while (node->GetFirstChild() != nullptr)
        node = node->GetFirstChild();
    } else {
      node = node->GetParent();
    }
  }
}

} // namespace qm
