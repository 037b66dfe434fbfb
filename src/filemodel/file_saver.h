// Copying found files out of the scanned device into a folder the user
// chose: every checked file of a tree (keeping its folders), or one file to
// a given path. Each file's extents are read from the device and written
// with its name, attributes and times; NTFS-compressed data is
// decompressed; progress and cancel travel through IFileRecoverCallback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CFileNode;
class IFileRecoverCallback;
class IStorageDevice;

namespace qm {

// Result codes of a save step.
enum SaveCode : std::uint32_t { kSaveDone = 0, kSaveFailed = 1, kSaveCancelled = 2 };

// What a tree job did: the files it set out to save, how many of them
// could not be recovered (or only in part), and whether it was stopped.
struct SaveSummary {
  std::uint64_t files = 0;
  std::uint64_t failed = 0;
  bool stopped = false;
};

// One job's context. The geometry is refreshed from each file's node.
struct SaveContext {
  IFileRecoverCallback* callback = nullptr; // may be null
  IStorageDevice* device = nullptr;
  std::uint64_t baseSector = 0;
  std::uint32_t sectorsPerCluster = 0;
  // Set once the file being saved is whole (its data, times and
  // attributes written), so that a cancel after that point keeps it.
  bool fileComplete = false;
};

// The device a job reads for a node: EXT2 and EXT3 trees are read through
// the 512-byte view of the device.
IStorageDevice* DeviceForNode(IStorageDevice* device, CFileNode* node);

} // namespace qm

// The result of the last tree job (0 done, 1 some files failed, 2
// cancelled) and its counts.
class SaveResult {
public:
  static std::uint32_t GetCode();
  static qm::SaveSummary GetSummary();
  static void Reset();
  static void Set(std::uint32_t code);
  static void Set(std::uint32_t code, const qm::SaveSummary& summary);
};

// Saves one file node to targetPath: 0 done, 1 failed, 2 cancelled. A file
// whose device reads failed, or whose compressed units do not decode, is
// still written whole (those parts as zeros) but reported as failed; so is
// a damaged one (its extents end before its size), written as far as its
// extents go. Holes are left as holes on the target.
std::uint32_t SaveOneFile(qm::SaveContext& context, CFileNode* node, const std::string& targetPath);
// The same into fd, the new, empty file made for it at targetPath, open
// for writing; it stays open, and times and attributes are set on it.
std::uint32_t SaveOneFile(qm::SaveContext& context, CFileNode* node, const std::string& targetPath, int fd);

// Saves the checked children of node into currentFolder (empty when that
// folder could not be made: files then land in baseFolder). Folders are
// made as the tree has them. Each file that fails is logged with its path
// in the tree. Returns 2 when cancelled, 1 when some file failed, else 0;
// the counts are added to summary when given.
std::uint32_t SaveFolderContents(qm::SaveContext& context, const std::string& baseFolder, CFileNode* node,
                                 const std::string& currentFolder, qm::SaveSummary* summary = nullptr);

// The all-checked job: makes targetFolder, then a folder named after the
// root, and saves the checked tree into it. The folder made is written to
// createdFolder when given. Returns the job's code as SaveFolderContents
// does (0 also when nothing is checked).
std::uint32_t SaveCheckedTree(qm::SaveContext& context, CFileNode* root, const std::string& targetFolder,
                              std::string* createdFolder, qm::SaveSummary* summary = nullptr);

// Runs SaveCheckedTree on a worker thread while the calling thread pumps
// messages; the code and the counts are then in SaveResult. 0 when the
// root is not checked at all or the thread could not start, else 1.
// createdFolder (size bytes) receives the created folder's path,
// terminated and cut to fit.
int StartSaveFiles(IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* root,
                   const char* targetFolder, char* createdFolder, std::size_t createdFolderSize);

// Saves one node to targetPath under the node's own lock, so that two saves
// of the same node wait for each other. 1 when saved.
int SaveSingleFileJob(IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* node,
                      const std::string& targetPath);

// SaveSingleFileJob on the calling thread when dialog is null, else on a
// worker thread while the calling thread pumps messages. 1 when saved.
int StartSaveSelectedFiles(IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* node,
                           const char* targetPath, void* dialog);
