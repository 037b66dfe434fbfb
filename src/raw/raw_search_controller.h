// The carving member of the deep-scan controllers: every sector of every
// block the sweep shows it is tested against the chosen file-type
// analysers; a match becomes a record of the scan's carved-file collection.
// A file whose header gives no length is measured 20 blocks later, when
// the ring of the last 20 blocks holds its first 80 MiB (with 4 MiB
// blocks) in memory; files found in the last 20 blocks are measured by the
// result tree instead.
//
// Per sector: a sector whose first 32-bit word is 0 costs one compare;
// otherwise only the analysers whose prefilter the sector passes are asked
// (CRawSectorDispatch), and one spare record is reused until a match takes
// it, so sectors without a match allocate nothing. A block is read once:
// from the read-ahead cache's current block in place (copied once into its
// ring slot), or else straight into its ring slot.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>

#include "filemodel/raw_file_info.h"
#include "ntfs/search_controller.h"
#include "raw/buffer_storage_device.h"
#include "raw/raw_sector_dispatch.h"

class CStorageDeviceWithCache;

class CRAWSearchController : public IFileSystemSearchController {
public:
  // Blocks kept in memory for the length finders.
  static constexpr std::int32_t kRingBlocks = 20;

  // Also installs the hook through which the file-system tree builds get
  // the carved files (qm::RegisterCarvedFilesTree).
  CRAWSearchController();
  ~CRAWSearchController() override;

  void SetDevice(IStorageDevice* device) override { device_ = device; }
  void SetSectorsPerBlock(std::uint32_t sectors) override { sectorsPerBlock_ = sectors; }
  // Refills the process-wide analyser list from the settings' chosen types,
  // builds the dispatch and sets the ring up from sector 0.
  int PrepareSearch() override;
  // Drops the records still waiting for a length (they keep length 0 in
  // the collection) and frees the ring.
  void EndSearch() override;
  // Tests every sector of [first, first + count); always 1. Blocks are
  // expected back to back; a block that does not follow the last one
  // starts the ring again from it (the records waiting until then are left
  // to the result tree).
  int AnalyzeBlock(std::uint64_t first, std::uint64_t count, SearchStatistics* statistics) override;
  void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>&) override {}
  void SetRawFileCollection(CRawFileCollection* collection) override { collection_ = collection; }
  // The carving controller keeps nothing in a scan-result file.
  int Save(IRSData*) override { return 1; }
  int Load(IRSData*) override { return 1; }
  int GetKind() override { return kRawSearchController; }

  // Chooses the analysers in place of the settings' types (tests, tools);
  // PrepareSearch calls it with the process-wide list.
  using AnalyserRefill = std::function<void(RawSearchTypeList&)>;
  void SetAnalyserRefill(AnalyserRefill refill) { refill_ = std::move(refill); }

  // Ask every analyser about every sector in list order instead of the
  // prefiltered dispatch (the same records; for comparisons).
  void SetPlainLoop(bool plain) { plainLoop_ = plain; }
  // Records still waiting for their length.
  std::size_t PendingCount() const { return pending_.size(); }

private:
  // The analyser that takes the sector (the spare then holds its record),
  // or null.
  IRawFileAnalyser* Match(qm::ByteView sector);
  // Measures the waiting records that start in the ring's oldest block.
  void SizePending();
  // Cuts a length at the device's end.
  void ClipToDevice(CRawFileInfo& record) const;

  IStorageDevice* device_ = nullptr;
  std::uint32_t sectorsPerBlock_ = 0;
  CRawFileCollection* collection_ = nullptr;
  CBufferStorageDevice ring_;
  std::list<CRawFileInfo*> pending_; // not owned: the collection owns them
  CRawSectorDispatch dispatch_;
  std::unique_ptr<CRawFileInfo> spare_;
  std::int32_t sectorSize_ = 512;
  std::uint64_t deviceSectors_ = 0;
  bool prepared_ = false;
  bool plainLoop_ = false;
  AnalyserRefill refill_;
};
