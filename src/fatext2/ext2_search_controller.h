// The EXT2 deep scan. While the intelligent search sweeps a device, it
// recognises EXT2 and EXT3 super blocks (primary copies and backups),
// collects the group descriptor table that follows each one, and keeps
// every copy whose table checks out. At the end it merges the copies of
// one file system, scores them and hands them out; later it builds the
// tree of a chosen one.
//
// The sweep works on the device's 512-byte sectors. A super block copy at
// sector a is looked at once sectors a to a + 7 have been seen (seven
// sectors are carried from one block to the next, so consecutive blocks
// are swept as one stream). Volumes with the 64-bit or meta_bg features lay
// out their descriptors differently; they are refused with a log line.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "fatext2/sweep_sectors.h"
#include "ntfs/search_controller.h"
#include "platform/byte_view.h"

class CExt2SearchedPartitionInfo;

namespace qm::ext2 {
inline constexpr std::size_t kIncompatFeatures = 0x60; // u32
inline constexpr std::uint32_t kIncompatMetaBg = 0x10;
inline constexpr std::uint32_t kIncompatExtents = 0x40;
inline constexpr std::uint32_t kIncompat64Bit = 0x80;
} // namespace qm::ext2

class CEXT2SearchController : public IFileSystemSearchController {
public:
  static constexpr std::uint32_t kWindowSectors = 8;

  CEXT2SearchController();
  ~CEXT2SearchController() override;
  CEXT2SearchController(const CEXT2SearchController&) = delete;
  CEXT2SearchController& operator=(const CEXT2SearchController&) = delete;

  void SetDevice(IStorageDevice* device) override;
  // The ratio of the device's sector size to 512, or 0 without a view.
  std::uint32_t GetSectorRatio() const { return ratio_; }
  void SetSectorsPerBlock(std::uint32_t sectors) override { sectorsPerBlock_ = sectors; }
  int PrepareSearch() override;
  void EndSearch() override;
  int AnalyzeBlock(std::uint64_t first, std::uint64_t count, SearchStatistics* statistics) override;
  void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions) override;
  void SetRawFileCollection(CRawFileCollection* collection) override { rawFiles_ = collection; }
  int Save(IRSData*) override { return 1; }
  int Load(IRSData*) override { return 1; }
  int GetKind() override { return kExt2SearchController; }
  CFileNode* BuildTree(CSearchedPartitionInfo* partition, IStorageDevice* device, int ordinal,
                       IDIRBuildCallback* callback) override;
  int AcceptsPartitionType(int typeCode) override { return typeCode == 4 || typeCode == 5 ? 1 : 0; }

  // Feeds 512-byte sectors of the stream (exposed for tests).
  void AnalyzeSectors(const std::uint8_t* data, std::uint64_t sectors);
  std::size_t GetFoundCount() const { return found_.size(); }

private:
  // Looks at the window that starts at 512-byte sector `at`.
  void AnalyzeWindow(std::uint64_t at, const std::uint8_t* window);
  void AddFound(std::unique_ptr<CExt2SearchedPartitionInfo> record);
  bool ReloadFromDevice(CExt2SearchedPartitionInfo& record, IStorageDevice* view) const;

  IStorageDevice* view_ = nullptr;
  std::uint32_t ratio_ = 0;
  std::uint32_t sectorsPerBlock_ = 0;
  CRawFileCollection* rawFiles_ = nullptr;
  CSweepSectorSource source_;
  // The last sectors of the stream so far, at most kWindowSectors - 1.
  std::array<std::uint8_t, (kWindowSectors - 1) * 512> carry_{};
  std::uint32_t carried_ = 0;
  // The 512-byte sector that the next streamed sector has.
  std::uint64_t next_ = 0;
  std::vector<std::unique_ptr<CExt2SearchedPartitionInfo>> found_;
  std::unique_ptr<CExt2SearchedPartitionInfo> pending_;
};
