// After an EXT2 or EXT3 tree is built: the deleted files whose blocks now
// belong to another file are marked damaged. A deleted inode keeps its
// block map, but its blocks went back to the free pool; when a group's
// block bitmap shows one of them in use, a later file holds it. And of
// deleted files that claim the same blocks, only the one whose inode
// changed last can still hold its own bytes.
#pragma once

class CExt2FileSystem;
class CFileNode;

// Marks the files (they stay in the tree and can still be saved) and logs
// how many.
void MarkReusedDeletedFiles(CFileNode* root, CExt2FileSystem& fileSystem);
