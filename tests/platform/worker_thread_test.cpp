#include "platform/worker_thread.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/out_of_memory.h"

namespace qm {
namespace {

// The handler hands the worker's out-of-memory back as a marker the test
// can catch; the real one never returns.
struct HandledMarker {};
[[noreturn]] void ThrowMarker() { throw HandledMarker{}; }
void ComesBack() {}

class WorkerThreadTest : public ::testing::Test {
protected:
  void TearDown() override { SetWorkerOutOfMemoryHandler(nullptr); }
};

TEST_F(WorkerThreadTest, OutOfMemoryGoesToTheHandlerOtherExceptionsDoNot) {
  SetWorkerOutOfMemoryHandler(ThrowMarker);
  EXPECT_THROW(RunWorkerBody([] { RaiseOutOfMemory(); }), HandledMarker);
  // Only the program's own exception is the memory crash.
  EXPECT_THROW(RunWorkerBody([] { throw std::runtime_error("bad record"); }), std::runtime_error);
  EXPECT_THROW(RunWorkerBody([] { throw std::bad_alloc(); }), std::bad_alloc);
  bool ran = false;
  EXPECT_NO_THROW(RunWorkerBody([&] { ran = true; }));
  EXPECT_TRUE(ran);
}

TEST_F(WorkerThreadTest, WithoutAHandlerOrWhenItReturnsTheExceptionGoesOn) {
  EXPECT_THROW(RunWorkerBody([] { RaiseOutOfMemory(); }), OutOfMemoryException);
  SetWorkerOutOfMemoryHandler(ComesBack);
  EXPECT_THROW(RunWorkerBody([] { RaiseOutOfMemory(); }), OutOfMemoryException);
}

TEST_F(WorkerThreadTest, StartedWorkerRunsItsBodyOnAnAlternateStack) {
  bool ran = false;
  bool hasStack = false;
  StartWorker([&] {
    ran = true;
    stack_t current{};
    hasStack = sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0;
  }).join();
  EXPECT_TRUE(ran);
  EXPECT_TRUE(hasStack);
}

} // namespace
} // namespace qm
