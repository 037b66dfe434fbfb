#include "fatext2/ext2_search_controller.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>
#include <typeinfo>

#include "fatext2/ext2_exceptions.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_searched_partition_info.h"
#include "fatext2/ext2_tree_builder.h"
#include "filemodel/file_node.h"
#include "platform/log.h"
#include "platform/out_of_memory.h"
#include "storage/app_settings.h"
#include "storage/storage_device.h"

using namespace qm::ext2;

namespace {

constexpr std::size_t kSector = 512;
constexpr std::uint32_t kCarrySectors = CEXT2SearchController::kWindowSectors - 1;

// The identity of a file system: volume id, then log block size, block
// count, last mount, last write and last check time.
using Identity = std::tuple<std::array<std::uint8_t, 16>, std::uint32_t, std::uint32_t, std::uint32_t,
                            std::uint32_t, std::uint32_t>;

Identity IdentityOf(const CExt2SuperBlock& image) {
  std::array<std::uint8_t, 16> id{};
  std::memcpy(id.data(), image.Image().data() + kVolumeId, id.size());
  const qm::ByteView v = image.View();
  return {id, v.le32(kLogBlockSize), v.le32(kBlockCount), v.le32(kMountTime), v.le32(kWriteTime),
          v.le32(kCheckTime)};
}

// X takes over Y's earlier place when Y was met before X's earliest copy.
void Merge(CExt2SearchedPartitionInfo& x, const CExt2SearchedPartitionInfo& y) {
  if (y.GetFoundAt() < x.GetEarliestFoundAt() && x.GroupNumber() == 0) {
    x.SetEarliestFoundAt(y.GetFoundAt());
    x.SetStartSector(y.GetStartSector());
    x.SetValidFlag(y.ImageChecks() ? 1 : 0);
  }
}

std::uint64_t ScoreOf(const CExt2SearchedPartitionInfo& record) {
  const std::uint32_t hits = record.GetHitCount();
  const bool checks = record.ImageChecks();
  const bool atBase = record.GetFoundAt() - record.GetStartSector() == 2;
  if (hits == 1) {
    if (checks) return atBase ? 60 : 45;
    return atBase ? 30 : 20;
  }
  if (atBase && record.GetValidFlag() != 0) return checks ? 100 : 80;
  return checks ? 90 : 70;
}

bool RefusedFeatures(qm::ByteView image) {
  return (image.le32(kIncompatFeatures) & (kIncompat64Bit | kIncompatMetaBg)) != 0;
}

void LogException(const std::exception& error) {
  WriteExt2ErrorLog(typeid(error).name());
  WriteExt2ErrorLog(error.what());
}

} // namespace

CEXT2SearchController::CEXT2SearchController() {
  static const bool installed = (InstallSeTranslator(), true);
  (void)installed;
}

CEXT2SearchController::~CEXT2SearchController() = default;

void CEXT2SearchController::SetDevice(IStorageDevice* device) {
  view_ = nullptr;
  ratio_ = 0;
  source_.SetDevice(device);
  if (device == nullptr) return;
  const std::int32_t size = device->GetSectorSize();
  if (size <= 0 || size % 512 != 0) return;
  view_ = size == 512 ? device : device->Get512ByteSectorDevice();
  if (view_ != nullptr) ratio_ = static_cast<std::uint32_t>(size) / 512;
}

int CEXT2SearchController::PrepareSearch() {
  carried_ = 0;
  return 1;
}

void CEXT2SearchController::EndSearch() {
  carried_ = 0;
  view_ = nullptr;
  source_.SetDevice(nullptr);
}

int CEXT2SearchController::AnalyzeBlock(std::uint64_t first, std::uint64_t count, SearchStatistics*) {
  if (ratio_ == 0) return 1;
  try {
    next_ = first * ratio_;
    source_.ForEachPiece(first, count, [&](std::uint64_t, const std::uint8_t* data, std::uint64_t sectors) {
      AnalyzeSectors(data, sectors * ratio_);
      return true;
    });
  } catch (const qm::OutOfMemoryException&) {
    throw; // the memory crash, never a bad record
  } catch (const std::exception& error) {
    LogException(error);
  }
  return 1;
}

