#include "storage/device_collection.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/log.h"
#include "storage/disk_device.h"
#include "storage/drive_letters.h"
#include "storage/dynamic_volume_reader.h"
#include "storage/elapsed_time_log.h"
#include "storage/partition_table.h"
#include "storage/volume_analyzer.h"
#include "storage/volume_device.h"
#include "storage/volume_names.h"

namespace {

constexpr int kMaxCollectedDisks = 32;
constexpr std::int32_t kUsbBusType = 7;
constexpr std::size_t kDiskTextLimit = 49;
// Media types of a volume that is no floppy disk: the volume cannot be
// asked, removable media other than a floppy, fixed media.
constexpr std::int32_t kMediaUnknown = 0;
constexpr std::int32_t kMediaRemovable = 11;
constexpr std::int32_t kMediaFixed = 12;

const std::string kDashes(106, '-');

template <std::size_t N> void CopyText(char (&field)[N], std::string_view text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), n);
  std::memset(field + n, 0, N - n);
}

char LetterOrStar(char letter) { return letter ? letter : '*'; }

std::string DiskTextOf(const DiskDescription& description) {
  const bool hasVendor = description.vendor[0] != '\0' && description.vendor[0] != '(';
  // The texts are joined first and cut after: the row holds at most
  // kDiskTextLimit characters.
  auto field = [](const char (&bytes)[260]) { return std::string(bytes, strnlen(bytes, sizeof bytes)); };
  std::string text = hasVendor ? field(description.vendor) + "  " : std::string();
  text += field(description.product);
  text += "  ";
  text += field(description.busText);
  if (text.size() > kDiskTextLimit) text.resize(kDiskTextLimit);
  return text;
}

void CollectBasicPartitions(const DiskList& disks, VolumeList& volumes) {
  LogInfo("-----------------------------begin collect basic volume-----------------------------------");
  LogInfo("DriverLetter   FileSystem  StartSector     TotalSectors     ParentDisk: Disk      VolumeLabel\r\n");
  for (const auto& diskPtr : disks) {
    CDiskDevice* disk = diskPtr.get();
    DiskPartitionList records;
    if (ReadDiskPartitionTable(disk, records) == 0) continue;
    AssignDriveLetters(disk, records);
    DiskDescription description;
    disk->GetDiskDescription(description);
    const std::string diskText = DiskTextOf(description);
    for (auto& record : records) {
      DeviceListItem item;
      item.kind = kDeviceKindBasic;
      item.device = std::move(record->partitionDevice);
      item.driveLetter = record->driveLetter;
      item.fileSystemType = record->fileSystemType;
      std::memcpy(item.volumeLabel, record->volumeLabel, sizeof item.volumeLabel);
      item.volumeLabel[sizeof item.volumeLabel - 1] = '\0';
      item.usbFlag = description.busType == kUsbBusType ? 1 : 0;
      item.extents[0] = {record->startSector, record->sectorCount, disk};
      CopyText(item.description, diskText);
      char fileSystem[20];
      GetVolumeFileSystemName(item.fileSystemType, fileSystem, sizeof fileSystem);
      LogInfo("%c  %16s  %16llu  %16llu  %16d  %20s\r\n", LetterOrStar(item.driveLetter), fileSystem,
              static_cast<unsigned long long>(record->startSector),
              static_cast<unsigned long long>(record->sectorCount), disk->GetDiskNumber(), item.volumeLabel);
      volumes.push_back(std::move(item));
    }
  }
  LogInfo("-----------------------------end collect basic volume-----------------------------------\r\n");
}

CDiskDevice* DiskOfList(const DiskList& disks, const IStorageDevice* device) {
  for (const auto& disk : disks)
    if (disk.get() == device) return disk.get();
  return nullptr;
}

void CollectDynamicVolumeItems(const DiskList& disks, VolumeList& volumes) {
  LogInfo("-----------------------------begin collect dynamic volume-----------------------------------");
  LogInfo("DriverLetter   FileSystem   DynamicVolumeType   TotalSectors       VolumeLabel      ParentDiskInfo\r\n");
  std::vector<IStorageDevice*> devices;
  devices.reserve(disks.size());
  for (const auto& disk : disks) devices.push_back(disk.get());
  DynamicVolumeList records;
  CollectDynamicVolumes(devices, records);
  for (auto& record : records) {
    if (!record->device) continue;
    DeviceListItem item;
    item.kind = kDeviceKindDynamic;
    item.fileSystemType = static_cast<std::int32_t>(record->fileSystemType);
    std::memcpy(item.volumeLabel, record->volumeLabel, sizeof item.volumeLabel);
    item.volumeLabel[sizeof item.volumeLabel - 1] = '\0';
    item.driveLetter = record->driveLetter;

    DynamicExtentList members;
    record->device->GetMemberExtents(members);
    std::string description;
    std::size_t used = 0;
    for (const DynamicMemberExtent* member : members) {
      if (used == kMaxDeviceListExtents) break; // the first 32 are kept
      CDiskDevice* disk = member ? DiskOfList(disks, member->disk) : nullptr;
      if (!disk) continue;
      item.extents[used++] = {member->diskStart, member->length, disk};
      DiskDescription parent;
      disk->GetDiskDescription(parent);
      description += DiskTextOf(parent);
      description += '\n';
    }
    if (description.size() > 2 && description.back() == '\n') description.pop_back();
    CopyText(item.description, description); // cut to the field, zero-terminated

    const std::uint64_t sectorCount = record->device->GetSectorCount();
    item.device = std::move(record->device);
    char fileSystem[20];
    GetVolumeFileSystemName(item.fileSystemType, fileSystem, sizeof fileSystem);
    LogInfo("%c  %16s  %16s  %16llu  %20s  %50s\r\n", LetterOrStar(item.driveLetter), fileSystem, record->typeName,
            static_cast<unsigned long long>(sectorCount), item.volumeLabel, item.description);
    volumes.push_back(std::move(item));
  }
  LogInfo("-----------------------------end collect dynamic volume-------------------------------------\r\n");
}

