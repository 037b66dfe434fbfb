// Small pieces shared by the picture, drawing, audio, video, text and font
// analysers (beside what every analyser shares): the type ids they set and
// a fast search for a byte pattern over a carved file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/byte_view.h"
#include "raw/analyser_common.h"

namespace qm::media {

// Type ids of the carved types these analysers set.
enum RawType : int {
  k3DS = 1,
  k3GP = 2,
  kANI = 4,
  kAI = 5,
  kASF = 6,
  kAU = 7,
  kAVI = 8,
  kBMP = 9,
  kCDR = 11,
  kCLK = 13,
  kCMX = 14,
  kCPT = 15,
  kCRW = 16,
  kCSL = 17,
  kCUR = 18,
  kDWG = 22,
  kDXF = 23,
  kEMF = 24,
  kEPS = 25,
  kFH11 = 27,
  kGIF = 28,
  kHTM = 31,
  kICO = 32,
  kJPG = 33,
  kMID = 36,
  kMOV = 40,
  kMP3 = 41,
  kMP4 = 42,
  kPDF = 46,
  kPNG = 47,
  kPSD = 50,
  kPSP = 51,
  kRIFF = 55,
  kRTF = 56,
  kSHW = 57,
  kSWF = 58,
  kTIF = 60,
  kTTF = 61,
  kWAV = 63,
  kWPD = 64,
  kWPG = 65,
  kWMF = 66,
  kNEF = 73,
};

inline std::uint8_t FoldAscii(std::uint8_t c) {
  return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c | 0x20) : c;
}

} // namespace qm::media

#include <algorithm>
#include <cstring>
#include <limits>

#include "raw/raw_read_buffer.h"

namespace qm::media {

// The pump of a walk and its cap on steps: Step() lets a window message
// through every few steps and is false once the walk has taken more steps
// than any real file needs.
class StepBudget {
public:
  explicit StepBudget(unsigned every = 10) : pump_(every) {}
  bool Step() {
    pump_.Step();
    return ++steps_ <= kMaxWalkSteps;
  }

private:
  WalkPump pump_;
  std::uint64_t steps_ = 0;
};

enum class ScanEnd { kFound, kLimit, kUnreadable };

struct ScanResult {
  ScanEnd end;
  std::uint64_t offset; // where the match stands, or where the scan stopped
};

// Looks at every offset from `from` up to and including `limit` for a
// place whose first byte is `first` or `firstAlt` and where match(view)
// holds. The view handed to match holds at least `need` bytes, except near
// the device's end, where match must check what it reads. Dispatches a
// window message every few loaded windows.
template <class Match>
ScanResult ScanBytes(CRawReadBuffer& reader, std::uint64_t from, std::uint64_t limit, std::size_t need,
                     std::uint8_t first, std::uint8_t firstAlt, Match match) {
  WalkPump pacer;
  std::uint64_t offset = from;
  for (;;) {
    if (offset > limit) return {ScanEnd::kLimit, offset};
    pacer.Step();
    ByteView view = reader.GetPointer(offset, need);
    std::uint64_t span = 0;
    if (view.empty()) {
      view = reader.GetPointer(offset);
      if (view.empty()) return {ScanEnd::kUnreadable, offset};
      span = view.size(); // the device's last bytes, fewer than need
    } else {
      span = view.size() - need + 1;
    }
    const std::uint64_t toLimit = limit - offset;
    if (toLimit < span) span = toLimit + 1;
    const std::uint8_t* data = view.data();
    for (std::uint64_t i = 0; i < span;) {
      const void* hit = std::memchr(data + i, first, static_cast<std::size_t>(span - i));
      std::uint64_t at =
          hit != nullptr ? static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - data) : span;
      if (firstAlt != first) {
        const void* alt = std::memchr(data + i, firstAlt, static_cast<std::size_t>(at - i));
        if (alt != nullptr) at = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(alt) - data);
      }
      if (at >= span) break;
      if (match(view.from(at))) return {ScanEnd::kFound, offset + at};
      i = at + 1;
    }
    offset += span;
  }
}

} // namespace qm::media
