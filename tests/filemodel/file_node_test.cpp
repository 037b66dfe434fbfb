#include "filemodel/file_node.h"

#include <gtest/gtest.h>

#include <vector>

#include "filemodel/file_system_node.h"
#include "test_properties.h"

namespace {

using qm::test::AddFile;
using qm::test::TestProperties;

std::vector<CFileNode*> Children(const CFileNode* node) {
  std::vector<CFileNode*> out;
  for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    out.push_back(child);
  return out;
}

TEST(FileNode, AddChildPrependsAndRemoveChildUnlinks) {
  CFileNode* root = CreateFileNode();
  CFileNode* a = root->AddChild(CreateFileNode());
  CFileNode* b = root->AddChild(CreateFileNode());
  CFileNode* c = root->AddChild(CreateFileNode());
  EXPECT_EQ(Children(root), (std::vector<CFileNode*>{c, b, a}));
  EXPECT_EQ(a->GetParent(), root);

  CFileNode* stranger = CreateFileNode();
  EXPECT_EQ(root->RemoveChild(stranger), 0);
  EXPECT_EQ(root->RemoveChild(nullptr), 0);
  EXPECT_EQ(Children(root), (std::vector<CFileNode*>{c, b, a}));

  EXPECT_EQ(root->RemoveChild(b), 1); // from the middle
  EXPECT_EQ(Children(root), (std::vector<CFileNode*>{c, a}));
  EXPECT_EQ(b->GetParent(), nullptr);
  EXPECT_EQ(b->GetNextSibling(), nullptr);
  EXPECT_EQ(root->RemoveChild(c), 1); // the first
  EXPECT_EQ(root->RemoveChild(c), 0); // already gone
  EXPECT_EQ(Children(root), (std::vector<CFileNode*>{a}));

  DeleteFileTree(stranger);
  DeleteFileTree(b);
  DeleteFileTree(c);
  DeleteFileTree(root);
}

TEST(FileNode, GeometryAndStateComeFromTheNearestFileSystemNode) {
  CFileSystemNode* outer = CreateFileSystemNode();
  outer->SetVolumeGeometry(2048, 8);
  outer->SetVolumeState(qm::kVolumeNtfs);
  CFileNode* folder = outer->AddChild(CreateFileNode());
  CFileNode* file = folder->AddChild(CreateFileNode());
  CFileSystemNode* inner = CreateFileSystemNode();
  folder->AddChild(inner);
  inner->SetVolumeGeometry(99, 1);
  inner->SetVolumeState(qm::kVolumeFat32);
  CFileNode* innerFile = inner->AddChild(CreateFileNode());

  std::uint64_t base = 1;
  std::uint32_t perCluster = 1;
  EXPECT_EQ(file->GetVolumeGeometry(&base, &perCluster), 1);
  EXPECT_EQ(base, 2048u);
  EXPECT_EQ(perCluster, 8u);
  EXPECT_EQ(file->GetVolumeState(), qm::kVolumeNtfs);
  EXPECT_EQ(innerFile->GetVolumeGeometry(&base, &perCluster), 1);
  EXPECT_EQ(base, 99u);
  EXPECT_EQ(innerFile->GetVolumeState(), qm::kVolumeFat32);
  EXPECT_EQ(inner->GetVolumeState(), qm::kVolumeFat32);

  CFileNode* detached = CreateFileNode();
  EXPECT_EQ(detached->GetVolumeGeometry(&base, &perCluster), 0);
  EXPECT_EQ(base, 0u);
  EXPECT_EQ(perCluster, 0u);
  EXPECT_EQ(detached->GetVolumeState(), qm::kVolumeUnknown);
  CFileSystemNode* fresh = CreateFileSystemNode();
  EXPECT_EQ(fresh->GetVolumeState(), qm::kVolumeUnknown);
  DeleteFileSystemNode(fresh);

  DeleteFileTree(detached);
  DeleteFileTree(outer);
}

TEST(FileNode, DeletingOneNodeLeavesItsPropertiesAndChildren) {
  CFileNode* parent = CreateFileNode();
  CFileNode* child = AddFile(parent, 1);
  const int before = TestProperties::live;
  IFileProperties* properties = parent->GetProperties();
  EXPECT_EQ(properties, nullptr);
  parent->RemoveChild(child);
  DeleteNodeChecked(parent);
  DeleteFileNode(nullptr);
  EXPECT_EQ(TestProperties::live, before);
  DeleteFileTree(child);
  EXPECT_EQ(TestProperties::live, before - 1);
}

// A damaged file system can give folder chains of any depth: every walk
// must work without recursion. The sanitizer build also checks that the
// tree delete frees every node and property.
TEST(FileNode, WalksAndDeleteHandleVeryDeepTrees) {
  constexpr int kDepth = 200000;
  CFileNode* root = CreateFileNode();
  CFileNode* node = root;
  for (int i = 0; i < kDepth; ++i) {
    AddFile(node, 1); // a leaf beside each level
    node = AddFile(node, 0, 0, qm::kAttrFolder);
  }
  int preOrder = 0;
  qm::ForEachInSubtree(root, [&](CFileNode*) { ++preOrder; });
  int postOrder = 0;
  qm::ForEachInSubtreeChildrenFirst(root, [&](CFileNode*) { ++postOrder; });
  int breadthFirst = 0;
  VisitTreeBreadthFirst(root, [&](CFileNode*) { ++breadthFirst; });
  EXPECT_EQ(preOrder, 2 * kDepth + 1);
  EXPECT_EQ(postOrder, 2 * kDepth + 1);
  EXPECT_EQ(breadthFirst, 2 * kDepth + 1);
  const int before = TestProperties::live;
  DeleteFileTree(root);
  EXPECT_EQ(TestProperties::live, before - 2 * kDepth);
  DeleteFileTree(nullptr);
}

TEST(FileNode, WalkOrders) {
  //        r
  //     c  b  a      (added a, b, c)
  //    y x           (x, y under c)
  CFileNode* r = CreateFileNode();
  CFileNode* a = r->AddChild(CreateFileNode());
  CFileNode* b = r->AddChild(CreateFileNode());
  CFileNode* c = r->AddChild(CreateFileNode());
  CFileNode* x = c->AddChild(CreateFileNode());
  CFileNode* y = c->AddChild(CreateFileNode());
  std::vector<CFileNode*> order;
  VisitTreeBreadthFirst(r, [&](CFileNode* n) { order.push_back(n); });
  EXPECT_EQ(order, (std::vector<CFileNode*>{r, c, b, a, y, x}));
  order.clear();
  qm::ForEachInSubtree(r, [&](CFileNode* n) { order.push_back(n); });
  EXPECT_EQ(order, (std::vector<CFileNode*>{r, c, y, x, b, a}));
  order.clear();
  qm::ForEachInSubtreeChildrenFirst(r, [&](CFileNode* n) { order.push_back(n); });
  EXPECT_EQ(order, (std::vector<CFileNode*>{y, x, c, b, a, r}));
  order.clear();
  // A subtree walk stays inside the subtree.
  qm::ForEachInSubtree(c, [&](CFileNode* n) { order.push_back(n); });
  EXPECT_EQ(order, (std::vector<CFileNode*>{c, y, x}));
  order.clear();
  qm::ForEachInSubtreeChildrenFirst(b, [&](CFileNode* n) { order.push_back(n); });
  EXPECT_EQ(order, (std::vector<CFileNode*>{b}));
  DeleteFileTree(r);
}

} // namespace
