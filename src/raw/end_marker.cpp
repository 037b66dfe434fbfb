#include "raw/end_marker.h"

#include <algorithm>
#include <cstdint>

#include "filemodel/raw_file_info.h"
#include "platform/message_pump.h"
#include "raw/raw_read_buffer.h"
#include "storage/app_settings.h"

namespace {

constexpr std::uint64_t kPumpEvery = 512;

std::uint8_t FoldCase(std::uint8_t c) {
  return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c | 0x20) : c;
}

bool MatchesAt(qm::ByteView bytes, std::string_view marker) {
  for (std::size_t i = 0; i < marker.size(); ++i)
    if (FoldCase(bytes.u8(i)) != FoldCase(static_cast<std::uint8_t>(marker[i]))) return false;
  return true;
}

} // namespace

int FindEndMarker(CRawFileInfo* record, IStorageDevice* device, const EndMarker& marker) {
  if (record == nullptr || marker.bytes.empty()) return 0;
  CRawReadBuffer reader(device, record->GetStartSector());
  if (marker.bytes.size() > reader.GetWindowSize()) return 0;
  const std::uint64_t limit = marker.limit != 0 ? marker.limit : GetAppSettings()->u64MaxRawFileSize;
  const std::uint8_t first = static_cast<std::uint8_t>(marker.bytes[0]);
  const std::uint8_t firstUpper =
      first >= 'a' && first <= 'z' ? static_cast<std::uint8_t>(first - 0x20) : first;
  const std::uint8_t firstLower = FoldCase(first);

  std::uint64_t offset = 0;
  std::uint64_t nextPump = 0;
  for (;;) {
    if (offset >= nextPump) {
      qm::PumpOneMessage();
      nextPump = offset + kPumpEvery;
    }
    if (offset > limit) break;
    // The marker must be seen whole; near the device's end the bytes left
    // may be fewer, and then no marker can start here.
    qm::ByteView view = reader.GetPointer(offset, marker.bytes.size());
    if (view.empty()) {
      if (reader.GetPointer(offset).empty()) return 0;
      // Fewer bytes than the marker remain: step on to the device's end.
      ++offset;
      continue;
    }
    std::uint64_t toLimit = limit - offset; // offsets up to the limit itself are searched
    if (toLimit != UINT64_MAX) ++toLimit;
    const std::uint64_t stop =
        std::min({std::uint64_t{view.size() - marker.bytes.size() + 1}, toLimit, nextPump - offset});
    // Scan the bytes in view up to the limit and the next pump for the
    // marker's first byte, and compare the whole marker where it stands.
    const std::uint8_t* data = view.data();
    for (std::uint64_t i = 0; i < stop; ++i) {
      if ((data[i] == firstUpper || data[i] == firstLower) && MatchesAt(view.from(i), marker.bytes)) {
        record->SetLength(offset + i + marker.bytes.size());
        return 1;
      }
    }
    offset += stop;
  }
  record->SetLength(offset);
  return 1;
}
