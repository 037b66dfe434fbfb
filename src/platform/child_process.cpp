#include "platform/child_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

extern char** environ;

namespace qm {
namespace {

bool IsExecutableFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

int OpenPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

} // namespace

const char* TestOverride(const char* variable) {
#ifdef QM_TEST_PROGRAM_OVERRIDES
  if (variable == nullptr || geteuid() != getuid()) return nullptr;
  const char* value = std::getenv(variable);
  return value != nullptr && value[0] != '\0' ? value : nullptr;
#else
  (void)variable;
  return nullptr;
#endif
}

std::optional<std::string> FindProgram(std::string_view name, const char* testOverride) {
  if (const char* fake = TestOverride(testOverride)) return std::string(fake);
  if (name.empty()) return std::nullopt;
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::string beside = (self.parent_path() / std::string(name)).string();
    if (IsExecutableFile(beside)) return beside;
  }
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  std::string_view rest(path);
  while (true) {
    const size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty() && folder.front() == '/') {
      std::string candidate = std::string(folder) + "/" + std::string(name);
      if (IsExecutableFile(candidate)) return candidate;
    }
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return std::nullopt;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept { *this = std::move(other); }

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Reset();
    pid_ = std::exchange(other.pid_, -1);
    pidfd_ = std::exchange(other.pidfd_, -1);
    status_ = other.status_;
    reaped_ = std::exchange(other.reaped_, false);
  }
  return *this;
}

ChildProcess::~ChildProcess() { Reset(); }

void ChildProcess::Reset() {
  if (pidfd_ >= 0) close(pidfd_);
  pidfd_ = -1;
  pid_ = -1;
  reaped_ = false;
  status_ = 0;
}

bool ChildProcess::Start(const std::string& path, std::string* error) { return Start(path, {}, error); }

bool ChildProcess::Start(const std::string& path, std::span<const std::string> arguments,
                         std::string* error) {
  Reset();
  std::vector<std::string> texts;
  texts.reserve(arguments.size() + 1);
  texts.push_back(std::filesystem::path(path).filename().string());
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts)
    argv.push_back(text.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  // Every descriptor of ours is close-on-exec, so the child inherits no
  // lock: a child that outlived us must not keep the product "running".
  const int rc = posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    if (error != nullptr) *error = std::strerror(rc);
    return false;
  }
  pid_ = pid;
  pidfd_ = OpenPidfd(pid);
  // pidfd_open sets close-on-exec itself.
  return true;
}

bool ChildProcess::TryReap(bool block) {
  if (reaped_) return true;
  if (pid_ <= 0) return false;
  int status = 0;
  pid_t got;
  do {
    got = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got == pid_ || (got < 0 && errno == ECHILD)) {
    status_ = got == pid_ ? status : 0;
    reaped_ = true;
  }
  return reaped_;
}

ChildProcess::WaitResult ChildProcess::WaitAny(std::span<const int> eventFds, int timeoutMs) {
  WaitResult result;
  if (pid_ <= 0) return result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<pollfd> fds;
  for (int fd : eventFds)
    fds.push_back({fd, POLLIN, 0});
  const size_t processSlot = fds.size();
  if (pidfd_ >= 0 && !reaped_) fds.push_back({pidfd_, POLLIN, 0});
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    // Without a pidfd (old kernels) the child's end is looked for in
    // slices of 100 ms.
    int slice = static_cast<int>(left < 0 ? 0 : left);
    if (pidfd_ < 0 && slice > 100) slice = 100;
    for (auto& entry : fds)
      entry.revents = 0;
    const int ready = poll(fds.data(), fds.size(), slice);
    if (ready < 0 && errno != EINTR) return result;
    for (size_t i = 0; i < processSlot; ++i) {
      if ((fds[i].revents & POLLIN) != 0) {
        result.wake = Wake::Event;
        result.eventIndex = static_cast<int>(i);
        return result;
      }
    }
    const bool processReady = processSlot < fds.size() && fds[processSlot].revents != 0;
    if (reaped_ || processReady || pidfd_ < 0) {
      if (TryReap(processReady)) {
        result.wake = Wake::Exited;
        return result;
      }
    }
    if (left <= 0) {
      result.wake = Wake::Timeout;
      return result;
    }
  }
}

bool ChildProcess::WaitExit(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!TryReap(false)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    usleep(20000);
  }
  return true;
}

void ChildProcess::Kill() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGKILL);
    TryReap(true);
  }
}

} // namespace qm
