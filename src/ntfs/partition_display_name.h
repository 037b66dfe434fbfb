// The name that the root node of a found partition's tree shows, shared by
// the NTFS, FAT and EXT2 tree builds: the drive letter and volume label the
// user chose, the file-system name and the partition's number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct AppSettings;

namespace qm {
inline constexpr std::uint8_t kNoDriveLetter = 255;
inline constexpr std::size_t kMaxDisplayNameLength = 254;
} // namespace qm

// "C:(Label - NTFS 1)", "Label(NTFS 1)", "NTFS 1" or "C:(NTFS 1)", cut to
// 254 characters. A letter byte of 0 means no letter and is set to 255.
std::string FormatPartitionDisplayName(std::string_view label, std::uint8_t& driveLetter,
                                       std::string_view fileSystemName, int number);
// The same over the chosen volume's name and letter in the settings.
std::string FormatPartitionDisplayName(AppSettings& settings, std::string_view fileSystemName, int number);
