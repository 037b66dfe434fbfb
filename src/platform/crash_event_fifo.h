// An auto-reset event between processes: a FIFO in the runtime folder. The
// listener creates it and keeps both ends open (so that poll never sees an
// end of file); a signaller writes one byte; reading to EAGAIN resets it.
#pragma once

#include <string>
#include <string_view>

namespace qm {

class CrashEventFifo {
public:
  CrashEventFifo() = default;
  CrashEventFifo(const CrashEventFifo&) = delete;
  CrashEventFifo& operator=(const CrashEventFifo&) = delete;
  ~CrashEventFifo();

  // Makes R/<name>.fifo anew (a stale one is removed) and opens it; false
  // when the runtime folder or the FIFO cannot be had.
  bool Create(std::string_view name);
  // Closes both ends and removes the FIFO: a late signal then finds nobody.
  void Close();

  bool IsOpen() const { return readFd_ >= 0; }
  int ReadFd() const { return readFd_; }
  const std::string& Path() const { return path_; }
  // Reads every pending byte; true when there was at least one.
  bool Consume();

private:
  int readFd_ = -1;
  int writeFd_ = -1;
  std::string path_;
};

// Writes one byte into the FIFO at path. Async-signal-safe: open with
// O_NONBLOCK (ENXIO when nobody listens), write, close. False when nothing
// was written.
bool SignalCrashFifo(const char* path);

} // namespace qm
