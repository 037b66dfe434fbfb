// Arrays of plain values that one pass over a large tree fills and drops:
// a million claims, node pointers and ages. Their memory is left
// uninitialised and, from 64 KiB up, starts on a 2 MiB boundary
// with huge-page advice. On a virtual machine every small page touched for
// the first time costs a fault that takes far longer than filling the page,
// so arrays of tens of MiB made through the ordinary heap spent most of the
// pass on faults; with huge pages it takes one fault per 2 MiB. Pages never
// touched cost nothing, so an array may be made as large as it could need.
#pragma once

#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

namespace qm {

// At least `bytes` bytes; never null (running out of memory raises the
// program's out-of-memory exception).
void* AllocateHugePageMemory(std::size_t bytes);
void FreeHugePageMemory(void* memory) noexcept;

template <class T> class HugePageArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                "the elements are never constructed nor destroyed");

public:
  HugePageArray() = default;
  // capacity elements of unspecified value.
  explicit HugePageArray(std::size_t capacity) : data_(Allocate(capacity)), capacity_(capacity) {}

  T* data() const { return data_.get(); }
  std::size_t capacity() const { return capacity_; }
  T& operator[](std::size_t index) const { return data_.get()[index]; }

  // Room for capacity elements, the first `used` kept.
  void Grow(std::size_t capacity, std::size_t used) {
    std::unique_ptr<T, Free> grown(Allocate(capacity));
    if (used != 0) std::memcpy(grown.get(), data_.get(), used * sizeof(T));
    data_ = std::move(grown);
    capacity_ = capacity;
  }

  void swap(HugePageArray& other) noexcept {
    data_.swap(other.data_);
    std::swap(capacity_, other.capacity_);
  }

private:
  struct Free {
    void operator()(T* memory) const noexcept { FreeHugePageMemory(memory); }
  };

  static T* Allocate(std::size_t capacity) {
    const std::size_t bytes = capacity <= std::numeric_limits<std::size_t>::max() / sizeof(T)
                                  ? capacity * sizeof(T)
                                  : std::numeric_limits<std::size_t>::max();
    return static_cast<T*>(AllocateHugePageMemory(bytes));
  }

  std::unique_ptr<T, Free> data_;
  std::size_t capacity_ = 0;
};

} // namespace qm
