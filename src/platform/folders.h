// Where the program lives and where it may keep its files.
#pragma once

#include <filesystem>

namespace qm {

// The folder of the running executable (from /proc/self/exe); the current
// folder when that cannot be read.
std::filesystem::path GetProgramFolder();

// Where files that belong beside the program (state files, the log, crash
// dumps) are written: the program folder when it is writable, otherwise
// $XDG_STATE_HOME/Quenmark (default ~/.local/state/Quenmark), created on
// demand.
std::filesystem::path GetProgramDataFolder();
// The same for the program that lives in programFolder.
std::filesystem::path GetProgramDataFolder(const std::filesystem::path& programFolder);

// $XDG_CONFIG_HOME/Quenmark (default ~/.config/Quenmark); not created.
std::filesystem::path GetConfigFolder();

} // namespace qm
