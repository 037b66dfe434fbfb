#include "raw/raw_search_controller.h"

#include <algorithm>
#include <cstring>

#include "filemodel/raw_file_collection.h"
#include "platform/out_of_memory.h"
#include "raw/carved_files_hook.h"
#include "raw/raw_search_type_list.h"
#include "storage/app_settings.h"
#include "storage/search_statistics.h"
#include "storage/storage_device_with_cache.h"

namespace {

// A refused header test may leave marks on the record (some analysers set
// the type before judging the rest); the next analyser must see a fresh
// one, so that what a match records never depends on who refused before.
void ResetIfTouched(CRawFileInfo& record) {
  if (record.GetType() != 0 || record.GetLength() != 0 || record.GetAnalyserType() != kNoAnalyserType ||
      record.GetAnalyser() != nullptr || !record.GetExtraName().empty() || !record.GetExtraName2().empty())
    record = CRawFileInfo();
}

} // namespace

CRAWSearchController::CRAWSearchController() { qm::RegisterCarvedFilesTree(); }

CRAWSearchController::~CRAWSearchController() = default;

int CRAWSearchController::PrepareSearch() {
  RawSearchTypeList& list = RawSearchTypeList::Get();
  if (refill_)
    refill_(list);
  else
    list.Refill(GetAppSettings()->vecRawTypes);
  dispatch_.Build(list.Analysers());
  pending_.clear();
  spare_.reset();
  prepared_ = false;
  if (device_ == nullptr) return 0;
  const std::int32_t size = device_->GetSectorSize();
  sectorSize_ = size > 0 ? size : 512;
  deviceSectors_ = device_->GetSectorCount();
  if (sectorsPerBlock_ == 0) return 0;
  if (ring_.Setup(device_, 0, sectorSize_, sectorsPerBlock_, kRingBlocks) == 0) return 0;
  // The read-ahead cache keeps the ring's blocks in place, so that none is
  // copied into the ring.
  if (auto* cache = dynamic_cast<CStorageDeviceWithCache*>(device_)) cache->KeepPastBlocks(kRingBlocks);
  prepared_ = true;
  return 1;
}

void CRAWSearchController::EndSearch() {
  pending_.clear();
  spare_.reset();
  ring_.Close();
  prepared_ = false;
}

void CRAWSearchController::ClipToDevice(CRawFileInfo& record) const {
  const std::uint64_t start = record.GetStartSector();
  const std::uint64_t room =
      start < deviceSectors_ ? (deviceSectors_ - start) * static_cast<std::uint64_t>(sectorSize_) : 0;
  // (deviceSectors_ - start) × sector size cannot wrap for any real device
  // (2^64 bytes); a length beyond the device's end is cut there.
  if (record.GetLength() > room) record.SetLength(room);
}

IRawFileAnalyser* CRAWSearchController::Match(qm::ByteView sector) {
  if (!spare_) spare_ = std::make_unique<CRawFileInfo>();
  CRawFileInfo* record = spare_.get();
  auto ask = [&](IRawFileAnalyser* analyser) {
    ResetIfTouched(*record);
    try {
      return analyser->CheckHeader(sector, record) != 0;
    } catch (const qm::OutOfMemoryException&) {
      throw;
    } catch (...) {
      return false; // a header test that throws did not match
    }
  };
  if (!plainLoop_) return dispatch_.FirstAccepting(sector, ask);
  for (const auto& analyser : RawSearchTypeList::Get().Analysers())
    if (ask(analyser.get())) return analyser.get();
  return nullptr;
}

void CRAWSearchController::SizePending() {
  const std::uint64_t oldestEnd = ring_.GetWindowStart() + ring_.GetSectorsPerBlock();
  while (!pending_.empty()) {
    CRawFileInfo* record = pending_.front();
    if (record->GetStartSector() >= oldestEnd) break;
    if (IRawFileAnalyser* analyser = record->GetAnalyser()) {
      try {
        analyser->AnalyseFileSize(record, &ring_);
      } catch (const qm::OutOfMemoryException&) {
        throw;
      } catch (...) {
        // No length found; the result tree tries again.
      }
      ClipToDevice(*record);
    }
    pending_.pop_front();
  }
}

int CRAWSearchController::AnalyzeBlock(std::uint64_t first, std::uint64_t count,
                                       SearchStatistics* statistics) {
  if (!prepared_ || RawSearchTypeList::Get().IsEmpty()) return 1;
  const std::uint64_t size = static_cast<std::uint64_t>(sectorSize_);
  auto* cache = dynamic_cast<CStorageDeviceWithCache*>(device_);
  // A block longer than announced is taken in pieces of the ring's block.
  for (std::uint64_t done = 0; done < count;) {
    const std::uint64_t start = first + done;
    const std::uint64_t sectors = std::min<std::uint64_t>(count - done, sectorsPerBlock_);
    done += sectors;
    if (start != ring_.GetNextSector()) {
      // Not the block after the last one (a sweep that starts further in):
      // the ring starts again here, and what waited is measured later.
      pending_.clear();
      if (ring_.Setup(device_, start, sectorSize_, sectorsPerBlock_, kRingBlocks) == 0) {
        prepared_ = false;
        return 1;
      }
    }
    if (ring_.IsFull()) SizePending();

    // The block in memory once: the cache's current block is analysed in
    // place and the ring notes where the cache keeps it (or, when the cache
    // keeps too few blocks or the piece is not a whole cache block, copies
    // it into its slot); any other device is read straight into the slot.
    const std::uint8_t* data = nullptr;
    bool kept = false;
    if (cache != nullptr) {
      std::uint64_t blockFirst = 0, blockSectors = 0;
      const std::uint8_t* block = cache->GetCurBlockData(&blockFirst, &blockSectors);
      if (block != nullptr && start >= blockFirst && start - blockFirst < blockSectors &&
          blockSectors - (start - blockFirst) >= sectors) {
        data = block + (start - blockFirst) * size;
        kept = start == blockFirst && cache->GetKeptPastBlocks() >= static_cast<std::uint32_t>(kRingBlocks);
        if (!kept)
          CBufferStorageDevice::CopyBlock(ring_.NextSlot(), data, static_cast<std::size_t>(sectors * size));
      }
    }
    if (data == nullptr) {
      std::uint8_t* slot = ring_.NextSlot();
      if (device_->ReadSectors(slot, start, sectors) == 0) {
        // Nothing of an unreadable block is tested; its slot still takes
        // its place in the ring, so later blocks keep their numbers, and
        // reads of its sectors go to the device.
        ring_.Commit(0);
        continue;
      }
      data = slot;
    }

    for (std::uint64_t i = 0; i < sectors; ++i) {
      const std::uint8_t* at = data + i * size;
      std::uint32_t word;
      std::memcpy(&word, at, sizeof word);
      if (word == 0) continue;
      IRawFileAnalyser* analyser = Match(qm::ByteView(at, static_cast<std::size_t>(size)));
      if (analyser == nullptr) continue;
      spare_->SetStartSector(start + i);
      spare_->SetAnalyser(analyser);
      spare_->SetAnalyserType(analyser->typeId);
      ClipToDevice(*spare_);
      if (statistics != nullptr) {
        ++statistics->FilesIdentified;
        ++statistics->TotalFilesFound;
      }
      if (collection_ == nullptr) continue; // nowhere to keep it: the spare is reused
      CRawFileInfo* record = collection_->Add(std::move(spare_));
      if (record->GetLength() == 0) pending_.push_back(record);
    }
    if (kept)
      ring_.CommitKept(cache, sectors);
    else
      ring_.Commit(sectors);
  }
  return 1;
}
