#include "storage/partition_table.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "platform/log.h"
#include "storage/boot_record_chain.h"
#include "storage/gpt.h"
#include "storage/mem_alloc.h"
#include "storage/partition_device.h"
#include "storage/volume_analyzer.h"

namespace {

constexpr std::uint8_t kDynamicPartitionType = 0x42;
constexpr std::uint8_t kProtectiveMbrType = 0xEE;
constexpr std::uint16_t kMbrSchemeTypeNumber = 1;

unsigned long long Ull(std::uint64_t value) { return static_cast<unsigned long long>(value); }

// Reads one disk's table into the records appended after `firstOwn`.
class TableReader {
public:
  TableReader(IStorageDevice* disk, DiskPartitionList& records)
      : disk_(disk), records_(records), firstOwn_(records.size()), diskSectors_(disk->GetSectorCount()),
        sectorSize_(static_cast<std::uint32_t>(std::max(disk->GetSectorSize(), 0))) {}

  void Read() {
    if (sectorSize_ < 512 || diskSectors_ == 0) return;
    sector_ = qm::MakeMemBuffer<std::uint8_t>(sectorSize_);
    if (!ReadSector(0)) return;
    const qm::ByteView mbr = SectorView();
    for (int i = 0; i < qm::kMbrEntryCount; ++i) {
      if (qm::ReadMbrEntry(mbr, i).type == kDynamicPartitionType) {
        DebugTrace("--------------Tmx:dynamic disk, its partitions come from its database");
        return;
      }
    }
    if (qm::HasMbrSignature(mbr) && qm::ReadMbrEntry(mbr, 0).type == kProtectiveMbrType)
      ReadGpt();
    else
      ReadMbr();
  }

private:
  qm::ByteView SectorView() const { return qm::ByteView(sector_.get(), sectorSize_); }

  bool ReadSector(std::uint64_t lba) {
    std::memset(sector_.get(), 0, sectorSize_);
    return lba < diskSectors_ && disk_->ReadSectors(sector_.get(), lba, 1) != 0;
  }

  bool IsOwnStart(std::uint64_t start) const {
    return std::any_of(records_.begin() + static_cast<std::ptrdiff_t>(firstOwn_), records_.end(),
                       [&](const auto& record) { return record->startSector == start; });
  }

  void Append(std::uint64_t start, std::uint64_t count, std::uint64_t volumeCount, int type,
              const char (&label)[100]) {
    if (count == 0) return;
    auto device = std::make_unique<CBasicPartitionDevice>(disk_, start, count);
    if (device->GetSectorCount() != count) return;
    auto record = std::make_unique<DiskPartitionRecord>();
    record->startSector = start;
    record->sectorCount = count;
    record->volumeSectorCount = volumeCount;
    record->fileSystemType = type;
    std::memcpy(record->volumeLabel, label, sizeof record->volumeLabel);
    record->partitionDevice = std::move(device);
    records_.push_back(std::move(record));
  }

