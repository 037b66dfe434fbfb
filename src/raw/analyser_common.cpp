#include "raw/analyser_common.h"

#include "platform/message_pump.h"
#include "raw/raw_read_buffer.h"
#include "storage/app_settings.h"

namespace qm {

std::uint64_t MaxCarvedSize() { return GetAppSettings()->u64MaxRawFileSize; }

void WalkPump::Step() {
  if (count_ == 0) PumpOneMessage();
  if (++count_ == every_) count_ = 0;
}

ByteView PeekBytes(CRawReadBuffer& reader, std::uint64_t offset, std::size_t want) {
  if (want > reader.GetWindowSize()) want = static_cast<std::size_t>(reader.GetWindowSize());
  const ByteView view = reader.GetPointer(offset, want);
  if (!view.empty()) return view;
  // The failed request loaded from offset's sector on as far as the device
  // goes; what is there now is all there is.
  return reader.GetPointer(offset);
}

bool MatchesIgnoringCase(ByteView bytes, std::uint64_t offset, std::string_view text) {
  if (!bytes.has(offset, text.size())) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint8_t a = bytes.u8(offset + i);
    std::uint8_t b = static_cast<std::uint8_t>(text[i]);
    if (a >= 'A' && a <= 'Z') a = static_cast<std::uint8_t>(a | 0x20);
    if (b >= 'A' && b <= 'Z') b = static_cast<std::uint8_t>(b | 0x20);
    if (a != b) return false;
  }
  return true;
}

std::uint64_t RoundUpTo(std::uint64_t value, std::uint64_t unit) {
  if (unit <= 1) return value;
  const std::uint64_t rest = value % unit;
  if (rest == 0) return value;
  const std::uint64_t down = value - rest;
  return down > UINT64_MAX - unit ? down : down + unit;
}

} // namespace qm
