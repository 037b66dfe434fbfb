#include "storage/dynamic_volume_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/byte_view.h"
#include "platform/log.h"
#include "storage/disk_device.h"
#include "storage/drive_letters.h"
#include "storage/dynamic_disk.h"
#include "storage/ldm_database.h"
#include "storage/mem_alloc.h"
#include "storage/volume_analyzer.h"
#include "storage/volume_names.h"

namespace {

constexpr std::size_t kHeaderBytes = 512;
constexpr std::uint64_t kPrivHeadSectors[] = {6, 2081};

// GPT header in sector 1 and its entries (little-endian).
constexpr std::uint64_t kGptHeaderSector = 1;
constexpr std::size_t kGptArrayStartOffset = 72;
constexpr std::size_t kGptEntryCountOffset = 80;
constexpr std::size_t kGptEntrySizeOffset = 84;
constexpr std::size_t kGptEntryFirstOffset = 32;
constexpr std::size_t kGptEntryLastOffset = 40;
constexpr std::size_t kGptEntryNameOffset = 56;
constexpr std::size_t kGptEntryNameBytes = 72;
constexpr std::uint32_t kGptMinEntrySize = 128;

// Boot-sector sizes: FAT total sectors (u16 at 0x13, else u32 at 0x20) and
// NTFS total sectors (u64 at 0x28, one less than the volume).
constexpr std::size_t kFatTotal16Offset = 0x13;
constexpr std::size_t kFatTotal32Offset = 0x20;
constexpr std::size_t kNtfsTotalOffset = 0x28;

std::int32_t SectorSizeOf(IStorageDevice* disk) {
  const std::int32_t size = disk->GetSectorSize();
  return size > 0 ? size : 512;
}

// Reads one sector, converts it and tests it; the first 512 bytes go to out.
bool TryPrivateHeader(IStorageDevice* disk, std::uint64_t sector, std::uint8_t* scratch, std::size_t size,
                      std::uint8_t* out) {
  if (!disk->ReadSectors(scratch, sector, 1)) return false;
  PrivHeadToHostOrder(scratch, size);
  if (!IsPrivHead(scratch, size)) return false;
  std::memcpy(out, scratch, kHeaderBytes);
  return true;
}

struct HeldDisk {
  IStorageDevice* disk = nullptr;
  std::optional<qm::PrivateHeader> header;
};

struct Builder {
  const qm::LdmDatabase& db;
  const qm::PrivateHeader& current;
  std::uint32_t bytesPerSector;
  std::span<const HeldDisk> disks;
  DynamicVolumeList& records;

  const HeldDisk* FindDisk(const qm::LdmDisk& record) const {
    for (const HeldDisk& held : disks) {
      if (!held.header) continue;
      const std::string& id = held.header->diskId;
      // A text id is taken as it stands; one formatted from a binary GUID
      // matches the header's text in either case.
      const bool same = record.fromGuid
                            ? id.size() == record.diskIdText.size() &&
                                  std::equal(id.begin(), id.end(), record.diskIdText.begin(),
                                             [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); })
                            : id == record.diskIdText;
      if (same) return &held;
    }
    return nullptr;
  }

  DynamicMemberExtent MakeExtent(const qm::LdmPartition& partition, const qm::LdmDisk& diskRecord) const {
    DynamicMemberExtent extent;
    extent.partitionIndex = partition.hasIndex ? static_cast<std::uint32_t>(partition.index) : 0;
    std::strncpy(extent.diskId, diskRecord.diskIdText.c_str(), sizeof extent.diskId - 1);
    if (const HeldDisk* held = FindDisk(diskRecord)) {
      extent.disk = held->disk;
      const std::uint64_t base = held->header->dataStart;
      // A start that overflows lies past every disk: its reads fail.
      extent.diskStart = partition.start > std::numeric_limits<std::uint64_t>::max() - base
                             ? std::numeric_limits<std::uint64_t>::max()
                             : partition.start + base;
    }
    const std::uint32_t ratio = bytesPerSector >= 512 ? bytesPerSector / 512 : 1;
    extent.volumeOffset = partition.volumeOffset / ratio;
    extent.length = partition.size;
    return extent;
  }

