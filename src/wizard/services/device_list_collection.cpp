#include "wizard/services/device_list_collection.h"

#include <QtCore/QCoreApplication>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include "app/format_text.h"
#include "platform/byte_view.h"
#include "platform/disk_table.h"
#include "platform/log.h"
#include "storage/disk_device.h"
#include "storage/elapsed_time_log.h"
#include "storage/image_file_device.h"
#include "storage/image_volumes.h"
#include "storage/volume_analyzer.h"

namespace qm {

std::string ImageCaption(const std::string& description) {
  return QCoreApplication::translate("CDeviceCollector", "Image File, %1")
      .arg(QString::fromStdString(description))
      .toStdString();
}

std::uint32_t ImageRowSectorSize(std::int32_t bytesPerSector) {
  if (bytesPerSector >= 1 && bytesPerSector <= 4096 && bytesPerSector % 512 == 0)
    return static_cast<std::uint32_t>(bytesPerSector);
  return 0;
}

std::int32_t FileSystemFromDescription(const std::string& description, std::int32_t fallback) {
  if (description.size() < 3) return fallback;
  const std::string tail = description.substr(description.size() - 3, 2);
  if (tail == "16") return 1;
  if (tail == "12") return 0;
  if (tail == "32") return 2;
  if (tail == "FS") return 3;
  return fallback;
}

std::string DiskCaption(const std::string& vendor, const std::string& product, const std::string& bus) {
  if (vendor.empty() || vendor.front() == '(') return product + "  " + bus;
  return vendor + "  " + product + "  " + bus;
}

} // namespace qm

