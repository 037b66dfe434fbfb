// The block reader of the carving walks. A carved file is addressed by byte
// offset from its first sector; the reader loads it in windows of 128
// device sectors, each read with one sector more, so that a record which
// begins near the end of a window is still seen whole.
//
// Each reader owns its bytes. A single buffer shared by the whole process
// would let two readers alive at the same time (two walks on one thread, or
// a tree build beside a sweep) hand out each other's bytes silently, and a
// device of sectors larger than the shared buffer foresaw would overrun it;
// one allocation per walk costs nothing beside the 129-sector read it
// serves.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_view.h"
#include "storage/mem_alloc.h"

class IStorageDevice;

class CRawReadBuffer {
public:
  static constexpr std::uint64_t kWindowSectors = 128;
  // Sectors read per load: the window and one more.
  static constexpr std::uint64_t kLoadSectors = kWindowSectors + 1;
  // Larger sectors are refused (nothing is readable) so that a device that
  // reports a wild sector size cannot size a huge buffer.
  static constexpr std::int32_t kMaxSectorSize = 65536;

  // The device is not owned; firstSector is the file's first sector on it.
  CRawReadBuffer(IStorageDevice* device, std::uint64_t firstSector);

  // The file's bytes from offset on, as far as they are loaded, and at least
  // minLength of them; an empty view when the device cannot be read there
  // (past its end, or a failed read). The view stays valid until the next
  // call. minLength may be at most GetWindowSize().
  qm::ByteView GetPointer(std::uint64_t offset, std::size_t minLength = 1);

  // Bytes per window: the device's sector size x 128 (512 x 128 without a
  // usable device).
  std::uint64_t GetWindowSize() const { return windowSize_; }
  std::uint32_t GetSectorSize() const { return sectorSize_; }

private:
  // Loads up to kLoadSectors sectors from the file's sector relSector on:
  // all of them, or else those that remain before the device's end. False
  // when not even one sector could be read.
  bool LoadAt(std::uint64_t relSector);
  bool Covers(std::uint64_t offset, std::size_t length) const {
    return offset >= loadedStart_ && offset - loadedStart_ <= loadedBytes_ &&
           length <= loadedBytes_ - (offset - loadedStart_);
  }

  IStorageDevice* device_ = nullptr;
  std::uint64_t firstSector_ = 0;
  std::uint32_t sectorSize_ = 0; // 0: no usable device
  std::uint64_t windowSize_ = 512 * kWindowSectors;
  qm::MemBuffer<std::uint8_t> buffer_; // kLoadSectors sectors, made on first use
  std::uint64_t loadedStart_ = 0;      // file offset of buffer_[0]
  std::uint64_t loadedBytes_ = 0;      // 0: nothing loaded
};
