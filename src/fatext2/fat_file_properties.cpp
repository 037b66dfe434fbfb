#include "fatext2/fat_file_properties.h"

#include <cstring>

#include "filemodel/rs_data.h"

namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::uint64_t kSecondsPerDay = 86400;

// Days from 0000-03-01 to the given day of the proleptic Gregorian
// calendar (years here are never negative).
constexpr std::int64_t DaysFromCivil(int year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const int era = year / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return std::int64_t{era} * 146097 + dayOfEra;
}

constexpr std::int64_t DaysSince1601(int year, unsigned month, unsigned day) {
  return DaysFromCivil(year, month, day) - DaysFromCivil(1601, 1, 1);
}

unsigned DaysInMonth(int year, unsigned month) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

bool qm::DosDateTimeToFileTime(std::uint16_t date, std::uint16_t time, FileTime* out) {
  const int year = 1980 + (date >> 9);
  const unsigned month = (date >> 5) & 0x0F;
  const unsigned day = date & 0x1F;
  const unsigned hours = time >> 11;
  const unsigned minutes = (time >> 5) & 0x3F;
  const unsigned seconds = (time & 0x1F) * 2;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  if (hours > 23 || minutes > 59 || seconds > 59) return false;
  const std::uint64_t totalSeconds =
      static_cast<std::uint64_t>(DaysSince1601(year, month, day)) * kSecondsPerDay + hours * 3600u +
      minutes * 60u + seconds;
  if (out != nullptr) *out = totalSeconds * kTicksPerSecond;
  return true;
}

void CFATFileProperties::SetCreationTime(std::uint16_t dosDate, std::uint16_t dosTime) {
  if (!qm::DosDateTimeToFileTime(dosDate, dosTime, &creationTime_)) creationTime_ = 0;
}

void CFATFileProperties::SetLastWriteTime(std::uint16_t dosDate, std::uint16_t dosTime) {
  if (!qm::DosDateTimeToFileTime(dosDate, dosTime, &lastWriteTime_)) lastWriteTime_ = 0;
}

void CFATFileProperties::SetLastAccessDate(std::uint16_t dosDate) {
  if (!qm::DosDateTimeToFileTime(dosDate, 0, &lastAccessTime_)) lastAccessTime_ = 0;
}

int CFATFileProperties::Save(IRSData* stream) const {
  IRSData& out = *stream;
  qm::RSWrite<std::uint16_t>(out, static_cast<std::uint16_t>(name_.size()));
  qm::RSWrite<std::uint16_t>(out, static_cast<std::uint16_t>(secondText_.size()));
  WriteText(out, name_, name_.size());
  WriteText(out, secondText_, secondText_.size());
  WriteFacts(out, SavedTimes::kYes);
  qm::RSWrite<std::uint32_t>(out, firstCluster_);
  qm::RSWrite<std::uint32_t>(out, parentCluster_);
  WriteExtents(stream);
  return 1;
}

int CFATFileProperties::Load(IRSData* stream) {
  IRSData& in = *stream;
  const auto nameLength = qm::RSRead<std::uint16_t>(in);
  const auto secondLength = qm::RSRead<std::uint16_t>(in);
  std::string name = ReadText(in, nameLength);
  std::string secondText = ReadText(in, secondLength);
  const SavedFacts facts = ReadFacts(in, SavedTimes::kYes);
  const auto firstCluster = qm::RSRead<std::uint32_t>(in);
  const auto parentCluster = qm::RSRead<std::uint32_t>(in);
  std::unique_ptr<CPackedDataRunList> extents;
  if (!ReadExtents(stream, extents)) return 0;

  TakeLoaded(std::move(name), facts, std::move(extents));
  secondText_ = std::move(secondText);
  firstCluster_ = firstCluster;
  parentCluster_ = parentCluster;
  return 1;
}

std::unique_ptr<CFATFileProperties> CreateFatFileProperties() {
  return std::make_unique<CFATFileProperties>();
}
