// The shared log block: 2 MiB of POSIX shared memory holding a CLogBuffer,
// and a second small block holding its process-shared, robust mutex. The
// launcher creates both (owner) and drains the text into its log file; the
// windowed program opens them and appends its log entries. Each side waits
// for the mutex at most 1,000 ms; a holder that died with it is recovered.
#pragma once

#include "platform/log_buffer.h"

#include <pthread.h>

#include <string>

namespace qm {

class IKvLog {
public:
  virtual int Open(const char* argument) = 0;
  virtual int Write(const char* data, unsigned length) = 0;

protected:
  ~IKvLog() = default;
};

class CFileMappingLog final : public IKvLog {
public:
  static constexpr unsigned kBlockSize = 0x200000;

  // owner 1: creates the blocks anew (a stale pair is removed first) and
  // empties the buffer; owner 0: opens the launcher's blocks and keeps their
  // text. HasView() tells whether it worked.
  explicit CFileMappingLog(int owner);
  CFileMappingLog(const CFileMappingLog&) = delete;
  CFileMappingLog& operator=(const CFileMappingLog&) = delete;
  ~CFileMappingLog();

  int Open(const char*) override { return 1; }
  // 1 when appended under the mutex, else 0 (no view, no mutex in time, or
  // the text does not fit).
  int Write(const char* data, unsigned length) override;
  // Writes the text to fd and empties the buffer, whatever the write's
  // result; 0 for fd < 0 (buffer untouched), no mutex in time, or a short
  // write.
  int DrainToFile(int fd);

  bool HasView() const { return view_ != nullptr && mutex_ != nullptr; }

  // The mutex alone, for a test that dies holding it. Lock: true when held.
  bool Lock();
  void Unlock();

  // The shared-memory names in use (with the namespace suffix and the uid).
  static std::string BlockName();
  static std::string MutexName();

private:
  void* view_ = nullptr;
  pthread_mutex_t* mutex_ = nullptr;
  CLogBuffer buffer_;
  int owner_ = 0;
};

} // namespace qm
