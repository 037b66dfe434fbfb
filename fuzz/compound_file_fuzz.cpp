// The compound-file reader over arbitrary bytes: the office preview tests
// recovered copies with it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "preview/compound_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qm::CompoundFile file;
  if (file.OpenBytes(std::string_view(reinterpret_cast<const char*>(data), size))) {
    (void)qm::HasWordStream(file);
    (void)qm::HasExcelStream(file);
    if (file.RootChildren().size() > qm::CompoundFile::kMaxEntries) __builtin_trap();
  }
  return 0;
}