  // The file-system type and the sector count of a volume of type t made
  // of these extents.
  void CompleteInfo(DynamicVolumeInfo& info, const qm::LdmVolume& volume, int t,
                    const std::vector<DynamicMemberExtent>& extents) const {
    info.fileSystemType = static_cast<std::uint32_t>(GetMbrTypeFileSystem(volume.partitionType));
    info.sectorCount = volume.size;
    int bootType = 7;
    qm::MemBuffer<std::uint8_t> boot;
    std::size_t bootSize = 0;
    if (!extents.empty() && extents.front().disk != nullptr) {
      IStorageDevice* disk = extents.front().disk;
      bootSize = std::max<std::size_t>(static_cast<std::size_t>(SectorSizeOf(disk)), 512);
      boot = qm::MakeMemBuffer<std::uint8_t>(bootSize);
      std::memset(boot.get(), 0, bootSize);
      if (disk->ReadSectors(boot.get(), extents.front().diskStart, 1)) {
        bootType = GetBootSectorFileSystem(boot.get(), static_cast<std::uint32_t>(bootSize));
        if (bootType != 7) info.fileSystemType = static_cast<std::uint32_t>(bootType);
      } else {
        boot.reset();
      }
    }
    // The pieces give the size when every one of them lies on its disk.
    bool whole = !extents.empty();
    unsigned __int128 sum = 0;
    for (const DynamicMemberExtent& extent : extents) {
      if (extent.disk == nullptr || extent.diskStart > extent.disk->GetSectorCount() ||
          extent.length > extent.disk->GetSectorCount() - extent.diskStart) {
        whole = false;
        break;
      }
      sum += extent.length;
    }
    if (whole) {
      if (t == kDynamicRaid5) sum = sum * (extents.size() - 1) / extents.size();
      info.sectorCount = sum > std::numeric_limits<std::uint64_t>::max() ? std::numeric_limits<std::uint64_t>::max()
                                                                         : static_cast<std::uint64_t>(sum);
      return;
    }
    if (!boot) return;
    const qm::ByteView view(boot.get(), bootSize);
    if (bootType >= 0 && bootType <= 2) {
      std::uint64_t total = view.le16(kFatTotal16Offset);
      if (total == 0) total = view.le32(kFatTotal32Offset);
      if (total != 0) info.sectorCount = total;
    } else if (bootType == 3) {
      const std::uint64_t total = view.le64(kNtfsTotalOffset);
      if (total != std::numeric_limits<std::uint64_t>::max()) info.sectorCount = total + 1;
    }
  }

