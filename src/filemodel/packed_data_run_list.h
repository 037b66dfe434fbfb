// The compact form of a file's extents kept with its properties and in
// saved results: the runs as NTFS mapping pairs (mapping_pairs.h) plus a
// 16-bit resident value (0 for a non-resident list, else the low 16 bits of
// the NTFS resident offset). Millions of found files each keep one, so a
// short string (the usual one- or two-run file) lives inside the object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "filemodel/data_run_list.h"
#include "filemodel/mapping_pairs.h"
#include "filemodel/tree_object_pool.h"
#include "platform/byte_view.h"

class IRSData;

class CPackedDataRunList {
public:
  // The longest mapping-pair string a saved result may hold. Far beyond
  // any real file (a million fragments take about 10 MiB); a larger count
  // in a saved result is damage.
  static constexpr std::uint32_t kMaxPackedBytes = 64u << 20;

  CPackedDataRunList(const CPackedDataRunList&) = delete;
  CPackedDataRunList& operator=(const CPackedDataRunList&) = delete;
  ~CPackedDataRunList();
  // From the tree-object pool: every file of a tree keeps one.
  static void* operator new(std::size_t bytes) { return qm::AllocateTreeObject(bytes); }
  static void operator delete(void* list, std::size_t bytes) noexcept { qm::FreeTreeObject(list, bytes); }

  // Null when the list is null or has no runs. Walks the list with
  // FirstRun / NextRun. A resident NTFS list keeps the low 16 bits of its
  // resident offset.
  static std::unique_ptr<CPackedDataRunList> FromDataRunList(IDataRunList* list);
  // The same list straight from runs, without a run list in between:
  // entryOf(run) gives each run's DataRunEntry. Null when there are none.
  // residentValue as GetResidentValue of the run list would give it.
  template <class Runs, class EntryOf>
  static std::unique_ptr<CPackedDataRunList> FromRuns(const Runs& runs, EntryOf&& entryOf,
                                                      std::uint16_t residentValue) {
    // Nearly every file has a few runs: they are encoded once, here, and
    // copied; longer lists are encoded again into their own memory.
    constexpr std::size_t kLocalBytes = 64;
    std::uint8_t local[kLocalBytes + qm::kMaxMappingPairBytes];
    std::uint64_t previousStart = 0;
    std::size_t size = 1; // the closing 0
    for (const auto& run : runs)
      size +=
          qm::EncodeMappingPair(entryOf(run), previousStart, local + (size <= kLocalBytes ? size - 1 : 0));
    if (size == 1 || size > kMaxPackedBytes) return nullptr;
    std::unique_ptr<CPackedDataRunList> packed(new CPackedDataRunList(size, residentValue));
    std::uint8_t* out = packed->data();
    if (size <= kLocalBytes) {
      std::memcpy(out, local, size - 1);
      out[size - 1] = 0;
      return packed;
    }
    previousStart = 0;
    for (const auto& run : runs)
      out += qm::EncodeMappingPair(entryOf(run), previousStart, out);
    *out = 0;
    return packed;
  }
  // A packed list over mapping pairs as they stand (closing 0 included).
  static std::unique_ptr<CPackedDataRunList> FromMappingPairs(qm::ByteView pairs,
                                                              std::uint16_t residentValue);

  // u32 n, the n bytes of the mapping pairs (closing 0 included), u16 the
  // resident value. Stream errors raise the stream's exception. Returns 1.
  int Write(IRSData* stream) const;
  // Reads what Write wrote; null on a stream exception (not passed on) and
  // on a length beyond kMaxPackedBytes. Memory grows with the bytes
  // actually read, never with the stored count alone.
  static std::unique_ptr<CPackedDataRunList> Read(IRSData* stream);

  // A new run list: for resident value 0 a CNoneResidentNTFSDataRunList of
  // every run; otherwise a CResidentNTFSDataRunList of the first run and
  // the resident value (null when no run decodes).
  std::unique_ptr<IDataRunList> Unpack() const;

  std::uint16_t GetResidentValue() const { return residentValue_; }
  qm::ByteView MappingPairs() const { return qm::ByteView(data(), size_); }

private:
  static constexpr std::size_t kInlineBytes = 8;

  // Room for size bytes of mapping pairs, zero-filled.
  CPackedDataRunList(std::size_t size, std::uint16_t residentValue);
  const std::uint8_t* data() const { return size_ <= kInlineBytes ? inline_ : heap_; }
  std::uint8_t* data() { return size_ <= kInlineBytes ? inline_ : heap_; }

  union {
    std::uint8_t* heap_;
    std::uint8_t inline_[kInlineBytes];
  };
  std::uint32_t size_ = 0;
  std::uint16_t residentValue_ = 0;
};
