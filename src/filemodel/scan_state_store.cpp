#include "filemodel/scan_state_store.h"

#include <cstring>
#include <map>
#include <mutex>

#include "filemodel/rs_data.h"
#include "filemodel/rs_exception.h"
#include "platform/byte_view.h"
#include "platform/log.h"
#include "storage/device_identity.h"
#include "storage/device_list_item_record.h"
#include "storage/disk_device.h"
#include "storage/image_file_device.h"
#include "storage/image_volumes.h"

namespace {

std::mutex& OpenerLock() {
  static std::mutex lock;
  return lock;
}

qm::ImageOpener& Opener() {
  static qm::ImageOpener opener = [](const std::string& path) -> std::unique_ptr<IStorageDevice> {
    auto device = std::make_unique<CImageFileDevice>(path.c_str(), qm::RawImageSectorSize(path));
    if (device->GetSectorCount() == 0) return nullptr;
    return device;
  };
  return opener;
}

std::unique_ptr<IStorageDevice> OpenImage(const std::string& path) {
  qm::ImageOpener opener;
  {
    std::lock_guard lock(OpenerLock());
    opener = Opener();
  }
  return opener ? opener(path) : nullptr;
}

void WriteIdentity(IRSData& stream, CDiskDevice* disk) {
  const qm::DeviceIdentity identity = disk != nullptr ? qm::MakeDiskIdentity(*disk) : qm::DeviceIdentity{};
  stream.Write(identity.data(), static_cast<std::uint32_t>(identity.size()));
}

qm::DeviceIdentity ReadIdentity(IRSData& stream) {
  qm::DeviceIdentity identity{};
  stream.Read(identity.data(), static_cast<std::uint32_t>(identity.size()));
  return identity;
}

// Identities of the current disks, each made once per load (it reads the
// disk's first sector and asks the system for its description).
class IdentityCache {
public:
  const qm::DeviceIdentity& Of(CDiskDevice* disk) {
    auto found = cache_.find(disk);
    if (found == cache_.end())
      found =
          cache_.emplace(disk, disk != nullptr ? qm::MakeDiskIdentity(*disk) : qm::DeviceIdentity{}).first;
    return found->second;
  }

private:
  std::map<CDiskDevice*, qm::DeviceIdentity> cache_;
};

void LogStreamError(const IRSException& error) {
  LogError("RS Exception:%d", static_cast<int>(error.GetErrorCode()));
}

} // namespace

std::uint32_t CScanStateRecord::GetKind() const { return qm::ByteView(bytes.data(), bytes.size()).le32(0); }

void CScanStateRecord::SetKind(std::uint32_t kind) {
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<std::uint8_t>(kind >> (8 * i));
}

std::string CScanStateRecord::GetImagePath() const {
  const auto* path = reinterpret_cast<const char*>(bytes.data() + qm::kRecordImagePathOffset);
  return std::string(path, ::strnlen(path, qm::kRecordImagePathSize - 1));
}

bool CScanStateRecord::SetImagePath(const std::string& path) {
  std::memset(bytes.data() + qm::kRecordImagePathOffset, 0, qm::kRecordImagePathSize);
  std::memcpy(bytes.data() + qm::kRecordImagePathOffset, path.data(),
              std::min(path.size(), qm::kRecordImagePathSize - 1));
  return path.size() < qm::kRecordImagePathSize;
}

void CScanStateStore::SetImageOpener(qm::ImageOpener opener) {
  std::lock_guard lock(OpenerLock());
  Opener() = std::move(opener);
}

int CScanStateStore::SaveSearchRecord(const DeviceListItem& item, IRSData* stream) {
  if (stream == nullptr) return 0;
  std::array<std::uint8_t, kDeviceListItemSize> bytes{};
  if (!qm::EncodeDeviceListItem(item, bytes))
    LogError("Image path too long to be kept with the scan: %s", item.imagePath.c_str());
  try {
    stream->OpenSection(qm::kSearchTargetSection);
    stream->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    if (item.sourceFlag == 0) {
      const std::size_t extents = qm::CountDiskExtents(item);
      for (std::size_t i = 0; i < extents; ++i)
        WriteIdentity(*stream, item.extents[i].disk);
    }
    stream->CloseSection();
  } catch (const IRSException& error) {
    LogStreamError(error);
    throw;
  }
  return 1;
}

