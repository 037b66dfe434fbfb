// Small real files of the carved formats (tests/fixtures/formats, made by
// its script with real tools) and in-memory devices that hold them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/memory_device.h"

namespace qm {

std::vector<std::uint8_t> ReadFormatFixture(const std::string& name);

// A device of the given sector size holding leadSectors sectors of filler,
// then the file from a sector boundary, then tailBytes of filler (rounded
// up to whole sectors). The filler is a pseudo-random byte pattern, so
// that nothing after the file looks like an empty area.
std::unique_ptr<MemoryDevice> DeviceWithFile(const std::vector<std::uint8_t>& file, std::uint64_t leadSectors,
                                             std::size_t tailBytes, std::int32_t sectorSize = 512);

// Sets the maximum carved size for the life of the guard.
class MaxRawFileSizeGuard {
public:
  explicit MaxRawFileSizeGuard(std::uint64_t size);
  ~MaxRawFileSizeGuard();

private:
  std::uint64_t saved_;
};

} // namespace qm
