// The EXIF reader over a hostile segment: the input from its "Exif" text
// on, with the segment length it declares or the input's own length.
#include <cstddef>
#include <cstdint>

#include "raw/exif_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qm::ByteView input(data, size);
  ExifInfo info{};
  SetExifInfo(&info);
  ProcessExif(input, 0, 0, static_cast<std::uint32_t>(size));
  // A length taken from the input, as a JPEG segment's length field is.
  ProcessExif(input, 0, 0, input.be16(size >= 2 ? size - 2 : 0));
  SetExifInfo(nullptr);
  return 0;
}
