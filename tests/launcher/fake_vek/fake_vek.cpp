// The windowed program's stand-in for the launcher's tests. FAKE_VEK_SCRIPT
// holds one script per start, separated by '|'; FAKE_VEK_STATE names a file
// that counts the starts. Steps, separated by ',':
//   lock        take the program's own lifetime lock (exit 7 when held)
//   log:TEXT    one log entry
//   checkfds    log "LEAK <target>" for every inherited descriptor
//   sleep:MS    pause
//   crash       signal the crash event; memcrash: the memory-crash event
//   kill        die by SIGKILL without a word; exit:N  end with N
#include "platform/crash_event_fifo.h"
#include "platform/ipc_names.h"
#include "platform/log.h"
#include "platform/runtime_names.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, separator)) parts.push_back(part);
  return parts;
}

int NextRun(const char* stateFile) {
  int run = 0;
  if (stateFile == nullptr) return 0;
  std::ifstream(stateFile) >> run;
  std::ofstream(stateFile) << run + 1;
  return run;
}

void CheckDescriptors() {
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int fd = std::atoi(entry.path().filename().c_str());
    if (fd <= 2) continue;
    std::error_code error;
    const auto target = std::filesystem::read_symlink(entry.path(), error);
    if (error) continue;
    const std::string text = target.string();
    // Our own log block and the directory listing itself are ours.
    if (text.find("quenmark") != std::string::npos || text.find(".lock") != std::string::npos ||
        text.find(".fifo") != std::string::npos || text.find("pidfd") != std::string::npos)
      LogInfo("LEAK %s", text.c_str());
  }
}

} // namespace

int main() {
  const char* script = std::getenv("FAKE_VEK_SCRIPT");
  const auto runs = Split(script != nullptr ? script : "", '|');
  const int run = NextRun(std::getenv("FAKE_VEK_STATE"));
  const std::string steps = run < static_cast<int>(runs.size()) ? runs[static_cast<size_t>(run)] : "";

  const bool underLauncher = qm::IsLifetimeLockHeld(qm::ipc::kLoaderLock);
  const char* ownLog = std::getenv("FAKE_VEK_LOG");
  InitLog(ownLog, LOG_LEVEL_NORMAL, underLauncher ? LOG_TYPE_UNDER_LAUNCHER : LOG_TYPE_STANDALONE);
  const std::string crashFifo = qm::RuntimeObjectPath(qm::ipc::kCrashEvent, qm::ipc::kFifoExtension).value_or("");
  const std::string memoryFifo = qm::RuntimeObjectPath(qm::ipc::kMemoryCrashEvent, qm::ipc::kFifoExtension).value_or("");

  qm::LifetimeLock own;
  for (const auto& step : Split(steps, ',')) {
    const auto colon = step.find(':');
    const std::string verb = step.substr(0, colon);
    const std::string argument = colon == std::string::npos ? "" : step.substr(colon + 1);
    if (verb == "lock") {
      if (own.Acquire(qm::ipc::kVekInstanceLock) != qm::LifetimeLock::Result::Acquired) {
        LogInfo("fake vek run %d: second instance", run);
        return 7;
      }
    } else if (verb == "log") {
      LogInfo("%s", argument.c_str());
    } else if (verb == "checkfds") {
      CheckDescriptors();
    } else if (verb == "sleep") {
      usleep(static_cast<useconds_t>(std::atoi(argument.c_str())) * 1000);
    } else if (verb == "crash") {
      qm::SignalCrashFifo(crashFifo.c_str());
    } else if (verb == "memcrash") {
      qm::SignalCrashFifo(memoryFifo.c_str());
    } else if (verb == "kill") {
      raise(SIGKILL);
    } else if (verb == "exit") {
      return std::atoi(argument.c_str());
    }
  }
  return 0;
}
