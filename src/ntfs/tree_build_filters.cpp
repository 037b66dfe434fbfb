#include "ntfs/tree_build_filters.h"

#include <cstring>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/file_type_map.h"

bool ExtensionFilter::Accepts(const char* name, std::uint8_t isFolder) const {
  if (name == nullptr || isFolder != 0) return true;
  if (!CFileTypeMap::GetInstance().HasExtensions()) return true;
  const char* dot = std::strrchr(name, '.');
  if (dot == nullptr) return false;
  return IsFileTypeInList(dot) != 0;
}

ExtensionFilter* GetExtensionFilter() {
  static ExtensionFilter filter; // holds no data: nothing to free at exit
  return &filter;
}

namespace {
bool IsFolderNode(const CFileNode* node) {
  const IFileProperties* properties = node->GetProperties();
  return properties != nullptr && properties->IsFolder();
}
} // namespace

void RemoveEmptyFolders(CFileNode* node) {
  if (node == nullptr || !IsFolderNode(node)) return;
  // Folders in pre-order (only folders are entered); walked backwards, every
  // folder comes after all the folders below it.
  std::vector<CFileNode*> folders;
  std::vector<CFileNode*> stack{node};
  while (!stack.empty()) {
    CFileNode* folder = stack.back();
    stack.pop_back();
    folders.push_back(folder);
    for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
      if (IsFolderNode(child)) stack.push_back(child);
  }
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    CFileNode* folder = *it;
    if (folder == node || folder->GetFirstChild() != nullptr) continue;
    folder->GetParent()->RemoveChild(folder);
    DeleteFileTree(folder);
  }
}

void RemoveEmptyFoldersNtfs(CFileNode* node) { RemoveEmptyFolders(node); }
