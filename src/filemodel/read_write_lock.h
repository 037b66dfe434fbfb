// A reader/writer lock that prefers writers: once a writer waits, new
// readers wait behind it, so a steady stream of look-ups from scanning
// threads cannot starve a rebuild.
#pragma once

#include <condition_variable>
#include <mutex>

class CReadWriteLock {
public:
  void AcquireShared();
  void AcquireExclusive();
  // Releases either kind of hold.
  void Release();

private:
  std::mutex mutex_;
  std::condition_variable readersCanGo_;
  std::condition_variable writerCanGo_;
  int holders_ = 0; // > 0 readers, -1 one writer, 0 free
  int waitingWriters_ = 0;
};

namespace qm {

class SharedHold {
public:
  explicit SharedHold(CReadWriteLock& lock) : lock_(lock) { lock_.AcquireShared(); }
  ~SharedHold() { lock_.Release(); }
  SharedHold(const SharedHold&) = delete;
  SharedHold& operator=(const SharedHold&) = delete;

private:
  CReadWriteLock& lock_;
};

class ExclusiveHold {
public:
  explicit ExclusiveHold(CReadWriteLock& lock) : lock_(lock) { lock_.AcquireExclusive(); }
  ~ExclusiveHold() { lock_.Release(); }
  ExclusiveHold(const ExclusiveHold&) = delete;
  ExclusiveHold& operator=(const ExclusiveHold&) = delete;

private:
  CReadWriteLock& lock_;
};

} // namespace qm
