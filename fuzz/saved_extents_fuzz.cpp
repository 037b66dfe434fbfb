// Saved volume nodes, packed extents and run lists read back from a
// damaged result file: every length is bounded, every failure is the
// stream's exception or a null list, and nothing reads past the data.
#include <cstdint>
#include <cstring>

#include "filemodel/file_system_node.h"
#include "filemodel/ntfs_data_run_lists.h"
#include "filemodel/packed_data_run_list.h"
#include "filemodel/rs_data.h"

namespace {

// Section content as it stands: Read consumes, a short read raises.
class BytesStream : public IRSData {
public:
  BytesStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int Read(void* buffer, std::uint32_t n) override {
    if (n > size_ - at_) {
      at_ = size_;
      throw CRSException(qm::kRSShortRead);
    }
    if (n != 0) std::memcpy(buffer, data_ + at_, n);
    at_ += n;
    return 1;
  }
  int Write(const void*, std::uint32_t) override { throw CRSException(qm::kRSWrongMode); }
  int IsValid() override { return 1; }
  int Open(const char*, int) override { return 1; }
  int Close() override { return 1; }
  int WriteHeader(const RSHeader&) override { return 0; }
  int ReadHeader(RSHeader&) override { return 0; }
  int GetFileKind() override { return 1; }
  void SetFileKind(int) override {}
  void SetText(const char*) override {}
  int GetText(char*, int) override { return 0; }
  int OpenSection(const GUID&) override { return 1; }
  int CloseSection() override { return 1; }
  std::uint32_t GetSectionLength() override { return static_cast<std::uint32_t>(size_); }
  void Flush() override {}
  int TryOpenSection(const GUID&) override { return 1; }
  int HasSection(const GUID&) override { return 1; }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  BytesStream stream(data, size);
  try {
    CFileSystemNode node;
    node.Load(&stream);
    if (auto packed = CPackedDataRunList::Read(&stream)) {
      if (auto list = packed->Unpack()) {
        for (const DataRunEntry* run = list->FirstRun(); run != nullptr; run = list->NextRun()) {
        }
      }
    }
    CResidentNTFSDataRunList resident;
    resident.Load(&stream);
    CNoneResidentNTFSDataRunList runs;
    runs.Load(&stream);
  } catch (const IRSException&) {
  }
  return 0;
}
