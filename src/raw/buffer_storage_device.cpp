#include "raw/buffer_storage_device.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "storage/storage_device_with_cache.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Copies a block into the ring. The ring (tens of MiB) is far larger than
// the processor's caches and is not read again until its length finders
// need it, so the block is streamed past the caches: no cache line of the
// ring is fetched only to be overwritten, and the caches keep the block
// being analysed.
void CopyIntoRing(std::uint8_t* to, const std::uint8_t* from, std::size_t bytes) {
#if defined(__SSE2__)
  if (reinterpret_cast<std::uintptr_t>(to) % 16 == 0) {
    const std::size_t whole = bytes / 64 * 64;
    for (std::size_t i = 0; i < whole; i += 64) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 16));
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 32));
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 48));
      _mm_stream_si128(reinterpret_cast<__m128i*>(to + i), a);
      _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 16), b);
      _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 32), c);
      _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 48), d);
    }
    _mm_sfence();
    std::memcpy(to + whole, from + whole, bytes - whole);
    return;
  }
#endif
  std::memcpy(to, from, bytes);
}

} // namespace

int CBufferStorageDevice::Setup(IStorageDevice* source, std::uint64_t windowStart, std::int32_t sectorSize,
                                std::uint32_t sectorsPerBlock, std::int32_t blocks) {
  Close();
  source_ = source;
  sectorSize_ = sectorSize > 0 ? sectorSize : 512;
  sectorsPerBlock_ = sectorsPerBlock;
  blocks_ = blocks;
  windowStart_ = windowStart;
  filled_ = 0;
  ringPosition_ = 0;
  if (sectorsPerBlock == 0 || blocks <= 0) return 0;
  capacity_ = std::uint64_t{sectorsPerBlock} * static_cast<std::uint64_t>(blocks);
  const std::uint64_t bytes = capacity_ * static_cast<std::uint64_t>(sectorSize_);
  if (bytes / static_cast<std::uint64_t>(sectorSize_) != capacity_ ||
      bytes > std::numeric_limits<std::size_t>::max() / 2)
    return 0;
  slotGood_.assign(static_cast<std::size_t>(blocks), 0);
  slotFirst_.assign(static_cast<std::size_t>(blocks), 0);
  slotKept_.assign(static_cast<std::size_t>(blocks), nullptr);
  valid_ = true;
  return 1;
}

int CBufferStorageDevice::Close() {
  ring_.reset();
  slotGood_.clear();
  slotFirst_.clear();
  slotKept_.clear();
  valid_ = false;
  filled_ = 0;
  ringPosition_ = 0;
  capacity_ = 0;
  return 1;
}

std::uint8_t* CBufferStorageDevice::NextSlot() {
  if (!valid_) return nullptr;
  if (!ring_) {
    // Tens of MiB touched once per scan: huge pages (fewer faults, which
    // on virtual machines cost more than reading the page from the page
    // cache), not zeroed: only what was put in (and read well) is served.
    ring_ = qm::HugePageBuffer(static_cast<std::size_t>(capacity_ * static_cast<std::uint64_t>(sectorSize_)));
  }
  return ring_.get() + ringPosition_ * static_cast<std::uint64_t>(sectorSize_);
}

void CBufferStorageDevice::CommitSlot(std::uint64_t goodSectors, const CStorageDeviceWithCache* kept) {
  if (!valid_) return;
  const auto slot = static_cast<std::size_t>(ringPosition_ / sectorsPerBlock_);
  slotGood_[slot] = std::min<std::uint64_t>(goodSectors, sectorsPerBlock_);
  slotFirst_[slot] = GetNextSector();
  slotKept_[slot] = kept;
  ringPosition_ = (ringPosition_ + sectorsPerBlock_) % capacity_;
  if (filled_ < capacity_)
    filled_ += sectorsPerBlock_;
  else
    windowStart_ += sectorsPerBlock_;
}

void CBufferStorageDevice::Commit(std::uint64_t goodSectors) { CommitSlot(goodSectors, nullptr); }

void CBufferStorageDevice::CommitKept(const CStorageDeviceWithCache* cache, std::uint64_t goodSectors) {
  // Without a cache nothing of the block is held: its reads go to the source.
  CommitSlot(cache != nullptr ? goodSectors : 0, cache);
}

void CBufferStorageDevice::CopyBlock(std::uint8_t* slot, const std::uint8_t* block, std::size_t bytes) {
  CopyIntoRing(slot, block, bytes);
}

void CBufferStorageDevice::Append(const std::uint8_t* block, std::uint64_t sectors) {
  if (!valid_ || block == nullptr) return;
  sectors = std::min<std::uint64_t>(sectors, sectorsPerBlock_);
  CopyIntoRing(NextSlot(), block,
               static_cast<std::size_t>(sectors * static_cast<std::uint64_t>(sectorSize_)));
  Commit(sectors);
}

std::uint64_t CBufferStorageDevice::PositionOf(std::uint64_t sector) const {
  // Until the ring is full its oldest block is at position 0; afterwards
  // it is where the next block will go.
  const std::uint64_t oldest = filled_ < capacity_ ? 0 : ringPosition_;
  return (oldest + (sector - windowStart_)) % capacity_;
}

const std::uint8_t* CBufferStorageDevice::SlotData(std::size_t slot, std::uint64_t sectors) const {
  if (sectors > slotGood_[slot]) return nullptr;
  if (const CStorageDeviceWithCache* cache = slotKept_[slot]) {
    std::uint64_t held = 0;
    const std::uint8_t* data = cache->GetKeptBlockData(slotFirst_[slot], &held);
    return data != nullptr && held >= sectors ? data : nullptr;
  }
  if (!ring_) return nullptr;
  return ring_.get() + slot * std::uint64_t{sectorsPerBlock_} * static_cast<std::uint64_t>(sectorSize_);
}

int CBufferStorageDevice::ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) {
  if (!valid_) return 0;
  if (buffer == nullptr) return 0;
  const bool held =
      count != 0 && first >= windowStart_ && count <= filled_ && first - windowStart_ <= filled_ - count;
  if (held) {
    const std::uint64_t size = static_cast<std::uint64_t>(sectorSize_);
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint64_t position = PositionOf(first);
    std::uint64_t left = count;
    while (left != 0) {
      const auto slot = static_cast<std::size_t>(position / sectorsPerBlock_);
      const std::uint64_t inSlot = position % sectorsPerBlock_;
      const std::uint64_t here = std::min<std::uint64_t>(left, sectorsPerBlock_ - inSlot);
      const std::uint8_t* data = SlotData(slot, inSlot + here);
      if (data == nullptr) break;
      std::memcpy(out, data + inSlot * size, static_cast<std::size_t>(here * size));
      out += here * size;
      left -= here;
      position = (position + here) % capacity_;
    }
    if (left == 0) return 1;
  }
  return source_ != nullptr ? source_->ReadSectors(buffer, first, count) : 0;
}
