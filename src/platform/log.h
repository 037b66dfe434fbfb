// The program's logging library: printf-style entry points that every
// subsystem writes through. One process-wide log, safe to call from any
// thread, and callable before InitLog (entries then reach only observers).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

enum LOGLEVEL : int {
  LOG_LEVEL_TRACE = 1,  // everything, DebugTrace included
  LOG_LEVEL_NORMAL = 2, // errors, information and release traces
};

enum LOGTYPE : int {
  LOG_TYPE_STANDALONE = 0,   // the program runs on its own
  LOG_TYPE_UNDER_LAUNCHER = 1 // entries are meant for the launcher's buffer
};

enum class LogKind { Error, Info, DebugTrace, ReleaseTrace };

// Opens the log once per process; later calls are ignored. Returns false
// when the file cannot be opened (entries then reach only observers).
bool InitLog(const char* path, LOGLEVEL level, LOGTYPE type);

void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ReleaseTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A stable 16-bit code for a source file name, used in "FileNO:%X" lines.
std::uint16_t FileNameToFileCode(const char* sourcePath);

namespace qm {

// Observers see every entry, whatever the level, with its text as formatted.
// Tests use them to check log lines; the shared log buffer will use one too.
using LogObserver = std::function<void(LogKind, std::string_view)>;
int AddLogObserver(LogObserver observer);
void RemoveLogObserver(int id);

// Closes the log file so that a later InitLog may open another (tests only).
void ShutdownLog();

} // namespace qm
