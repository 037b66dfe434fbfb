// The end-marker search over a device whose content is the input, with a
// marker and a limit taken from the input's first bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "filemodel/raw_file_info.h"
#include "raw/end_marker.h"
#include "walker_fuzz_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::size_t markerLength = data[0] % 12;
  const std::uint64_t limit = data[1] * 97u;
  if (size < 2 + markerLength) return 0;
  const std::string_view marker(reinterpret_cast<const char*>(data + 2), markerLength);
  WalkerFuzzDevice device(data + 2 + markerLength, size - 2 - markerLength, 512);
  CRawFileInfo record;
  FindEndMarker(&record, &device, EndMarker{marker, limit});
  FindEndMarker(&record, &device, EndMarker{"</html>", 0});
  return 0;
}
