// What every file-type analyser of the carving engine shares: the header
// bytes it may look at, the bound on its length walks, the window message
// it lets through every few steps, and small byte tests.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/byte_view.h"

class CRawReadBuffer;

namespace qm {

// CheckHeader looks at no more than this many bytes of its sector.
inline constexpr std::uint64_t kHeaderBytes = 512;

// Steps taken at most by any length walk. The maximum carved size bounds a
// walk by offset, but the user may set it huge, and a walk of tiny steps
// (a few bytes each) over a huge bound would run for hours; no real file of
// the carved formats needs more steps than this.
inline constexpr std::uint64_t kMaxWalkSteps = std::uint64_t{1} << 22;

// The first bytes of the sector that a header test may read.
inline ByteView HeaderBytes(ByteView sector) {
  return sector.size() > kHeaderBytes ? sector.sub(0, kHeaderBytes) : sector;
}

// The maximum carved size (the user's setting): a walk bounded by it stops,
// keeping what it has, once its next offset lies beyond it.
std::uint64_t MaxCarvedSize();

// Lets one pending window message through every `every` steps of a walk,
// the first at the first step, so that a window owned by the scanning
// thread stays responsive.
class WalkPump {
public:
  explicit WalkPump(unsigned every = 10) : every_(every == 0 ? 1 : every) {}
  void Step();

private:
  unsigned every_;
  unsigned count_ = 0;
};

// The file's bytes from offset on, at least `want` of them when the device
// holds that many there, else all that remain before its end (possibly
// fewer, so a short record at the device's end is still seen); empty when
// nothing is readable at offset. A plain GetPointer(offset) may answer with
// only the few bytes left in the current load, which would end a walk
// whose next record merely straddles two loads.
ByteView PeekBytes(CRawReadBuffer& reader, std::uint64_t offset, std::size_t want);

// True when the bytes at offset equal text, ignoring ASCII letter case.
bool MatchesIgnoringCase(ByteView bytes, std::uint64_t offset, std::string_view text);

// value rounded up to a multiple of unit (unit 0 or 1: value as it is);
// saturates at the largest multiple instead of wrapping.
std::uint64_t RoundUpTo(std::uint64_t value, std::uint64_t unit);

// total += add; false (total untouched) when the sum would wrap.
inline bool AddChecked(std::uint64_t& total, std::uint64_t add) {
  if (add > UINT64_MAX - total) return false;
  total += add;
  return true;
}

} // namespace qm
