// Which device a saved scan was made on, so that resuming it scans the same
// disk, volume or image again: the search-target section (a volume of the
// device list) and the device section (the wizard's disk record), each
// followed by the identities of the physical disks involved.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "storage/device_collection.h"

class CDiskDevice;
class IRSData;
class IStorageDevice;

namespace qm {

inline constexpr GUID kSearchTargetSection = {
    0x94F5F416, 0x4317, 0x4567, {0xAE, 0x44, 0x15, 0xB3, 0x21, 0x4E, 0xD9, 0x98}};
inline constexpr GUID kDeviceRecordSection = {
    0xB072A676, 0x0548, 0x468B, {0xBA, 0x9E, 0x91, 0x09, 0x3A, 0x63, 0xB5, 0x17}};

inline constexpr std::size_t kScanStateRecordSize = 548;
inline constexpr std::size_t kRecordImagePathOffset = 284;
inline constexpr std::size_t kRecordImagePathSize = 260;

// Opens an image file as a device; null when it cannot be opened.
using ImageOpener = std::function<std::unique_ptr<IStorageDevice>(const std::string& path)>;

} // namespace qm

// The wizard's disk record: 548 bytes stored whole (the wizard fills and
// reads its fields), the device it stands for, and for a physical disk that
// disk. Kind (u32 at 0): 0 a physical disk, 2 an entry never matched, any
// other an image file whose path lies at 284.
struct CScanStateRecord {
  static constexpr std::uint32_t kKindDisk = 0;
  static constexpr std::uint32_t kKindNeverMatched = 2;

  std::array<std::uint8_t, qm::kScanStateRecordSize> bytes{};
  IStorageDevice* device = nullptr;
  CDiskDevice* disk = nullptr;
  std::unique_ptr<IStorageDevice> ownedDevice; // an image opened by a restore

  std::uint32_t GetKind() const;
  void SetKind(std::uint32_t kind);
  std::string GetImagePath() const;
  // false when the path does not fit (it is then stored cut).
  bool SetImagePath(const std::string& path);
};

class CScanStateStore {
public:
  // The volume a scan ran on; for a volume of physical disks, the identity
  // of each extent's disk follows.
  static int SaveSearchRecord(const DeviceListItem& item, IRSData* stream);
  // The current volume that matches the stored one (same kind, floppy
  // flag, letter, file-system type and extents on disks of the same
  // identities), or for an image the open image of that path or a new item
  // added to images with the image opened; null when none (or the section
  // is missing).
  static DeviceListItem* LoadSearchRecord(IRSData* stream, VolumeList& volumes, VolumeList& images);

  // The disk a scan ran on, with its identity for a physical disk.
  static int SaveRecord(const CScanStateRecord& record, IRSData* stream);
  // The current disk record of the same identity, or for an image the open
  // image record of that path or a new one added to images; null when none.
  static CScanStateRecord* LoadRecords(IRSData* stream, std::vector<std::unique_ptr<CScanStateRecord>>& disks,
                                       std::vector<std::unique_ptr<CScanStateRecord>>& images);

  // How images are reopened; plain image files until the imaging code
  // installs its reader of compressed, split images.
  static void SetImageOpener(qm::ImageOpener opener);
};
