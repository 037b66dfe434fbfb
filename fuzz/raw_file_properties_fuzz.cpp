// Saved properties of carved files read back from a damaged result file:
// the texts stay inside their buffers, a failure is the stream's exception,
// and what was read saves back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "filemodel/rs_data.h"
#include "raw/raw_file_properties.h"

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

// Collects what Save writes.
class VectorStream : public BytesStream {
public:
  VectorStream() : BytesStream(nullptr, 0) {}
  int Write(const void* buffer, std::uint32_t n) override {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    bytes.insert(bytes.end(), p, p + n);
    return 1;
  }
  std::vector<std::uint8_t> bytes;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  BytesStream stream(data, size);
  CRAWFileProperties properties;
  try {
    properties.Load(&stream);
  } catch (const IRSException&) {
    return 0;
  }
  (void)std::strlen(properties.GetName());
  (void)std::strlen(properties.GetDescription());
  if (auto runs = properties.GetDataRunList()) {
    for (const DataRunEntry* run = runs->FirstRun(); run != nullptr; run = runs->NextRun()) {
    }
  }
  VectorStream first;
  properties.Save(&first);
  CRAWFileProperties again;
  BytesStream replay(first.bytes.data(), first.bytes.size());
  again.Load(&replay);
  VectorStream second;
  again.Save(&second);
  if (second.bytes != first.bytes) std::abort();
  return 0;
}
