// Turns the files of a carving scan into the "Raw Files" subtree of the
// found-file tree: one folder per file type, files numbered per type, big
// types split into folders of 300. Records still without a length are
// measured here with their analyser; carved files that start in clusters
// owned by files of a file-system tree are left out, and so are files
// carved inside an archive listed before them and MP3 records inside an
// MP3 file (CarvedFileSpans, applied in BuildTree).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "filemodel/list_iterator.h"
#include "raw/raw_type_names.h"

class CFileNode;
class CRawFileCollection;
class CRawFileInfo;
class IDIRBuildCallback;
class IIsClusterUsed;
class IStorageDevice;

// The folder name of a type id: a description of the format, or "" for
// ids without one (the custom ids and ids out of range).
const char* RawTypeDescription(int typeId);

// The name of the count-th carved file of a type: the first name part
// taken from its metadata followed by the count, or "FILE" and the count,
// then the short type name as extension; at most 79 characters.
std::string MakeRawFileName(const std::string& extraName, int count, int typeId);

// Title of the build's progress step.
inline constexpr const char* kRawTreeBuildTitle = "Building RAW file tree.";
// Name of the subtree's root.
inline constexpr const char* kRawFilesRootName = "Raw Files";
// Files per type folder before the type is split into sub-folders.
inline constexpr int kRawFilesPerFolder = 300;

class CRawTreeBuilder {
public:
  CRawTreeBuilder();
  CRawTreeBuilder(const CRawTreeBuilder&) = delete;
  CRawTreeBuilder& operator=(const CRawTreeBuilder&) = delete;
  ~CRawTreeBuilder();

  // The "Raw Files" node (owned by the caller from then on), or null when
  // RAW recovery is off, the callback is null or a worker could not start.
  // used may be null (nothing is left out). With threaded set the build
  // runs on a worker while this thread pumps messages.
  CFileNode* Start(IStorageDevice* device, IIterator<CRawFileInfo*>* records, const IIsClusterUsed* used,
                   IDIRBuildCallback* callback, int threaded);

  // The build on the calling thread.
  CFileNode* BuildTree(IStorageDevice* device, IIterator<CRawFileInfo*>* records, const IIsClusterUsed* used,
                       IDIRBuildCallback* callback);

private:
  struct Entry;
  void MakeRoot();
  CFileNode* MakeTypeFolder(int type);
  // False when the file is not listed (photo recovery leaves it out).
  bool AddRawFile(const Entry& entry, std::uint32_t sectorSize);
  void Finish();

  bool rootMade_ = false;
  bool finished_ = false;
  CFileNode* root_ = nullptr;
  std::array<int, kRawTypeCount> counts_{};
  std::array<CFileNode*, kRawTypeCount> folders_{};
};

// What a file-system tree build does with the carved files of its scan:
// builds the "Raw Files" tree on the calling thread, leaving out files that
// start in clusters the volume's files use, and hangs it under root.
// Returns the hung node, or null when nothing was built (no records, RAW
// recovery off, no callback).
CFileNode* HangRawFilesTree(CFileNode* root, const IIsClusterUsed& used, CRawFileCollection* carved,
                            IStorageDevice* device, IDIRBuildCallback* callback);
