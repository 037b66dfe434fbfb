#include "raw/iso_media_boxes.h"

#include <cstdint>
#include <limits>
#include <string_view>

#include "filemodel/raw_file_info.h"
#include "platform/message_pump.h"
#include "raw/raw_read_buffer.h"
#include "storage/app_settings.h"

namespace {

// Box header: offset, size, meaning (big-endian).
//   0  4  size of the box, header included; 1: a 64-bit size follows
//   4  4  type
//   8  8  64-bit size when the 32-bit size is 1
constexpr std::uint64_t kTypeOffset = 4;
constexpr std::uint64_t kLargeSizeOffset = 8;
// A box with a 64-bit size keeps its type at +4, but the walk also looks
// at +12 for a known type behind an unknown one.
constexpr std::uint64_t kAlternateTypeOffset = 12;
constexpr std::uint32_t kLargeSizeMark = 1;
constexpr std::uint64_t kHeaderSize = 8;
constexpr std::uint64_t kLargeHeaderSize = 16;
constexpr int kMaxBoxes = 500;
constexpr int kPumpEvery = 10;

constexpr std::string_view kBodyTypes[] = {"mdat", "moov", "free", "moof", "mfra"};

bool IsBodyType(qm::ByteView box, std::uint64_t offset) {
  if (!box.has(offset, 4)) return false;
  for (std::string_view type : kBodyTypes) {
    bool same = true;
    for (std::size_t i = 0; i < 4 && same; ++i) {
      std::uint8_t c = box.u8(offset + i);
      if (c >= 'A' && c <= 'Z') c = static_cast<std::uint8_t>(c - 'A' + 'a');
      same = c == static_cast<std::uint8_t>(type[i]);
    }
    if (same) return true;
  }
  return false;
}

// The size of the box at the view's start; 0 when it has none that a walk
// can step over. A 32-bit size of 2^31 or more counts as negative, as the
// format's writers never make such a box without the 64-bit form; a size
// below the header's own 8 bytes cannot be stepped over (0 means "to the
// end of the file", which is not known here); size 1 takes the 64-bit size.
std::uint64_t BoxSize(qm::ByteView box) {
  if (!box.has(0, kHeaderSize)) return 0;
  const std::uint32_t size = box.be32(0);
  if (static_cast<std::int32_t>(size) <= 0) return 0;
  if (size == kLargeSizeMark) {
    if (!box.has(kLargeSizeOffset, 8)) return 0;
    const std::uint64_t large = box.be64(kLargeSizeOffset);
    return large >= kLargeHeaderSize ? large : 0;
  }
  return size >= kHeaderSize ? size : 0;
}

} // namespace

int MeasureBoxFile(CRawFileInfo* record, IStorageDevice* device) {
  if (record == nullptr) return 0;
  CRawReadBuffer reader(device, record->GetStartSector());
  const std::uint64_t maximum = GetAppSettings()->u64MaxRawFileSize;

  std::uint64_t offset = BoxSize(reader.GetPointer(0, kHeaderSize));
  if (offset == 0) return 0;
  for (int boxes = 0; boxes < kMaxBoxes; ++boxes) {
    if (boxes % kPumpEvery == 0) qm::PumpOneMessage();
    if (offset > maximum) break;
    const qm::ByteView box = reader.GetPointer(offset, kHeaderSize);
    const std::uint64_t size = BoxSize(box);
    if (size == 0) break;
    if (!IsBodyType(box, kTypeOffset) && !IsBodyType(box, kAlternateTypeOffset)) break;
    if (size > std::numeric_limits<std::uint64_t>::max() - offset) break;
    offset += size;
  }
  record->SetLength(offset);
  return 1;
}
