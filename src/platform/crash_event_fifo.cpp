#include "platform/crash_event_fifo.h"

#include "platform/ipc_names.h"
#include "platform/runtime_names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qm {

CrashEventFifo::~CrashEventFifo() { Close(); }

bool CrashEventFifo::Create(std::string_view name) {
  Close();
  const auto path = RuntimeObjectPath(name, ipc::kFifoExtension);
  if (!path) return false;
  // Whatever lies there (a FIFO of a launcher that died, or anything else in
  // our private folder) is replaced, so that no old byte counts as a crash.
  unlink(path->c_str());
  if (mkfifo(path->c_str(), 0600) != 0) return false;
  readFd_ = open(path->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (readFd_ >= 0) writeFd_ = open(path->c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (readFd_ < 0 || writeFd_ < 0) {
    Close();
    unlink(path->c_str());
    return false;
  }
  path_ = *path;
  return true;
}

void CrashEventFifo::Close() {
  if (readFd_ >= 0) close(readFd_);
  if (writeFd_ >= 0) close(writeFd_);
  readFd_ = writeFd_ = -1;
  if (!path_.empty()) unlink(path_.c_str());
  path_.clear();
}

bool CrashEventFifo::Consume() {
  if (readFd_ < 0) return false;
  bool any = false;
  char buffer[64];
  for (;;) {
    const ssize_t got = read(readFd_, buffer, sizeof buffer);
    if (got > 0) {
      any = true;
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    return any; // EAGAIN: drained
  }
}

bool SignalCrashFifo(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  const int fd = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const char byte = 1;
  ssize_t written;
  do {
    written = write(fd, &byte, 1);
  } while (written < 0 && errno == EINTR);
  close(fd);
  return written == 1;
}

} // namespace qm
