// A result stream over a byte vector, for round trips of saved records
// without files: Write appends, Read consumes and raises the stream's
// short-read error when the bytes run out, as a real section does.
#pragma once

#include <cstring>
#include <vector>

#include "filemodel/rs_data.h"

namespace qm::test {

class MemoryStream : public IRSData {
public:
  std::vector<std::uint8_t> bytes;
  std::size_t readPosition = 0;

  int Read(void* buffer, std::uint32_t n) override {
    if (n > bytes.size() - readPosition) {
      readPosition = bytes.size();
      throw CRSException(kRSShortRead);
    }
    if (n != 0) std::memcpy(buffer, bytes.data() + readPosition, n);
    readPosition += n;
    return 1;
  }
  int Write(const void* buffer, std::uint32_t n) override {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    bytes.insert(bytes.end(), p, p + n);
    return 1;
  }
  std::size_t Remaining() const { return bytes.size() - readPosition; }

  int IsValid() override { return 1; }
  int Open(const char*, int) override { return 1; }
  int Close() override { return 1; }
  int WriteHeader(const RSHeader&) override { return 1; }
  int ReadHeader(RSHeader&) override { return 0; }
  int GetFileKind() override { return 1; }
  void SetFileKind(int) override {}
  void SetText(const char*) override {}
  int GetText(char*, int) override { return 0; }
  int OpenSection(const GUID&) override { return 1; }
  int CloseSection() override { return 1; }
  std::uint32_t GetSectionLength() override { return static_cast<std::uint32_t>(bytes.size()); }
  void Flush() override {}
  int TryOpenSection(const GUID&) override { return 1; }
  int HasSection(const GUID&) override { return 1; }
};

} // namespace qm::test
