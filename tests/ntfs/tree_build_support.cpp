#include "tree_build_support.h"

#include <utility>

#include "filemodel/file_node.h"

namespace qm::test {

TreePaths CollectPaths(CFileNode* root) {
  TreePaths paths;
  std::vector<std::pair<CFileNode*, std::string>> stack{{root, ""}};
  while (!stack.empty()) {
    auto [node, prefix] = std::move(stack.back());
    stack.pop_back();
    for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
      ++paths.nodes;
      const char* name = child->GetProperties() != nullptr ? child->GetProperties()->GetName() : "?";
      std::string path = prefix.empty() ? std::string(name) : prefix + "/" + name;
      if (!paths.byPath.emplace(path, child).second) ++paths.duplicates;
      stack.emplace_back(child, std::move(path));
    }
  }
  return paths;
}

std::map<std::string, bool> TakeDeletedFileMarks(CFileNode* root) {
  std::map<std::string, bool> marks;
  if (root == nullptr) return marks;
  ForEachInSubtree(root, [&](CFileNode* node) {
    const IFileProperties* properties = node->GetProperties();
    if (node == root || properties == nullptr || properties->IsFolder() ||
        (properties->GetState() & kStateDeleted) == 0)
      return;
    marks[properties->GetName()] = (properties->GetState() & kStateDamaged) != 0;
  });
  DeleteFileTree(root);
  return marks;
}

} // namespace qm::test