void CEXT2SearchController::AnalyzeSectors(const std::uint8_t* data, std::uint64_t sectors) {
  const std::uint64_t carried = carried_;
  // Windows that begin in the carried sectors: joined with the first new
  // sectors in a small buffer (never more than 14 sectors).
  std::array<std::uint8_t, 2 * kCarrySectors * kSector> joined;
  const std::uint64_t head = std::min<std::uint64_t>(sectors, kCarrySectors);
  if (carried > 0) {
    std::memcpy(joined.data(), carry_.data(), carried * kSector);
    std::memcpy(joined.data() + carried * kSector, data, head * kSector);
    for (std::uint64_t j = 0; j < carried && j + kWindowSectors <= carried + head; ++j)
      AnalyzeWindow(next_ - carried + j, joined.data() + j * kSector);
  }
  // Windows that lie wholly in the new sectors are looked at in place.
  for (std::uint64_t k = 0; k + kWindowSectors <= sectors; ++k) {
    const std::uint8_t* window = data + k * kSector;
    // Without a table being collected only a super block's magic matters.
    if (pending_ == nullptr && (window[kMagic] != 0x53 || window[kMagic + 1] != 0xEF)) continue;
    AnalyzeWindow(next_ + k, window);
  }

  const std::uint64_t keep = std::min<std::uint64_t>(kCarrySectors, carried + sectors);
  if (sectors >= keep)
    std::memcpy(carry_.data(), data + (sectors - keep) * kSector, keep * kSector);
  else
    std::memmove(carry_.data(), joined.data() + (carried + sectors - keep) * kSector, keep * kSector);
  carried_ = static_cast<std::uint32_t>(keep);
  next_ += sectors;
}

void CEXT2SearchController::AnalyzeWindow(std::uint64_t at, const std::uint8_t* window) {
  const qm::ByteView head(window, kSuperBlockBytes);
  if (head.le16(kMagic) == kSuperBlockMagic) {
    CExt2SuperBlock copy(std::span<const std::uint8_t>(window, kSuperBlockBytes));
    copy.Normalise();
    if (copy.Check()) {
      const std::int64_t offset = copy.GroupNumber() != 0 ? copy.SuperBlockOffset() : 0;
      // The partition would start before the device.
      const bool fits = offset >= 0 && at >= static_cast<std::uint64_t>(offset) + 2;
      if (fits && RefusedFeatures(head)) {
        LogInfo("EXT2: super block at sector %llu uses the 64-bit or meta_bg layout; not read as EXT2\n",
                static_cast<unsigned long long>(at));
      } else if (fits) {
        pending_ = std::make_unique<CExt2SearchedPartitionInfo>(
            std::span<const std::uint8_t>(window, kSuperBlockBytes), at);
        return;
      }
    }
  }
  if (pending_ == nullptr || at < pending_->ExpectedDescriptorSector()) return;
  const std::uint64_t groups = pending_->Groups();
  if (pending_->GetCollected() >= groups) return;
  pending_->CollectDescriptors(qm::ByteView(window, kSector), at);
  if (pending_->GetCollected() < groups) return;
  std::unique_ptr<CExt2SearchedPartitionInfo> done = std::move(pending_);
  const CExt2SuperBlock normalised = done->Normalised();
  if (normalised.Check() && DescriptorsInRange(normalised, done->Table(), groups)) AddFound(std::move(done));
}

void CEXT2SearchController::AddFound(std::unique_ptr<CExt2SearchedPartitionInfo> record) {
  for (auto& known : found_) {
    if (known->SameAs(*record)) {
      known->AddHit();
      return;
    }
  }
  found_.push_back(std::move(record));
}

