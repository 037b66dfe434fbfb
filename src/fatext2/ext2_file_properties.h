// What an EXT2 or EXT3 tree keeps about one found file or folder: the
// inode's name, size, attributes, times, deleted state and block extents,
// and while the tree is built the names a directory gave inodes that the
// walk had not reached yet.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "filemodel/data_run_list.h"
#include "filemodel/file_properties_base.h"
#include "filemodel/packed_data_run_list.h"

// The extents of an EXT2 file: runs of (first block, block count) in
// file-system blocks; the tree's root carries the sector of block 0 and
// the sectors per block. A run that starts at block 0 is a hole.
class CExt2DataRunList : public IDataRunList {
public:
  std::uint32_t GetKind() const override { return qm::kRunListExt2; }
};

class CExt2FileProperties : public CFilePropertiesBase {
public:
  static constexpr std::uint8_t kStateDeleted = 1;
  static constexpr std::uint8_t kStateDamaged = qm::kStateDamaged;

  // Stores 0 or 1 (any non-zero value is 1); returns the previous value.
  std::uint32_t SetExtraValue(std::uint32_t value) override;
  // u16 name length, the name, size, attributes, three times, state, u32 1
  // and the packed extents or u32 0.
  int Save(IRSData* stream) const override;
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesExt2; }
  // Reads what Save wrote. 0 for damaged extents; a stream error is passed
  // on; either way the object stays as it was.
  int Load(IRSData* stream) override;

  std::uint32_t GetInodeNumber() const { return inodeNumber_; }
  void SetInodeNumber(std::uint32_t inode) { inodeNumber_ = inode; }
  // The inode's change time as it stands (seconds since 1970, unsigned):
  // it orders deleted files that claim the same blocks, and unlike the
  // shown times it has no local-time folds. Kept in memory only.
  std::uint32_t GetChangeSeconds() const { return changeSeconds_; }
  void SetChangeSeconds(std::uint32_t seconds) { changeSeconds_ = seconds; }

  // Packs a non-null list (an empty one leaves no extents).
  void SetDataRunList(const IDataRunList* list) { PackExtents(list); }

  // The name this directory listed for an inode not reached yet; a later
  // name for the same inode replaces it.
  void StoreChildName(std::uint32_t inode, std::string name);
  // Returns and forgets the name stored for inode; empty when there is
  // none. The map goes once it is empty.
  std::string TakeChildName(std::uint32_t inode);
  std::size_t ChildNameCount() const { return childNames_ ? childNames_->size() : 0; }

private:
  std::uint32_t inodeNumber_ = 0;
  std::uint32_t changeSeconds_ = 0;
  std::unique_ptr<std::map<std::uint32_t, std::string>> childNames_;
};

// A new, empty object.
std::unique_ptr<CExt2FileProperties> CreateExt2FileProperties();

namespace qm::ext2 {
// An inode time (seconds since 1970, signed; negative taken as 0) as the
// FILETIME of its local wall-clock time, as the program shows every time.
FileTime InodeTimeToFileTime(std::int32_t seconds);
} // namespace qm::ext2