  // The member extents of a component, in volume order: a striped or
  // RAID-5 component's by column when every piece names a distinct one, a
  // concatenated component's by volume offset.
  std::vector<DynamicMemberExtent> ComponentExtents(const qm::LdmComponent& component,
                                                    const std::vector<const qm::LdmPartition*>& chain,
                                                    const std::vector<const qm::LdmDisk*>& chainDisks) const {
    std::vector<DynamicMemberExtent> extents;
    std::vector<std::uint64_t> columns;
    const std::uint64_t limit = std::min<std::uint64_t>(component.partitionCount, chain.size());
    bool indexed = true;
    for (std::size_t i = 0; i < limit; ++i) {
      extents.push_back(MakeExtent(*chain[i], *chainDisks[i]));
      columns.push_back(chain[i]->index);
      indexed = indexed && chain[i]->hasIndex;
    }
    std::vector<std::size_t> order(extents.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    if (component.type == 2) {
      std::stable_sort(order.begin(), order.end(),
                       [&](std::size_t a, std::size_t b) { return extents[a].volumeOffset < extents[b].volumeOffset; });
    } else if (indexed) {
      std::vector<std::uint64_t> sorted = columns;
      std::sort(sorted.begin(), sorted.end());
      if (std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end())
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return columns[a] < columns[b]; });
    }
    std::vector<DynamicMemberExtent> ordered;
    ordered.reserve(extents.size());
    for (std::size_t i : order) ordered.push_back(extents[i]);
    return ordered;
  }

  std::unique_ptr<IDynamicDevice> MakeLayout(const qm::LdmVolume& volume, const DynamicVolumeInfo& base,
                                             const qm::LdmComponent& component,
                                             const std::vector<DynamicMemberExtent>& extents,
                                             bool allowRaid5, DynamicVolumeInfo* usedInfo) const {
    DynamicVolumeInfo info = base;
    std::unique_ptr<IDynamicDevice> device;
    switch (component.type) {
    case 1:
      CompleteInfo(info, volume, kDynamicStriped, extents);
      device = CreateStripedVolume(kDynamicStriped, info, extents, component.stripeSize);
      break;
    case 2: {
      const int t = extents.size() < 2 ? kDynamicSimple : kDynamicSpanned;
      CompleteInfo(info, volume, t, extents);
      device = t == kDynamicSimple ? CreateSimpleVolume(t, info, extents) : CreateSpannedVolume(t, info, extents);
      break;
    }
    case 3:
      if (!allowRaid5) break;
      CompleteInfo(info, volume, kDynamicRaid5, extents);
      device = CreateRaid5Volume(kDynamicRaid5, info, extents, component.stripeSize);
      break;
    default:
      break;
    }
    if (device && usedInfo != nullptr) *usedInfo = info;
    return device;
  }

  void AppendRecord(const qm::LdmVolume& volume, std::unique_ptr<IDynamicDevice> device) const {
    for (const auto& record : records) {
      IDynamicDevice* other = record->device.get();
      if (other != nullptr && (other == device.get() || device->IsSameVolume(other))) return;
    }
    auto record = std::make_unique<DynamicVolumeRecord>();
    record->sectorCount = device->GetSectorCount();
    DynamicExtentList extents;
    device->GetMemberExtents(extents);
    const bool allDynamic = std::all_of(extents.begin(), extents.end(), [](const DynamicMemberExtent* extent) {
      auto* disk = dynamic_cast<CDiskDevice*>(extent->disk);
      return disk != nullptr && disk->IsDynamic() != 0;
    });
    if (allDynamic) {
      record->driveLetter = device->GetDriveLetter();
      if (record->driveLetter == 0) record->driveLetter = GetVolumeLetterFromGuid(volume.guid);
    }
    CVolumeAnalyzerList analyzers;
    analyzers.Analyze(device.get(), 0);
    IVolume* recognized = analyzers.FindRecognized();
    const int type = recognized != nullptr ? recognized->GetFileSystemType() : 7;
    record->fileSystemType = static_cast<std::uint32_t>(type);
    ReadVolumeLabel(device.get(), type, record->volumeLabel, sizeof record->volumeLabel);
    GetDynamicVolumeTypeName(device->GetVolumeType(), record->typeName, sizeof record->typeName);
    DebugTrace("-----------------Tmx:Dynamic volume \"%s\" %s, %llu sectors, file system %d\n", volume.name.c_str(),
               record->typeName, static_cast<unsigned long long>(record->sectorCount), type);
    record->device = std::move(device);
    records.push_back(std::move(record));
  }

  void Build() const {
    // Links by id. The chains run in the reverse of the database order.
    std::unordered_map<std::uint64_t, std::vector<const qm::LdmComponent*>> componentsOf;
    for (auto it = db.components.rbegin(); it != db.components.rend(); ++it) componentsOf[it->parentId].push_back(&*it);
    std::unordered_map<std::uint64_t, std::vector<const qm::LdmPartition*>> partitionsOf;
    for (auto it = db.partitions.rbegin(); it != db.partitions.rend(); ++it)
      partitionsOf[it->componentId].push_back(&*it);
    std::unordered_map<std::uint64_t, const qm::LdmDisk*> diskById;
    for (const qm::LdmDisk& disk : db.disks) diskById.emplace(disk.id, &disk);

    for (const qm::LdmVolume& volume : db.volumes) {
      if (volume.volumeType != 3 && volume.volumeType != 4) continue;
      const auto found = componentsOf.find(volume.id);
      if (found == componentsOf.end() || found->second.empty()) continue;
      const std::vector<const qm::LdmComponent*>& components = found->second;
      // Every component of a known type with at least one partition, and
      // every partition on a disk of the database.
      bool usable = true;
      std::vector<std::vector<const qm::LdmPartition*>> chains;
      std::vector<std::vector<const qm::LdmDisk*>> chainDisks;
      for (std::size_t c = 0; c < components.size() && usable && c < 2; ++c) {
        const qm::LdmComponent& component = *components[c];
        const auto parts = partitionsOf.find(component.id);
        if (component.type < 1 || component.type > 3 || parts == partitionsOf.end() || parts->second.empty()) {
          usable = false;
          break;
        }
        std::vector<const qm::LdmDisk*> disksOfChain;
        for (const qm::LdmPartition* partition : parts->second) {
          const auto disk = diskById.find(partition->diskId);
          if (disk == diskById.end()) {
            usable = false;
            break;
          }
          disksOfChain.push_back(disk->second);
        }
        chains.push_back(parts->second);
        chainDisks.push_back(std::move(disksOfChain));
      }
      // Components past the second are not read, but must still be sound.
      for (std::size_t c = 2; c < components.size() && usable; ++c) {
        const auto parts = partitionsOf.find(components[c]->id);
        usable = components[c]->type >= 1 && components[c]->type <= 3 && parts != partitionsOf.end() &&
                 !parts->second.empty() &&
                 std::all_of(parts->second.begin(), parts->second.end(),
                             [&](const qm::LdmPartition* p) { return diskById.count(p->diskId) != 0; });
      }
      if (!usable) continue;

      DynamicVolumeInfo info;
      std::strncpy(info.volumeName, volume.name.c_str(), sizeof info.volumeName - 1);
      std::strncpy(info.diskGroupName, current.diskGroupName.c_str(), sizeof info.diskGroupName - 1);

      std::vector<std::vector<DynamicMemberExtent>> extents;
      for (std::size_t c = 0; c < chains.size(); ++c)
        extents.push_back(ComponentExtents(*components[c], chains[c], chainDisks[c]));

      std::unique_ptr<IDynamicDevice> device;
      if (volume.volumeType == 3 && components.size() >= 2) {
        DynamicVolumeInfo firstInfo, secondInfo;
        auto first = MakeLayout(volume, info, *components[0], extents[0], false, &firstInfo);
        auto second = MakeLayout(volume, info, *components[1], extents[1], false, &secondInfo);
        // The mirror is as large as one copy.
        DynamicVolumeInfo mirrorInfo = first ? firstInfo : secondInfo;
        device = CreateMirrorVolume(kDynamicMirror, mirrorInfo, std::move(first), std::move(second));
      } else if (volume.volumeType == 3) {
        device = MakeLayout(volume, info, *components[0], extents[0], true, nullptr);
      } else {
        DynamicVolumeInfo raidInfo = info;
        CompleteInfo(raidInfo, volume, kDynamicRaid5, extents[0]);
        device = CreateRaid5Volume(kDynamicRaid5, raidInfo, extents[0], components[0]->stripeSize);
      }
      if (!device) {
        DebugTrace("-----------------Tmx:Dynamic volume \"%s\" lacks members on the disks present\n",
                   volume.name.c_str());
        continue;
      }
      AppendRecord(volume, std::move(device));
    }
  }
};

} // namespace

