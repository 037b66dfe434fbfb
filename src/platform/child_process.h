// Starting a helper program and waiting on it together with event FIFOs.
#pragma once

#include <sys/types.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qm {

// Where the program called name is: beside the running program first, then
// on PATH. In test builds the environment variable testOverride (when set,
// and only when the program does not run set-user-id) names a fake.
std::optional<std::string> FindProgram(std::string_view name, const char* testOverride = nullptr);

// The value of a test-only environment variable: nothing outside test
// builds or when the effective and real user differ.
const char* TestOverride(const char* variable);

class ChildProcess {
public:
  enum class Wake { Timeout, Exited, Event, Failed };
  struct WaitResult {
    Wake wake = Wake::Failed;
    int eventIndex = -1; // with Wake::Event
  };

  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ~ChildProcess(); // closes the pidfd; does not wait

  // posix_spawn of path with no arguments beyond its name. On failure
  // returns false and sets error to errno's text.
  bool Start(const std::string& path, std::string* error);
  // The same with arguments after the name.
  bool Start(const std::string& path, std::span<const std::string> arguments, std::string* error);

  pid_t Pid() const { return pid_; }
  bool Running() const { return pid_ > 0 && !reaped_; }

  // Waits up to timeoutMs for the child to end or a byte in one of the
  // event FIFOs. Events are looked at first, so a crash byte written just
  // before the child died is never taken for a plain exit.
  WaitResult WaitAny(std::span<const int> eventFds, int timeoutMs);
  // Waits up to timeoutMs for the end alone; true when it has ended.
  bool WaitExit(int timeoutMs);
  void Kill();

  // After the end: the wait status (for WIFEXITED / WIFSIGNALED).
  int Status() const { return status_; }
  bool Reaped() const { return reaped_; }

private:
  bool TryReap(bool block);
  void Reset();

  pid_t pid_ = -1;
  int pidfd_ = -1;
  int status_ = 0;
  bool reaped_ = false;
};

} // namespace qm
