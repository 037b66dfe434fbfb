// A scope guard over a device's critical section: constructing it enters
// the section, leaving the scope leaves it. Devices use it to serialise
// whole reads. A critical section may be entered again by the thread that
// holds it, hence the recursive mutex.
#pragma once

#include <mutex>

class CLockGuard {
public:
  explicit CLockGuard(std::recursive_mutex& section) : m_section(section) { Lock(); }
  ~CLockGuard() {
    if (m_bLocked) Unlock();
  }
  CLockGuard(const CLockGuard&) = delete;
  CLockGuard& operator=(const CLockGuard&) = delete;

  void Lock() {
    m_section.lock();
    m_bLocked = true;
  }
  void Unlock() {
    m_bLocked = false;
    m_section.unlock();
  }

private:
  std::recursive_mutex& m_section;
  bool m_bLocked = false;
};
