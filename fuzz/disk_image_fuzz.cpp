// A disk image from hostile bytes: the input is split into an index file
// and two part files (the first byte picks the codec written into the
// header), the part list names both parts, and the whole image is read back
// through the image device in reads of odd sizes, which the device
// decompresses ahead on its workers.
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/image_device.h"
#include "imaging/image_file.h"

namespace {

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path folder = [] {
    auto f = std::filesystem::temp_directory_path() / ("qm_image_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(f);
    return f;
  }();
  if (size < 4) {
    return 0;
  }
  // Byte 0: codec; bytes 1-2: index length; the rest split in two parts.
  const std::uint32_t codec = data[0] % 5;
  const std::size_t indexLength = std::min<std::size_t>(size - 3, (data[1] | (data[2] << 8)) + 0u);
  const std::uint8_t* index = data + 3;
  const std::uint8_t* rest = index + indexLength;
  const std::size_t restLength = size - 3 - indexLength;
  std::vector<std::uint8_t> header(index, index + indexLength);
  if (header.size() >= 264) {
    header[260] = static_cast<std::uint8_t>(codec);
    header[261] = header[262] = header[263] = 0;
  }
  const std::string indexPath = (folder / "f.qmi").string();
  WriteFile(indexPath, header.data(), header.size());
  const std::string part0 = qm::image::MakePartFileName(indexPath, 0);
  const std::string part1 = qm::image::MakePartFileName(indexPath, 1);
  WriteFile(part0, rest, restLength / 2);
  WriteFile(part1, rest + restLength / 2, restLength - restLength / 2);
  const std::string list = part0 + "\r\n" + part1 + "\r\n";
  WriteFile(qm::image::PartListPath(indexPath), reinterpret_cast<const std::uint8_t*>(list.data()),
            list.size());

  CImageFileDeviceWithDecompress device(indexPath);
  // Two decompressing threads: the reads below run through the read-ahead
  // as a scan's would, without a pool of every core for each input.
  device.SetReadAheadThreads(2);
  device.CheckPartFiles();
  device.GetSourceDescription();
  const std::uint64_t sectors = device.GetSectorCount();
  const std::uint64_t sectorSize = static_cast<std::uint64_t>(device.GetSectorSize());
  // At most 64 blocks are read, in steps that straddle block ends.
  const std::uint64_t limit = std::min<std::uint64_t>(sectors, 64 * 256);
  std::vector<std::uint8_t> buffer(300 * sectorSize);
  for (std::uint64_t first = 0; first < limit; first += 300) {
    device.ReadSectors(buffer.data(), first, std::min<std::uint64_t>(300, sectors - first));
  }
  if (sectors != 0) {
    device.ReadSectors(buffer.data(), sectors - 1, 2);
  }
  return 0;
}
