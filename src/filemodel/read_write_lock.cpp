#include "filemodel/read_write_lock.h"

void CReadWriteLock::AcquireShared() {
  std::unique_lock lock(mutex_);
  readersCanGo_.wait(lock, [this] { return holders_ >= 0 && waitingWriters_ == 0; });
  ++holders_;
}

void CReadWriteLock::AcquireExclusive() {
  std::unique_lock lock(mutex_);
  ++waitingWriters_;
  writerCanGo_.wait(lock, [this] { return holders_ == 0; });
  --waitingWriters_;
  holders_ = -1;
}

void CReadWriteLock::Release() {
  std::unique_lock lock(mutex_);
  if (holders_ > 0)
    --holders_;
  else if (holders_ == -1)
    holders_ = 0;
  if (holders_ != 0) return;
  if (waitingWriters_ > 0) {
    lock.unlock();
    writerCanGo_.notify_one();
  } else {
    lock.unlock();
    readersCanGo_.notify_all();
  }
}
