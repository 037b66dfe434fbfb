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
#include "filemodel/file_properties.h"
#include "filemodel/packed_data_run_list.h"

// The extents of an EXT2 file: runs of (first block, block count) in
// file-system blocks; the tree's root carries the sector of block 0 and
// the sectors per block. A run that starts at block 0 is a hole.
class CExt2DataRunList : public IDataRunList {
public:
  std::uint32_t GetKind() const override { return qm::kRunListExt2; }
};

class CExt2FileProperties : public IFileProperties {
public:
  static constexpr std::uint8_t kStateDeleted = 1;
  static constexpr std::uint8_t kStateDamaged = qm::kStateDamaged;
  // Names are saved with a 16-bit length; longer ones are cut.
  static constexpr std::size_t kMaxNameBytes = 0xFFFF;

  std::uint32_t GetNameLength() const override { return static_cast<std::uint32_t>(name_.size()); }
  // A null text leaves no name.
  void SetName(const char* name) override;
  const char* GetName() const override { return name_.c_str(); }
  std::uint64_t GetSize() const override { return size_; }
  std::uint16_t GetAttributes() const override { return attributes_; }
  const char* GetDescription() const override { return ""; }
  qm::FileTime* GetCreationTime(qm::FileTime* out) const override;
  qm::FileTime* GetLastWriteTime(qm::FileTime* out) const override;
  qm::FileTime* GetLastAccessTime(qm::FileTime* out) const override;
  std::uint16_t GetState() const override { return state_; }
  std::uint8_t GetCheckState() const override { return checkState_; }
  void SetCheckState(std::uint8_t state) override { checkState_ = state; }
  // A new list unpacked from the packed extents; null when there are none.
  std::unique_ptr<IDataRunList> GetDataRunList() const override;
  std::uint32_t GetValidFields() const override { return qm::kValidAll; }
  std::uint32_t GetExtraValue() const override { return extraValue_; }
  // Stores 0 or 1 (any non-zero value is 1); returns the previous value.
  std::uint32_t SetExtraValue(std::uint32_t value) override;
  int Save(IRSData* stream) const override;
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesExt2; }
  // Reads what Save wrote. A stream error is passed on and leaves the
  // object as it was.
  int Load(IRSData* stream) override;

  void SetSize(std::uint64_t size) { size_ = size; }
  void SetAttributes(std::uint16_t attributes) { attributes_ = attributes; }
  void SetState(std::uint8_t state) { state_ = state; }
  void SetCreationTime(qm::FileTime time) { creationTime_ = time; }
  void SetLastWriteTime(qm::FileTime time) { lastWriteTime_ = time; }
  void SetLastAccessTime(qm::FileTime time) { lastAccessTime_ = time; }
  std::uint32_t GetInodeNumber() const { return inodeNumber_; }
  void SetInodeNumber(std::uint32_t inode) { inodeNumber_ = inode; }

  // Packs a non-null list (an empty one leaves no extents).
  void SetDataRunList(const IDataRunList* list);
  bool HasExtents() const { return packed_ != nullptr; }

  // The name this directory listed for an inode not reached yet; a later
  // name for the same inode replaces it.
  void StoreChildName(std::uint32_t inode, std::string name);
  // Returns and forgets the name stored for inode; empty when there is
  // none. The map goes once it is empty.
  std::string TakeChildName(std::uint32_t inode);
  std::size_t ChildNameCount() const { return childNames_ ? childNames_->size() : 0; }

private:
  std::string name_;
  std::uint64_t size_ = 0;
  std::uint16_t attributes_ = 0;
  qm::FileTime creationTime_ = 0;
  qm::FileTime lastWriteTime_ = 0;
  qm::FileTime lastAccessTime_ = 0;
  std::uint8_t state_ = 0;
  std::uint8_t checkState_ = 0;
  std::uint8_t extraValue_ = 0;
  std::unique_ptr<CPackedDataRunList> packed_;
  std::unique_ptr<std::map<std::uint32_t, std::string>> childNames_;
  std::uint32_t inodeNumber_ = 0;
};

// A new, empty object.
std::unique_ptr<CExt2FileProperties> CreateExt2FileProperties();

namespace qm::ext2 {
// An inode time (seconds since 1970, signed; negative taken as 0) as the
// FILETIME of its local wall-clock time, as the program shows every time.
FileTime InodeTimeToFileTime(std::int32_t seconds);
} // namespace qm::ext2
