#include "filemodel/packed_data_run_list.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "filemodel/mapping_pairs.h"
#include "filemodel/ntfs_data_run_lists.h"
#include "filemodel/rs_data.h"
#include "platform/log.h"
#include "storage/mem_alloc.h"

CPackedDataRunList::CPackedDataRunList(std::size_t size, std::uint16_t residentValue)
    : size_(static_cast<std::uint32_t>(size)), residentValue_(residentValue) {
  if (size <= kInlineBytes) {
    std::memset(inline_, 0, sizeof inline_);
  } else {
    // Most longer strings (two or three runs) are small enough for the
    // pool that holds the list itself.
    heap_ = static_cast<std::uint8_t*>(qm::AllocateTreeObject(size));
    std::memset(heap_, 0, size);
  }
}

CPackedDataRunList::~CPackedDataRunList() {
  if (size_ > kInlineBytes) qm::FreeTreeObject(heap_, size_);
}

std::unique_ptr<CPackedDataRunList> CPackedDataRunList::FromDataRunList(IDataRunList* list) {
  if (list == nullptr || list->FirstRun() == nullptr) return nullptr;
  // Two passes, sizing and then writing, so that packing the extents of
  // millions of files allocates nothing but the packed lists themselves.
  std::uint8_t entry[qm::kMaxMappingPairBytes];
  std::uint64_t previousStart = 0;
  std::size_t size = 1; // the closing 0
  for (const DataRunEntry* run = list->FirstRun(); run != nullptr; run = list->NextRun())
    size += qm::EncodeMappingPair(*run, previousStart, entry);
  if (size > kMaxPackedBytes) return nullptr;
  const std::uint16_t resident =
      list->GetKind() == qm::kRunListNtfsResident ? static_cast<std::uint16_t>(list->GetResidentValue()) : 0;
  std::unique_ptr<CPackedDataRunList> packed(new CPackedDataRunList(size, resident));
  std::uint8_t* out = packed->data();
  previousStart = 0;
  for (const DataRunEntry* run = list->FirstRun(); run != nullptr; run = list->NextRun())
    out += qm::EncodeMappingPair(*run, previousStart, out);
  *out = 0;
  return packed;
}

std::unique_ptr<CPackedDataRunList> CPackedDataRunList::FromMappingPairs(qm::ByteView pairs,
                                                                         std::uint16_t residentValue) {
  if (pairs.size() > kMaxPackedBytes) return nullptr;
  std::unique_ptr<CPackedDataRunList> packed(new CPackedDataRunList(pairs.size(), residentValue));
  pairs.copyTo(0, packed->data(), pairs.size());
  return packed;
}

std::unique_ptr<IDataRunList> CPackedDataRunList::Unpack() const {
  if (residentValue_ == 0) {
    auto list = std::make_unique<CNoneResidentNTFSDataRunList>();
    list->ParseMappingPairs(MappingPairs());
    return list;
  }
  qm::MappingPairsReader reader(MappingPairs());
  DataRunEntry first;
  if (!reader.Next(first)) return nullptr;
  auto list = std::make_unique<CResidentNTFSDataRunList>();
  list->SetResidentData(first.start, first.count, residentValue_);
  return list;
}

int CPackedDataRunList::Write(IRSData* stream) const {
  qm::RSWrite(*stream, size_);
  if (size_ != 0) stream->Write(data(), size_);
  qm::RSWrite(*stream, residentValue_);
  return 1;
}

std::unique_ptr<CPackedDataRunList> CPackedDataRunList::Read(IRSData* stream) {
  try {
    const auto size = qm::RSRead<std::uint32_t>(*stream);
    if (size > kMaxPackedBytes) {
      LogError("Saved extent list of %u bytes exceeds %u", size, kMaxPackedBytes);
      return nullptr;
    }
    // A short string (nearly every file) is read straight into the list.
    // A longer one is read in pieces, so that a damaged length costs no
    // more memory than the bytes the stream really holds.
    constexpr std::uint32_t kPiece = 4096;
    std::unique_ptr<CPackedDataRunList> packed;
    if (size <= kPiece) {
      packed.reset(new CPackedDataRunList(size, 0));
      if (size != 0) stream->Read(packed->data(), size);
    } else {
      std::vector<std::uint8_t> bytes;
      while (bytes.size() < size) {
        const std::uint32_t piece =
            std::min<std::uint32_t>(kPiece, size - static_cast<std::uint32_t>(bytes.size()));
        const std::size_t at = bytes.size();
        bytes.resize(at + piece);
        stream->Read(bytes.data() + at, piece);
      }
      packed = FromMappingPairs(qm::ByteView(bytes.data(), bytes.size()), 0);
    }
    packed->residentValue_ = qm::RSRead<std::uint16_t>(*stream);
    return packed;
  } catch (const IRSException& error) {
    LogError("RS Exception:%d", static_cast<int>(error.GetErrorCode()));
    return nullptr;
  }
}
