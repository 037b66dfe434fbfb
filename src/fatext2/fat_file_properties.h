// What a FAT tree keeps about one found file or folder: the facts of its
// 32-byte directory entry, its first cluster and its parent directory's,
// and its extents in packed form.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "filemodel/data_run_list.h"
#include "filemodel/file_properties_base.h"
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

class CFATFileProperties : public CFilePropertiesBase {
public:
  // State values the FAT trees give.
  static constexpr std::uint8_t kStateLive = 0;
  static constexpr std::uint8_t kStateDeleted = 1;
  static constexpr std::uint8_t kStateSynthetic = 9; // a folder the build made up
  // The first / parent cluster of the tree's root and "Lost Folders".
  static constexpr std::uint32_t kNoCluster = 0xFFFFFFFF;

  // u16 name length, u16 second-text length, both texts, size, attributes,
  // three times, state, first and parent cluster, u32 1 and the packed
  // extents or u32 0.
  int Save(IRSData* stream) const override;
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesFat; }
  // Reads what Save wrote. 0 for damaged extents; a stream error is passed
  // on; either way the object stays as it was.
  int Load(IRSData* stream) override;

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
  void SetDataRunList(std::unique_ptr<IDataRunList> list) { PackExtents(list.get()); }

private:
  std::uint32_t firstCluster_ = 0;
  std::uint32_t parentCluster_ = 0;
  std::string secondText_;
};

// A new, empty object.
std::unique_ptr<CFATFileProperties> CreateFatFileProperties();
