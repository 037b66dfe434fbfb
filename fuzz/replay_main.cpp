// Replays every file of the given folders (or the given files) through the
// fuzz target named by the first argument, for builds without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "replay_targets.h"

namespace {

using Target = int (*)(const std::uint8_t* data, std::size_t size);

void RunOne(Target target, const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

Target Find(const char* name) {
  for (const FuzzReplayTarget* entry = kFuzzReplayTargets; entry->name; ++entry)
    if (std::strcmp(entry->name, name) == 0) return entry->run;
  return nullptr;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s TARGET [FOLDER|FILE]...\n", argv[0]);
    return 2;
  }
  const Target target = Find(argv[1]);
  if (!target) {
    std::fprintf(stderr, "no fuzz target named %s\n", argv[1]);
    return 2;
  }
  int count = 0;
  // The empty input is always worth a run.
  target(nullptr, 0);
  for (int i = 2; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
        if (entry.is_regular_file()) {
          RunOne(target, entry.path());
          ++count;
        }
    } else if (std::filesystem::is_regular_file(path)) {
      RunOne(target, path);
      ++count;
    }
  }
  std::printf("replayed %d inputs\n", count);
  return 0;
}
