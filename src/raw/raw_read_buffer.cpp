#include "raw/raw_read_buffer.h"

#include <algorithm>
#include <limits>

#include "storage/storage_device.h"

CRawReadBuffer::CRawReadBuffer(IStorageDevice* device, std::uint64_t firstSector)
    : device_(device), firstSector_(firstSector) {
  if (device_ == nullptr) return;
  const std::int32_t size = device_->GetSectorSize();
  if (size <= 0 || size > kMaxSectorSize) return;
  sectorSize_ = static_cast<std::uint32_t>(size);
  windowSize_ = sectorSize_ * kWindowSectors;
}

qm::ByteView CRawReadBuffer::GetPointer(std::uint64_t offset, std::size_t minLength) {
  if (minLength == 0) minLength = 1;
  if (sectorSize_ == 0 || minLength > windowSize_) return {};
  if (!Covers(offset, minLength)) {
    // The window that holds the offset, then, for a record that runs past
    // the window's extra sector, a load that starts at the offset's sector.
    const bool loaded = LoadAt(offset / windowSize_ * kWindowSectors);
    if (!loaded || !Covers(offset, minLength)) {
      if (!LoadAt(offset / sectorSize_) || !Covers(offset, minLength)) return {};
    }
  }
  const std::uint64_t skip = offset - loadedStart_;
  return qm::ByteView(buffer_.get() + skip, static_cast<std::size_t>(loadedBytes_ - skip));
}

bool CRawReadBuffer::LoadAt(std::uint64_t relSector) {
  loadedBytes_ = 0;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (firstSector_ > kMax - kLoadSectors || relSector > kMax - kLoadSectors - firstSector_) return false;
  if (!buffer_)
    buffer_ = qm::MakeMemBuffer<std::uint8_t>(static_cast<std::size_t>(kLoadSectors * sectorSize_));
  const std::uint64_t start = firstSector_ + relSector;
  std::uint64_t count = 0;
  if (device_->ReadSectors(buffer_.get(), start, kLoadSectors)) {
    count = kLoadSectors;
  } else {
    // Near the device's end: what remains of it. (A plain "remaining mod
    // 128" would read nothing when exactly one window remains.)
    const std::uint64_t total = device_->GetSectorCount();
    if (start < total) {
      count = std::min<std::uint64_t>(total - start, kWindowSectors);
      if (!device_->ReadSectors(buffer_.get(), start, count)) count = 0;
    }
    // Devices whose sector count does not tell where reading ends (the
    // carving ring reports only the sectors it holds): sector by sector up
    // to the first that fails.
    if (count == 0) {
      while (count < kLoadSectors &&
             device_->ReadSectors(buffer_.get() + count * sectorSize_, start + count, 1))
        ++count;
    }
  }
  if (count == 0) return false;
  loadedStart_ = relSector * sectorSize_;
  loadedBytes_ = count * sectorSize_;
  return true;
}