int FindPrivateHeader(IStorageDevice* disk, std::uint8_t* buffer) {
  if (disk == nullptr || buffer == nullptr) return 0;
  const std::size_t size = std::max<std::size_t>(static_cast<std::size_t>(SectorSizeOf(disk)), kHeaderBytes);
  qm::MemBuffer<std::uint8_t> sector = qm::MakeMemBuffer<std::uint8_t>(size);
  std::memset(sector.get(), 0, size);
  const std::uint64_t count = disk->GetSectorCount();
  if (count > 0 && TryPrivateHeader(disk, count - 1, sector.get(), size, buffer)) return 1;
  for (std::uint64_t at : kPrivHeadSectors)
    if (TryPrivateHeader(disk, at, sector.get(), size, buffer)) return 1;

  // A GPT disk keeps the header in the last sector of its metadata
  // partition.
  if (!disk->ReadSectors(sector.get(), kGptHeaderSector, 1)) return 0;
  const qm::ByteView header(sector.get(), size);
  if (!header.matches(0, "EFI PART")) return 0;
  const std::uint64_t arrayStart = header.le64(kGptArrayStartOffset);
  std::uint32_t left = header.le32(kGptEntryCountOffset);
  const std::uint32_t entrySize = header.le32(kGptEntrySizeOffset);
  // An entry size of 0 cannot be walked, and one larger than a sector lets
  // no entry be examined: neither gives a header.
  if (left > qm::kLdmMaxGptEntries || entrySize < kGptMinEntrySize || entrySize > size) return 0;
  const std::uint32_t perSector = static_cast<std::uint32_t>(size / entrySize);
  qm::MemBuffer<std::uint8_t> entries = qm::MakeMemBuffer<std::uint8_t>(size);
  for (std::uint64_t at = arrayStart; left > 0; ++at) {
    if (!disk->ReadSectors(entries.get(), at, 1)) return 0;
    const qm::ByteView view(entries.get(), size);
    const std::uint32_t examined = std::min(perSector, left);
    for (std::uint32_t i = 0; i < examined; ++i) {
      const qm::ByteView entry = view.sub(std::uint64_t{i} * entrySize, entrySize);
      if (entry.le64(kGptEntryFirstOffset) == 0) continue;
      if (!qm::IsLdmMetadataPartitionName(entry.sub(kGptEntryNameOffset, kGptEntryNameBytes))) continue;
      if (TryPrivateHeader(disk, entry.le64(kGptEntryLastOffset), sector.get(), size, buffer)) return 1;
    }
    left -= examined;
  }
  return 0;
}

