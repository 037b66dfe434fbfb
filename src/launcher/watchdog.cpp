#include "launcher/watchdog.h"

#include "launcher/launcher_language.h"
#include "platform/child_process.h"
#include "platform/crash_event_fifo.h"
#include "platform/file_mapping_log.h"
#include "platform/folders.h"
#include "platform/ipc_names.h"
#include "platform/runtime_names.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <span>
#include <string>
#include <vector>

namespace qm {
namespace {

// Drained at least this often while the program runs.
constexpr int kWakeIntervalMs = 5000;
// How long a crashed program may take to end before it is killed.
constexpr int kEndOfCrashedProgramMs = 15000;

// The launcher's own trace lines go through the shared block like the
// program's, so that one writer keeps the file in order.
class Tracer {
public:
  explicit Tracer(CFileMappingLog& block) : block_(block) {}
  void operator()(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char line[600];
    const size_t stamp = std::strftime(line, sizeof line, "%Y-%m-%d %H:%M:%S DEBUG ", &local);
    const int length = std::snprintf(line + stamp, sizeof line - stamp, "%s\n", text);
    if (length > 0)
      block_.Write(line, static_cast<unsigned>(stamp + std::min<size_t>(length, sizeof line - stamp - 1)));
  }

private:
  CFileMappingLog& block_;
};

std::string LogFilePath() {
  if (const char* folder = TestOverride(ipc::kTestLogFolderEnv)) return std::string(folder) + "/Quenmark.log";
  return (GetProgramDataFolder() / "Quenmark.log").string();
}

// Emptied at every start of the launcher; afterwards only appended to.
int CreateLogFile() {
  return open(LogFilePath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
}

bool StartErrorReporter(Tracer& trace) {
  const auto path = FindProgram(ipc::kReporterProgram, ipc::kTestReporterEnv);
  if (!path) {
    trace("____---No error reporter to start");
    return false;
  }
  ChildProcess reporter;
  std::string error;
  if (!reporter.Start(*path, &error)) {
    trace("____---Failed to start the error reporter %s: %s", path->c_str(), error.c_str());
    return false;
  }
  // Not waited for: it outlives the launcher. The kernel's init reaps it.
  return true;
}

// Someone who started the product from the desktop has no terminal to read
// the refusal on: the reporter shows it in a small window. Not waited for;
// without a reporter only the terminal gets it.
void ShowAlreadyRunningNotice() {
  const auto path = FindProgram(ipc::kReporterProgram, ipc::kTestReporterEnv);
  if (!path) return;
  ChildProcess reporter;
  const std::string argument = ipc::kReporterAlreadyRunningArgument;
  std::string error;
  if (!reporter.Start(*path, std::span(&argument, 1), &error))
    std::fprintf(stderr, "Cannot start %s: %s\n", path->c_str(), error.c_str());
}

} // namespace

WatchdogResult RunWatchdog() {
  const int logFd = CreateLogFile();
  CFileMappingLog block(1);
  Tracer trace(block);
  auto drain = [&] {
    if (logFd >= 0) block.DrainToFile(logFd);
  };
  if (logFd < 0) std::fprintf(stderr, "Cannot create the log file %s\n", LogFilePath().c_str());

  bool restartedAfterMemoryCrash = false;
  WatchdogResult result = WatchdogResult::Started;
  for (;;) {
    // The events exist before the program starts, so that a crash in its
    // first moments is not taken for a normal end.
    CrashEventFifo crash;
    CrashEventFifo memoryCrash;
    const bool haveCrash = crash.Create(ipc::kCrashEvent);
    const bool haveMemoryCrash = memoryCrash.Create(ipc::kMemoryCrashEvent);

    trace("____---Start Quenmark.");
    ChildProcess vek;
    std::string error = "not found";
    const auto path = FindProgram(ipc::kVekProgram, ipc::kTestVekEnv);
    if (!path || !vek.Start(*path, &error)) {
      trace("____---Failed to start %s: %s", path ? path->c_str() : ipc::kVekProgram, error.c_str());
      std::fprintf(stderr, "Cannot start %s: %s\n", path ? path->c_str() : ipc::kVekProgram, error.c_str());
      result = WatchdogResult::VekMissing;
      break;
    }
    trace("____---hProcess = %X", static_cast<unsigned>(vek.Pid()));
    trace("____---CrashEvent = %X", haveCrash ? static_cast<unsigned>(crash.ReadFd()) : 0u);
    trace("____---MemoryCrashEvent = %X", haveMemoryCrash ? static_cast<unsigned>(memoryCrash.ReadFd()) : 0u);

    // The wait set: the process is position 0, then the events present.
    std::vector<int> eventFds;
    std::vector<CrashEventFifo*> events;
    if (haveCrash) {
      eventFds.push_back(crash.ReadFd());
      events.push_back(&crash);
    }
    if (haveMemoryCrash) {
      eventFds.push_back(memoryCrash.ReadFd());
      events.push_back(&memoryCrash);
    }

    int wakeups = 0;
    bool restartNow = false;
    bool report = false;
    // A crash signal in the first wake-up after a memory-crash restart is
    // ignored once; true when this one is to be acted on.
    auto crashCounts = [&] {
      if (restartedAfterMemoryCrash && wakeups <= 1) {
        restartedAfterMemoryCrash = false;
        trace("____---Crash signal right after a restart ignored");
        return false;
      }
      return true;
    };
    for (;;) {
      const auto wake = vek.WaitAny(eventFds, kWakeIntervalMs);
      drain();
      ++wakeups;
      if (wake.wake == ChildProcess::Wake::Timeout) continue;
      if (wake.wake == ChildProcess::Wake::Failed) {
        trace("____---Wait failed");
        break;
      }
      if (wake.wake == ChildProcess::Wake::Event) {
        CrashEventFifo* event = events[static_cast<size_t>(wake.eventIndex)];
        event->Consume();
        trace("____---Pos = %d", wake.eventIndex + 1);
        if (event == &memoryCrash) {
          wakeups = 0;
          restartedAfterMemoryCrash = true;
          restartNow = true;
          break;
        }
        if (crashCounts()) {
          report = true;
          break;
        }
        continue;
      }
      // The program ended. A signal it wrote on its way out still counts.
      trace("____---Pos = %d", 0);
      if (memoryCrash.Consume()) {
        restartedAfterMemoryCrash = true;
        restartNow = true;
      } else if (crash.Consume() && crashCounts()) {
        report = true;
      } else if (WIFSIGNALED(vek.Status())) {
        // Killed without a word from its handler (the kernel's out-of-memory
        // killer, SIGKILL): a crash all the same.
        trace("____---Vek ended by signal %d without a crash event", WTERMSIG(vek.Status()));
        report = true;
      }
      break;
    }

    // A crashed program is still writing its report: let it end, so that
    // a restarted one is not refused as a second copy and the reporter
    // finds a whole report.
    if (!vek.Reaped() && !vek.WaitExit(kEndOfCrashedProgramMs)) {
      trace("____---Vek did not end within %d ms; killed", kEndOfCrashedProgramMs);
      vek.Kill();
    }
    drain();
    crash.Close();
    memoryCrash.Close();
    if (restartNow) continue;
    if (report && !StartErrorReporter(trace)) trace("____---The error reporter did not start");
    break;
  }
  drain();
  if (logFd >= 0) close(logFd);
  return result;
}

int LauncherMain() {
  const auto language =
      launcher::LoadLanguageDll(launcher::ReadLanguageName(), launcher::TranslationFolders());
  LifetimeLock product;
  const auto acquired = product.Acquire(ipc::kProductLock);
  if (acquired == LifetimeLock::Result::HeldElsewhere) {
    const QByteArray text = launcher::LauncherText(launcher::kAlreadyRunningString, language.get()).toUtf8();
    std::fprintf(stderr, "%s\n", text.constData());
    ShowAlreadyRunningNotice();
    return 1;
  }
  // Without a runtime folder the launcher still runs, only unguarded.
  if (acquired == LifetimeLock::Result::Failed) std::fprintf(stderr, "Quenmark: no single-instance lock\n");
  LifetimeLock loader;
  loader.Acquire(ipc::kLoaderLock);
  return RunWatchdog() == WatchdogResult::Started ? 0 : 2;
}

} // namespace qm
