// Builds crafted MFT records for table tests: a sound record with the
// update-sequence protection in place, to which a test appends attributes
// or patches fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

class RecordBuilder {
public:
  static constexpr std::size_t kUsaOffset = 0x30;
  static constexpr std::size_t kFirstAttribute = 0x48;

  explicit RecordBuilder(std::size_t size = 1024, std::uint16_t flags = 1);

  // Appends an attribute; returns its offset in the record.
  std::size_t AddResident(std::uint32_t type, const std::vector<std::uint8_t>& value,
                          std::u16string name = u"");
  std::size_t AddNonResident(std::uint32_t type, const std::vector<std::uint8_t>& pairs,
                             std::uint64_t firstVcn, std::uint64_t lastVcn, std::uint64_t realSize,
                             std::u16string name = u"", std::uint16_t flags = 0);
  std::size_t AddFileName(const std::u16string& name, std::uint64_t parent = 5, std::uint32_t flags = 0);
  std::size_t AddStandardInformation(std::uint32_t fileAttributes);

  // The record with the end marker and the update-sequence protection
  // (sequence number written over each stride's last two bytes).
  std::vector<std::uint8_t> Build(std::uint16_t sequence = 0x0007) const;
  // The record before protection (what a fixed-up record looks like).
  std::vector<std::uint8_t> Plain() const;

  std::vector<std::uint8_t>& bytes() { return bytes_; }
  std::size_t end() const { return end_; }

private:
  std::vector<std::uint8_t> bytes_;
  std::size_t end_ = kFirstAttribute;
};

std::vector<std::uint8_t> FileNameValue(const std::u16string& name, std::uint64_t parent,
                                        std::uint32_t flags);

} // namespace qm::test
