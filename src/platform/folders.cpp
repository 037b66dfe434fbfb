#include "platform/folders.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace qm {

namespace {

std::filesystem::path XdgFolder(const char* variable, const char* fallbackUnderHome) {
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') return std::filesystem::path(value) / "Quenmark";
  const char* home = std::getenv("HOME");
  std::filesystem::path base = (home != nullptr && home[0] != '\0') ? home : "/tmp";
  return base / fallbackUnderHome / "Quenmark";
}

} // namespace

std::filesystem::path GetProgramFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || exe.empty()) return std::filesystem::current_path(error);
  return exe.parent_path();
}

std::filesystem::path GetProgramDataFolder() { return GetProgramDataFolder(GetProgramFolder()); }

std::filesystem::path GetProgramDataFolder(const std::filesystem::path& program) {
  if (!program.empty() && access(program.c_str(), W_OK) == 0) return program;
  std::filesystem::path state = XdgFolder("XDG_STATE_HOME", ".local/state");
  std::error_code error;
  std::filesystem::create_directories(state, error);
  return state;
}

std::filesystem::path GetConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

} // namespace qm
