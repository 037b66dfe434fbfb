// Runs one carving analyser the way the carving controller does: the
// header test on the file's first sector of a device, then, when the
// header gave no length, the length walk over the device.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "format_fixture.h"
#include "raw/raw_file_analyser.h"
#include "support/memory_device.h"

namespace qm::test {

struct Carved {
  int matched = 0;
  int sized = -1; // AnalyseFileSize's result; -1 when it was not called
  int type = 0;
  std::uint64_t length = 0;
  CRawFileInfo record;
};

inline constexpr std::uint64_t kLeadSectors = 7;

// Tests the first sector of the file at kLeadSectors on the device.
inline Carved CarveOn(IRawFileAnalyser& analyser, MemoryDevice& device, std::uint64_t first = kLeadSectors) {
  Carved out;
  out.record.SetStartSector(first);
  const std::uint64_t size = static_cast<std::uint64_t>(device.GetSectorSize());
  out.matched = analyser.CheckHeader(qm::ByteView(device.sector(first), size), &out.record);
  if (out.matched != 0 && out.record.GetLength() == 0)
    out.sized = analyser.AnalyseFileSize(&out.record, &device);
  out.type = out.record.GetType();
  out.length = out.record.GetLength();
  return out;
}

// The file after filler sectors and before filler bytes.
inline Carved Carve(IRawFileAnalyser& analyser, const std::vector<std::uint8_t>& file,
                    std::int32_t sectorSize = 512, std::size_t tail = 4096) {
  auto device = DeviceWithFile(file, kLeadSectors, tail, sectorSize);
  return CarveOn(analyser, *device);
}

// The file after filler sectors, followed by zeros to the end of its last
// sector and tail more zero bytes.
inline std::unique_ptr<MemoryDevice> DeviceWithZeroTail(const std::vector<std::uint8_t>& file,
                                                        std::size_t tail, std::int32_t sectorSize = 512) {
  auto device = DeviceWithFile(file, kLeadSectors, tail, sectorSize);
  std::vector<std::uint8_t>& bytes = device->bytes();
  std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(kLeadSectors * sectorSize + file.size()), bytes.end(),
            0);
  return device;
}

// A header sector: the bytes given, zeros after them.
inline std::vector<std::uint8_t> Sector(std::initializer_list<std::uint8_t> bytes, std::size_t size = 512) {
  std::vector<std::uint8_t> out(bytes);
  out.resize(std::max(size, out.size()));
  return out;
}

} // namespace qm::test
