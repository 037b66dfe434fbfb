// NTFS mapping pairs: the byte encoding of a run list that NTFS keeps in a
// non-resident attribute, and that saved scan results reuse for the extents
// of every file system.
//
// One entry per run, then a single 0 byte. An entry is a header byte (low
// nibble L = bytes of the run length, high nibble O = bytes of the start
// delta), L bytes of the length (unsigned, little-endian) and O bytes of
// the signed difference between this run's start and the previous
// non-sparse run's start (the first run against 0). O = 0 marks a sparse
// run, which leaves the running start where it was.
//
// This is the one decoder and encoder of the program; the NTFS engine reads
// attributes with it and the saved-result code packs extents with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "filemodel/data_run_list.h"
#include "platform/byte_view.h"

namespace qm {

// Why a decode ended.
enum class MappingPairsEnd {
  kTerminator,   // a 0 header byte: the normal end
  kEndOfBytes,   // the bytes ran out where a header was due
  kTruncated,    // an entry's fields run past the end of the bytes
  kBadFieldSize, // a size nibble above 8 (a field holds at most 8 bytes)
};

// Walks mapping pairs one run at a time without allocating. Reads only
// inside the given bytes; the first damaged entry ends the walk and is not
// returned.
class MappingPairsReader {
public:
  explicit MappingPairsReader(ByteView bytes) : bytes_(bytes) {}

  // The next run (start is kSparseRunStart for a sparse one); false once
  // the walk has ended, see End().
  bool Next(DataRunEntry& run);

  // Why the walk ended (meaningful once Next returned false).
  MappingPairsEnd End() const { return end_; }
  // The VCN of the run that Next returned last: the sum of the lengths of
  // the runs before it (wrapping, as on-disk data may be nonsense).
  std::uint64_t Vcn() const { return vcn_; }
  // Bytes consumed so far: every returned entry, plus the 0 byte once the
  // terminator was read.
  std::size_t Position() const { return position_; }

private:
  ByteView bytes_;
  std::size_t position_ = 0;
  std::uint64_t lcn_ = 0;
  std::uint64_t vcn_ = 0;
  std::uint64_t nextVcn_ = 0;
  MappingPairsEnd end_ = MappingPairsEnd::kTerminator;
  bool done_ = false;
};

// The widest field of an entry, in bytes.
inline constexpr unsigned kMaxMappingFieldBytes = 8;

// Sign-extends the low `bytes` bytes of value (1 to 8).
inline std::uint64_t SignExtendField(std::uint64_t value, unsigned bytes) {
  if (bytes == 0 || bytes >= 8) return value;
  const unsigned bits = bytes * 8;
  const std::uint64_t signBit = std::uint64_t{1} << (bits - 1);
  if (value & signBit) value |= ~std::uint64_t{0} << bits;
  return value;
}

// Inline: the pass after every tree build decodes a million short lists.
inline bool MappingPairsReader::Next(DataRunEntry& run) {
  if (done_) return false;
  if (!bytes_.has(position_, 1)) {
    end_ = MappingPairsEnd::kEndOfBytes;
    done_ = true;
    return false;
  }
  const std::uint8_t header = bytes_.u8(position_);
  if (header == 0) {
    ++position_;
    end_ = MappingPairsEnd::kTerminator;
    done_ = true;
    return false;
  }
  const unsigned lengthBytes = header & 0x0F;
  const unsigned offsetBytes = header >> 4;
  if (lengthBytes > kMaxMappingFieldBytes || offsetBytes > kMaxMappingFieldBytes) {
    end_ = MappingPairsEnd::kBadFieldSize;
    done_ = true;
    return false;
  }
  if (!bytes_.has(position_ + 1, lengthBytes + offsetBytes)) {
    end_ = MappingPairsEnd::kTruncated;
    done_ = true;
    return false;
  }
  const std::uint64_t length = bytes_.leN(position_ + 1, lengthBytes);
  if (offsetBytes == 0) {
    run.start = kSparseRunStart;
  } else {
    const std::uint64_t delta =
        SignExtendField(bytes_.leN(position_ + 1 + lengthBytes, offsetBytes), offsetBytes);
    lcn_ += delta; // wraps like the signed sum it stands for
    run.start = lcn_;
  }
  run.count = length;
  vcn_ = nextVcn_;
  nextVcn_ += length;
  position_ += 1 + lengthBytes + offsetBytes;
  return true;
}

// Appends the runs of the bytes to runs; returns why the decode ended.
MappingPairsEnd DecodeMappingPairs(ByteView bytes, std::vector<DataRunEntry>& runs);

// The strict check of the mapping pairs of a $DATA attribute in a record:
// no field is wider than 8 bytes (the widths the format allows: a volume
// past 2^31 clusters needs offsets of 5 bytes and more), no run starts before cluster 0, and
// every entry must end before the given length (an entry that reaches it
// fails). A 0 header ends the check with success; running out of bytes
// before it fails. Runs past a volume's end are refused where the volume
// is known (the reads of a file's data).
bool ValidateMappingPairsStrict(ByteView bytes);

// The most bytes one entry takes: header, 8 length and 8 offset bytes.
inline constexpr std::size_t kMaxMappingPairBytes = 17;

// Encodes one run into out (room for kMaxMappingPairBytes) against the
// previous non-sparse start, which it moves on; returns the bytes written.
// Field widths as MappingPairsWriter.
std::size_t EncodeMappingPair(const DataRunEntry& run, std::uint64_t& previousStart, std::uint8_t* out);

// Builds mapping pairs from runs. Each field takes the fewest bytes that
// hold its value as a signed number (a length of 128 takes two), at least
// one, so that a run at the previous start or of length 0 is never read as
// sparse or as the terminator.
class MappingPairsWriter {
public:
  void Add(const DataRunEntry& run);
  // Closes the string with its 0 byte and hands it over; the writer starts
  // afresh.
  std::vector<std::uint8_t> Finish();

private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t previousStart_ = 0;
};

// Encodes a whole list of runs, terminator included.
std::vector<std::uint8_t> EncodeMappingPairs(const std::vector<DataRunEntry>& runs);

// The length of a mapping-pair string: stepping from entry to entry
// (1 + L + O bytes each) to the 0 byte, plus one. A string that ends
// without its 0 byte inside the bytes gives the bytes' size.
std::size_t MappingPairsLength(ByteView bytes);

} // namespace qm
