// A scope timer for the slow steps of a collection: when it ends it writes
// its name and the milliseconds since it began to the debugger output.
#pragma once

#include <cstdint>
#include <string>

class CElapsedTimeLog {
public:
  explicit CElapsedTimeLog(std::string name);
  ~CElapsedTimeLog();
  CElapsedTimeLog(const CElapsedTimeLog&) = delete;
  CElapsedTimeLog& operator=(const CElapsedTimeLog&) = delete;

private:
  std::string m_strName;
  std::uint32_t m_dwStartTick;
};
