#include "storage/device_list_item_record.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_view.h"

namespace qm {

namespace {

constexpr std::size_t kSourceFlag = 0;
constexpr std::size_t kKind = 8;
constexpr std::size_t kFileSystemType = 12;
constexpr std::size_t kDriveLetter = 16;
constexpr std::size_t kLabel = 17;
constexpr std::size_t kLabelSize = 100;
constexpr std::size_t kFloppyFlag = 117;
constexpr std::size_t kUsbFlag = 121;
constexpr std::size_t kExtents = 125;
constexpr std::size_t kExtentSize = 20;
constexpr std::size_t kExtentDisk = 16;
constexpr std::size_t kDescription = 765;

void Put(std::uint8_t* at, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

std::size_t CountDiskExtents(const DeviceListItem& item) {
  std::size_t n = 0;
  while (n < kMaxDeviceListExtents && item.extents[n].disk != nullptr)
    ++n;
  return n;
}

bool EncodeDeviceListItem(const DeviceListItem& item, std::span<std::uint8_t, kDeviceListItemSize> out) {
  std::fill(out.begin(), out.end(), 0);
  std::uint8_t* b = out.data();
  Put(b + kSourceFlag, item.sourceFlag, 4);
  Put(b + kKind, item.kind, 4);
  Put(b + kFileSystemType, static_cast<std::uint32_t>(item.fileSystemType), 4);
  b[kDriveLetter] = static_cast<std::uint8_t>(item.driveLetter);
  std::memcpy(b + kLabel, item.volumeLabel, kLabelSize);
  b[kLabel + kLabelSize - 1] = 0;
  Put(b + kFloppyFlag, item.floppyFlag, 4);
  Put(b + kUsbFlag, item.usbFlag, 4);
  std::memcpy(b + kDescription, item.description, kDeviceDescriptionSize);
  b[kDescription + kDeviceDescriptionSize - 1] = 0;
  if (item.sourceFlag != 0) {
    const std::size_t length = std::min(item.imagePath.size(), kItemImagePathSize - 1);
    std::memcpy(b + kItemImagePathOffset, item.imagePath.data(), length);
    Put(b + kItemImageStartOffset, item.imageStart, 8);
    Put(b + kItemImageSectorsOffset, item.imageSectors, 8);
    return item.imagePath.size() < kItemImagePathSize;
  }
  const std::size_t extents = CountDiskExtents(item);
  for (std::size_t i = 0; i < extents; ++i) {
    Put(b + kExtents + kExtentSize * i, item.extents[i].startSector, 8);
    Put(b + kExtents + kExtentSize * i + 8, item.extents[i].sectorCount, 8);
  }
  return true;
}

DeviceListItem DecodeDeviceListItem(std::span<const std::uint8_t, kDeviceListItemSize> bytes,
                                    std::size_t* extentCount) {
  const ByteView view(bytes.data(), bytes.size());
  DeviceListItem item;
  item.sourceFlag = view.le32(kSourceFlag);
  item.kind = view.le32(kKind);
  item.fileSystemType = static_cast<std::int32_t>(view.le32(kFileSystemType));
  item.driveLetter = static_cast<char>(bytes[kDriveLetter]);
  std::memcpy(item.volumeLabel, bytes.data() + kLabel, kLabelSize);
  item.volumeLabel[kLabelSize - 1] = 0;
  item.floppyFlag = view.le32(kFloppyFlag);
  item.usbFlag = view.le32(kUsbFlag);
  std::memcpy(item.description, bytes.data() + kDescription, kDeviceDescriptionSize);
  item.description[kDeviceDescriptionSize - 1] = 0;
  std::size_t extents = 0;
  if (item.sourceFlag != 0) {
    const auto* path = reinterpret_cast<const char*>(bytes.data() + kItemImagePathOffset);
    item.imagePath.assign(path, ::strnlen(path, kItemImagePathSize - 1));
    item.imageStart = view.le64(kItemImageStartOffset);
    item.imageSectors = view.le64(kItemImageSectorsOffset);
  } else {
    for (; extents < kMaxDeviceListExtents; ++extents) {
      const std::size_t at = kExtents + kExtentSize * extents;
      const std::uint64_t count = view.le64(at + 8);
      if (count == 0 && view.le32(at + kExtentDisk) == 0) break;
      item.extents[extents].startSector = view.le64(at);
      item.extents[extents].sectorCount = count;
    }
  }
  if (extentCount != nullptr) *extentCount = extents;
  return item;
}

} // namespace qm
