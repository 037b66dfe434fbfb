#include "record_builder.h"

#include <cstring>
#include <stdexcept>

#include "platform/byte_view.h"

namespace qm::test {

RecordBuilder::RecordBuilder(std::size_t size, std::uint16_t flags) : bytes_(size, 0) {
  std::memcpy(bytes_.data(), "FILE", 4);
  StoreLe16(&bytes_[0x04], kUsaOffset);
  StoreLe16(&bytes_[0x06], static_cast<std::uint16_t>(size / 512 + 1));
  StoreLe16(&bytes_[0x14], kFirstAttribute);
  StoreLe16(&bytes_[0x16], flags);
  StoreLe32(&bytes_[0x1C], static_cast<std::uint32_t>(size));
  StoreLe16(&bytes_[0x10], 1); // sequence number of the record
  // Distinct bytes at every stride end, so that a fix-up that forgets one
  // shows.
  for (std::size_t i = 0; i < size / 512; ++i) {
    bytes_[512 * i + 510] = static_cast<std::uint8_t>(0xA0 + i);
    bytes_[512 * i + 511] = static_cast<std::uint8_t>(0xB0 + i);
  }
}

std::size_t RecordBuilder::AddResident(std::uint32_t type, const std::vector<std::uint8_t>& value,
                                       std::u16string name) {
  const std::size_t at = end_;
  const std::size_t nameOffset = 0x18;
  const std::size_t valueOffset = (nameOffset + name.size() * 2 + 7) & ~std::size_t{7};
  const std::size_t length = (valueOffset + value.size() + 7) & ~std::size_t{7};
  if (at + length + 8 > bytes_.size()) throw std::length_error("attribute does not fit the record");
  std::uint8_t* a = &bytes_[at];
  StoreLe32(a, type);
  StoreLe32(a + 4, static_cast<std::uint32_t>(length));
  a[9] = static_cast<std::uint8_t>(name.size());
  StoreLe16(a + 0x0A, static_cast<std::uint16_t>(nameOffset));
  StoreLe32(a + 0x10, static_cast<std::uint32_t>(value.size()));
  StoreLe16(a + 0x14, static_cast<std::uint16_t>(valueOffset));
  for (std::size_t i = 0; i < name.size(); ++i)
    StoreLe16(a + nameOffset + 2 * i, name[i]);
  if (!value.empty()) std::memcpy(a + valueOffset, value.data(), value.size());
  end_ += length;
  StoreLe32(&bytes_[0x18], static_cast<std::uint32_t>(end_ + 8));
  return at;
}

std::size_t RecordBuilder::AddNonResident(std::uint32_t type, const std::vector<std::uint8_t>& pairs,
                                          std::uint64_t firstVcn, std::uint64_t lastVcn,
                                          std::uint64_t realSize, std::u16string name, std::uint16_t flags) {
  const std::size_t at = end_;
  const std::size_t nameOffset = 0x40;
  const std::size_t pairsOffset = (nameOffset + name.size() * 2 + 7) & ~std::size_t{7};
  const std::size_t length = (pairsOffset + pairs.size() + 7) & ~std::size_t{7};
  if (at + length + 8 > bytes_.size()) throw std::length_error("attribute does not fit the record");
  std::uint8_t* a = &bytes_[at];
  StoreLe32(a, type);
  StoreLe32(a + 4, static_cast<std::uint32_t>(length));
  a[8] = 1;
  a[9] = static_cast<std::uint8_t>(name.size());
  StoreLe16(a + 0x0A, static_cast<std::uint16_t>(nameOffset));
  StoreLe16(a + 0x0C, flags);
  StoreLe64(a + 0x10, firstVcn);
  StoreLe64(a + 0x18, lastVcn);
  StoreLe16(a + 0x20, static_cast<std::uint16_t>(pairsOffset));
  StoreLe64(a + 0x28, (lastVcn + 1) * 4096);
  StoreLe64(a + 0x30, realSize);
  StoreLe64(a + 0x38, realSize);
  for (std::size_t i = 0; i < name.size(); ++i)
    StoreLe16(a + nameOffset + 2 * i, name[i]);
  std::memcpy(a + pairsOffset, pairs.data(), pairs.size());
  end_ += length;
  StoreLe32(&bytes_[0x18], static_cast<std::uint32_t>(end_ + 8));
  return at;
}

std::vector<std::uint8_t> FileNameValue(const std::u16string& name, std::uint64_t parent,
                                        std::uint32_t flags) {
  std::vector<std::uint8_t> v(0x42 + name.size() * 2, 0);
  StoreLe64(&v[0x00], parent | (std::uint64_t{1} << 48));
  StoreLe64(&v[0x08], 0x01D0000000000001ull);
  StoreLe64(&v[0x10], 0x01D0000000000002ull);
  StoreLe64(&v[0x20], 0x01D0000000000004ull);
  StoreLe64(&v[0x30], 1234);
  StoreLe32(&v[0x38], flags);
  v[0x40] = static_cast<std::uint8_t>(name.size());
  v[0x41] = 1;
  for (std::size_t i = 0; i < name.size(); ++i)
    StoreLe16(&v[0x42 + 2 * i], name[i]);
  return v;
}

std::size_t RecordBuilder::AddFileName(const std::u16string& name, std::uint64_t parent,
                                       std::uint32_t flags) {
  return AddResident(0x30, FileNameValue(name, parent, flags));
}

std::size_t RecordBuilder::AddStandardInformation(std::uint32_t fileAttributes) {
  std::vector<std::uint8_t> v(0x48, 0);
  StoreLe64(&v[0x00], 0x01D0000000000010ull);
  StoreLe64(&v[0x08], 0x01D0000000000020ull);
  StoreLe64(&v[0x18], 0x01D0000000000040ull);
  StoreLe32(&v[0x20], fileAttributes);
  return AddResident(0x10, v);
}

std::vector<std::uint8_t> RecordBuilder::Plain() const {
  std::vector<std::uint8_t> out = bytes_;
  StoreLe32(&out[end_], 0xFFFFFFFF);
  return out;
}

std::vector<std::uint8_t> RecordBuilder::Build(std::uint16_t sequence) const {
  std::vector<std::uint8_t> out = Plain();
  const std::size_t strides = out.size() / 512;
  StoreLe16(&out[kUsaOffset], sequence);
  for (std::size_t i = 0; i < strides; ++i) {
    std::memcpy(&out[kUsaOffset + 2 * (i + 1)], &out[512 * i + 510], 2);
    StoreLe16(&out[512 * i + 510], sequence);
  }
  return out;
}

} // namespace qm::test
