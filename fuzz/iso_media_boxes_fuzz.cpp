// The box walk and the block reader over a device whose content is the
// input: boxes of any size, unreadable ends, offsets near the top of the
// 64-bit range. The first byte picks the sector size.
#include <cstddef>
#include <cstdint>

#include "filemodel/raw_file_info.h"
#include "raw/iso_media_boxes.h"
#include "raw/raw_read_buffer.h"
#include "walker_fuzz_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::int32_t sectorSize = (data[0] & 1) ? 4096 : 512;
  WalkerFuzzDevice device(data + 1, size - 1, sectorSize);
  CRawFileInfo record;
  MeasureBoxFile(&record, &device);

  // Reads at offsets taken from the input itself.
  CRawReadBuffer reader(&device, 0);
  const qm::ByteView input(data, size);
  for (std::uint64_t at = 1; at + 10 <= size && at < 200; at += 10) {
    const qm::ByteView view = reader.GetPointer(input.le64(at), input.le16(at + 8));
    volatile std::uint8_t sink = 0;
    if (!view.empty()) sink = view.data()[view.size() - 1];
    (void)sink;
  }
  return 0;
}
