// Large buffers that a sweep touches once per block (the read-ahead cache's
// blocks, the carving ring): aligned to 2 MiB and asked for huge pages,
// never zeroed, and kept for reuse when given up. On a virtual machine every
// small page touched for the first time costs a fault that takes longer
// than copying the page from the page cache, and zeroing a buffer that a
// read fills anyway doubles the memory traffic, so a sweep that made its
// buffers afresh spent a large part of its time on them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm {

class HugePageBuffer {
public:
  HugePageBuffer() = default;
  // At least `bytes` bytes of unspecified content (a kept buffer's old
  // bytes, or zeros). Running out of memory raises the program's
  // out-of-memory exception, as every allocation wrapper does.
  explicit HugePageBuffer(std::size_t bytes);
  HugePageBuffer(HugePageBuffer&& other) noexcept;
  HugePageBuffer& operator=(HugePageBuffer&& other) noexcept;
  HugePageBuffer(const HugePageBuffer&) = delete;
  HugePageBuffer& operator=(const HugePageBuffer&) = delete;
  // Gives the buffer back for reuse (or frees it when enough are kept).
  ~HugePageBuffer();

  std::uint8_t* get() const { return data_; }
  // The usable bytes (at least those asked for).
  std::size_t size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }
  void reset();

private:
  void* base_ = nullptr; // as allocated
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// Frees every buffer kept for reuse; returns how many bytes that gave back.
std::size_t ReleaseKeptHugePageBuffers();
// Bytes held in buffers kept for reuse.
std::size_t KeptHugePageBufferBytes();

} // namespace qm
