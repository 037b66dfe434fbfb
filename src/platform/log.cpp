#include "platform/log.h"

#include "platform/file_mapping_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct LogState {
  std::mutex mutex;
  std::FILE* file = nullptr;
  // Under the launcher: its shared block takes the entries instead of the
  // file, so that they survive a crash and one process writes the file.
  std::unique_ptr<qm::CFileMappingLog> shared;
  bool initialised = false;
  LOGLEVEL level = LOG_LEVEL_NORMAL;
  LOGTYPE type = LOG_TYPE_STANDALONE;
  int nextObserverId = 1;
  std::map<int, qm::LogObserver> observers;
};

LogState& State() {
  // Never destroyed: entries may be written from static destructors.
  static LogState* state = new LogState;
  return *state;
}

const char* KindTag(LogKind kind) {
  switch (kind) {
  case LogKind::Error: return "ERROR";
  case LogKind::Info: return "INFO ";
  case LogKind::DebugTrace: return "DEBUG";
  case LogKind::ReleaseTrace: return "TRACE";
  }
  return "?";
}

// Whether an entry of this kind goes anywhere; checked before formatting,
// so that traces inside hot loops cost next to nothing when nobody reads
// them. A relaxed read: an observer added at this very moment may miss one
// entry.
std::atomic<bool> g_anyObserver{false};
std::atomic<bool> g_fileOpen{false};
std::atomic<int> g_level{LOG_LEVEL_NORMAL};

bool Wanted(LogKind kind) {
  if (g_anyObserver.load(std::memory_order_relaxed)) return true;
  if (!g_fileOpen.load(std::memory_order_relaxed)) return false;
  return kind != LogKind::DebugTrace || g_level.load(std::memory_order_relaxed) == LOG_LEVEL_TRACE;
}

void Write(LogKind kind, const char* format, va_list args) {
  if (format == nullptr || !Wanted(kind)) return;
  char stackBuffer[1024];
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(stackBuffer, sizeof stackBuffer, format, copy);
  va_end(copy);
  if (needed < 0) return;
  std::string text;
  if (static_cast<size_t>(needed) < sizeof stackBuffer) {
    text.assign(stackBuffer, static_cast<size_t>(needed));
  } else {
    text.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(needed));
  }

  LogState& state = State();
  std::lock_guard lock(state.mutex);
  for (auto& [id, observer] : state.observers) observer(kind, text);
  if (state.file == nullptr && state.shared == nullptr) return;
  if (kind == LogKind::DebugTrace && state.level != LOG_LEVEL_TRACE) return;

  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  // Texts often carry their own line end; add one only where missing.
  bool hasNewline = !text.empty() && text.back() == '\n';
  if (state.shared != nullptr) {
    std::string entry = std::string(stamp) + " " + KindTag(kind) + " " + text + (hasNewline ? "" : "\n");
    if (entry.size() <= qm::CFileMappingLog::kBlockSize)
      state.shared->Write(entry.data(), static_cast<unsigned>(entry.size()));
    return;
  }
  std::fprintf(state.file, "%s %s %s%s", stamp, KindTag(kind), text.c_str(), hasNewline ? "" : "\n");
  std::fflush(state.file);
}

} // namespace

bool InitLog(const char* path, LOGLEVEL level, LOGTYPE type) {
  LogState& state = State();
  std::lock_guard lock(state.mutex);
  if (state.initialised) return state.file != nullptr;
  state.initialised = true;
  state.level = level;
  state.type = type;
  g_level = level;
  if (type == LOG_TYPE_UNDER_LAUNCHER) {
    auto shared = std::make_unique<qm::CFileMappingLog>(0);
    if (shared->HasView()) {
      state.shared = std::move(shared);
      g_fileOpen = true;
      return true;
    }
    // No block to write to (the launcher is gone): the file, as on our own.
  }
  if (path == nullptr) return false;
  state.file = std::fopen(path, "ae");
  g_fileOpen = state.file != nullptr;
  return state.file != nullptr;
}

#define QM_DEFINE_LOG_ENTRY(name, kind)                                                            \
  void name(const char* format, ...) {                                                             \
    va_list args;                                                                                  \
    va_start(args, format);                                                                        \
    Write(kind, format, args);                                                                     \
    va_end(args);                                                                                  \
  }

QM_DEFINE_LOG_ENTRY(LogError, LogKind::Error)
QM_DEFINE_LOG_ENTRY(LogInfo, LogKind::Info)
QM_DEFINE_LOG_ENTRY(DebugTrace, LogKind::DebugTrace)
QM_DEFINE_LOG_ENTRY(ReleaseTrace, LogKind::ReleaseTrace)

std::uint16_t FileNameToFileCode(const char* sourcePath) {
  if (sourcePath == nullptr) return 0;
  // Only the base name counts, so that a code does not depend on where the
  // sources were built.
  const char* base = sourcePath;
  for (const char* p = sourcePath; *p != '\0'; ++p)
    if (*p == '/' || *p == '\\') base = p + 1;
  std::uint32_t hash = 2166136261u; // FNV-1a, folded to 16 bits
  for (const char* p = base; *p != '\0'; ++p) {
    hash ^= static_cast<unsigned char>(*p);
    hash *= 16777619u;
  }
  return static_cast<std::uint16_t>((hash >> 16) ^ (hash & 0xFFFF));
}

namespace qm {

int AddLogObserver(LogObserver observer) {
  LogState& state = State();
  std::lock_guard lock(state.mutex);
  int id = state.nextObserverId++;
  state.observers.emplace(id, std::move(observer));
  g_anyObserver = true;
  return id;
}

void RemoveLogObserver(int id) {
  LogState& state = State();
  std::lock_guard lock(state.mutex);
  state.observers.erase(id);
  g_anyObserver = !state.observers.empty();
}

void ShutdownLog() {
  LogState& state = State();
  std::lock_guard lock(state.mutex);
  if (state.file != nullptr) std::fclose(state.file);
  state.file = nullptr;
  state.shared.reset();
  g_fileOpen = false;
  state.initialised = false;
}

} // namespace qm
