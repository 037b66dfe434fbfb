// A private QUENMARK_IPC_NS for one test, so that parallel runs never meet.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

namespace qm::test {

class IpcNamespace {
public:
  IpcNamespace() {
    static std::atomic<int> next{0};
    const char* old = std::getenv("QUENMARK_IPC_NS");
    if (old != nullptr) old_ = old;
    hadOld_ = old != nullptr;
    value_ = "-t" + std::to_string(getpid()) + "-" + std::to_string(next++);
    setenv("QUENMARK_IPC_NS", value_.c_str(), 1);
  }
  ~IpcNamespace() {
    if (hadOld_)
      setenv("QUENMARK_IPC_NS", old_.c_str(), 1);
    else
      unsetenv("QUENMARK_IPC_NS");
  }
  const std::string& Value() const { return value_; }

private:
  std::string value_;
  std::string old_;
  bool hadOld_ = false;
};

} // namespace qm::test
