// ZIP and RAR record checks over hostile bytes, at every offset of the
// input and as a walk over a device whose content is the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "raw/rar_blocks.h"
#include "raw/raw_read_buffer.h"
#include "raw/zip_records.h"
#include "walker_fuzz_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qm::ByteView input(data, size);
  for (std::size_t at = 0; at < size && at < 4096; ++at) {
    const qm::ByteView bytes = input.from(at);
    std::uint64_t length = 0;
    int type = 68;
    IsZipRecord(bytes);
    ZipRecordLength(bytes, length, true, type);
    IsRarBlock(bytes);
    RarBlockLength(bytes, length);
  }

  WalkerFuzzDevice device(data, size, 512);
  CRawReadBuffer reader(&device, 0);
  std::uint64_t offset = 0;
  int type = 68;
  for (int records = 0; records < 1000; ++records) {
    const qm::ByteView bytes = reader.GetPointer(offset);
    std::uint64_t length = 0;
    if (!IsZipRecord(bytes) || !ZipRecordLength(bytes, length, true, type)) break;
    offset += length;
  }
  offset = 7;
  for (int blocks = 0; blocks < 1000; ++blocks) {
    qm::ByteView bytes = reader.GetPointer(offset);
    bytes = bytes.sub(0, std::min<std::size_t>(bytes.size(), blocks == 0 ? 505 : 32));
    std::uint64_t length = 0;
    if (!RarBlockLength(bytes, length)) break;
    offset += length;
  }
  return 0;
}
