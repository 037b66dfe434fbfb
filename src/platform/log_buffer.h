// The counted text buffer laid over the shared log block:
//   offset 0, 4 bytes: count of text bytes (unsigned, little-endian)
//   offset 4, count bytes: the text, appended in order, no separators.
// Invariant: count + 4 <= capacity. The block is written by another process,
// so the count is checked on every use; a count that breaks the invariant is
// corrupt and the text is dropped.
#pragma once

#include <cstdint>

namespace qm {

class CLogBuffer {
public:
  static constexpr unsigned kHeaderSize = 4;

  // 0 when block is null or smaller than the count word; else stores both,
  // empties the buffer and returns 1.
  int Attach(void* block, unsigned size);
  // As Attach, but keeps the text already there (a writer joining the
  // block of its launcher must not throw away what others wrote).
  int AttachKeeping(void* block, unsigned size);
  void Detach();

  // 0 when data is null, length is 0, or the text does not fit whole; else
  // appends and returns 1. A corrupt count is reset before appending.
  int Append(const char* data, unsigned length);
  // 0 when the count is corrupt; else writes the text in full to fd and
  // returns 1 when every byte was written.
  int WriteTo(int fd) const;

  void Reset();
  // The count as stored (possibly corrupt).
  std::uint32_t Count() const;
  bool CountIsSound() const;
  unsigned Capacity() const { return capacity_; }
  const char* Text() const;

private:
  void StoreCount(std::uint32_t count);

  unsigned char* base_ = nullptr;
  unsigned capacity_ = 0;
};

} // namespace qm
