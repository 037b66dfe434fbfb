#include "codecs/codec_driver.h"

#include <random>

#include <gtest/gtest.h>

namespace qm::test {

std::size_t ChunkSize(std::size_t index, std::size_t largest) {
  static constexpr std::size_t kPattern[] = {1, 4093, 7, 65536 + 3, 2, 500, 131071, 13};
  const std::size_t size = kPattern[index % std::size(kPattern)];
  return size < largest ? size : largest;
}

CodecRun CompressAll(ICompressor& compressor, std::span<const std::uint8_t> input, std::size_t largestChunk,
                     std::size_t outputRoom) {
  CodecRun run;
  Bytes room(outputRoom);
  auto drain = [&](bool finish) {
    compressor.SetOutput(room.data(), static_cast<std::uint32_t>(room.size()));
    run.result = compressor.Compress(finish);
    const std::size_t produced = static_cast<std::size_t>(compressor.GetNextOut() - room.data());
    EXPECT_EQ(produced, room.size() - compressor.GetAvailOut());
    run.output.insert(run.output.end(), room.begin(), room.begin() + produced);
  };
  std::size_t offset = 0;
  for (std::size_t chunk = 0; offset < input.size(); ++chunk) {
    const std::size_t n = std::min(ChunkSize(chunk, largestChunk), input.size() - offset);
    compressor.SetInput(input.data() + offset, static_cast<std::uint32_t>(n));
    offset += n;
    // Each call either consumes input or fills the output room, so the
    // input runs out after a bounded number of rounds.
    for (int guard = 0; compressor.GetAvailIn() != 0; ++guard) {
      drain(false);
      if (run.result != 0 || guard > 1'000'000) {
        ADD_FAILURE() << "Compress(false) returned " << run.result;
        return run;
      }
    }
  }
  compressor.SetInput(nullptr, 0);
  for (int guard = 0; guard < 1'000'000; ++guard) {
    drain(true);
    if (run.result != 0) return run;
  }
  ADD_FAILURE() << "Compress(true) never completed";
  return run;
}

CodecRun DecompressAll(IDecompressor& decompressor, std::span<const std::uint8_t> input, std::size_t largestChunk,
                       std::size_t outputRoom) {
  CodecRun run;
  Bytes room(outputRoom);
  std::size_t offset = 0;
  std::size_t chunk = 0;
  do {
    const std::size_t n = std::min(ChunkSize(chunk++, largestChunk), input.size() - offset);
    decompressor.SetInput(input.data() + offset, static_cast<std::uint32_t>(n));
    offset += n;
    for (;;) {
      decompressor.SetOutput(room.data(), static_cast<std::uint32_t>(room.size()));
      run.result = decompressor.Decompress();
      const std::size_t produced = room.size() - decompressor.GetAvailOut();
      run.output.insert(run.output.end(), room.begin(), room.begin() + produced);
      if (run.result != 0) return run;
      // Output room left over means the decoder wants more input.
      if (decompressor.GetAvailOut() != 0) break;
    }
  } while (offset < input.size());
  return run;
}

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 engine(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(engine() >> 24);
  return bytes;
}

Bytes RepetitiveBytes(std::size_t size) {
  static constexpr char kLine[] = "File record 0000 of the volume, state: deleted, size 4096\r\n";
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(kLine[i % (sizeof kLine - 1)]);
  // A counter keeps it from being a single repeated period.
  for (std::size_t i = 12; i + 4 < size; i += 4096) bytes[i] = static_cast<std::uint8_t>('0' + (i / 4096) % 10);
  return bytes;
}

} // namespace qm::test
