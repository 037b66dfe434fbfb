#include "storage/image_volumes.h"

#include <cstring>

#include "storage/partition_device.h"
#include "storage/partition_table.h"

namespace qm {

VolumeList ImageVolumes(const std::shared_ptr<IStorageDevice>& image, const std::string& path,
                        const std::string& name) {
  VolumeList volumes;
  if (!image) return volumes;
  DiskPartitionList records;
  ReadDiskPartitionTable(image.get(), records);
  int place = 0;
  for (auto& record : records) {
    ++place;
    DeviceListItem item;
    item.sourceFlag = 1;
    item.image = image;
    item.device = std::move(record->partitionDevice);
    item.fileSystemType = record->fileSystemType;
    std::memcpy(item.volumeLabel, record->volumeLabel, sizeof item.volumeLabel);
    item.volumeLabel[sizeof item.volumeLabel - 1] = '\0';
    item.imagePath = path;
    item.imageStart = record->startSector;
    item.imageSectors = record->sectorCount;
    const std::string text = name + ":" + std::to_string(place);
    std::strncpy(item.description, text.c_str(), sizeof item.description - 1);
    volumes.push_back(std::move(item));
  }
  return volumes;
}

std::unique_ptr<IStorageDevice> ImageWindow(IStorageDevice* image, std::uint64_t start, std::uint64_t sectors) {
  if (image == nullptr || sectors == 0) return nullptr;
  auto window = std::make_unique<CBasicPartitionDevice>(image, start, sectors);
  if (window->GetSectorCount() == 0) return nullptr;
  return window;
}

} // namespace qm