namespace {

void PutLe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutLe64(std::span<std::uint8_t> bytes, std::size_t offset, std::uint64_t v) {
  for (int i = 0; i < 8; ++i)
    bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutText(std::span<std::uint8_t> bytes, std::size_t offset, std::size_t room, const std::string& text) {
  const std::size_t n = std::min(text.size(), room - 1);
  std::memcpy(bytes.data() + offset, text.data(), n);
  bytes[offset + n] = 0;
}

std::string TextAt(const CScanStateRecord& r, std::size_t offset, std::size_t room) {
  const char* p = reinterpret_cast<const char*>(r.bytes.data() + offset);
  return std::string(p, strnlen(p, room));
}

std::unique_ptr<IStorageDevice> OpenPlainImage(const std::string& path) {
  auto device = std::make_unique<CImageFileDevice>(path.c_str(), qm::RawImageSectorSize(path));
  if (!device->IsOpen()) return nullptr;
  return device;
}

std::string Canonical(const std::string& path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DiskName(CDiskDevice* disk) {
  if (!disk) return {};
  const auto table = qm::ListDisks();
  const std::int32_t n = disk->GetDiskNumber();
  if (n >= 0 && static_cast<std::size_t>(n) < table.size())
    return BaseName(table[static_cast<std::size_t>(n)].node);
  return "disk " + std::to_string(n);
}

} // namespace

CDeviceListCollection::CDeviceListCollection(DeviceRoad road) : m_road(road), m_opener(OpenPlainImage) {}

CDeviceListCollection::~CDeviceListCollection() {
  // Records point at the disks: they go first.
  m_diskRecords.clear();
  m_devices.volumes.clear();
}

void CDeviceListCollection::TakeCollected(CollectedDevices&& devices) {
  m_diskRecords.clear();
  m_devices = std::move(devices);
  if (m_road != DeviceRoad::kPartition) return;
  for (const auto& disk : m_devices.disks) {
    auto record = std::make_unique<CScanStateRecord>();
    record->SetKind(CScanStateRecord::kKindDisk);
    DiskDescription description;
    disk->GetDiskDescription(description);
    PutLe32(record->bytes, 8, static_cast<std::uint32_t>(disk->GetMediaType()));
    PutLe32(record->bytes, 12, description.busType == 7 ? 1 : 0);
    PutText(record->bytes, 20, 256,
            qm::DiskCaption(description.vendor, description.product, description.busText));
    record->device = disk.get();
    record->disk = disk.get();
    m_diskRecords.push_back(std::move(record));
  }
}

void CDeviceListCollection::ClearDevices() { TakeCollected(CollectedDevices{}); }

void CDeviceListCollection::DropImages() {
  m_imageDisks.clear();
  m_imageVolumes.clear();
}

std::size_t CDeviceListCollection::ImageCount() const { return m_imageDisks.size() + m_imageVolumes.size(); }

std::vector<DeviceRow> CDeviceListCollection::Rows(bool afterCollection) const {
  std::vector<DeviceRow> rows;
  if (m_road != DeviceRoad::kDeletedFile && m_previous) {
    if (std::optional<std::string> text = m_previous()) {
      DeviceRow row;
      row.iconKind = kIconPreviousRecovery;
      row.caption = QCoreApplication::translate("CDeviceCollector", "Previous Recovery...").toStdString();
      row.information = *text;
      rows.push_back(std::move(row));
    }
  }
  const bool logVolumes = afterCollection && !m_devices.disks.empty();
  std::vector<DeviceRow> devices;
  if (m_road == DeviceRoad::kPartition) {
    devices = DiskRows();
  } else if (m_road == DeviceRoad::kDeletedFile) {
    if (logVolumes) LogInfo("collect device end");
    devices = VolumeRows();
    if (logVolumes) LogInfo("InitVolumeDeviceSelectCtrl end");
  } else {
    std::optional<CElapsedTimeLog> timer;
    if (logVolumes)
      timer.emplace("CCompleteRecoveryPartitionDeviceSelectController::InitVolumeDeviceSelectCtrl");
    devices = VolumeRows();
  }
  auto images = ImageRows();
  rows.insert(rows.end(), std::make_move_iterator(devices.begin()), std::make_move_iterator(devices.end()));
  rows.insert(rows.end(), std::make_move_iterator(images.begin()), std::make_move_iterator(images.end()));
  return rows;
}

std::string CDeviceListCollection::VolumeLine(const DeviceListItem& item) const {
  // The name the system gives the volume, its label, where it is mounted
  // and its file system: "sda1  DATA  (/media/u/DATA) [NTFS]".
  std::string name, mount;
  if (item.driveLetter) {
    if (auto entry = qm::FindVolume(item.driveLetter)) {
      name = BaseName(entry->node);
      mount = entry->mountPoint;
    }
  }
  if (name.empty()) {
    // A volume the system does not list by itself (one inside an image
    // standing as a disk): its disk and its place among that disk's
    // volumes.
    CDiskDevice* disk = item.extents[0].disk;
    int place = 0;
    for (const DeviceListItem& v : m_devices.volumes) {
      if (v.extents[0].disk == disk) ++place;
      if (&v == &item) break;
    }
    name = disk ? DiskName(disk) + ":" + std::to_string(place) : std::string("*");
  }
  std::string line = name;
  if (item.volumeLabel[0])
    line +=
        std::string("  ") + std::string(item.volumeLabel, strnlen(item.volumeLabel, sizeof item.volumeLabel));
  if (!mount.empty()) line += "  (" + mount + ")";
  line += "  [" + GetFileSystemTypeName(static_cast<unsigned>(item.fileSystemType)) + "]";
  return line;
}

std::vector<DeviceRow> CDeviceListCollection::DiskRows() const {
  std::vector<DeviceRow> rows;
  for (const auto& record : m_diskRecords) {
    CDiskDevice* disk = record->disk;
    DeviceRow row;
    const bool usb = qm::ByteView(record->bytes.data(), record->bytes.size()).le32(12) == 1;
    row.iconKind = usb ? kIconUsb : kIconDisk;
    row.sectorCount = disk->GetSectorCount();
    row.bytesPerSector = static_cast<std::uint32_t>(std::max(0, disk->GetSectorSize()));
    row.caption = TextAt(*record, 20, 256);
    const std::string name = DiskName(disk);
    // Two blanks alone mean the system told nothing of the disk.
    if (row.caption.find_first_not_of(' ') == std::string::npos)
      row.caption = name;
    else if (row.caption.find(name) == std::string::npos)
      row.caption = name + "  " + row.caption;
    std::string info;
    for (const DeviceListItem& v : m_devices.volumes) {
      const bool onDisk = std::any_of(std::begin(v.extents), std::end(v.extents), [&](const DeviceExtent& e) {
        return e.disk && e.disk->GetDiskNumber() == disk->GetDiskNumber();
      });
      if (!onDisk) continue;
      if (!info.empty()) info += '\n';
      info += VolumeLine(v);
    }
    row.information = info;
    row.record = record.get();
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<DeviceRow> CDeviceListCollection::VolumeRows() const {
  std::vector<DeviceRow> rows;
  for (const DeviceListItem& v : m_devices.volumes) {
    // Volumes of no known file system have nothing to list for either road;
    // the deleted-file road also needs the file system's own tree.
    if (m_road == DeviceRoad::kDeletedFile && (v.fileSystemType == 7 || v.fileSystemType < 0)) continue;
    const std::uint64_t sectors = v.device ? v.device->GetSectorCount() : 0;
    if (!v.device || sectors == 0) continue;
    DeviceRow row;
    row.iconKind = v.usbFlag ? (v.floppyFlag ? kIconFloppy : kIconUsb) : kIconVolume;
    row.sectorCount = sectors;
    row.bytesPerSector = static_cast<std::uint32_t>(std::max(0, v.device->GetSectorSize()));
    row.caption = VolumeLine(v);
    row.information = std::string(v.description, strnlen(v.description, sizeof v.description));
    row.record = const_cast<DeviceListItem*>(&v);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<DeviceRow> CDeviceListCollection::ImageRows() const {
  std::vector<DeviceRow> rows;
  for (const auto& r : m_imageDisks) {
    DeviceRow row;
    row.iconKind = kIconImage;
    row.sectorCount = qm::ByteView(r->bytes.data(), r->bytes.size()).le64(276);
    row.caption = qm::ImageCaption(TextAt(*r, 16, 260));
    row.bytesPerSector = qm::ImageRowSectorSize(r->device ? r->device->GetSectorSize() : 512);
    row.record = r.get();
    rows.push_back(std::move(row));
  }
  for (const auto& v : m_imageVolumes) {
    DeviceRow row;
    row.iconKind = kIconImage;
    row.sectorCount = v->device ? v->device->GetSectorCount() : 0;
    row.caption =
        qm::ImageCaption(std::string(v->description, strnlen(v->description, sizeof v->description)));
    if (m_road != DeviceRoad::kDeletedFile)
      row.bytesPerSector = qm::ImageRowSectorSize(v->device ? v->device->GetSectorSize() : 512);
    if (v->imageSectors != 0) {
      // A volume of the image: its label and file system, as a disk's
      // volume shows them.
      const std::string label(v->volumeLabel, strnlen(v->volumeLabel, sizeof v->volumeLabel));
      row.information = (label.empty() ? std::string() : label + "  ") + "[" +
                        GetFileSystemTypeName(static_cast<unsigned>(v->fileSystemType)) + "]";
    }
    row.record = v.get();
    rows.push_back(std::move(row));
  }
  return rows;
}

bool CDeviceListCollection::HasImagePath(const std::string& path) const {
  // One file under two spellings (a link, "./", "..") is still one image.
  auto same = [canonical = Canonical(path)](const std::string& other) { return Canonical(other) == canonical; };
  for (const auto& r : m_imageDisks)
    if (same(r->GetImagePath())) return true;
  for (const auto& v : m_imageVolumes)
    if (same(v->imagePath)) return true;
  return false;
}

AddImageResult CDeviceListCollection::AddImage(const std::string& path, const std::string& descriptionIn,
                                               std::uint32_t sourceDeviceType) {
  // Every road checks for a second copy of an open image and for an image
  // that does not open: the same file twice would be two devices over one
  // file, and a broken one would fail only later, in the middle of a scan.
  if (HasImagePath(path)) return AddImageResult::kAlreadyOpen;
  std::unique_ptr<IStorageDevice> device = m_opener ? m_opener(path) : nullptr;
  if (!device) return AddImageResult::kInvalid;
  const std::uint64_t sectors = device->GetSectorCount();
  if (sectors == 0)
    return m_road == DeviceRoad::kComplete ? AddImageResult::kDestroyed : AddImageResult::kInvalid;
  const std::string description = descriptionIn.empty() ? BaseName(path) : descriptionIn;
  const std::uint32_t ordinal = m_ordinal++;

  if (m_road == DeviceRoad::kPartition) {
    auto record = std::make_unique<CScanStateRecord>();
    record->SetKind(1);
    PutLe32(record->bytes, 8, sourceDeviceType);
    PutLe32(record->bytes, 12, ordinal);
    PutText(record->bytes, 16, 260, description);
    PutLe64(record->bytes, 276, sectors);
    if (!record->SetImagePath(path)) return AddImageResult::kInvalid;
    record->ownedDevice = std::move(device);
    record->device = record->ownedDevice.get();
    m_imageDisks.push_back(std::move(record));
    return AddImageResult::kAdded;
  }

  if (path.size() >= 260) return AddImageResult::kInvalid;
  // The image is shared by the items of its volumes, each reading it
  // through its window.
  std::shared_ptr<IStorageDevice> image(std::move(device));
  VolumeList volumes = qm::ImageVolumes(image, path, BaseName(path));
  auto whole = std::make_unique<DeviceListItem>();
  whole->sourceFlag = 1;
  whole->image = image;
  whole->device = qm::ImageWindow(image.get(), 0, sectors);
  std::strncpy(whole->description, description.c_str(), 259);
  whole->imagePath = path;
  if (m_road == DeviceRoad::kDeletedFile)
    whole->fileSystemType = qm::FileSystemFromDescription(description, 7);
  // A plain image file carries no description of its source, and a
  // description need not name a file system: the file system the image
  // holds names it.
  if (descriptionIn.empty() || (m_road == DeviceRoad::kDeletedFile && whole->fileSystemType == 7)) {
    CVolumeAnalyzerList analyzers;
    analyzers.Analyze(whole->device.get(), 0);
    if (IVolume* volume = analyzers.FindRecognized(); volume && volume->GetFileSystemType() != 7) {
      whole->fileSystemType = volume->GetFileSystemType();
      volume->GetLabel(whole->volumeLabel, static_cast<int>(sizeof whole->volumeLabel));
      if (descriptionIn.empty()) {
        const std::string named =
            description + " (" + GetFileSystemTypeName(static_cast<unsigned>(whole->fileSystemType)) + ")";
        std::strncpy(whole->description, named.c_str(), 259);
      }
    }
  }
  // An image of a bare volume is listed as the one item it is. Of an image
  // of a disk, the deleted-file road lists the volumes of its partition
  // table that hold a known file system (only an image without any stays
  // listed whole, so that Next can say that nothing is found there); the
  // complete road lists the whole image, which a scan searches from end to
  // end, and then each volume of its table.
  const bool bare = volumes.empty() || (volumes.size() == 1 && volumes[0].imageStart == 0);
  std::vector<std::unique_ptr<DeviceListItem>> items;
  if (m_road == DeviceRoad::kComplete || bare) items.push_back(std::move(whole));
  for (DeviceListItem& volume : volumes) {
    if (bare || !volume.device) continue;
    if (m_road == DeviceRoad::kDeletedFile && (volume.fileSystemType == 7 || volume.fileSystemType < 0)) continue;
    items.push_back(std::make_unique<DeviceListItem>(std::move(volume)));
  }
  if (items.empty()) items.push_back(std::move(whole));
  for (auto& item : items) {
    item->kind = ordinal; // an image keeps its ordinal where a volume keeps its kind
    m_imageVolumes.push_back(std::move(item));
  }
  return AddImageResult::kAdded;
}

bool CDeviceListCollection::IsImage(const void* record) const {
  if (!record) return false;
  for (const auto& r : m_imageDisks)
    if (r.get() == record) return true;
  for (const auto& v : m_imageVolumes)
    if (v.get() == record) return true;
  return false;
}

bool CDeviceListCollection::RemoveImage(const void* record) {
  const auto before = ImageCount();
  std::erase_if(m_imageDisks, [&](const auto& r) { return r.get() == record; });
  // The volumes of an image come and go with it.
  std::string path;
  for (const auto& v : m_imageVolumes)
    if (v.get() == record) path = v->imagePath;
  std::erase_if(m_imageVolumes, [&](const auto& v) { return v.get() == record || (!path.empty() && v->imagePath == path); });
  return ImageCount() != before;
}
