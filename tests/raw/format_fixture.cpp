#include "format_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "storage/app_settings.h"
#include "support/scratch_files.h"

namespace qm {

std::vector<std::uint8_t> ReadFormatFixture(const std::string& name) {
  const char* source = std::getenv("QM_SOURCE_DIR");
  const std::filesystem::path folder =
      std::filesystem::path(source != nullptr ? source : ".") / "tests" / "fixtures" / "formats";
  return ReadFileBytes(folder / name);
}

std::unique_ptr<MemoryDevice> DeviceWithFile(const std::vector<std::uint8_t>& file, std::uint64_t leadSectors,
                                             std::size_t tailBytes, std::int32_t sectorSize) {
  const std::uint64_t size = static_cast<std::uint64_t>(sectorSize);
  const std::uint64_t fileSectors = (file.size() + tailBytes + size - 1) / size;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>((leadSectors + fileSectors) * size));
  std::uint32_t x = 2463534242u;
  for (auto& b : bytes) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  std::copy(file.begin(), file.end(), bytes.begin() + static_cast<std::ptrdiff_t>(leadSectors * size));
  return std::make_unique<MemoryDevice>(std::move(bytes), sectorSize);
}

MaxRawFileSizeGuard::MaxRawFileSizeGuard(std::uint64_t size) : saved_(GetAppSettings()->u64MaxRawFileSize) {
  GetAppSettings()->u64MaxRawFileSize = size;
}

MaxRawFileSizeGuard::~MaxRawFileSizeGuard() { GetAppSettings()->u64MaxRawFileSize = saved_; }

} // namespace qm
