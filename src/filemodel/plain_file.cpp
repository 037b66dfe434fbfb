#include "filemodel/plain_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kNewFilePermissions = 0666; // narrowed by the umask

bool OpenFlags(int mode, int& flags) {
  switch (mode) {
  case CPlainFile::kRead: flags = O_RDONLY; return true;
  case CPlainFile::kWrite: flags = O_WRONLY; return true;
  case CPlainFile::kReadWrite: flags = O_RDWR; return true;
  case CPlainFile::kCreateAlways: flags = O_RDWR | O_CREAT | O_TRUNC; return true;
  case CPlainFile::kOpenAlways: flags = O_RDWR | O_CREAT; return true;
  default: return false;
  }
}

} // namespace

CPlainFile::CPlainFile(const char* path, int mode) { Open(path, mode); }

CPlainFile::~CPlainFile() { Close(); }

int CPlainFile::Open(const char* path, int mode) {
  Close();
  int flags = 0;
  if (path == nullptr || !OpenFlags(mode, flags)) {
    errno = EINVAL;
    return 0;
  }
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, kNewFilePermissions);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return 0;
  // A folder opens for reading on this system but is no file to read.
  struct stat info{};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return 0;
  }
  fd_ = fd;
  return 1;
}

void CPlainFile::Close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

int CPlainFile::Seek(std::uint64_t offset) {
  if (fd_ < 0 || offset > static_cast<std::uint64_t>(INT64_MAX)) return 0;
  return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0 ? 1 : 0;
}

void CPlainFile::Rewind() {
  if (fd_ >= 0) ::lseek(fd_, 0, SEEK_SET);
}

std::uint32_t CPlainFile::SeekToEnd() {
  if (fd_ < 0) return 0;
  const off_t end = ::lseek(fd_, 0, SEEK_END);
  return end < 0 ? 0 : static_cast<std::uint32_t>(end);
}

std::uint64_t CPlainFile::GetPosition() const {
  if (fd_ < 0) return ~std::uint64_t{0};
  const off_t position = ::lseek(fd_, 0, SEEK_CUR);
  return position < 0 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(position);
}

int CPlainFile::GetSize(std::uint64_t* size) const {
  if (size == nullptr || fd_ < 0) return 0;
  struct stat info{};
  if (::fstat(fd_, &info) != 0) return 0;
  *size = static_cast<std::uint64_t>(info.st_size);
  return 1;
}

int CPlainFile::Write(const void* buffer, std::uint32_t n) {
  if (fd_ < 0 || (buffer == nullptr && n != 0)) return 0;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  std::uint32_t done = 0;
  while (done < n) {
    const ssize_t written = ::write(fd_, bytes + done, n - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return 0;
    done += static_cast<std::uint32_t>(written);
  }
  return 1;
}

std::uint32_t CPlainFile::Read(void* buffer, std::uint32_t n) {
  if (fd_ < 0 || buffer == nullptr) return 0;
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::uint32_t done = 0;
  while (done < n) {
    const ssize_t got = ::read(fd_, bytes + done, n - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::uint32_t>(got);
  }
  return done;
}

int CPlainFile::WriteLine(const char* text, std::uint32_t n) {
  if (n == 0) return 1;
  if (!Write(text, n)) return 0;
  if (n >= 2 && text[n - 2] == '\r' && text[n - 1] == '\n') return 1;
  return Write("\r\n", 2);
}

std::uint32_t CPlainFile::ReadLine(char* buffer, std::uint32_t n) {
  if (n == 0 || buffer == nullptr) return 0;
  std::uint32_t count = 0;
  while (count < n) {
    char c;
    if (Read(&c, 1) != 1) break;
    buffer[count++] = c;
    if (c == '\n') break;
  }
  if (count != 0) buffer[count] = '\0';
  return count;
}
