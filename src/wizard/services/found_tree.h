// The trees the wizard hands to the file-select step: the "Root" node the
// roads hang their results under, the "Deleted Files" tree of the
// deleted-file road (a copy of the searched tree that shares its files'
// properties), and freeing either kind of tree.
#pragma once

class CFileNode;
class CFileSystemNode;
class IFileFilter;

namespace qm {

// Byte 4 of a root's partition record: non-zero when the nodes below the
// root's children share their properties with another tree.
inline constexpr int kSharedPropertiesByte = 4;

// A new file-system node named "Root" (a folder).
CFileSystemNode* MakeRootNode();

// The folders and files of the searched tree that the filter accepts, under
// a new "Deleted Files" root: a folder is kept only when something below it
// is; a folder without children is never copied. The nodes are new, their
// properties are the searched tree's. Never null.
CFileSystemNode* BuildDeletedFilesTree(CFileNode* searched, IFileFilter& filter);

// Whether the tree's lower nodes share properties with another tree.
bool SharesProperties(const CFileNode* root);
// Marks a root as one whose lower nodes share properties.
void MarkSharedProperties(CFileSystemNode* root);

// Frees a tree: every node with its properties, or for a tree that shares
// properties only those of the root and of its direct children, then every
// node. Null does nothing.
void FreeFileTree(CFileNode* root);

} // namespace qm
