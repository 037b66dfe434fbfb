// What the three device pages list: the machine's disks (partition
// recovery) or volumes (deleted-file and complete recovery), the disk
// images the user added, and for complete and partition recovery an entry
// to resume the previous search. Plain logic: the rows it gives are what
// the device view shows, the records it owns are what the rows point to.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filemodel/scan_state_store.h"
#include "wizard/services/device_source.h"

enum class DeviceRoad { kDeletedFile = 0, kComplete = 1, kPartition = 2 };

// Icon kinds of the device view.
inline constexpr std::uint32_t kIconDisk = 1;
inline constexpr std::uint32_t kIconVolume = 2;
inline constexpr std::uint32_t kIconImage = 4;
inline constexpr std::uint32_t kIconPreviousRecovery = 5;
inline constexpr std::uint32_t kIconUsb = 6;
inline constexpr std::uint32_t kIconFloppy = 0;

struct DeviceRow {
  std::uint32_t iconKind = 0;
  std::string caption;
  std::uint64_t sectorCount = 0;
  std::uint32_t bytesPerSector = 0; // 0: not given
  std::string information;
  // A CScanStateRecord (partition road) or a DeviceListItem (volume roads);
  // null for the previous-recovery entry.
  void* record = nullptr;
};

enum class AddImageResult { kAdded, kAlreadyOpen, kInvalid, kDestroyed };

class CDeviceListCollection {
public:
  using PreviousRecoveryReader = std::function<std::optional<std::string>()>;

  explicit CDeviceListCollection(DeviceRoad road);
  ~CDeviceListCollection();

  DeviceRoad Road() const { return m_road; }
  // How an image file is opened and checked; plain image files by default.
  void SetImageOpener(qm::ImageOpener opener) { m_opener = std::move(opener); }
  // The text of the last interrupted search, when its state file is valid.
  void SetPreviousRecoveryReader(PreviousRecoveryReader reader) { m_previous = std::move(reader); }

  // Replaces the machine's devices with a fresh collection.
  void TakeCollected(CollectedDevices&& devices);
  // Forgets the machine's devices (the page was left).
  void ClearDevices();
  // Drops every image (Back and Home).
  void DropImages();

  // The rows of the view. afterCollection: the first fill after a
  // collection that found disks, whose volume rows the log brackets ("collect
  // device end" ... "InitVolumeDeviceSelectCtrl end" on the deleted-file
  // road) or times (complete road); later fills write nothing.
  std::vector<DeviceRow> Rows(bool afterCollection = false) const;
  const std::string& UnreadableReason() const { return m_devices.unreadableReason; }

  // Adds an image file: refused when it is open already, when it does not
  // open as an image, or (complete recovery) when it holds no sector.
  AddImageResult AddImage(const std::string& path, const std::string& description = {},
                          std::uint32_t sourceDeviceType = 255);
  bool IsImage(const void* record) const;
  bool RemoveImage(const void* record);
  std::size_t ImageCount() const;

  const CollectedDevices& Devices() const { return m_devices; }
  const std::vector<std::unique_ptr<CScanStateRecord>>& DiskRecords() const { return m_diskRecords; }
  // What a restore matches its stored device against.
  VolumeList& MutableVolumes() { return m_devices.volumes; }
  std::vector<std::unique_ptr<CScanStateRecord>>& MutableDiskRecords() { return m_diskRecords; }

private:
  std::vector<DeviceRow> DiskRows() const;
  std::vector<DeviceRow> VolumeRows() const;
  std::vector<DeviceRow> ImageRows() const;
  std::string VolumeLine(const DeviceListItem& item) const;
  bool HasImagePath(const std::string& path) const;

  DeviceRoad m_road;
  qm::ImageOpener m_opener;
  PreviousRecoveryReader m_previous;
  CollectedDevices m_devices;
  std::vector<std::unique_ptr<CScanStateRecord>> m_diskRecords;
  std::vector<std::unique_ptr<CScanStateRecord>> m_imageDisks; // partition road
  std::vector<std::unique_ptr<DeviceListItem>> m_imageVolumes; // volume roads
  std::uint32_t m_ordinal = 0;
};

namespace qm {

// "Image File, " and the description.
std::string ImageCaption(const std::string& description);
// The sector size an image row passes to the view: 1 to 4096 and a
// multiple of 512, else 0 (not given).
std::uint32_t ImageRowSectorSize(std::int32_t bytesPerSector);
// The file-system code the end of an image's description names ("...FAT16"
// 1, "12" 0, "32" 2, "FS" 3); `fallback` when it names none.
std::int32_t FileSystemFromDescription(const std::string& description, std::int32_t fallback);
// The caption of a disk from its three description texts: all three joined
// by two blanks, or the last two when the first is empty or begins with "(".
std::string DiskCaption(const std::string& vendor, const std::string& product, const std::string& bus);

} // namespace qm
