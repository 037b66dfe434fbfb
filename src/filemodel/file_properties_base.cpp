#include "filemodel/file_properties_base.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "filemodel/rs_data.h"

void CFilePropertiesBase::SetName(const char* name) {
  if (name == nullptr) {
    name_.clear();
    return;
  }
  name_.assign(name, ::strnlen(name, kMaxNameBytes));
}

std::uint32_t CFilePropertiesBase::SetExtraValue(std::uint32_t value) {
  extraValue_ = static_cast<std::uint8_t>(value);
  return 1;
}

void CFilePropertiesBase::WriteFacts(IRSData& stream, SavedTimes times) const {
  qm::RSWrite<std::uint64_t>(stream, size_);
  qm::RSWrite<std::uint16_t>(stream, attributes_);
  if (times == SavedTimes::kYes) {
    qm::RSWrite<std::uint64_t>(stream, creationTime_);
    qm::RSWrite<std::uint64_t>(stream, lastWriteTime_);
    qm::RSWrite<std::uint64_t>(stream, lastAccessTime_);
  }
  qm::RSWrite<std::uint8_t>(stream, state_);
}

CFilePropertiesBase::SavedFacts CFilePropertiesBase::ReadFacts(IRSData& stream, SavedTimes times) {
  SavedFacts facts;
  facts.size = qm::RSRead<std::uint64_t>(stream);
  facts.attributes = qm::RSRead<std::uint16_t>(stream);
  if (times == SavedTimes::kYes) {
    facts.creationTime = qm::RSRead<std::uint64_t>(stream);
    facts.lastWriteTime = qm::RSRead<std::uint64_t>(stream);
    facts.lastAccessTime = qm::RSRead<std::uint64_t>(stream);
  }
  facts.state = qm::RSRead<std::uint8_t>(stream);
  return facts;
}

void CFilePropertiesBase::WriteExtents(IRSData* stream) const {
  qm::RSWrite<std::uint32_t>(*stream, extents_ != nullptr ? 1u : 0u);
  if (extents_ != nullptr) extents_->Write(stream);
}

bool CFilePropertiesBase::ReadExtents(IRSData* stream, std::unique_ptr<CPackedDataRunList>& extents) {
  extents.reset();
  const auto flag = qm::RSRead<std::uint32_t>(*stream);
  if (flag == 0) return true;
  if (flag != 1) return false;
  extents = CPackedDataRunList::Read(stream);
  return extents != nullptr;
}

void CFilePropertiesBase::WriteText(IRSData& stream, const std::string& text, std::size_t length) {
  if (length == 0) return;
  if (text.size() >= length) {
    stream.Write(text.data(), static_cast<std::uint32_t>(length));
    return;
  }
  std::vector<char> bytes(length, '\0');
  std::memcpy(bytes.data(), text.data(), text.size());
  stream.Write(bytes.data(), static_cast<std::uint32_t>(length));
}

void CFilePropertiesBase::WriteTerminatedText(IRSData& stream, const std::string& text, std::size_t length) {
  if (length == 0) return;
  std::vector<char> bytes(length, '\0');
  std::memcpy(bytes.data(), text.data(), std::min(text.size(), length - 1));
  stream.Write(bytes.data(), static_cast<std::uint32_t>(length));
}

std::string CFilePropertiesBase::ReadText(IRSData& stream, std::size_t length) {
  std::string text(length, '\0');
  if (length != 0) stream.Read(text.data(), static_cast<std::uint32_t>(length));
  text.resize(::strnlen(text.c_str(), length));
  return text;
}

void CFilePropertiesBase::TakeLoaded(std::string name, const SavedFacts& facts,
                                     std::unique_ptr<CPackedDataRunList> extents) {
  name_ = std::move(name);
  size_ = facts.size;
  attributes_ = facts.attributes;
  creationTime_ = facts.creationTime;
  lastWriteTime_ = facts.lastWriteTime;
  lastAccessTime_ = facts.lastAccessTime;
  state_ = facts.state;
  extents_ = std::move(extents);
  checkState_ = 0;
  extraValue_ = 0;
}

void CFilePropertiesBase::PackExtents(const IDataRunList* list) {
  if (list == nullptr) return;
  extents_ = CPackedDataRunList::FromDataRunList(const_cast<IDataRunList*>(list));
}
