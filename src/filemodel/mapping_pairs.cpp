#include "filemodel/mapping_pairs.h"

namespace qm {
namespace {

// Fewest bytes (1 to 8) whose sign-extension gives back value.
unsigned SignedWidth(std::int64_t value) {
  unsigned bytes = 1;
  while (bytes < 8) {
    const std::int64_t limit = std::int64_t{1} << (bytes * 8 - 1);
    if (value >= -limit && value < limit) break;
    ++bytes;
  }
  return bytes;
}

// Fewest bytes (1 to 8) that hold an unsigned length as a signed number;
// lengths with the top bit set take all 8 bytes, which read back unsigned.
unsigned LengthWidth(std::uint64_t value) {
  if (value > static_cast<std::uint64_t>(INT64_MAX)) return 8;
  return SignedWidth(static_cast<std::int64_t>(value));
}

} // namespace

MappingPairsEnd DecodeMappingPairs(ByteView bytes, std::vector<DataRunEntry>& runs) {
  MappingPairsReader reader(bytes);
  DataRunEntry run;
  while (reader.Next(run))
    runs.push_back(run);
  return reader.End();
}

bool ValidateMappingPairsStrict(ByteView bytes) {
  std::size_t position = 0;
  std::int64_t lcn = 0;
  for (;;) {
    if (!bytes.has(position, 1)) return false;
    const std::uint8_t header = bytes.u8(position);
    if (header == 0) return true;
    const unsigned lengthBytes = header & 0x0F;
    const unsigned offsetBytes = header >> 4;
    if (lengthBytes > kMaxMappingFieldBytes || offsetBytes > kMaxMappingFieldBytes) return false;
    if (!bytes.has(position + 1, lengthBytes + offsetBytes)) return false;
    if (offsetBytes != 0) {
      const std::uint64_t delta = bytes.leN(position + 1 + lengthBytes, offsetBytes);
      // A run before cluster 0 lies outside every volume (also a sum that
      // wraps past the largest cluster number).
      const auto step = static_cast<std::int64_t>(SignExtendField(delta, offsetBytes));
      if (__builtin_add_overflow(lcn, step, &lcn) || lcn < 0) return false;
    }
    position += 1 + lengthBytes + offsetBytes;
    if (position >= bytes.size()) return false;
  }
}

std::size_t EncodeMappingPair(const DataRunEntry& run, std::uint64_t& previousStart, std::uint8_t* out) {
  const unsigned lengthBytes = LengthWidth(run.count);
  std::size_t at = 1;
  for (unsigned i = 0; i < lengthBytes; ++i)
    out[at++] = static_cast<std::uint8_t>(run.count >> (8 * i));
  if (run.IsSparse()) {
    out[0] = static_cast<std::uint8_t>(lengthBytes);
    return at;
  }
  const auto delta = static_cast<std::int64_t>(run.start - previousStart);
  const unsigned offsetBytes = SignedWidth(delta);
  for (unsigned i = 0; i < offsetBytes; ++i)
    out[at++] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(delta) >> (8 * i));
  out[0] = static_cast<std::uint8_t>(lengthBytes | (offsetBytes << 4));
  previousStart = run.start;
  return at;
}

void MappingPairsWriter::Add(const DataRunEntry& run) {
  std::uint8_t entry[kMaxMappingPairBytes];
  const std::size_t n = EncodeMappingPair(run, previousStart_, entry);
  bytes_.insert(bytes_.end(), entry, entry + n);
}

std::vector<std::uint8_t> MappingPairsWriter::Finish() {
  bytes_.push_back(0);
  std::vector<std::uint8_t> out;
  out.swap(bytes_);
  previousStart_ = 0;
  return out;
}

std::vector<std::uint8_t> EncodeMappingPairs(const std::vector<DataRunEntry>& runs) {
  MappingPairsWriter writer;
  for (const DataRunEntry& run : runs)
    writer.Add(run);
  return writer.Finish();
}

std::size_t MappingPairsLength(ByteView bytes) {
  std::size_t position = 0;
  while (bytes.has(position, 1)) {
    const std::uint8_t header = bytes.u8(position);
    if (header == 0) return position + 1;
    const std::size_t step = 1 + (header & 0x0F) + (header >> 4);
    if (!bytes.has(position, step)) break;
    position += step;
  }
  return bytes.size();
}

} // namespace qm
