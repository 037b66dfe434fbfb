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

std::uint32_t CExt2FileProperties::SetExtraValue(std::uint32_t value) {
  const std::uint32_t previous = extraValue_;
  extraValue_ = value != 0 ? 1 : 0;
  return previous;
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
  WriteText(out, name_, name_.size());
  WriteFacts(out, SavedTimes::kYes);
  WriteExtents(stream);
  return 1;
}

int CExt2FileProperties::Load(IRSData* stream) {
  IRSData& in = *stream;
  const auto nameLength = qm::RSRead<std::uint16_t>(in);
  std::string name = ReadText(in, nameLength);
  const SavedFacts facts = ReadFacts(in, SavedTimes::kYes);
  std::unique_ptr<CPackedDataRunList> extents;
  if (!ReadExtents(stream, extents)) return 0;
  TakeLoaded(std::move(name), facts, std::move(extents));
  return 1;
}

std::unique_ptr<CExt2FileProperties> CreateExt2FileProperties() {
  return std::make_unique<CExt2FileProperties>();
}
