// Reading one value of an INI file ("[section]" lines, "key=value" lines,
// ';' or '#' comments; names compared without regard to case).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qm {

// The value, trimmed of blanks; nullopt when the file, the section or the
// key is missing.
std::optional<std::string> ReadIniValue(const std::filesystem::path& file, const std::string& section,
                                        const std::string& key);

} // namespace qm
