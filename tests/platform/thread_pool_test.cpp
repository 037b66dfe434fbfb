#include "platform/thread_pool.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <semaphore>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace qm {
namespace {

TEST(ThreadPool, EveryTaskRunsOnceOnAWorkerWithItsOwnIndex) {
  for (unsigned threads : {0u, 1u, 3u, 8u}) {
    SCOPED_TRACE(threads);
    ThreadPool pool(threads);
    const unsigned size = pool.Size();
    EXPECT_EQ(size, threads == 0 ? 1u : threads);
    constexpr int kTasks = 500;
    std::vector<std::atomic<int>> runs(kTasks);
    std::atomic<bool> indexInRange{true};
    // Per-worker state without a lock: one counter per index, touched only
    // by the worker of that index.
    std::vector<int> perWorker(size, 0);
    for (int t = 0; t < kTasks; ++t) {
      pool.Submit([&, t](unsigned worker) {
        runs[static_cast<std::size_t>(t)].fetch_add(1);
        if (worker >= size) {
          indexInRange = false;
          return;
        }
        ++perWorker[worker];
      });
    }
    pool.WaitIdle();
    for (int t = 0; t < kTasks; ++t) {
      EXPECT_EQ(runs[static_cast<std::size_t>(t)].load(), 1) << t;
    }
    EXPECT_TRUE(indexInRange);
    int total = 0;
    for (int n : perWorker)
      total += n;
    EXPECT_EQ(total, kTasks);
  }
}

TEST(ThreadPool, TasksRunInParallelAndPendingOnesCanBeDropped) {
  ThreadPool pool(2);
  std::binary_semaphore release{0};
  std::counting_semaphore<2> started{0};
  std::atomic<int> ran{0};
  // Two tasks hold both workers until released: they run at once.
  for (int i = 0; i < 2; ++i) {
    pool.Submit([&](unsigned) {
      started.release();
      release.acquire();
      ++ran;
    });
  }
  started.acquire();
  started.acquire();
  for (int i = 0; i < 5; ++i) {
    pool.Submit([&](unsigned) { ran += 100; });
  }
  EXPECT_EQ(pool.DropPending(), 5u);
  release.release();
  release.release();
  pool.WaitIdle();
  EXPECT_EQ(ran.load(), 2);
}

TEST(ThreadPool, ASubmitterRunsWaitingTasksInOrderUnderItsOwnIndex) {
  ThreadPool pool(1);
  std::binary_semaphore release{0};
  std::binary_semaphore started{0};
  pool.Submit([&](unsigned) {
    started.release();
    release.acquire();
  });
  started.acquire();
  const auto caller = std::this_thread::get_id();
  std::vector<int> order;
  std::vector<unsigned> indices;
  bool onCaller = true;
  for (int i = 0; i < 3; ++i) {
    pool.Submit([&, i](unsigned worker) {
      order.push_back(i);
      indices.push_back(worker);
      onCaller = onCaller && std::this_thread::get_id() == caller;
    });
  }
  while (pool.RunPending(pool.Size())) {
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(indices, (std::vector<unsigned>{1, 1, 1}));
  EXPECT_TRUE(onCaller);
  // A task that throws on the submitter's thread leaves the pool usable:
  // the exception reaches the submitter and WaitIdle still returns.
  pool.Submit([](unsigned) { throw std::runtime_error("task"); });
  EXPECT_THROW(pool.RunPending(pool.Size()), std::runtime_error);
  EXPECT_FALSE(pool.RunPending(pool.Size()));
  release.release();
  pool.WaitIdle();
}

TEST(ThreadPool, DestructionDropsWhatHasNotStartedAndWaitsForTheRest) {
  std::atomic<int> finished{0};
  std::atomic<int> late{0};
  {
    ThreadPool pool(1);
    std::binary_semaphore started{0};
    pool.Submit([&](unsigned) {
      started.release();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      ++finished;
    });
    started.acquire();
    for (int i = 0; i < 10; ++i)
      pool.Submit([&](unsigned) { ++late; });
  }
  EXPECT_EQ(finished.load(), 1);
  EXPECT_EQ(late.load(), 0);
}

TEST(ThreadPool, WorkersAreTheProgramsWorkersWithTheirOwnSignalStack) {
  // Started through StartWorker: the crash report has a stack to run on,
  // and an out-of-memory exception goes to the window thread's handler.
  ThreadPool pool(2);
  std::atomic<int> withStack{0};
  for (int i = 0; i < 8; ++i) {
    pool.Submit([&](unsigned) {
      stack_t current{};
      if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0) ++withStack;
    });
  }
  pool.WaitIdle();
  EXPECT_EQ(withStack.load(), 8);
}

} // namespace
} // namespace qm
