#include "fatext2/ext2_file_properties.h"

#include <cstring>
#include <ctime>

#include "filemodel/rs_data.h"

namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kEpochDifference = 11644473600ull;

} // namespace

qm::FileTime qm::ext2::InodeTimeToFileTime(std::int32_t seconds) {
  const std::time_t utc = seconds < 0 ? 0 : seconds;
  std::tm local{};
  if (localtime_r(&utc, &local) == nullptr) return 0;
  // The broken-down local time read back as if it were UTC: the wall-clock
  // reading in seconds since 1970.
  const std::time_t wall = timegm(&local);
  if (wall < 0 && static_cast<std::uint64_t>(-wall) > kEpochDifference) return 0;
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(kEpochDifference) + wall) * kTicksPerSecond;
}

void CExt2FileProperties::SetName(const char* name) {
  if (name == nullptr) {
    name_.clear();
    return;
  }
  name_.assign(name, strnlen(name, kMaxNameBytes));
}

qm::FileTime* CExt2FileProperties::GetCreationTime(qm::FileTime* out) const {
  if (out != nullptr) *out = creationTime_;
  return out;
}

qm::FileTime* CExt2FileProperties::GetLastWriteTime(qm::FileTime* out) const {
  if (out != nullptr) *out = lastWriteTime_;
  return out;
}

qm::FileTime* CExt2FileProperties::GetLastAccessTime(qm::FileTime* out) const {
  if (out != nullptr) *out = lastAccessTime_;
  return out;
}

std::unique_ptr<IDataRunList> CExt2FileProperties::GetDataRunList() const {
  return packed_ != nullptr ? packed_->Unpack() : nullptr;
}

std::uint32_t CExt2FileProperties::SetExtraValue(std::uint32_t value) {
  const std::uint32_t previous = extraValue_;
  extraValue_ = value != 0 ? 1 : 0;
  return previous;
}

void CExt2FileProperties::SetDataRunList(const IDataRunList* list) {
  if (list == nullptr) return;
  packed_ = CPackedDataRunList::FromDataRunList(const_cast<IDataRunList*>(list));
}

void CExt2FileProperties::StoreChildName(std::uint32_t inode, std::string name) {
  if (!childNames_) childNames_ = std::make_unique<std::map<std::uint32_t, std::string>>();
  (*childNames_)[inode] = std::move(name);
}

std::string CExt2FileProperties::TakeChildName(std::uint32_t inode) {
  if (!childNames_) return {};
  const auto it = childNames_->find(inode);
  if (it == childNames_->end()) return {};
  std::string name = std::move(it->second);
  childNames_->erase(it);
  if (childNames_->empty()) childNames_.reset();
  return name;
}

int CExt2FileProperties::Save(IRSData* stream) const {
  IRSData& out = *stream;
  qm::RSWrite<std::uint16_t>(out, static_cast<std::uint16_t>(name_.size()));
  if (!name_.empty()) out.Write(name_.data(), static_cast<std::uint32_t>(name_.size()));
  qm::RSWrite<std::uint64_t>(out, size_);
  qm::RSWrite<std::uint16_t>(out, attributes_);
  qm::RSWrite<std::uint64_t>(out, creationTime_);
  qm::RSWrite<std::uint64_t>(out, lastWriteTime_);
  qm::RSWrite<std::uint64_t>(out, lastAccessTime_);
  qm::RSWrite<std::uint8_t>(out, state_);
  qm::RSWrite<std::uint32_t>(out, packed_ != nullptr ? 1u : 0u);
  if (packed_ != nullptr) packed_->Write(stream);
  return 1;
}

int CExt2FileProperties::Load(IRSData* stream) {
  IRSData& in = *stream;
  const auto nameLength = qm::RSRead<std::uint16_t>(in);
  std::string name(nameLength, '\0');
  if (nameLength != 0) in.Read(name.data(), nameLength);
  // The name is used as a C text: it ends at its first zero byte.
  name.resize(std::strlen(name.c_str()));
  const auto size = qm::RSRead<std::uint64_t>(in);
  const auto attributes = qm::RSRead<std::uint16_t>(in);
  const auto creation = qm::RSRead<std::uint64_t>(in);
  const auto lastWrite = qm::RSRead<std::uint64_t>(in);
  const auto lastAccess = qm::RSRead<std::uint64_t>(in);
  const auto state = qm::RSRead<std::uint8_t>(in);
  const auto hasExtents = qm::RSRead<std::uint32_t>(in);
  std::unique_ptr<CPackedDataRunList> packed;
  if (hasExtents != 0) packed = CPackedDataRunList::Read(stream);

  name_ = std::move(name);
  size_ = size;
  attributes_ = attributes;
  creationTime_ = creation;
  lastWriteTime_ = lastWrite;
  lastAccessTime_ = lastAccess;
  state_ = state;
  packed_ = std::move(packed);
  checkState_ = 0;
  extraValue_ = 0;
  return 1;
}

std::unique_ptr<CExt2FileProperties> CreateExt2FileProperties() {
  return std::make_unique<CExt2FileProperties>();
}