void CEXT2SearchController::GetFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions) {
  try {
    std::map<Identity, CExt2SearchedPartitionInfo*> groups;
    for (auto& record : found_) {
      const auto [it, inserted] = groups.emplace(IdentityOf(*record), record.get());
      if (inserted) continue;
      CExt2SearchedPartitionInfo* kept = it->second;
      if (kept->GetHitCount() < record->GetHitCount()) {
        it->second = record.get();
        Merge(*record, *kept);
      } else {
        Merge(*kept, *record);
      }
    }
    for (auto& entry : groups) {
      CExt2SearchedPartitionInfo* record = entry.second;
      if (record->GetHitCount() != 0) record->SetScore(ScoreOf(*record));
      const auto* group = record; // a structured binding cannot be captured before C++20's later compilers
      auto owned = std::find_if(found_.begin(), found_.end(), [group](const auto& r) { return r.get() == group; });
      partitions.push_back(owned->release());
    }
  } catch (const qm::OutOfMemoryException&) {
    throw; // the memory crash, never a bad record
  } catch (const std::exception& error) {
    LogException(error);
  }
  // The records merged away are not handed out.
  found_.clear();
}

bool CEXT2SearchController::ReloadFromDevice(CExt2SearchedPartitionInfo& record, IStorageDevice* view) const {
  std::array<std::uint8_t, kSuperBlockBytes> image{};
  if (!view->ReadSectors(image.data(), record.GetFoundAt(), 2)) return false;
  CExt2SuperBlock normalised(image);
  normalised.Normalise();
  if (!normalised.Check() || RefusedFeatures(qm::ByteView(image.data(), image.size()))) return false;
  const std::uint64_t groups = normalised.GroupCount();
  const std::uint64_t tableBytes = groups * kDescriptorBytes;
  const std::uint64_t sectors = (tableBytes + kSector - 1) / kSector;
  auto table = qm::MakeMemBuffer<std::uint8_t>(static_cast<std::size_t>(sectors * kSector));
  if (!view->ReadSectors(table.get(), record.GetDescriptorSector(), sectors)) return false;
  if (!DescriptorsInRange(normalised, qm::ByteView(table.get(), tableBytes), groups)) return false;
  record.Reload(image, std::move(table), static_cast<std::size_t>(tableBytes));
  record.SetFileSystemType(normalised.JournalInode() != 0 ? kFsExt3 : kFsExt2);
  record.SetSectorsPerCluster(static_cast<std::uint8_t>(normalised.SectorsPerBlock()));
  record.SetSectorCount(normalised.SizeInBytes() / kSector);
  record.SetHitCount(1);
  return true;
}

CFileNode* CEXT2SearchController::BuildTree(CSearchedPartitionInfo* partition, IStorageDevice* device, int ordinal,
                                            IDIRBuildCallback* callback) {
  auto* record = dynamic_cast<CExt2SearchedPartitionInfo*>(partition);
  if (record == nullptr || device == nullptr) return nullptr;
  IStorageDevice* view = device->GetSectorSize() == 512 ? device : device->Get512ByteSectorDevice();
  if (view == nullptr) return nullptr;
  try {
    if (record->Table().size() == 0 && !ReloadFromDevice(*record, view)) return nullptr;
    if (RefusedFeatures(record->View())) return nullptr;
    const qm::ByteView table = record->Table();
    CExt2FileSystem fileSystem(view, record->GetStartSector(), record->Image(),
                               std::span<const std::uint8_t>(table.data(), table.size()));
    CExt2TreeBuilder builder;
    CFileNode* root = builder.StartWithRaw(&fileSystem, callback, rawFiles_, static_cast<std::uint32_t>(ordinal));
    GetAppSettings()->pTreeRoot = root;
    return root;
  } catch (const qm::OutOfMemoryException&) {
    throw; // the memory crash, never a bad record
  } catch (const std::exception& error) {
    LogError("EXT2 tree build failed: %s\n", error.what());
    return nullptr;
  }
}
