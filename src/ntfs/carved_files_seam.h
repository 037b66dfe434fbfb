// How the tree builds of the file systems (NTFS lost-partition build, FAT
// complete build, EXT2 build with carving) get the carved files of their
// scan. The carving engine sits above these engines, so they cannot call it:
// each build marks the clusters its files use and calls
// AddCarvedFilesInUnusedClusters, which passes the call on to a hook that
// the carving engine installs (qm::RegisterCarvedFilesTree in
// raw/carved_files_hook.h, called at start-up and by every carving search
// controller made). Without a hook nothing is added; without carved files
// there is nothing to add either, so a scan that never carved is unaffected.
#pragma once

class CFileNode;
class CRawFileCollection;
class IDIRBuildCallback;
class IIsClusterUsed;
class IStorageDevice;

// Builds the "Raw Files" tree of the carved files that start in clusters
// the volume does not use and hangs it under root; returns the node hung,
// or null. Runs on the calling (tree-build worker) thread.
using CarvedFilesTreeHook = CFileNode* (*)(CFileNode* root, const IIsClusterUsed& used,
                                           CRawFileCollection* carved, IStorageDevice* device,
                                           IDIRBuildCallback* callback);

namespace qm {

// Installs the hook (null removes it). Safe from any thread; a build that
// already runs keeps the hook it took.
void SetCarvedFilesTreeHook(CarvedFilesTreeHook hook);
CarvedFilesTreeHook GetCarvedFilesTreeHook();

} // namespace qm

// What a tree build calls once its files are linked and their clusters
// marked in used: the carved files of the collection that start in unused
// clusters go under root, through the installed hook. Null (nothing added)
// when there is no hook, no collection or no root.
CFileNode* AddCarvedFilesInUnusedClusters(CFileNode* root, const IIsClusterUsed& used,
                                          CRawFileCollection* carved, IStorageDevice* device,
                                          IDIRBuildCallback* callback);
