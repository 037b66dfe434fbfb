#include "raw/custom_header.h"

#include <algorithm>
#include <cstring>
#include <system_error>

int CCustomHeader::Load(const std::filesystem::path& path) {
  CScriptProcess script;
  if (!script.Open(path)) return 0;
  return LoadFrom(script);
}

int CCustomHeader::LoadText(std::string_view text) {
  CScriptProcess script;
  if (!script.OpenText(text)) return 0;
  return LoadFrom(script);
}

int CCustomHeader::LoadFrom(CScriptProcess& script) {
  name_.clear();
  signatures_.clear();
  if (!script.CheckScript()) return 0;
  script.GetName(name_);
  std::size_t line = 0;
  CustomHeaderSignature signature;
  while (script.NextSignature(line, signature))
    signatures_.push_back(signature);
  return 1;
}

int CCustomHeader::Match(qm::ByteView sector) const {
  if (signatures_.empty() || name_.empty()) return 0;
  for (const CustomHeaderSignature& signature : signatures_) {
    if (!sector.has(signature.offset, signature.length)) return 0;
    if (signature.length != 0 &&
        std::memcmp(sector.data() + signature.offset, signature.bytes.data(), signature.length) != 0)
      return 0;
  }
  return 1;
}

namespace {

bool HasScriptExtension(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  if (extension.size() != 4) return false;
  for (char& c : extension)
    c = static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
  return extension == ".fhs";
}

} // namespace

int CCustomHeaderManage::Load(const std::filesystem::path& folder) {
  headers_.clear();
  std::vector<std::filesystem::path> scripts;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (HasScriptExtension(it->path())) scripts.push_back(it->path());
  }
  std::sort(scripts.begin(), scripts.end(),
            [](const auto& a, const auto& b) { return a.filename().native() < b.filename().native(); });
  for (const auto& path : scripts) {
    auto header = std::make_unique<CCustomHeader>();
    if (header->Load(path)) headers_.push_back(std::move(header));
  }
  return scripts.empty() ? 0 : 1;
}

int CCustomHeaderManage::Match(qm::ByteView sector, std::string& name) const {
  for (const auto& header : headers_) {
    if (header->Match(sector)) {
      name = header->GetName();
      return 1;
    }
  }
  return 0;
}
