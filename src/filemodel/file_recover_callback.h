// Progress and cancel of copying found files out. The recovery progress
// dialogs implement it; the saver calls it from its worker thread. Every
// operation returns what Poll() returns: -1 (0xFFFFFFFF) asks the saver to
// stop, any other value goes on.
#pragma once

#include <cstdint>

class IFileRecoverCallback {
public:
  // The job is about to start.
  virtual int OnBegin(std::uint32_t fileCount, std::uint64_t totalBytes) = 0;
  // n more files are finished.
  virtual int OnFileDone(std::uint32_t n) = 0;
  // n more bytes were written.
  virtual int OnBytesWritten(std::uint64_t n) = 0;
  // n bytes reported as written are not part of the file (sector padding).
  virtual int OnBytesTakenBack(std::uint32_t n) = 0;
  // The next file is being copied.
  virtual int OnFileBegin(const char* name) = 0;
  // Lets the user interface run; -1 once the user asked to stop.
  virtual int Poll() = 0;

protected:
  // Not deleted through this interface: the dialogs own their callbacks.
  ~IFileRecoverCallback() = default;
};
