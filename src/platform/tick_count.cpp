#include "platform/tick_count.h"

#include <chrono>

namespace qm {

std::uint64_t GetTickCount64() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace qm
