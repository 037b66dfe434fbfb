// The MPEG audio frame-header parser and the syncsafe reader at every
// offset of the input, walking frames where they parse.
#include <cstddef>
#include <cstdint>

#include "raw/mpeg_audio_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qm::ByteView input(data, size);
  for (std::size_t at = 0; at < size; ++at) {
    MpegAudioHeader header;
    std::uint64_t offset = at;
    for (int frames = 0; frames < 64 && header.Parse(input.from(offset)); ++frames) {
      const int length = header.FrameLength();
      if (length <= 0) __builtin_trap();
      offset += static_cast<std::uint64_t>(length);
    }
    std::uint32_t value = 0;
    ReadSyncsafe28(input.from(at), value);
  }
  return 0;
}
