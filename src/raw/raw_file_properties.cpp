#include "raw/raw_file_properties.h"

#include <cstring>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "filemodel/rs_data.h"

namespace {

std::string CutToFit(const char* text) {
  if (text == nullptr) return {};
  return std::string(text, strnlen(text, CRAWFileProperties::kMaxTextChars));
}

// count bytes of a text saved with its terminator; the text is taken up to
// its first zero byte.
std::string ReadText(IRSData& stream, std::uint8_t count) {
  if (count == 0) return {};
  std::vector<char> bytes(count, '\0');
  stream.Read(bytes.data(), count);
  return std::string(bytes.data(), strnlen(bytes.data(), bytes.size()));
}

} // namespace

qm::FileTime* CRAWFileProperties::GetCreationTime(qm::FileTime* out) const {
  if (out != nullptr) *out = 0;
  return out;
}

qm::FileTime* CRAWFileProperties::GetLastWriteTime(qm::FileTime* out) const {
  if (out != nullptr) *out = 0;
  return out;
}

qm::FileTime* CRAWFileProperties::GetLastAccessTime(qm::FileTime* out) const {
  if (out != nullptr) *out = 0;
  return out;
}

std::unique_ptr<IDataRunList> CRAWFileProperties::GetDataRunList() const {
  return packed_ != nullptr ? packed_->Unpack() : nullptr;
}

std::uint32_t CRAWFileProperties::SetExtraValue(std::uint32_t value) {
  extraValue_ = static_cast<std::uint8_t>(value);
  return 1;
}

void CRAWFileProperties::SetRawFileName(const char* name) {
  name_ = CutToFit(name);
  nameLength_ = static_cast<std::uint8_t>(name_.size() + 1);
}

void CRAWFileProperties::SetDescription(const std::string& text) {
  description_ = CutToFit(text.c_str());
  descriptionLength_ = static_cast<std::uint8_t>(description_.size() + 1);
}

void CRAWFileProperties::SetFromRawFileInfo(const CRawFileInfo& record, std::uint32_t sectorSize) {
  if (sectorSize == 0) sectorSize = 512;
  size_ = record.GetLength();
  SetDescription(record.GetExtraName2());
  CRAWDataRunList runs;
  runs.AddRun(record.GetStartSector(), (record.GetLength() + sectorSize - 1) / sectorSize);
  packed_ = CPackedDataRunList::FromDataRunList(&runs);
}

int CRAWFileProperties::Save(IRSData* stream) const {
  IRSData& out = *stream;
  qm::RSWrite<std::uint8_t>(out, nameLength_);
  if (nameLength_ != 0) {
    std::vector<char> bytes(nameLength_, '\0');
    std::memcpy(bytes.data(), name_.data(), std::min<std::size_t>(name_.size(), nameLength_ - 1u));
    out.Write(bytes.data(), nameLength_);
  }
  qm::RSWrite<std::uint8_t>(out, descriptionLength_);
  if (descriptionLength_ != 0) {
    std::vector<char> bytes(descriptionLength_, '\0');
    std::memcpy(bytes.data(), description_.data(),
                std::min<std::size_t>(description_.size(), descriptionLength_ - 1u));
    out.Write(bytes.data(), descriptionLength_);
  }
  qm::RSWrite<std::uint64_t>(out, size_);
  qm::RSWrite<std::uint16_t>(out, attributes_);
  qm::RSWrite<std::uint8_t>(out, state_);
  qm::RSWrite<std::uint32_t>(out, packed_ != nullptr ? 1u : 0u);
  if (packed_ != nullptr) packed_->Write(stream);
  return 1;
}

int CRAWFileProperties::Load(IRSData* stream) {
  IRSData& in = *stream;
  const auto nameLength = qm::RSRead<std::uint8_t>(in);
  std::string name = ReadText(in, nameLength);
  const auto descriptionLength = qm::RSRead<std::uint8_t>(in);
  std::string description = ReadText(in, descriptionLength);
  const auto size = qm::RSRead<std::uint64_t>(in);
  const auto attributes = qm::RSRead<std::uint16_t>(in);
  const auto state = qm::RSRead<std::uint8_t>(in);
  const auto hasExtents = qm::RSRead<std::uint32_t>(in);
  std::unique_ptr<CPackedDataRunList> packed;
  if (hasExtents != 0) packed = CPackedDataRunList::Read(stream);

  nameLength_ = nameLength;
  name_ = std::move(name);
  descriptionLength_ = descriptionLength;
  description_ = std::move(description);
  size_ = size;
  attributes_ = attributes;
  state_ = state;
  packed_ = std::move(packed);
  checkState_ = 0;
  extraValue_ = 0;
  return 1;
}

std::unique_ptr<CRAWFileProperties> CreateRawFileProperties() { return std::make_unique<CRAWFileProperties>(); }
