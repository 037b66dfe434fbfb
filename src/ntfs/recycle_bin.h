// Files deleted through the recycle bin keep their data in "$R..." files
// and their original path in the paired "$I..." info file. While a tree
// build adds the children of a recycle-bin folder it pairs the two and
// gives the data file its name from before the deletion, read through a
// small reader of a found file's bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "filemodel/data_run_list.h"
#include "storage/storage_device.h"

class CFileNode;

// Reads a found file's bytes by offset through its run list.
class CFileContentReader {
public:
  CFileContentReader() = default;
  ~CFileContentReader();
  CFileContentReader(const CFileContentReader&) = delete;
  CFileContentReader& operator=(const CFileContentReader&) = delete;

  // 1 when the node has a volume geometry, a non-zero cluster size and
  // size, and a run list; 0 otherwise.
  int Open(IStorageDevice* device, CFileNode* node);
  void Close();

  // Reads up to n bytes at offset (cut to the file's size). 1 with the
  // count, also when the reading ended early because no run holds a cluster,
  // a run lies off the device or a read failed after some bytes came; 0
  // when the offset is at or past the size or nothing could be read.
  int ReadAt(std::uint64_t offset, void* buffer, std::uint64_t n, std::uint64_t* count);

private:
  bool ReadCluster(std::uint64_t fileCluster);

  IStorageDevice* device_ = nullptr;
  std::unique_ptr<IDataRunList> runs_;
  std::uint64_t clusterBytes_ = 0;
  std::uint32_t sectorsPerCluster_ = 0;
  std::uint64_t baseSector_ = 0;
  std::uint64_t size_ = 0;
  std::vector<std::uint8_t> buffer_; // eight clusters; the first holds the cluster read last
  std::uint64_t bufferedCluster_ = ~std::uint64_t{0};
  std::vector<std::uint8_t> resident_;
  bool isResident_ = false;
};

bool IsRecycleBinFolder(const CFileNode* node);
bool IsInRecycleBin(const CFileNode* node);
bool IsRecycleBinInfoFile(const CFileNode* node);
// The pending node whose name matches node's with the other of "$I" / "$R"
// (ignoring case), taken out of the list; without one, node joins the list
// and the result is null.
CFileNode* FindRecycleBinPartner(std::vector<CFileNode*>& pending, CFileNode* node);
// Gives the data node the file name recorded in the info node (the text
// after the last backslash of a drive path). Leaves the name when anything
// is missing. 1 when the name was set.
int ReadRecycleBinOriginalName(IStorageDevice* device, CFileNode* dataNode, CFileNode* infoNode);