bool ExtentsOverlap(const DeviceExtent& a, const DeviceExtent& b) {
  if (a.sectorCount == 0 || b.sectorCount == 0) return false;
  // Compared as distances, so that a count reaching past 2^64 cannot wrap.
  if (a.startSector <= b.startSector) return b.startSector - a.startSector < a.sectorCount;
  return a.startSector - b.startSector < b.sectorCount;
}

bool SameDisk(CDiskDevice* a, CDiskDevice* b) {
  if (a == b) return true;
  // A disk past the numbered range has no number (-1): two such disks are
  // not the same one.
  const std::int32_t number = a->GetDiskNumber();
  return number >= 0 && number == b->GetDiskNumber();
}

} // namespace

void CollectDisks(DiskList& disks) {
  LogInfo("%s\r\n", kDashes.c_str());
  LogInfo("Disk    TotalSectors       Cylinders    Heads    Sectors/Track     DIskInfo");
  for (int index = 0; index < kMaxCollectedDisks; ++index) {
    auto disk = std::make_unique<CDiskDevice>(index);
    if (!disk->IsOpen()) continue; // destroyed here
    qm::DiskGeometry geometry;
    disk->GetGeometry(geometry);
    DiskDescription description;
    disk->GetDiskDescription(description);
    const std::string text = DiskTextOf(description);
    LogInfo("%d  %16llu  %10llu  %10d   %16d   %30s", disk->GetDiskNumber(),
            static_cast<unsigned long long>(disk->GetSectorCount()),
            static_cast<unsigned long long>(geometry.cylinders), static_cast<int>(geometry.tracksPerCylinder),
            static_cast<int>(geometry.sectorsPerTrack), text.c_str());
    disks.push_back(std::move(disk));
  }
  // The usage-event library that would be told of the disks here does not
  // exist on this platform; its absence is allowed to change nothing.
  LogInfo("%s\r\n", kDashes.c_str());
}

void CollectFloppyDiskDevice(VolumeList& volumes) {
  CElapsedTimeLog timer("CCollectFloppyDiskDevice::CollectFloppyDiskDevice");
  for (char letter : {'A', 'B'}) {
    auto device = std::make_unique<CVolumeDevice>(letter);
    const std::int32_t media = device->GetMediaType();
    if (media == kMediaUnknown || media == kMediaRemovable || media == kMediaFixed) return;
    DeviceListItem item;
    item.driveLetter = letter;
    item.floppyFlag = 1;
    item.kind = kDeviceKindBasic;
    CVolumeAnalyzerList analyzers;
    analyzers.Analyze(device.get(), 0);
    IVolume* volume = analyzers.FindRecognized();
    if (volume && volume->GetFileSystemType() != 7) {
      item.fileSystemType = volume->GetFileSystemType();
      volume->GetLabel(item.volumeLabel, sizeof item.volumeLabel);
      item.volumeLabel[sizeof item.volumeLabel - 1] = '\0';
    }
    item.device = std::move(device);
    volumes.push_back(std::move(item));
  }
}

void CollectAllBasicPartitionandDynamicVolume(const DiskList& disks, VolumeList& volumes) {
  CElapsedTimeLog timer("CCollectAllBasicPartitionandDynamicVolume::CollectAllBasicPartitionandDynamicVolume");
  if (disks.empty()) return;
  CollectBasicPartitions(disks, volumes);
  CollectDynamicVolumeItems(disks, volumes);
  CollectFloppyDiskDevice(volumes);
  CElapsedTimeLog sortTimer("CCollectAllBasicPartitionandDynamicVolume::sort");
  qm::SortVolumeList(volumes);
}

DeviceListItem* FindVolumeByLetter(char letter, VolumeList& volumes) {
  for (auto& item : volumes)
    if (item.driveLetter == letter) return &item;
  return nullptr;
}

int VolumeMatchesLetter(const DeviceListItem& item, char letter, VolumeList& volumes) {
  if (item.sourceFlag != 0) return 0;
  if (item.driveLetter == letter) return 1;
  if (item.driveLetter != 0) return 0;
  const DeviceListItem* lettered = FindVolumeByLetter(letter, volumes);
  if (!lettered) return 0;
  return qm::ItemsShareDisk(item, *lettered) ? 1 : 0;
}

namespace qm {

void SortVolumeList(VolumeList& volumes) {
  std::stable_sort(volumes.begin(), volumes.end(), [](const DeviceListItem& a, const DeviceListItem& b) {
    return static_cast<signed char>(a.driveLetter) < static_cast<signed char>(b.driveLetter);
  });
  // Then the leading items without a letter go to the end, in their order.
  auto firstLettered = std::find_if(volumes.begin(), volumes.end(),
                                    [](const DeviceListItem& item) { return item.driveLetter != 0; });
  std::rotate(volumes.begin(), firstLettered, volumes.end());
}

std::string DiskText(CDiskDevice* disk) {
  DiskDescription description;
  disk->GetDiskDescription(description);
  return DiskTextOf(description);
}

bool ItemsShareDisk(const DeviceListItem& a, const DeviceListItem& b) {
  for (const DeviceExtent& x : a.extents) {
    if (!x.disk) break;
    for (const DeviceExtent& y : b.extents) {
      if (!y.disk) break;
      if (SameDisk(x.disk, y.disk) && ExtentsOverlap(x, y)) return true;
    }
  }
  return false;
}

} // namespace qm
