// Hands a deep-scan sweep the sectors of one AnalyzeBlock range, piece by
// piece: in place in the read-ahead cache's current block when the range
// lies inside it (the normal case of the intelligent search), otherwise
// read into a buffer kept between calls. A piece that cannot be read is
// read again sector by sector; a sector that still fails is handed out as
// zeros, which every sweep skips or treats as empty.
#pragma once

#include <cstdint>
#include <vector>

class CStorageDeviceWithCache;
class IStorageDevice;

class CSweepSectorSource {
public:
  void SetDevice(IStorageDevice* device);
  IStorageDevice* GetDevice() const { return device_; }
  // The device's sector size (512 without a device or for a device that
  // does not know its own).
  std::uint32_t SectorSize() const { return sectorSize_; }

  // Calls visit(first sector, bytes, sector count) for consecutive pieces
  // that cover [first, first + count) in order. The bytes are valid only
  // during the call. Stops early when visit returns false.
  template <typename Visit> void ForEachPiece(std::uint64_t first, std::uint64_t count, Visit&& visit) {
    if (device_ == nullptr || count == 0) return;
    if (const std::uint8_t* data = InPlace(first, count)) {
      visit(first, data, count);
      return;
    }
    while (count > 0) {
      const std::uint64_t n = count < kPieceSectors(sectorSize_) ? count : kPieceSectors(sectorSize_);
      const std::uint8_t* data = ReadPiece(first, n);
      if (!visit(first, data, n)) return;
      first += n;
      count -= n;
    }
  }

private:
  static std::uint64_t kPieceSectors(std::uint32_t sectorSize) {
    const std::uint64_t n = std::uint64_t{256 * 1024} / sectorSize;
    return n == 0 ? 1 : n;
  }
  const std::uint8_t* InPlace(std::uint64_t first, std::uint64_t count) const;
  const std::uint8_t* ReadPiece(std::uint64_t first, std::uint64_t count);

  IStorageDevice* device_ = nullptr;
  CStorageDeviceWithCache* cache_ = nullptr;
  std::uint32_t sectorSize_ = 512;
  std::vector<std::uint8_t> buffer_;
};
