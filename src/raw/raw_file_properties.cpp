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

} // namespace

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
  PackExtents(&runs);
}

int CRAWFileProperties::Save(IRSData* stream) const {
  IRSData& out = *stream;
  qm::RSWrite<std::uint8_t>(out, nameLength_);
  WriteTerminatedText(out, name_, nameLength_);
  qm::RSWrite<std::uint8_t>(out, descriptionLength_);
  WriteTerminatedText(out, description_, descriptionLength_);
  WriteFacts(out, SavedTimes::kNo);
  WriteExtents(stream);
  return 1;
}

int CRAWFileProperties::Load(IRSData* stream) {
  IRSData& in = *stream;
  const auto nameLength = qm::RSRead<std::uint8_t>(in);
  std::string name = ReadText(in, nameLength);
  const auto descriptionLength = qm::RSRead<std::uint8_t>(in);
  std::string description = ReadText(in, descriptionLength);
  const SavedFacts facts = ReadFacts(in, SavedTimes::kNo);
  std::unique_ptr<CPackedDataRunList> extents;
  if (!ReadExtents(stream, extents)) return 0;

  TakeLoaded(std::move(name), facts, std::move(extents));
  nameLength_ = nameLength;
  descriptionLength_ = descriptionLength;
  description_ = std::move(description);
  return 1;
}

std::unique_ptr<CRAWFileProperties> CreateRawFileProperties() {
  return std::make_unique<CRAWFileProperties>();
}
