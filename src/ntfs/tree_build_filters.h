// Helpers that the NTFS, FAT and EXT2 tree builds share: the file-type
// filter asked about every name a build meets, and the pruning of folders
// that ended up without files (photo recovery keeps media files only).
#pragma once

#include <cstdint>

class CFileNode;

// The user's choice of file types, as the tree builds ask it. Holds no data
// of its own: the process-wide file-type map decides.
class ExtensionFilter {
public:
  // True for a null name, a folder, or when no file type was chosen;
  // otherwise the text from the last '.' on must be a chosen type, and a
  // name without a '.' is refused.
  bool Accepts(const char* name, std::uint8_t isFolder) const;
};

// The one filter of the process, made on first use and never freed.
ExtensionFilter* GetExtensionFilter();

// Removes and deletes (with their properties) the folders below node that
// have no children, deepest first, so that a chain of folders that only
// held each other goes as a whole. Nothing for a node without properties
// or one that is no folder; the node itself stays.
void RemoveEmptyFolders(CFileNode* node);
void RemoveEmptyFoldersNtfs(CFileNode* node);
