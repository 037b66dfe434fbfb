// Finding and reading what a crash left behind: the newest crash report
// "Zorvdump<N>.dmp" and the log "Quenmark.log". Both may be large, so only
// a bounded part of each is read: the start of the report (signal, fault
// address, backtrace come first) and the end of the log (the last lines
// before the crash).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qm {

// How much of each file is read for showing.
inline constexpr std::uintmax_t kShownBytesLimit = 512 * 1024;

// Where a crash leaves its files: the data folders of the reporter, the
// launcher and the windowed program (the same folder once installed; the
// build keeps the programs apart), in that order, without repeats. In test
// builds the launcher's log folder override replaces them all.
std::vector<std::filesystem::path> CrashFileFolders();

// The newest "Zorvdump<N>.dmp" (N decimal digits) in any of the folders;
// empty when there is none.
std::filesystem::path FindNewestCrashReport(const std::vector<std::filesystem::path>& folders);

// The newest "Quenmark.log" in any of the folders; empty when there is none.
std::filesystem::path FindNewestLog(const std::vector<std::filesystem::path>& folders);

enum class ReadPart { Start, End };

struct ShownFile {
  std::filesystem::path path; // empty: no such file was found
  bool readable = false;      // false: found but not readable (error says why)
  std::string error;
  std::uintmax_t size = 0; // the whole file's size
  std::filesystem::file_time_type written{};
  std::string text; // at most limit bytes, cut at line ends
  bool cut = false; // text is only part of the file
};

// Reads at most limit bytes of the file: its start or its end. A cut text
// begins (End) or stops (Start) at a line end, so that no line is shown
// half; a part without any line end is kept as read.
ShownFile ReadShownFile(const std::filesystem::path& path, ReadPart part,
                        std::uintmax_t limit = kShownBytesLimit);

struct CrashFiles {
  std::vector<std::filesystem::path> folders; // where they were looked for
  ShownFile report;
  ShownFile log;
};

// Looks for both in the folders and reads them.
CrashFiles LoadCrashFiles(const std::vector<std::filesystem::path>& folders);

} // namespace qm
