#include "filemodel/state_file_bundle.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "filemodel/plain_file.h"
#include "filemodel/rs_crc.h"
#include "platform/byte_view.h"
#include "platform/folders.h"
#include "platform/log.h"

namespace qm {

std::string MakeScanResultFileName(const std::tm& localTime, const std::string& suffix) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d_%02d_ZORV", localTime.tm_year + 1900, localTime.tm_mon + 1,
                localTime.tm_mday, localTime.tm_hour, localTime.tm_min);
  return text + suffix + ".rsf";
}

bool IsStateFileLeafName(const std::string& name) {
  constexpr std::string_view kSuffix = ".rdf";
  if (name.size() <= kSuffix.size() || name.size() >= kStateBundleNameSize) return false;
  if (name == "." || name == "..") return false;
  if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) return false;
  std::string tail = name.substr(name.size() - kSuffix.size());
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
  return tail == kSuffix;
}

} // namespace qm

namespace {

using qm::kStateBundleEntrySize;
using qm::kStateBundleFixedSize;
using qm::kStateBundlePiece;

std::uint64_t HeaderBlockSize(std::uint64_t n) {
  return kStateBundleFixedSize + kStateBundleEntrySize * (n + 1);
}

std::uint32_t PieceCrc(const void* data, std::size_t length) {
  return Crc32(data, length, qm::kStateBundleCrcPolynomial);
}

void PutLe(std::uint8_t* at, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A descriptor that is closed when it goes.
class UniqueFd {
public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

private:
  int fd_;
};

bool WriteAll(int fd, const std::uint8_t* data, std::size_t n) {
  while (n > 0) {
    const ssize_t done = ::write(fd, data, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    n -= static_cast<std::size_t>(done);
  }
  return true;
}

// A file written under a temporary name beside its final one; removed
// unless it was renamed into place.
struct PendingFile {
  std::filesystem::path temp;
  std::filesystem::path final;
  bool placed = false;
};

class PendingFiles {
public:
  ~PendingFiles() {
    for (const auto& file : files_)
      if (!file.placed) ::unlink(file.temp.c_str());
  }
  // A new empty temporary file in the folder for the final name.
  UniqueFd Create(const std::filesystem::path& folder, const std::string& name) {
    std::string pattern = (folder / ("." + name + ".XXXXXX")).string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return UniqueFd();
    files_.push_back({pattern, folder / name, false});
    return UniqueFd(fd);
  }
  bool PlaceAll() {
    for (auto& file : files_) {
      if (::rename(file.temp.c_str(), file.final.c_str()) != 0) {
        LogError("Failed to place state file %s: %s", file.final.c_str(), std::strerror(errno));
        return false;
      }
      file.placed = true;
    }
    return true;
  }

private:
  std::vector<PendingFile> files_;
};

} // namespace

CStateFile::CStateFile(int collect, MessageSink window, std::filesystem::path folder)
    : window_(std::move(window)), folder_(folder.empty() ? qm::GetProgramDataFolder() : std::move(folder)) {
  if (collect != 0) Collect();
}

void CStateFile::Collect() {
  entries_.clear();
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator(folder_, error)) {
    const std::string name = item.path().filename().string();
    if (!qm::IsStateFileLeafName(name) || !item.is_regular_file(error)) continue;
    const std::uintmax_t length = item.file_size(error);
    if (error) continue;
    entries_.push_back({name, static_cast<std::uint64_t>(length), 0});
  }
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  // A bundle of more files than an import accepts could never be read back.
  tooMany_ = entries_.size() > qm::kStateBundleMaxFiles;
  std::uint64_t offset = HeaderBlockSize(entries_.size());
  for (auto& entry : entries_) {
    entry.offset = offset;
    offset += entry.length;
  }
  totalSize_ = offset;
}

int CStateFile::Save(const char* path) {
  if (path == nullptr) return 0;
  if (tooMany_) {
    LogError("Cannot export %zu state files: a bundle holds at most %llu", entries_.size(),
             static_cast<unsigned long long>(qm::kStateBundleMaxFiles));
    return 0;
  }
  const std::uint64_t headerSize = HeaderBlockSize(entries_.size());
  std::vector<std::uint8_t> header(headerSize, 0);
  PutLe(&header[0], qm::kStateBundleMagic, 4);
  PutLe(&header[8], qm::kStateBundleVersion, 4);
  PutLe(&header[16], totalSize_, 8);
  PutLe(&header[24], entries_.size(), 8);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    std::uint8_t* entry = &header[kStateBundleFixedSize + kStateBundleEntrySize * i];
    std::memcpy(entry, entries_[i].name.data(), entries_[i].name.size());
    PutLe(entry + 264, entries_[i].length, 8);
    PutLe(entry + 272, entries_[i].offset, 8);
  }
  std::uint32_t checksum = PieceCrc(header.data(), header.size());

