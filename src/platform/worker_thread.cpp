#include "platform/worker_thread.h"

#include <atomic>
#include <utility>

#include "platform/alt_signal_stack.h"
#include "platform/out_of_memory.h"

namespace qm {
namespace {

std::atomic<WorkerOutOfMemoryHandler> g_outOfMemoryHandler{nullptr};

} // namespace

void SetWorkerOutOfMemoryHandler(WorkerOutOfMemoryHandler handler) { g_outOfMemoryHandler = handler; }

void RunWorkerBody(const std::function<void()>& body) {
  EnsureAltSignalStack(); // the crash report needs a stack of its own
  try {
    body();
  } catch (const OutOfMemoryException&) {
    if (WorkerOutOfMemoryHandler handler = g_outOfMemoryHandler.load()) handler();
    throw; // no handler, or it came back: the terminate handler reports it
  }
}

std::thread StartWorker(std::function<void()> body) {
  return std::thread([body = std::move(body)] { RunWorkerBody(body); });
}

} // namespace qm