  // One table entry (start, count): the file system found there, when one
  // is, gives the type, the label and its own size. The window keeps the
  // table's extent: a volume's own count may leave out sectors that belong
  // to it (NTFS's backup boot sector), and a file system shrunk or grown
  // inside its partition does not move the partition. An extent that runs
  // past the disk's end (or is empty) is cut at the end, and the entry is
  // listed once.
  void AddTablePartition(std::uint64_t start, std::uint64_t count, bool fromMbr) {
    if (start >= diskSectors_) {
      LogInfo("--------------Tmx:partition at sector %llu lies past the disk end (%llu sectors), skipped",
              Ull(start), Ull(diskSectors_));
      return;
    }
    const std::uint64_t room = diskSectors_ - start;
    const bool cut = count > room || static_cast<std::int64_t>(count) <= 0;
    if (cut) {
      LogInfo("--------------Tmx:partition at sector %llu of %llu sectors runs past the disk end (%llu sectors), "
              "cut at it",
              Ull(start), Ull(count), Ull(diskSectors_));
      count = room;
    }

    int type = 7;
    char label[100] = {};
    std::uint64_t fsCount = 0;
    CVolumeAnalyzerList analyzers;
    analyzers.Analyze(disk_, start);
    IVolume* volume = analyzers.FindRecognized();
    if (volume != nullptr && volume->GetFileSystemType() != 7) {
      type = volume->GetFileSystemType();
      volume->GetLabel(label, sizeof label);
      fsCount = volume->GetSectorCount();
    }
    Append(start, count, fsCount, type, label);
    // A count cut at the disk's end is not the table's: there is no second
    // size to offer beside the file system's.
    if (fromMbr && !cut && fsCount != 0 && fsCount < room) {
      // Whole 64-bit counts are compared: beyond 2^32 sectors their low
      // halves alone may agree while the sizes differ by terabytes.
      const std::uint64_t gap = count > fsCount ? count - fsCount : fsCount - count;
      // So far apart that the table may be the stale one: the volume as it
      // describes itself is listed too.
      if (gap >= qm::kSizeDisagreementSectors)
        Append(start, std::min(qm::VolumeExtentSectors(type, fsCount), room), fsCount, type, label);
    }
  }

  void ReadGpt() {
    std::uint64_t entrySectors = 0;
    qm::GptArrayLayout layout;
    qm::MemBuffer<std::uint8_t> array;
    // The primary header, then the backup at the disk's last sector; when
    // neither is whole, the usual layout at sector 2 is read as it stands.
    const std::uint64_t headers[] = {1, diskSectors_ - 1};
    bool found = false;
    for (std::uint64_t lba : headers) {
      if (!ReadSector(lba)) continue;
      const auto decoded = qm::DecodeGptHeader(SectorView(), lba, diskSectors_, sectorSize_);
      if (!decoded) {
        LogInfo("--------------Tmx:no sound GPT header at sector %llu", Ull(lba));
        continue;
      }
      entrySectors = (decoded->ArrayBytes() + sectorSize_ - 1) / sectorSize_;
      array = qm::MakeMemBuffer<std::uint8_t>(static_cast<std::size_t>(entrySectors * sectorSize_));
      if (!disk_->ReadSectors(array.get(), decoded->firstLba, entrySectors)) continue;
      const qm::ByteView bytes(array.get(), static_cast<std::size_t>(decoded->ArrayBytes()));
      if (qm::GptCrc32(bytes) != decoded->arrayCrc) {
        LogInfo("--------------Tmx:GPT entry array at sector %llu fails its CRC", Ull(decoded->firstLba));
        continue;
      }
      layout = *decoded;
      found = true;
      break;
    }
    if (!found) {
      layout = qm::GptArrayLayout{};
      entrySectors = (layout.ArrayBytes() + sectorSize_ - 1) / sectorSize_;
      array = qm::MakeMemBuffer<std::uint8_t>(static_cast<std::size_t>(entrySectors * sectorSize_));
      if (layout.firstLba >= diskSectors_ || entrySectors > diskSectors_ - layout.firstLba ||
          !disk_->ReadSectors(array.get(), layout.firstLba, entrySectors)) {
        LogInfo("--------------Tmx:GPT entry array at sector %llu cannot be read", Ull(layout.firstLba));
        return;
      }
    }
    const qm::ByteView bytes(array.get(), static_cast<std::size_t>(layout.ArrayBytes()));
    for (std::uint32_t i = 0; i < layout.entryCount; ++i) {
      const qm::ByteView entry = bytes.sub(std::uint64_t{i} * layout.entrySize, layout.entrySize);
      if (qm::FindGptPartitionType(qm::FormatGptTypeGuid(entry, qm::kGptEntryTypeOffset)) <=
          kMbrSchemeTypeNumber)
        continue;
      const std::uint64_t first = entry.le64(qm::kGptEntryFirstOffset);
      const std::uint64_t last = entry.le64(qm::kGptEntryLastOffset);
      AddTablePartition(first, last - first + 1, false);
    }
  }

