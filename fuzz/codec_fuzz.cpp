// The decompressors over hostile streams (blocks of a damaged image file):
// the first byte picks the codec, the rest is the stream. Decoding must end
// in 1, 0 or an error, never read or write out of bounds.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "codecs/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int type = data[0] % 3 + 1;
  static std::unique_ptr<IDecompressor> decompressors[4];
  if (!decompressors[type]) decompressors[type] = qm::MakeDecompressor(type);
  IDecompressor& decompressor = *decompressors[type];
  if (decompressor.Init() != 0) return 0;
  static std::uint8_t out[1 << 16];
  // Input in two parts, so that the resumable paths run; output capped so
  // that a small bomb does not spin for long.
  const std::size_t half = (size - 1) / 2;
  const std::uint8_t* parts[2] = {data + 1, data + 1 + half};
  const std::size_t lengths[2] = {half, size - 1 - half};
  std::size_t produced = 0;
  for (int p = 0; p < 2; ++p) {
    decompressor.SetInput(parts[p], static_cast<std::uint32_t>(lengths[p]));
    for (;;) {
      decompressor.SetOutput(out, sizeof out);
      const int result = decompressor.Decompress();
      const std::uint32_t room = decompressor.GetAvailOut();
      if (room > sizeof out) __builtin_trap();
      produced += sizeof out - room;
      if (result != 0 || produced > (64u << 20)) {
        decompressor.End();
        return 0;
      }
      if (room != 0) break;
    }
  }
  decompressor.End();
  return 0;
}
