// The line reader and parsers of user-defined header scripts (".fhs"): small
// text files that name a file type and give byte signatures in the first
// 512 bytes of its files.
//
// Format: plain 8-bit text of at most 1024 bytes; lines end with CR LF (a
// lone LF does not end a line) and are trimmed of spaces and tabs. Every
// line, the last included, is one of
//   REMARK:   anything
//   FILEINFO: EXTNAME="name"                       (1 to 16 characters)
//   FILESIGN: OFFSET=0x10 TYPE=CHAR VALUE="text"   (at most 16 bytes)
//   FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0x50,0x4B (at most 16 bytes)
// Keywords compare without regard to case, keys are upper case. Offsets
// are at most 0x1F0, so a signature never passes byte 512. Any other line,
// an empty one included, makes the whole script invalid; a valid script
// therefore does not end with CR LF.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// One signature: the bytes that must stand at an offset of the sector.
struct CustomHeaderSignature {
  std::uint32_t offset = 0; // 0..496
  std::uint32_t length = 0; // 0..16
  std::array<std::uint8_t, 260> bytes{};
};

inline constexpr std::size_t kMaxScriptBytes = 1024;
inline constexpr std::uint32_t kMaxSignatureOffset = 0x1F0;
inline constexpr std::uint32_t kMaxSignatureLength = 16;
inline constexpr std::size_t kMaxHeaderNameLength = 16;

class CScriptProcess {
public:
  CScriptProcess() = default;
  CScriptProcess(const CScriptProcess&) = delete;
  CScriptProcess& operator=(const CScriptProcess&) = delete;
  virtual ~CScriptProcess() { Close(); }

  // Opens the script read-only and takes in its text (a script is only
  // read, so a read-only file is fine). False when it cannot be opened, is
  // not a regular file or is larger than 1024 bytes.
  bool Open(const std::filesystem::path& path);
  // Takes a script's text directly (false when larger than 1024 bytes).
  bool OpenText(std::string_view text);
  void Close();
  bool IsOpen() const { return open_; }

  // True when every line of the script is valid.
  bool CheckScript() const;
  // Line `index` (from 0), trimmed; false when there is no such line.
  bool GetLine(std::size_t index, std::string& line) const;
  // The name of the first FILEINFO line, upper case; false when none.
  bool GetName(std::string& name) const;
  // From line `index` on, the next FILESIGN line: its signature is parsed
  // and the index moves past it. False at the end of the script (or on an
  // invalid FILESIGN line).
  bool NextSignature(std::size_t& index, CustomHeaderSignature& signature) const;

private:
  std::string text_;
  bool open_ = false;
};

namespace qm {

enum class ScriptLineKind { Remark, FileInfo, FileSign };

struct ScriptLine {
  ScriptLineKind kind = ScriptLineKind::Remark;
  std::string name;                // FILEINFO: the upper-cased name
  CustomHeaderSignature signature; // FILESIGN
};

// Parses one trimmed line; nullopt when it is not a valid line.
std::optional<ScriptLine> ParseScriptLine(std::string_view line);

// "0x" or "0X" and 1 to 8 hexadecimal digits.
std::optional<std::uint32_t> ParseScriptNumber(std::string_view token);

// The value of key in a line's attribute text. Nullopt when the key is
// missing or not followed by "=" (after optional spaces and tabs). A value
// that begins with a double quote runs to the last double quote of the
// text; any other runs to the first space, tab or line feed.
std::optional<std::string_view> FindScriptAttribute(std::string_view attributes, std::string_view key);

} // namespace qm
