// Per-name costs of what tree builds and file views ask about every found
// name: the carved type of its extension, the chosen-type set, and name
// patterns. Reference: one pass that only finds each name's last dot.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "filemodel/file_extension.h"
#include "filemodel/file_type_map.h"
#include "filemodel/name_pattern.h"

namespace {

std::vector<std::string> MakeNames(std::size_t count) {
  const char* extensions[] = {"jpg",   "JPG", "doc", "txt",  "png", "mp3",
                              "accdb", "dll", "gz",  "xlsx", "h",   ""};
  std::vector<std::string> names;
  names.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::string name = (i % 7 == 0) ? "R\xC3\xA9sum\xC3\xA9 " : "IMG_";
    name += std::to_string(i * 2654435761u % 1000000);
    if (i % 5 == 0) name += " report draft";
    const char* extension = extensions[i % std::size(extensions)];
    if (*extension) name += std::string(".") + extension;
    names.push_back(std::move(name));
  }
  return names;
}

template <typename F>
void Run(const char* what, const std::vector<std::string>& names, double referenceSeconds, F&& perName) {
  auto start = std::chrono::steady_clock::now();
  std::size_t hits = 0;
  for (const std::string& name : names)
    hits += perName(name) ? 1 : 0;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-34s %8.1f M names/s  (%5.1fx reference)  hits %zu\n", what, names.size() / seconds / 1e6,
              seconds / referenceSeconds, hits);
}

} // namespace

int main() {
  const auto names = MakeNames(2'000'000);

  auto start = std::chrono::steady_clock::now();
  std::size_t dots = 0;
  for (const std::string& name : names)
    dots += std::strrchr(name.c_str(), '.') != nullptr;
  double reference = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-34s %8.1f M names/s  dots %zu\n", "reference: find last dot", names.size() / reference / 1e6,
              dots);

  Run("MatchFileTypeA", names, reference, [](const std::string& name) {
    FileTypeMatch match;
    return MatchFileTypeA(name, 1, 1, match) != 0;
  });

  std::vector<FileTypeChoice> pictures = {{2, 0, {"jpg", "jpeg", "png", "gif", "bmp", "tif"}}};
  CFileTypeMap::GetInstance().Build(pictures, 0);
  Run("IsFileTypeInList (chosen types)", names, reference, [](const std::string& name) {
    const char* dot = std::strrchr(name.c_str(), '.');
    return dot != nullptr && IsFileTypeInList(dot) != 0;
  });

  qm::NameRegex part = WildcardToRegex("report", false, false, qm::kWildcardNamePart);
  Run("name pattern \"report\" (icase)", names, reference,
      [&](const std::string& name) { return part.Matches(std::string_view(name)); });
  qm::NameRegex list = BuildTypeListRegex("*.jpg;*.png;*.gif");
  Run("type list \"*.jpg;*.png;*.gif\"", names, reference,
      [&](const std::string& name) { return list.Matches(std::string_view(name)); });
  return 0;
}
