// A fixed set of worker threads that run submitted tasks, for work that
// splits into independent pieces (compressing or decompressing the blocks
// of a disk image, reading records). The workers are started through
// StartWorker, so an out-of-memory exception that leaves a task goes to the
// window thread's handler like any worker's; any other exception leaving a
// task ends the program, so a task must catch what it can recover from.
//
// The pool keeps no results: a task hands its output back through state its
// submitter owns and says when it is done (a semaphore per slot, a counter);
// the submitter keeps that state alive until the task has finished or was
// dropped (DropPending, then WaitIdle).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace qm {

// The workers a pool gets by default: one per core, less one for the thread
// that feeds it and takes the results; at least one.
unsigned DefaultPoolThreads();

class ThreadPool {
public:
  // worker is the index (from 0) of the worker that runs the task, so that
  // a submitter can keep per-worker state (a codec, a buffer) without locks.
  using Task = std::function<void(unsigned worker)>;

  // Starts up to `threads` workers (0 counts as 1). Threads the system
  // refuses are done without; a pool that got none runs each task on the
  // submitting thread inside Submit, as worker 0.
  explicit ThreadPool(unsigned threads);
  // Drops the tasks that have not started and waits for those that have.
  ~ThreadPool();
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;

  // The number of workers, and so of distinct worker indices (at least 1).
  unsigned Size() const { return workers_.empty() ? 1u : static_cast<unsigned>(workers_.size()); }

  // Queues the task; tasks start in the order they were submitted.
  void Submit(Task task);
  // Runs the oldest task that has not started on the calling thread, as
  // worker `worker` (a submitter that would otherwise wait passes an index
  // of its own, Size() or above, for its per-worker state). False when no
  // task was waiting.
  bool RunPending(unsigned worker);
  // Removes the tasks that have not started; returns how many.
  std::size_t DropPending();
  // Waits until no task is queued or running.
  void WaitIdle();

private:
  void Work(unsigned worker);

  std::mutex mutex_;
  std::condition_variable wake_; // a task was queued, or the pool stops
  std::condition_variable idle_; // a task ended with nothing left to do
  std::deque<Task> queue_;
  unsigned running_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

} // namespace qm
