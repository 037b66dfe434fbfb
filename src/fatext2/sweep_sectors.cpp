#include "fatext2/sweep_sectors.h"

#include <cstring>

#include "storage/storage_device.h"
#include "storage/storage_device_with_cache.h"

void CSweepSectorSource::SetDevice(IStorageDevice* device) {
  device_ = device;
  cache_ = dynamic_cast<CStorageDeviceWithCache*>(device);
  const std::int32_t size = device != nullptr ? device->GetSectorSize() : 0;
  sectorSize_ = size > 0 && size % 512 == 0 ? static_cast<std::uint32_t>(size) : 512;
}

const std::uint8_t* CSweepSectorSource::InPlace(std::uint64_t first, std::uint64_t count) const {
  if (cache_ == nullptr) return nullptr;
  std::uint64_t blockFirst = 0;
  std::uint64_t blockCount = 0;
  const std::uint8_t* data = cache_->GetCurBlockData(&blockFirst, &blockCount);
  if (data == nullptr || first < blockFirst || first - blockFirst > blockCount ||
      count > blockCount - (first - blockFirst))
    return nullptr;
  return data + (first - blockFirst) * sectorSize_;
}

const std::uint8_t* CSweepSectorSource::ReadPiece(std::uint64_t first, std::uint64_t count) {
  const std::size_t bytes = static_cast<std::size_t>(count * sectorSize_);
  if (buffer_.size() < bytes) buffer_.resize(bytes);
  if (device_->ReadSectors(buffer_.data(), first, count)) return buffer_.data();
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint8_t* at = buffer_.data() + i * sectorSize_;
    if (!device_->ReadSectors(at, first + i, 1)) std::memset(at, 0, sectorSize_);
  }
  return buffer_.data();
}
