// What a FAT tree keeps about one found file or folder: the facts of its
// 32-byte directory entry, its first cluster and its parent directory's,
// and its extents in packed form.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "filemodel/data_run_list.h"
#include "filemodel/file_properties.h"
#include "filemodel/packed_data_run_list.h"

// The extents of a FAT file while its tree is built: runs of (cluster - 2,
// cluster count), so that a run's first sector is the data area's first
// sector + start x sectors per cluster. Packed and unpacked again they come
// back as an NTFS non-resident list with the same values.
class CFATDataRunList : public IDataRunList {
public:
  std::uint32_t GetKind() const override { return qm::kRunListFat; }
};

namespace qm {
// DOS date (day 0-4, month 5-8, years since 1980 9-15) and time (seconds / 2
// 0-4, minutes 5-10, hours 11-15) as a FILETIME, taken as they stand (no
// time-zone change). False, and out untouched, for a value that names no
// real moment (month 0, 31 April, 24:00, 60 seconds ...).
bool DosDateTimeToFileTime(std::uint16_t date, std::uint16_t time, FileTime* out);
} // namespace qm

class CFATFileProperties : public IFileProperties {
public:
  // State values the FAT trees give.
  static constexpr std::uint8_t kStateLive = 0;
  static constexpr std::uint8_t kStateDeleted = 1;
  static constexpr std::uint8_t kStateSynthetic = 9; // a folder the build made up
  // The first / parent cluster of the tree's root and "Lost Folders".
  static constexpr std::uint32_t kNoCluster = 0xFFFFFFFF;
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
  // Keeps the low byte; returns 1.
  std::uint32_t SetExtraValue(std::uint32_t value) override;
  int Save(IRSData* stream) const override;
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesFat; }
  // Reads what Save wrote. A stream error is passed on and leaves the
  // object as it was.
  int Load(IRSData* stream) override;

  void SetSize(std::uint64_t size) { size_ = size; }
  void SetAttributes(std::uint16_t attributes) { attributes_ = attributes; }
  void SetState(std::uint8_t state) { state_ = state; }
  void SetFirstCluster(std::uint32_t cluster) { firstCluster_ = cluster; }
  void SetParentCluster(std::uint32_t cluster) { parentCluster_ = cluster; }
  std::uint32_t GetFirstCluster() const { return firstCluster_; }
  std::uint32_t GetParentCluster() const { return parentCluster_; }
  const std::string& GetSecondText() const { return secondText_; }

  // Each sets the time to 0 when the DOS values name no real moment.
  void SetCreationTime(std::uint16_t dosDate, std::uint16_t dosTime);
  void SetLastWriteTime(std::uint16_t dosDate, std::uint16_t dosTime);
  void SetLastAccessDate(std::uint16_t dosDate);
  void ClearCreationTime() { creationTime_ = 0; }
  void ClearLastWriteTime() { lastWriteTime_ = 0; }
  void ClearLastAccessTime() { lastAccessTime_ = 0; }

  // Packs a non-null list (an empty one leaves no extents) and destroys it.
  void SetDataRunList(std::unique_ptr<IDataRunList> list);
  bool HasExtents() const { return packed_ != nullptr; }

private:
  std::string name_;
  std::string secondText_;
  std::uint64_t size_ = 0;
  std::uint16_t attributes_ = 0;
  qm::FileTime creationTime_ = 0;
  qm::FileTime lastWriteTime_ = 0;
  qm::FileTime lastAccessTime_ = 0;
  std::uint8_t state_ = 0;
  std::uint8_t checkState_ = 0;
  std::uint8_t extraValue_ = 0;
  std::uint32_t firstCluster_ = 0;
  std::uint32_t parentCluster_ = 0;
  std::unique_ptr<CPackedDataRunList> packed_;
};

// A new, empty object.
std::unique_ptr<CFATFileProperties> CreateFatFileProperties();
