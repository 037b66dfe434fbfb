// The device of the deep-scan fuzz targets: the input's bytes as a small
// disk, its sector size chosen by the first byte (512 or 4096), and the
// sweep's block split chosen by the second.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/memory_device.h"

namespace fuzz {

struct DeepScanInput {
  std::int32_t sectorSize = 512;
  std::uint64_t blockSectors = 1;
  std::vector<std::uint8_t> bytes;
};

inline DeepScanInput ReadDeepScanInput(const std::uint8_t* data, std::size_t size) {
  DeepScanInput input;
  if (size < 2) return input;
  input.sectorSize = (data[0] & 1) != 0 ? 4096 : 512;
  input.blockSectors = 1 + data[1] % 64;
  // At most 1 MiB, rounded up to whole sectors.
  const std::size_t length = std::min<std::size_t>(size, 1u << 20);
  const std::size_t sectors = (length + input.sectorSize - 1) / input.sectorSize;
  input.bytes.assign(sectors * input.sectorSize, 0);
  std::copy(data, data + length, input.bytes.begin());
  return input;
}

} // namespace fuzz