  bool ok = false;
  {
    CPlainFile bundle(path, CPlainFile::kCreateAlways);
    ok = bundle.IsOpen() && bundle.Write(header.data(), static_cast<std::uint32_t>(header.size())) == 1;
    std::array<std::uint8_t, kStateBundlePiece> piece{};
    for (std::size_t i = 0; ok && i < entries_.size(); ++i) {
      CPlainFile source((folder_ / entries_[i].name).c_str(), CPlainFile::kRead);
      ok = source.IsOpen();
      for (std::uint64_t left = entries_[i].length; ok && left > 0;) {
        const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, piece.size()));
        // A state file that shrank since the plan would misplace every later file.
        ok = source.Read(piece.data(), want) == want && bundle.Write(piece.data(), want) == 1;
        checksum += PieceCrc(piece.data(), want);
        left -= want;
      }
    }
    std::uint8_t sum[4];
    PutLe(sum, checksum, 4);
    ok = ok && bundle.Seek(4) != 0 && bundle.Write(sum, 4) == 1;
  }
  if (!ok) {
    LogError("Failed to export the scan result to %s", path);
    ::unlink(path);
    return 0;
  }
  return 1;
}

void CStateFile::Refuse(const char* why, const char* path) {
  LogError("Import of %s refused: %s", path, why);
  LogError("%s", qm::kStateBundleMismatchText);
  if (window_) window_(qm::kStateBundleMismatchText);
}

int CStateFile::Load(const char* path) {
  if (path == nullptr) return 0;
  CPlainFile bundle(path, CPlainFile::kRead);
  std::uint64_t fileSize = 0;
  if (!bundle.IsOpen() || bundle.GetSize(&fileSize) == 0) {
    LogError("Cannot open the scan result %s", path);
    return 0;
  }
  std::uint8_t fixed[kStateBundleFixedSize];
  if (bundle.Read(fixed, sizeof fixed) != sizeof fixed) {
    Refuse("shorter than its header", path);
    return 0;
  }
  const qm::ByteView head(fixed, sizeof fixed);
  const std::uint64_t n = head.le64(24);
  if (head.le32(0) != qm::kStateBundleMagic || n > qm::kStateBundleMaxFiles) {
    Refuse("not a bundle of this version (magic or file count)", path);
    return 0;
  }
  const std::uint64_t headerSize = HeaderBlockSize(n);
  const std::uint64_t totalSize = head.le64(16);
  std::vector<std::uint8_t> header(headerSize);
  std::memcpy(header.data(), fixed, sizeof fixed);
  if (bundle.Read(header.data() + sizeof fixed, static_cast<std::uint32_t>(headerSize - sizeof fixed)) !=
      headerSize - sizeof fixed) {
    Refuse("header block cut short", path);
    return 0;
  }
  const std::uint32_t storedChecksum = head.le32(4);
  std::memset(&header[4], 0, 4);
  std::uint32_t checksum = PieceCrc(header.data(), header.size());

  const qm::ByteView view(header.data(), header.size());
  std::vector<Entry> entries;
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::size_t at = kStateBundleFixedSize + kStateBundleEntrySize * i;
    const auto* nameBytes = reinterpret_cast<const char*>(&header[at]);
    const std::size_t nameLength = ::strnlen(nameBytes, qm::kStateBundleNameSize);
    Entry entry{std::string(nameBytes, nameLength), view.le64(at + 264), view.le64(at + 272)};
    // The name becomes a file in the data folder: one plain leaf, nothing else.
    const bool nameOk = nameLength < qm::kStateBundleNameSize && qm::IsStateFileLeafName(entry.name);
    const bool duplicate =
        std::any_of(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == entry.name; });
    const bool extentOk = entry.offset >= headerSize && entry.offset <= totalSize &&
                          entry.length <= totalSize - entry.offset && totalSize <= fileSize;
    if (!nameOk || duplicate || !extentOk) {
      Refuse(!nameOk     ? "an entry's name is not a state-file name"
             : duplicate ? "two entries of one name"
                         : "an entry lies outside the bundle",
             path);
      return 0;
    }
    entries.push_back(std::move(entry));
  }

  // Every file goes to a temporary name while the checksum is summed; only a
  // bundle whose checksum holds replaces the state files.
  PendingFiles pending;
  std::array<std::uint8_t, kStateBundlePiece> piece{};
  for (const auto& entry : entries) {
    UniqueFd out = pending.Create(folder_, entry.name);
    bool ok = out.get() >= 0 && bundle.Seek(entry.offset) != 0;
    for (std::uint64_t left = entry.length; ok && left > 0;) {
      const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, piece.size()));
      ok = bundle.Read(piece.data(), want) == want && WriteAll(out.get(), piece.data(), want);
      checksum += PieceCrc(piece.data(), want);
      left -= want;
    }
    if (!ok || !out.Close()) {
      LogError("Failed to import %s from %s", entry.name.c_str(), path);
      return 0;
    }
  }
  if (checksum != storedChecksum) {
    Refuse("checksum differs", path);
    return 0;
  }
  if (!pending.PlaceAll()) return 0;
  entries_ = std::move(entries);
  totalSize_ = totalSize;
  return 1;
}
