#include "platform/ini_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace qm {

namespace {

std::string Trim(const std::string& text) {
  const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  auto begin = std::find_if_not(text.begin(), text.end(), blank);
  auto end = std::find_if_not(text.rbegin(), text.rend(), blank).base();
  return begin < end ? std::string(begin, end) : std::string();
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

} // namespace

std::optional<std::string> ReadIniValue(const std::filesystem::path& file, const std::string& section,
                                        const std::string& key) {
  std::ifstream in(file);
  if (!in) return std::nullopt;
  std::string line;
  bool inSection = false;
  while (std::getline(in, line)) {
    const std::string text = Trim(line);
    if (text.empty() || text[0] == ';' || text[0] == '#') continue;
    if (text.front() == '[') {
      const auto close = text.find(']');
      inSection = close != std::string::npos && SameName(Trim(text.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const auto equals = text.find('=');
    if (equals == std::string::npos) continue;
    if (SameName(Trim(text.substr(0, equals)), key)) return Trim(text.substr(equals + 1));
  }
  return std::nullopt;
}

} // namespace qm
