#include "raw/gzip_members.h"

#include <zlib.h>

#include <algorithm>

#include "raw/analyser_common.h"
#include "raw/raw_read_buffer.h"
#include "storage/mem_alloc.h"

namespace {

// Inflated bytes are thrown away; the buffer only has to keep zlib going.
constexpr std::size_t kScratchBytes = 64 * 1024;
// zlib's window bits with 16 added: expect and check a gzip header and
// trailer around the deflate data.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;
constexpr std::uint8_t kGzipMagic[3] = {0x1F, 0x8B, 0x08};

class Inflater {
public:
  Inflater() { ok_ = inflateInit2(&stream_, kGzipWindowBits) == Z_OK; }
  ~Inflater() {
    if (ok_) inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  bool ok() const { return ok_; }
  z_stream& stream() { return stream_; }

private:
  z_stream stream_{};
  bool ok_ = false;
};

bool MemberStartsAt(CRawReadBuffer& reader, std::uint64_t offset) {
  const qm::ByteView v = qm::PeekBytes(reader, offset, sizeof kGzipMagic);
  return v.has(0, 3) && v.u8(0) == kGzipMagic[0] && v.u8(1) == kGzipMagic[1] && v.u8(2) == kGzipMagic[2];
}

enum class Step { kMoreInput, kMemberEnd, kBad };

} // namespace

GzipExtent MeasureGzipMembers(CRawReadBuffer& reader, std::uint64_t maximum) {
  Inflater inflater;
  if (!inflater.ok()) return {};
  z_stream& z = inflater.stream();
  const qm::MemBuffer<std::uint8_t> scratch = qm::MakeMemBuffer<std::uint8_t>(kScratchBytes);

  std::uint64_t offset = 0;  // input consumed so far
  std::uint64_t lastEnd = 0; // end of the last whole member
  bool decoded = false;      // the member being read gave output
  // Where the file ends when the data stop making sense: after the last
  // whole member, or inside the first one when some of it decoded.
  auto broken = [&]() -> GzipExtent {
    if (lastEnd != 0) return {lastEnd, true};
    return {decoded ? offset : 0, false};
  };

  qm::WalkPump pump;
  for (std::uint64_t steps = 0; steps < qm::kMaxWalkSteps; ++steps) {
    pump.Step();
    if (offset >= maximum) return {maximum, false};
    const qm::ByteView view = reader.GetPointer(offset);
    if (view.empty()) return broken();
    const std::uint64_t fed = std::min<std::uint64_t>(view.size(), maximum - offset);
    z.next_in = const_cast<Bytef*>(view.data());
    z.avail_in = static_cast<uInt>(fed);

    Step step = Step::kMoreInput;
    for (; steps < qm::kMaxWalkSteps; ++steps) {
      z.next_out = scratch.get();
      z.avail_out = static_cast<uInt>(kScratchBytes);
      const int rc = inflate(&z, Z_NO_FLUSH);
      if (z.avail_out != kScratchBytes) decoded = true;
      if (rc == Z_STREAM_END) {
        step = Step::kMemberEnd;
        break;
      }
      // Z_BUF_ERROR only says that no progress was possible: with all
      // input taken, more is needed.
      if ((rc != Z_OK && rc != Z_BUF_ERROR) || (rc == Z_BUF_ERROR && z.avail_in != 0)) {
        step = Step::kBad;
        break;
      }
      if (z.avail_in == 0) break;
      if ((steps & 0xF) == 0) pump.Step();
    }
    offset += fed - z.avail_in;
    if (step == Step::kBad) return broken();
    if (step == Step::kMemberEnd) {
      lastEnd = offset;
      if (offset >= maximum || !MemberStartsAt(reader, offset)) return {offset, true};
      if (inflateReset(&z) != Z_OK) return {offset, true};
      decoded = false;
    }
  }
  return {offset, false};
}
