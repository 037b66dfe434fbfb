// The scan-result bundle import over arbitrary file bytes: whatever the
// bundle says, nothing is written outside the fuzzing folder, nothing is
// read past the file, and a refused bundle leaves no file behind.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "filemodel/state_file_bundle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("qm_bundle_fuzz_" + std::to_string(getpid()));
  static const std::string path = folder.string() + ".rsf";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    if (size != 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
  } else {
    return 0;
  }
  CStateFile bundle(0, {}, folder);
  if (bundle.Load(path.c_str()) == 0 && !std::filesystem::is_empty(folder)) __builtin_trap();
  return 0;
}
