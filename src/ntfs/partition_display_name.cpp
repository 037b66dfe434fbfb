#include "ntfs/partition_display_name.h"

#include "storage/app_settings.h"

std::string FormatPartitionDisplayName(std::string_view label, std::uint8_t& driveLetter,
                                       std::string_view fileSystemName, int number) {
  if (driveLetter == 0) driveLetter = qm::kNoDriveLetter;
  const std::string fs = std::string(fileSystemName) + " " + std::to_string(number);
  std::string text;
  if (driveLetter != qm::kNoDriveLetter) {
    text.push_back(static_cast<char>(driveLetter));
    text += ":(";
    if (!label.empty()) {
      text += label;
      text += " - ";
    }
    text += fs;
    text += ")";
  } else if (!label.empty()) {
    text = std::string(label) + "(" + fs + ")";
  } else {
    text = fs;
  }
  if (text.size() > qm::kMaxDisplayNameLength) {
    // Cut at a whole UTF-8 character.
    std::size_t n = qm::kMaxDisplayNameLength;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
      --n;
    text.resize(n);
  }
  return text;
}

std::string FormatPartitionDisplayName(AppSettings& settings, std::string_view fileSystemName, int number) {
  return FormatPartitionDisplayName(settings.strVolumeName, settings.chDriveLetter, fileSystemName, number);
}