std::size_t CollectDynamicVolumes(std::span<IStorageDevice* const> disks, DynamicVolumeList& records) {
  // Every disk's header first, to find the member disks by id.
  std::vector<HeldDisk> held;
  held.reserve(disks.size());
  std::uint8_t buffer[kHeaderBytes];
  for (IStorageDevice* disk : disks) {
    HeldDisk entry;
    entry.disk = disk;
    if (disk != nullptr && FindPrivateHeader(disk, buffer)) entry.header = qm::DecodePrivateHeader({buffer, kHeaderBytes});
    held.push_back(std::move(entry));
  }

  for (const HeldDisk& entry : held) {
    if (!entry.header) continue;
    IStorageDevice* disk = entry.disk;
    const std::uint64_t sectors = disk->GetSectorCount();
    const std::uint64_t start = entry.header->configStart;
    if (start > sectors || sectors - start < 2) continue;
    const std::uint64_t count = std::min(qm::kLdmConfigSectors, sectors - start - 2);
    if (count == 0) continue;
    const std::uint32_t bytesPerSector = static_cast<std::uint32_t>(SectorSizeOf(disk));
    const std::size_t bytes = static_cast<std::size_t>(count * bytesPerSector);
    qm::MemBuffer<std::uint8_t> area = qm::MakeMemBuffer<std::uint8_t>(bytes);
    if (!disk->ReadSectors(area.get(), start, count)) {
      DebugTrace("-----------------Tmx:Dynamic-disk database at sector %llu unreadable\n",
                 static_cast<unsigned long long>(start));
      continue;
    }
    const qm::LdmDatabase database = qm::DecodeLdmDatabase({area.get(), bytes}, bytesPerSector);
    Builder{database, *entry.header, bytesPerSector, held, records}.Build();
  }
  return records.size();
}
