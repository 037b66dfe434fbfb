// A device for the walker fuzz targets: the input is the content from
// sector 0 on (a trailing partial sector reads as zeros), and reading past
// it fails, as a real device's end does.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "storage/storage_device.h"

class WalkerFuzzDevice : public IStorageDevice {
public:
  WalkerFuzzDevice(const std::uint8_t* data, std::size_t size, std::int32_t sectorSize)
      : data_(data), size_(size), sectorSize_(sectorSize) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    const std::uint64_t total = GetSectorCount();
    if (first > total || count > total - first) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::uint64_t bytes = count * static_cast<std::uint64_t>(sectorSize_);
    const std::uint64_t offset = first * static_cast<std::uint64_t>(sectorSize_);
    std::memset(out, 0, bytes);
    if (offset < size_) std::memcpy(out, data_ + offset, std::min<std::uint64_t>(bytes, size_ - offset));
    return 1;
  }
  std::uint64_t GetSectorCount() override { return (size_ + sectorSize_ - 1) / sectorSize_; }
  std::int32_t GetSectorSize() override { return sectorSize_; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::int32_t sectorSize_;
};
