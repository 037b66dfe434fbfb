#include "platform/file_mapping_log.h"

#include "platform/ipc_names.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace qm {
namespace {

constexpr long kLockTimeoutMs = 1000;

// Shared-memory names are global to the machine: the uid keeps users apart,
// the namespace suffix keeps parallel tests apart.
std::string SharedName(const char* base) {
  const char* ns = std::getenv("QUENMARK_IPC_NS");
  return std::string("/") + base + (ns != nullptr ? ns : "") + "." + std::to_string(geteuid());
}

void DebugOutput(const char* text) { std::fputs(text, stderr); }

// Creates (owner) or opens a block of exactly size bytes and maps it.
void* MapBlock(const std::string& name, size_t size, bool owner) {
  int fd;
  if (owner) {
    shm_unlink(name.c_str()); // a launcher that died left it behind
    fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 && ftruncate(fd, static_cast<off_t>(size)) != 0) {
      close(fd);
      shm_unlink(name.c_str());
      fd = -1;
    }
  } else {
    fd = shm_open(name.c_str(), O_RDWR | O_CLOEXEC, 0);
    struct stat info{};
    // Only our own block of the agreed size: a smaller one would be read
    // past its end.
    if (fd >= 0 && (fstat(fd, &info) != 0 || info.st_uid != geteuid() ||
                    info.st_size != static_cast<off_t>(size))) {
      close(fd);
      fd = -1;
    }
  }
  if (fd < 0) return nullptr;
  void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  return view == MAP_FAILED ? nullptr : view;
}

} // namespace

std::string CFileMappingLog::BlockName() { return SharedName(ipc::kLogBlock); }
std::string CFileMappingLog::MutexName() { return SharedName(ipc::kLogMutex); }

CFileMappingLog::CFileMappingLog(int owner) : owner_(owner != 0 ? 1 : 0) {
  // The mutex first: a writer that finds the text block finds its lock too.
  void* mutexBlock = MapBlock(MutexName(), sizeof(pthread_mutex_t), owner_ == 1);
  if (mutexBlock != nullptr && owner_ == 1) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    const int rc = pthread_mutex_init(static_cast<pthread_mutex_t*>(mutexBlock), &attributes);
    pthread_mutexattr_destroy(&attributes);
    if (rc != 0) {
      munmap(mutexBlock, sizeof(pthread_mutex_t));
      mutexBlock = nullptr;
    }
  }
  mutex_ = static_cast<pthread_mutex_t*>(mutexBlock);

  view_ = MapBlock(BlockName(), kBlockSize, owner_ == 1);
  if (view_ == nullptr) {
    DebugOutput(owner_ == 1 ? "Failed to create map file!\n" : "Failed to map the map file!\n");
    return;
  }
  if (owner_ == 1)
    buffer_.Attach(view_, kBlockSize);
  else
    buffer_.AttachKeeping(view_, kBlockSize);
}

CFileMappingLog::~CFileMappingLog() {
  buffer_.Detach();
  if (view_ != nullptr) munmap(view_, kBlockSize);
  if (mutex_ != nullptr) munmap(mutex_, sizeof(pthread_mutex_t));
  if (owner_ == 1) {
    shm_unlink(BlockName().c_str());
    shm_unlink(MutexName().c_str());
  }
}

bool CFileMappingLog::Lock() {
  if (mutex_ == nullptr) return false;
  timespec until{};
  clock_gettime(CLOCK_REALTIME, &until);
  until.tv_nsec += (kLockTimeoutMs % 1000) * 1000000L;
  until.tv_sec += kLockTimeoutMs / 1000 + until.tv_nsec / 1000000000L;
  until.tv_nsec %= 1000000000L;
  int rc;
  do {
    rc = pthread_mutex_timedlock(mutex_, &until);
  } while (rc == EINTR);
  if (rc == EOWNERDEAD) {
    // A writer died inside its append. It moves the count last, so the text
    // up to the count is whole; a count it never finished is caught by the
    // buffer's own check.
    pthread_mutex_consistent(mutex_);
    rc = 0;
  }
  return rc == 0;
}

void CFileMappingLog::Unlock() {
  if (mutex_ != nullptr) pthread_mutex_unlock(mutex_);
}

int CFileMappingLog::Write(const char* data, unsigned length) {
  if (view_ == nullptr || !Lock()) {
    DebugOutput("Failed to request the permission to write to buffer!\n");
    return 0;
  }
  const int appended = buffer_.Append(data, length);
  Unlock();
  return appended;
}

int CFileMappingLog::DrainToFile(int fd) {
  if (fd < 0) return 0;
  if (view_ == nullptr || !Lock()) {
    DebugOutput("Failed to request the permission to write to log file!\n");
    return 0;
  }
  const int written = buffer_.WriteTo(fd);
  buffer_.Reset(); // text that could not be written is dropped
  Unlock();
  return written;
}

} // namespace qm
