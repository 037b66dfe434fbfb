#include "raw/script_process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace qm {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The text between the first and the last character of a quoted value.
std::optional<std::string_view> Unquote(std::string_view value) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::nullopt;
  return value.substr(1, value.size() - 2);
}

std::optional<ScriptLine> ParseFileInfo(std::string_view attributes) {
  auto value = FindScriptAttribute(attributes, "EXTNAME");
  if (!value) return std::nullopt;
  auto name = Unquote(*value);
  if (!name || name->empty() || name->size() > kMaxHeaderNameLength) return std::nullopt;
  ScriptLine line;
  line.kind = ScriptLineKind::FileInfo;
  for (char c : *name)
    line.name.push_back(UpperAscii(c));
  return line;
}

bool ParseByteList(std::string_view list, CustomHeaderSignature& signature) {
  if (list.empty() || list.back() == ',') return false;
  std::uint32_t count = 0;
  while (true) {
    std::size_t comma = list.find(',');
    std::string_view item = list.substr(0, comma);
    bool last = comma == std::string_view::npos;
    // The last item is at most one byte written as "0xNN".
    if (last && item.size() > 4) return false;
    auto number = ParseScriptNumber(item);
    if (!number || *number > 0xFF || count == kMaxSignatureLength) return false;
    signature.bytes[count++] = static_cast<std::uint8_t>(*number);
    if (last) break;
    list.remove_prefix(comma + 1);
  }
  signature.length = count;
  return true;
}

std::optional<ScriptLine> ParseFileSign(std::string_view attributes) {
  auto offsetText = FindScriptAttribute(attributes, "OFFSET");
  auto typeText = FindScriptAttribute(attributes, "TYPE");
  auto valueText = FindScriptAttribute(attributes, "VALUE");
  if (!offsetText || !typeText || !valueText) return std::nullopt;
  auto offset = ParseScriptNumber(*offsetText);
  if (!offset || *offset > kMaxSignatureOffset) return std::nullopt;

  ScriptLine line;
  line.kind = ScriptLineKind::FileSign;
  CustomHeaderSignature& signature = line.signature;
  signature.offset = *offset;
  if (EqualsIgnoringCase(*typeText, "CHAR")) {
    auto text = Unquote(*valueText);
    if (!text || text->size() > kMaxSignatureLength) return std::nullopt;
    for (std::size_t i = 0; i < text->size(); ++i)
      signature.bytes[i] = static_cast<std::uint8_t>((*text)[i]);
    signature.length = static_cast<std::uint32_t>(text->size());
  } else if (EqualsIgnoringCase(*typeText, "BYTE")) {
    if (!ParseByteList(*valueText, signature)) return std::nullopt;
  } else {
    return std::nullopt;
  }
  return line;
}

// Splits a script's text at CR LF; a trailing CR LF leaves an empty last
// line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (true) {
    std::size_t end = text.find("\r\n");
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 2);
  }
  return lines;
}

} // namespace

std::optional<std::uint32_t> ParseScriptNumber(std::string_view token) {
  if (token.size() < 3 || token.size() > 10) return std::nullopt;
  if (token[0] != '0' || (token[1] != 'x' && token[1] != 'X')) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : token.substr(2)) {
    int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::optional<std::string_view> FindScriptAttribute(std::string_view attributes, std::string_view key) {
  // The key must start a token, so that a key spelt inside a quoted value
  // further left is not taken for it.
  std::size_t at = 0;
  while (true) {
    at = attributes.find(key, at);
    if (at == std::string_view::npos) return std::nullopt;
    if (at == 0 || IsBlank(attributes[at - 1])) break;
    ++at;
  }
  std::size_t pos = at + key.size();
  while (pos < attributes.size() && IsBlank(attributes[pos]))
    ++pos;
  if (pos >= attributes.size() || attributes[pos] != '=') return std::nullopt;
  ++pos;
  while (pos < attributes.size() && IsBlank(attributes[pos]))
    ++pos;
  std::string_view rest = attributes.substr(pos);
  if (!rest.empty() && rest.front() == '"') return rest.substr(0, rest.rfind('"') + 1);
  return rest.substr(0, rest.find_first_of(" \t\n"));
}

std::optional<ScriptLine> ParseScriptLine(std::string_view line) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view keyword = Trim(line.substr(0, colon));
  std::string_view attributes = line.substr(colon + 1);
  if (EqualsIgnoringCase(keyword, "REMARK")) return ScriptLine{};
  if (EqualsIgnoringCase(keyword, "FILEINFO")) return ParseFileInfo(attributes);
  if (EqualsIgnoringCase(keyword, "FILESIGN")) return ParseFileSign(attributes);
  return std::nullopt;
}

} // namespace qm

bool CScriptProcess::Open(const std::filesystem::path& path) {
  Close();
  // Non-blocking, so that a FIFO named like a script cannot hang the scan.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  bool ok =
      ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= static_cast<off_t>(kMaxScriptBytes);
  std::string text;
  if (ok) {
    // One byte more than allowed, to notice a file that grew meanwhile.
    char buffer[kMaxScriptBytes + 1];
    std::size_t got = 0;
    while (got < sizeof buffer) {
      ssize_t n = ::read(fd, buffer + got, sizeof buffer - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    text.assign(buffer, got);
  }
  ::close(fd);
  return ok && OpenText(text);
}

bool CScriptProcess::OpenText(std::string_view text) {
  Close();
  if (text.size() > kMaxScriptBytes) return false;
  text_.assign(text);
  open_ = true;
  return true;
}

void CScriptProcess::Close() {
  text_.clear();
  open_ = false;
}

bool CScriptProcess::CheckScript() const {
  if (!open_ || text_.size() > kMaxScriptBytes) return false;
  // Plain text only: a zero byte would cut names short.
  if (text_.find('\0') != std::string::npos) return false;
  for (std::string_view line : qm::SplitLines(text_))
    if (!qm::ParseScriptLine(qm::Trim(line))) return false;
  return true;
}

bool CScriptProcess::GetLine(std::size_t index, std::string& line) const {
  if (!open_) return false;
  auto lines = qm::SplitLines(text_);
  if (index >= lines.size()) return false;
  line.assign(qm::Trim(lines[index]));
  return true;
}

bool CScriptProcess::GetName(std::string& name) const {
  std::string line;
  for (std::size_t i = 0; GetLine(i, line); ++i) {
    auto parsed = qm::ParseScriptLine(line);
    if (parsed && parsed->kind == qm::ScriptLineKind::FileInfo) {
      name = parsed->name;
      return true;
    }
  }
  return false;
}

bool CScriptProcess::NextSignature(std::size_t& index, CustomHeaderSignature& signature) const {
  std::string line;
  for (; GetLine(index, line); ++index) {
    auto parsed = qm::ParseScriptLine(line);
    if (parsed && parsed->kind == qm::ScriptLineKind::FileSign) {
      ++index;
      signature = parsed->signature;
      return true;
    }
  }
  return false;
}
