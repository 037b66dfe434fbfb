#include "reporter/crash_report_files.h"

#include "platform/child_process.h"
#include "platform/folders.h"
#include "platform/ipc_names.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace qm {
namespace {

namespace fs = std::filesystem;

bool IsCrashReportName(const std::string& name) {
  constexpr std::string_view kPrefix = "Zorvdump";
  constexpr std::string_view kSuffix = ".dmp";
  if (name.size() <= kPrefix.size() + kSuffix.size()) return false;
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
  if (name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) return false;
  const auto digits =
      std::string_view(name).substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The newer of the regular file at candidate and best.
void KeepNewer(const fs::path& candidate, fs::path& best, fs::file_time_type& bestTime) {
  std::error_code error;
  if (!fs::is_regular_file(candidate, error)) return;
  const auto time = fs::last_write_time(candidate, error);
  if (error) return;
  if (best.empty() || time > bestTime) {
    best = candidate;
    bestTime = time;
  }
}

} // namespace

std::vector<fs::path> CrashFileFolders() {
  if (const char* folder = TestOverride(ipc::kTestLogFolderEnv)) return {fs::path(folder)};
  std::vector<fs::path> folders{GetProgramDataFolder()};
  for (const char* program : {ipc::kLauncherProgram, ipc::kVekProgram}) {
    const auto path = FindProgram(program);
    if (!path) continue;
    const fs::path folder = GetProgramDataFolder(fs::path(*path).parent_path());
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  return folders;
}

fs::path FindNewestCrashReport(const std::vector<fs::path>& folders) {
  fs::path best;
  fs::file_time_type bestTime{};
  for (const auto& folder : folders) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) continue;
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
      if (error) break;
      if (IsCrashReportName(entries->path().filename().string())) KeepNewer(entries->path(), best, bestTime);
    }
  }
  return best;
}

fs::path FindNewestLog(const std::vector<fs::path>& folders) {
  fs::path best;
  fs::file_time_type bestTime{};
  for (const auto& folder : folders)
    KeepNewer(folder / "Quenmark.log", best, bestTime);
  return best;
}

ShownFile ReadShownFile(const fs::path& path, ReadPart part, std::uintmax_t limit) {
  ShownFile shown;
  shown.path = path;
  std::error_code error;
  shown.written = fs::last_write_time(path, error);
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    shown.error = std::strerror(errno);
    return shown;
  }
  // The size of what is there now: a log still being written may grow.
  file.seekg(0, std::ios::end);
  const std::streamoff end = file.tellg();
  if (end < 0) {
    shown.error = "cannot tell the file's size";
    return shown;
  }
  shown.size = static_cast<std::uintmax_t>(end);
  std::uintmax_t count = std::min(shown.size, limit);
  std::uintmax_t from = part == ReadPart::End ? shown.size - count : 0;
  shown.cut = count < shown.size;
  // The end of a file is read from one byte earlier, to tell whether the
  // part begins at a line start.
  const bool before = part == ReadPart::End && from > 0;
  if (before) {
    --from;
    ++count;
  }
  shown.text.resize(static_cast<size_t>(count));
  file.seekg(static_cast<std::streamoff>(from));
  file.read(shown.text.data(), static_cast<std::streamsize>(count));
  shown.text.resize(static_cast<size_t>(std::max<std::streamsize>(file.gcount(), 0)));
  if (before) {
    const size_t newline = shown.text.find('\n');
    shown.text.erase(0, newline != std::string::npos && newline + 1 < shown.text.size() ? newline + 1 : 1);
  } else if (shown.cut) {
    const size_t newline = shown.text.rfind('\n');
    if (newline != std::string::npos) shown.text.resize(newline + 1);
  }
  shown.readable = true;
  return shown;
}

CrashFiles LoadCrashFiles(const std::vector<fs::path>& folders) {
  CrashFiles files;
  files.folders = folders;
  if (auto report = FindNewestCrashReport(folders); !report.empty())
    files.report = ReadShownFile(report, ReadPart::Start);
  if (auto log = FindNewestLog(folders); !log.empty()) files.log = ReadShownFile(log, ReadPart::End);
  return files;
}

} // namespace qm
