#include "imaging/imaging_rules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "filemodel/plain_file.h"
#include "imaging/image_file.h"

namespace qm::image {

std::string EnsureQmiExtension(const std::string& path) {
  if (path.size() > 6 && path.compare(path.size() - 4, 4, ".qmi") == 0) {
    return path;
  }
  return path + ".qmi";
}

std::string CutText(const std::string& text, std::size_t maxBytes, const std::string& suffix) {
  if (text.size() <= maxBytes) {
    return text;
  }
  std::size_t cut = maxBytes;
  // Back up to the first byte of a UTF-8 character.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  return text.substr(0, cut) + suffix;
}

std::string SizeText(std::uint64_t sectors, std::uint32_t bytesPerSector) {
  const std::uint64_t s = SaneSectorSize(bytesPerSector);
  const double gib = static_cast<double>((1ull << 30) / s);
  const double mib = static_cast<double>((1ull << 20) / s);
  char text[64];
  if (static_cast<double>(sectors) >= gib) {
    std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(sectors) / gib);
  } else {
    std::snprintf(text, sizeof text, "%.2f MB", static_cast<double>(sectors) / mib);
  }
  return text;
}

std::string LevelText(std::int32_t level) {
  switch (level) {
  case 1:
    return "Fastest";
  case 5:
    return "Normal";
  case 9:
    return "Maximum";
  default:
    return "None";
  }
}

bool RemainingTimeKnown(std::uint64_t elapsedMs, std::uint64_t done) { return elapsedMs > 4999 && done != 0; }

std::string RemainingTimeText(std::uint64_t elapsedMs, std::uint64_t done, std::uint64_t total) {
  if (!RemainingTimeKnown(elapsedMs, done)) {
    return "Calculating...";
  }
  const std::uint64_t seconds = (total > done ? total - done : 0) * elapsedMs / done / 1000 + 1;
  char text[48];
  std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                static_cast<unsigned long long>(seconds / 60 % 60),
                static_cast<unsigned long long>(seconds % 60));
  return text;
}

std::string EstimateText(std::uint64_t milliseconds) {
  const std::uint64_t seconds = milliseconds / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "%llu:%llu:%llu", static_cast<unsigned long long>(seconds / 3600),
                static_cast<unsigned long long>(seconds / 60 % 60),
                static_cast<unsigned long long>(seconds % 60));
  return text;
}

ImageSettings SettingsFromChoices(bool compress, int levelIndex, bool split, int splitIndex) {
  static constexpr std::int32_t kLevels[] = {1, 5, 9};
  static constexpr std::uint32_t kSplits[] = {8388600, 4194304, 2097152, 1310720};
  ImageSettings settings;
  if (compress) {
    settings.compressionType = 2;
    settings.level = kLevels[std::clamp(levelIndex, 0, 2)];
  }
  if (split) {
    settings.splitSize = kSplits[std::clamp(splitIndex, 0, 3)];
  }
  return settings;
}

void RegionRules::Reset(std::uint64_t total) {
  total_ = total;
  first_ = 0;
  last_ = MaxLast();
}

std::int64_t RegionRules::EditLast(std::int64_t typed) {
  std::uint64_t value = typed < 0 ? 0 : static_cast<std::uint64_t>(typed);
  if (first_ > value) {
    first_ = 0;
  }
  value = std::min(value, MaxLast());
  if (value >= first_) {
    last_ = value;
  }
  return static_cast<std::int64_t>(value);
}

std::int64_t RegionRules::EditFirst(std::int64_t typed) {
  std::uint64_t value = typed < 0 ? 0 : static_cast<std::uint64_t>(typed);
  if (value > last_) {
    value = 0;
  }
  first_ = value;
  return static_cast<std::int64_t>(value);
}

void RegionRules::StepFirst(bool up) {
  if (up && first_ < last_) {
    ++first_;
  } else if (!up && first_ > 0) {
    --first_;
  }
}

void RegionRules::StepLast(bool up) {
  if (up && last_ < MaxLast()) {
    ++last_;
  } else if (!up && last_ > first_) {
    --last_;
  }
}

void RegionRules::Select(std::uint64_t first, std::uint64_t last) {
  if (first > last || last > MaxLast()) {
    first = 0;
    last = MaxLast();
  }
  first_ = first;
  last_ = last;
}

bool PartReadable(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), R_OK) == 0;
}

void PartListRepair::Load(const std::vector<std::string>& lines) {
  rows_.clear();
  for (const std::string& line : lines) {
    rows_.push_back({line, PartReadable(line)});
  }
}

bool PartListRepair::Listed(const std::string& path) const {
  return std::any_of(rows_.begin(), rows_.end(), [&](const Row& r) { return r.path == path; });
}

PartListRepair::Result PartListRepair::Add(const std::string& path) {
  if (Listed(path)) {
    return Result::kAlreadyListed;
  }
  if (!PartReadable(path) || rows_.size() >= kMaxParts) {
    return Result::kInvalid;
  }
  rows_.push_back({path, true});
  return Result::kDone;
}

PartListRepair::Result PartListRepair::Locate(std::size_t row, const std::string& path) {
  if (Listed(path)) {
    return Result::kAlreadyListed;
  }
  if (row >= rows_.size() || !PartReadable(path)) {
    return Result::kInvalid;
  }
  rows_[row] = {path, true};
  return Result::kDone;
}

void PartListRepair::Remove(std::size_t row) {
  if (row < rows_.size()) {
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
  }
}

bool PartListRepair::Complete() const {
  return !rows_.empty() && std::all_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.valid; });
}

std::vector<std::string> PartListRepair::Paths() const {
  std::vector<std::string> out;
  for (const Row& r : rows_) {
    out.push_back(r.path);
  }
  return out;
}

std::vector<std::string> ReadPartList(const std::string& listPath) {
  std::vector<std::string> lines;
  CPlainFile list;
  if (!list.Open(listPath.c_str(), CPlainFile::kRead)) {
    return lines;
  }
  std::vector<char> line(4096 + 3);
  while (lines.size() < kMaxParts) {
    const std::uint32_t got = list.ReadLine(line.data(), 4096 + 2);
    if (got == 0) {
      break;
    }
    std::string text = StripLineEnd(std::string(line.data(), got));
    if (!text.empty()) {
      lines.push_back(std::move(text));
    }
  }
  return lines;
}

bool WritePartList(const std::string& listPath, const std::vector<std::string>& paths) {
  std::string pattern = listPath + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  std::string text;
  for (const std::string& path : paths) {
    text += path + "\r\n";
  }
  bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (ok) {
    ::chmod(name.data(), 0644);
    ok = ::rename(name.data(), listPath.c_str()) == 0;
  }
  if (!ok) {
    ::unlink(name.data());
  }
  return ok;
}

} // namespace qm::image
