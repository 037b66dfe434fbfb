#include "platform/log_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qm {

int CLogBuffer::Attach(void* block, unsigned size) {
  if (AttachKeeping(block, size) == 0) return 0;
  Reset();
  return 1;
}

int CLogBuffer::AttachKeeping(void* block, unsigned size) {
  if (block == nullptr || size < kHeaderSize) return 0;
  base_ = static_cast<unsigned char*>(block);
  capacity_ = size;
  return 1;
}

void CLogBuffer::Detach() {
  base_ = nullptr;
  capacity_ = 0;
}

std::uint32_t CLogBuffer::Count() const {
  if (base_ == nullptr) return 0;
  return static_cast<std::uint32_t>(base_[0]) | static_cast<std::uint32_t>(base_[1]) << 8 |
         static_cast<std::uint32_t>(base_[2]) << 16 | static_cast<std::uint32_t>(base_[3]) << 24;
}

void CLogBuffer::StoreCount(std::uint32_t count) {
  base_[0] = static_cast<unsigned char>(count);
  base_[1] = static_cast<unsigned char>(count >> 8);
  base_[2] = static_cast<unsigned char>(count >> 16);
  base_[3] = static_cast<unsigned char>(count >> 24);
}

bool CLogBuffer::CountIsSound() const {
  return base_ != nullptr && Count() <= capacity_ - kHeaderSize;
}

void CLogBuffer::Reset() {
  if (base_ != nullptr) StoreCount(0);
}

const char* CLogBuffer::Text() const {
  return base_ == nullptr ? nullptr : reinterpret_cast<const char*>(base_ + kHeaderSize);
}

int CLogBuffer::Append(const char* data, unsigned length) {
  if (base_ == nullptr || data == nullptr || length == 0) return 0;
  // Another process wrote this word: never trust it to index the block.
  if (!CountIsSound()) Reset();
  const std::uint32_t count = Count();
  const unsigned room = capacity_ - kHeaderSize - count; // no overflow: count is sound
  if (length > room) return 0;                           // dropped whole, never cut
  std::memcpy(base_ + kHeaderSize + count, data, length);
  // The count moves last: a writer that dies mid-copy leaves only bytes
  // behind the count, which nobody reads.
  StoreCount(count + length);
  return 1;
}

int CLogBuffer::WriteTo(int fd) const {
  if (!CountIsSound()) return 0;
  const char* text = Text();
  std::uint32_t left = Count();
  while (left > 0) {
    const ssize_t written = write(fd, text, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return 0;
    text += written;
    left -= static_cast<std::uint32_t>(written);
  }
  return 1;
}

} // namespace qm
