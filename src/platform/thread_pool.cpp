#include "platform/thread_pool.h"

#include <system_error>
#include <utility>

#include "platform/log.h"
#include "platform/worker_thread.h"

namespace qm {

unsigned DefaultPoolThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 1 ? cores - 1 : 1;
}

ThreadPool::ThreadPool(unsigned threads) {
  if (threads == 0) threads = 1;
  workers_.reserve(threads);
  for (unsigned i = 0; i < threads; ++i) {
    try {
      workers_.push_back(StartWorker([this, i] { Work(i); }));
    } catch (const std::system_error& error) {
      LogError("Thread pool: worker %u of %u cannot be started (%s); going on with %u", i + 1, threads,
               error.what(), i);
      break;
    }
  }
}

ThreadPool::~ThreadPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) {
    worker.join();
  }
}

void ThreadPool::Submit(Task task) {
  if (workers_.empty()) {
    task(0);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(task));
  }
  wake_.notify_one();
}

std::size_t ThreadPool::DropPending() {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t dropped = queue_.size();
  queue_.clear();
  if (running_ == 0) idle_.notify_all();
  return dropped;
}

bool ThreadPool::RunPending(unsigned worker) {
  Task task;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty()) return false;
    task = std::move(queue_.front());
    queue_.pop_front();
    ++running_;
  }
  // Counted as running until it ends, also when it throws: WaitIdle must
  // not return while it runs, nor wait for ever after.
  struct Finish {
    ThreadPool& pool;
    ~Finish() {
      std::lock_guard<std::mutex> lock(pool.mutex_);
      --pool.running_;
      if (pool.running_ == 0 && pool.queue_.empty()) pool.idle_.notify_all();
    }
  } finish{*this};
  task(worker);
  task = nullptr; // what the task holds goes before the pool looks idle
  return true;
}

void ThreadPool::WaitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return queue_.empty() && running_ == 0; });
}

void ThreadPool::Work(unsigned worker) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return; // stopping, nothing left that may start
    Task task = std::move(queue_.front());
    queue_.pop_front();
    ++running_;
    lock.unlock();
    task(worker);
    task = nullptr; // what the task holds goes before the pool looks idle
    lock.lock();
    --running_;
    if (running_ == 0 && queue_.empty()) idle_.notify_all();
  }
}

} // namespace qm
