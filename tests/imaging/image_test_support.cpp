#include "image_test_support.h"

#include "storage/storage_device.h"
#include "support/scratch_files.h"

namespace qm::test {

std::filesystem::path FreshFolder(const std::string& name) {
  const std::filesystem::path folder = ScratchPath(name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

std::vector<std::uint8_t> ReadAll(IStorageDevice& device) {
  std::vector<std::uint8_t> bytes(device.GetSectorCount() *
                                  static_cast<std::uint64_t>(device.GetSectorSize()));
  if (!bytes.empty() && !device.ReadSectors(bytes.data(), 0, device.GetSectorCount())) {
    bytes.clear();
  }
  return bytes;
}

} // namespace qm::test
