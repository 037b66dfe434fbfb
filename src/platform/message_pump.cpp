#include "platform/message_pump.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace qm {

namespace {

std::mutex& PumpLock() {
  static std::mutex lock;
  return lock;
}

std::function<void()>& Pump() {
  static std::function<void()> pump;
  return pump;
}

} // namespace

void SetMessagePump(std::function<void()> pumpOne) {
  std::lock_guard guard(PumpLock());
  Pump() = std::move(pumpOne);
}

void PumpOneMessage() {
  std::function<void()> pump;
  {
    std::lock_guard guard(PumpLock());
    pump = Pump();
  }
  if (pump) pump();
}

void WaitPumping(const std::function<bool()>& done) {
  while (!done()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    PumpOneMessage();
  }
}

} // namespace qm
