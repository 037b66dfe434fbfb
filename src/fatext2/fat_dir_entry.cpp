#include "fatext2/fat_dir_entry.h"

#include <cstring>
#include <string_view>

#include "storage/app_settings.h"
#include "storage/text_convert.h"

using namespace qm::fat_dir;

namespace {

// Code page 437, bytes 0x80 to 0xFF.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

constexpr std::uint8_t kCaseLowerBase = 0x08;
constexpr std::uint8_t kCaseLowerExtension = 0x10;

bool DateIsPlausible(std::uint16_t date) {
  if (date == 0) return true;
  const unsigned day = date & 0x1F;
  const unsigned month = (date >> 5) & 0x0F;
  return month >= 1 && month <= 12 && day >= 1;
}

bool TimeIsPlausible(std::uint16_t time) {
  if (time == 0) return true;
  const unsigned halfSeconds = time & 0x1F;
  const unsigned minutes = (time >> 5) & 0x3F;
  const unsigned hours = time >> 11;
  return hours < 24 && minutes < 60 && halfSeconds < 30;
}

// Bytes [offset, offset + length) of the name with trailing blanks cut.
std::size_t TrimmedLength(qm::ByteView entry, std::size_t offset, std::size_t length) {
  while (length > 0 && entry.u8(offset + length - 1) == ' ')
    --length;
  return length;
}

void AppendNameBytes(std::string& out, qm::ByteView entry, std::size_t offset, std::size_t length, bool lower,
                     bool deletedFirst) {
  for (std::size_t i = 0; i < length; ++i) {
    std::uint8_t b = entry.u8(offset + i);
    if (i == 0 && deletedFirst) b = '#';
    if (lower && b >= 'A' && b <= 'Z') b = static_cast<std::uint8_t>(b - 'A' + 'a');
    qm::AppendCp437(out, b);
  }
}

} // namespace

void qm::AppendCp437(std::string& out, std::uint8_t byte) {
  if (byte < 0x80)
    out.push_back(static_cast<char>(byte));
  else
    AppendUtf8(out, kCp437High[byte - 0x80]);
}

bool CFatDirEntry::IsAllZero() const {
  if (!entry_.has(0, kEntryBytes)) return false;
  for (std::size_t i = 0; i < kEntryBytes; ++i)
    if (entry_.u8(i) != 0) return false;
  return true;
}

bool CFatDirEntry::IsDotEntry() const { return entry_.matches(kName, ".          ") && IsDirectory(); }

bool CFatDirEntry::IsDotDotEntry() const { return entry_.matches(kName, "..         ") && IsDirectory(); }

bool CFatDirEntry::IsValid(bool strict) const {
  if (!entry_.has(0, kEntryBytes)) return false;
  if (IsLongNamePiece()) return true;
  if (strict) {
    if (IsDirectory()) {
      if (GetFileSize() != 0 && entry_.le16(kClusterHigh) != 0) return false;
    } else if ((GetFileSize() == 0) != (GetFirstCluster() == 0)) {
      return false;
    }
  }
  const AppSettings* settings = GetAppSettings();
  if (settings->bCheckFatDate != 0 &&
      (!DateIsPlausible(GetCreationDate()) || !DateIsPlausible(GetLastWriteDate()) ||
       !DateIsPlausible(GetLastAccessDate())))
    return false;
  if (settings->bCheckFatTime != 0 &&
      (!TimeIsPlausible(GetCreationTime()) || !TimeIsPlausible(GetLastWriteTime())))
    return false;
  if ((GetAttributes() & kAttrReserved) != 0) return false;
  return GetAttributes() == kAttrVolumeLabel || HasValidShortNameChars();
}

bool CFatDirEntry::HasValidShortNameChars() const {
  if (!entry_.has(0, kEntryBytes) || entry_.u8(0) == ' ') return false;
  constexpr std::string_view kForbidden = "\"*/:<>?\\|";
  for (std::size_t i = 0; i < 11; ++i) {
    const std::uint8_t b = entry_.u8(i);
    if (b >= 0x80) {
      ++i; // a lead byte: the byte after it belongs to the same character
      continue;
    }
    if (b < 0x1A || kForbidden.find(static_cast<char>(b)) != std::string_view::npos) return false;
  }
  return true;
}

std::string CFatDirEntry::GetShortName(bool noDot) const {
  const std::uint8_t caseFlags = entry_.u8(kCaseFlags);
  const std::size_t baseLength = TrimmedLength(entry_, kName, 8);
  const std::size_t extensionLength = TrimmedLength(entry_, kExtension, 3);
  std::string name;
  name.reserve(16);
  AppendNameBytes(name, entry_, kName, baseLength, (caseFlags & kCaseLowerBase) != 0, IsDeleted());
  if (extensionLength != 0) {
    if (!noDot) name.push_back('.');
    AppendNameBytes(name, entry_, kExtension, extensionLength, (caseFlags & kCaseLowerExtension) != 0, false);
  }
  return name;
}

int CFatDirEntry::GetLongNamePiece(std::string& out) const {
  static constexpr std::size_t kUnitOffsets[kLongNameUnits] = {0x01, 0x03, 0x05, 0x07, 0x09, 0x0E, 0x10,
                                                               0x12, 0x14, 0x16, 0x18, 0x1C, 0x1E};
  std::u16string units;
  units.reserve(kLongNameUnits);
  for (const std::size_t offset : kUnitOffsets) {
    const char16_t unit = entry_.le16(offset);
    if (unit == 0) break;
    units.push_back(unit);
  }
  out = qm::Utf16ToUtf8(units);
  return 1;
}

int IsValidFileName(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  return std::strpbrk(text, "?*|\\/:\"<>") == nullptr ? 1 : 0;
}