  void ReadMbr() {
    // A disk without a table that holds one file system from sector 0.
    {
      CVolumeAnalyzerList analyzers;
      analyzers.Analyze(disk_, 0);
      IVolume* volume = analyzers.FindRecognized();
      if (volume != nullptr && volume->GetFileSystemType() != 7) {
        const int type = volume->GetFileSystemType();
        const std::uint64_t fsCount = volume->GetSectorCount();
        // No table gives the extent: the window covers the whole volume.
        std::uint64_t count = diskSectors_;
        if (static_cast<std::int64_t>(fsCount) > 0 && fsCount <= diskSectors_)
          count = std::min(qm::VolumeExtentSectors(type, fsCount), diskSectors_);
        char label[100] = {};
        volume->GetLabel(label, sizeof label);
        Append(0, count, fsCount, type, label);
      }
    }
    if (!ReadSector(0) || !qm::IsMbrTableSector(SectorView())) return;
    const std::array<qm::MbrEntry, qm::kMbrEntryCount> entries = Entries();
    qm::BootRecordChainGuard guard;
    guard.Enter(0);
    for (const qm::MbrEntry& entry : entries) {
      if (entry.empty || entry.type == kDynamicPartitionType) continue;
      if (qm::IsExtendedPartitionType(entry.type))
        ReadExtended(guard, entry.start, entry.start);
      else
        AddTablePartition(entry.start, entry.count, true);
    }
  }

  // The extended boot record at sector `at` of the chain whose extended
  // partition begins at `base`: logical partitions lie relative to the
  // boot record, further links relative to the base.
  void ReadExtended(qm::BootRecordChainGuard& guard, std::uint64_t base, std::uint64_t at) {
    if (!guard.Enter(at)) {
      LogInfo("--------------Tmx:extended boot record at sector %llu already read or the chain is too long",
              Ull(at));
      return;
    }
    if (!ReadSector(at) || !qm::IsMbrTableSector(SectorView())) return;
    const std::array<qm::MbrEntry, qm::kMbrEntryCount> entries = Entries();
    for (const qm::MbrEntry& entry : entries) {
      if (entry.empty) continue;
      // A partition already listed: the chain has come round again.
      if (IsOwnStart(at + entry.start)) break;
      if (entry.type == kDynamicPartitionType) continue;
      if (qm::IsExtendedPartitionType(entry.type))
        ReadExtended(guard, base, base + entry.start);
      else
        AddTablePartition(at + entry.start, entry.count, true);
    }
  }

  std::array<qm::MbrEntry, qm::kMbrEntryCount> Entries() const {
    std::array<qm::MbrEntry, qm::kMbrEntryCount> entries;
    for (int i = 0; i < qm::kMbrEntryCount; ++i)
      entries[static_cast<std::size_t>(i)] = qm::ReadMbrEntry(SectorView(), i);
    return entries;
  }

  IStorageDevice* disk_;
  DiskPartitionList& records_;
  std::size_t firstOwn_;
  std::uint64_t diskSectors_;
  std::uint32_t sectorSize_;
  qm::MemBuffer<std::uint8_t> sector_;
};

} // namespace

std::size_t ReadDiskPartitionTable(IStorageDevice* disk, DiskPartitionList& records) {
  if (disk != nullptr) TableReader(disk, records).Read();
  return records.size();
}

namespace qm {

bool IsMbrTableSector(const ByteView& sector) {
  if (!HasMbrSignature(sector)) return false;
  for (int i = 0; i < kMbrEntryCount; ++i) {
    const std::uint8_t boot = ReadMbrEntry(sector, i).bootIndicator;
    if (boot != 0x00 && boot != 0x80) return false;
  }
  return true;
}

bool IsExtendedPartitionType(std::uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

std::uint64_t VolumeExtentSectors(int fileSystemType, std::uint64_t ownCount) {
  constexpr int kNtfs = 3;
  if (fileSystemType == kNtfs && ownCount != 0 && ownCount != ~std::uint64_t{0}) return ownCount + 1;
  return ownCount;
}

} // namespace qm
