#include "restarter/rewaker.h"

#include "platform/child_process.h"
#include "platform/ipc_names.h"
#include "platform/runtime_names.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace qm {
namespace {

constexpr unsigned kPollUs = 1000000;
// Failed starts are retried once a second for about this long.
constexpr auto kGiveUpAfter = std::chrono::seconds(60);

} // namespace

int RewakerMain() {
  std::chrono::steady_clock::time_point firstFailure{};
  bool failed = false;
  for (;;) {
    // Only the launcher's lock holds us back; the windowed program's own
    // lock does not.
    if (IsLifetimeLockHeld(ipc::kProductLock)) {
      usleep(kPollUs);
      continue;
    }
    const auto path = FindProgram(ipc::kLauncherProgram, ipc::kTestLauncherEnv);
    ChildProcess launcher;
    std::string error = std::strerror(ENOENT);
    if (path && launcher.Start(*path, &error)) {
      // Not waited for: the launcher outlives us.
      return 0;
    }
    std::fprintf(stderr, "Createprocess failed with %s\n", error.c_str());
    const auto now = std::chrono::steady_clock::now();
    if (!failed) {
      failed = true;
      firstFailure = now;
    } else if (now - firstFailure >= kGiveUpAfter) {
      std::fprintf(stderr, "Rewaker: gave up starting %s after %lld s\n", ipc::kLauncherProgram,
                   static_cast<long long>(kGiveUpAfter.count()));
      return 1;
    }
    usleep(kPollUs);
  }
}

} // namespace qm