DeviceListItem* CScanStateStore::LoadSearchRecord(IRSData* stream, VolumeList& volumes, VolumeList& images) {
  if (stream == nullptr) return nullptr;
  try {
    if (!stream->TryOpenSection(qm::kSearchTargetSection)) return nullptr;
    std::array<std::uint8_t, kDeviceListItemSize> bytes{};
    stream->Read(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    std::size_t extents = 0;
    DeviceListItem stored = qm::DecodeDeviceListItem(bytes, &extents);
    std::vector<qm::DeviceIdentity> identities;
    for (std::size_t i = 0; i < extents; ++i)
      identities.push_back(ReadIdentity(*stream));
    stream->CloseSection();

    if (stored.sourceFlag != 0) {
      for (auto& image : images)
        if (image.sourceFlag != 0 && image.imagePath == stored.imagePath &&
            image.imageStart == stored.imageStart && image.imageSectors == stored.imageSectors)
          return &image;
      auto device = OpenImage(stored.imagePath);
      if (!device) {
        LogError("The image of the saved scan cannot be opened: %s", stored.imagePath.c_str());
        return nullptr;
      }
      if (stored.imageSectors != 0) {
        // A volume of the image: read through its window again.
        stored.image = std::move(device);
        stored.device = qm::ImageWindow(stored.image.get(), stored.imageStart, stored.imageSectors);
        if (!stored.device) {
          LogError("The volume of the saved scan no longer lies inside its image: %s", stored.imagePath.c_str());
          return nullptr;
        }
      } else {
        stored.device = std::move(device);
      }
      images.push_back(std::move(stored));
      return &images.back();
    }
    IdentityCache cache;
    for (auto& item : volumes) {
      if (item.sourceFlag == 2 || item.floppyFlag != stored.floppyFlag ||
          item.driveLetter != stored.driveLetter || item.fileSystemType != stored.fileSystemType ||
          item.kind != stored.kind || qm::CountDiskExtents(item) != extents)
        continue;
      bool same = true;
      for (std::size_t i = 0; same && i < extents; ++i)
        same = item.extents[i].startSector == stored.extents[i].startSector &&
               item.extents[i].sectorCount == stored.extents[i].sectorCount &&
               cache.Of(item.extents[i].disk) == identities[i];
      if (same) return &item;
    }
    return nullptr;
  } catch (const IRSException& error) {
    LogStreamError(error);
    throw;
  }
}

int CScanStateStore::SaveRecord(const CScanStateRecord& record, IRSData* stream) {
  if (stream == nullptr) return 0;
  auto bytes = record.bytes;
  // Pointer slots of the 32-bit layout: the device at 4 and a disk's device
  // at 16 (an image keeps text there).
  std::memset(bytes.data() + 4, 0, 4);
  if (record.GetKind() == CScanStateRecord::kKindDisk) std::memset(bytes.data() + 16, 0, 4);
  try {
    stream->OpenSection(qm::kDeviceRecordSection);
    stream->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    if (record.GetKind() == CScanStateRecord::kKindDisk) WriteIdentity(*stream, record.disk);
    stream->CloseSection();
  } catch (const IRSException& error) {
    LogStreamError(error);
    throw;
  }
  return 1;
}

CScanStateRecord* CScanStateStore::LoadRecords(IRSData* stream,
                                               std::vector<std::unique_ptr<CScanStateRecord>>& disks,
                                               std::vector<std::unique_ptr<CScanStateRecord>>& images) {
  if (stream == nullptr) return nullptr;
  try {
    if (!stream->TryOpenSection(qm::kDeviceRecordSection)) return nullptr;
    auto stored = std::make_unique<CScanStateRecord>();
    stream->Read(stored->bytes.data(), static_cast<std::uint32_t>(stored->bytes.size()));
    qm::DeviceIdentity identity{};
    const bool isDisk = stored->GetKind() == CScanStateRecord::kKindDisk;
    if (isDisk) identity = ReadIdentity(*stream);
    stream->CloseSection();

    if (!isDisk) {
      if (stored->GetKind() == CScanStateRecord::kKindNeverMatched) return nullptr;
      const std::string path = stored->GetImagePath();
      for (auto& image : images)
        if (image->GetKind() != CScanStateRecord::kKindDisk && image->GetImagePath() == path)
          return image.get();
      stored->ownedDevice = OpenImage(path);
      if (!stored->ownedDevice) {
        LogError("The image of the saved scan cannot be opened: %s", path.c_str());
        return nullptr;
      }
      stored->device = stored->ownedDevice.get();
      images.push_back(std::move(stored));
      return images.back().get();
    }
    for (auto& record : disks)
      if (record->GetKind() != CScanStateRecord::kKindNeverMatched && record->disk != nullptr &&
          qm::MakeDiskIdentity(*record->disk) == identity)
        return record.get();
    return nullptr;
  } catch (const IRSException& error) {
    LogStreamError(error);
    throw;
  }
}
