#include "storage/elapsed_time_log.h"

#include <utility>

#include "platform/log.h"
#include "platform/tick_count.h"

CElapsedTimeLog::CElapsedTimeLog(std::string name) : m_strName(std::move(name)), m_dwStartTick(qm::GetTickCount()) {}

CElapsedTimeLog::~CElapsedTimeLog() {
  const std::uint32_t now = qm::GetTickCount();
  DebugTrace("%s dwElapsedTime %u \n", m_strName.c_str(), now - m_dwStartTick);
  m_dwStartTick = now;
}
