// Where a gzip file ends: nothing in a gzip header tells the length of the
// compressed data, so the members are inflated (and the output dropped)
// until the deflate stream and its 8-byte trailer are through.
#pragma once

#include <cstdint>

class CRawReadBuffer;

struct GzipExtent {
  std::uint64_t length = 0; // bytes of the file that belong to it
  bool complete = false;    // the last member's trailer was reached
};

// Inflates the gzip member at offset 0 of the reader's file, and each
// member that begins right where the one before it ends (gzip writes a
// file of several members when outputs are appended to each other).
// Reads no further than maximum bytes. Where the data turn out not to be
// deflate data, or the device cannot be read, the length is the offset of
// the last member end reached, or, within a member that decoded some
// output first, where the decoder stopped; 0 when not even the first
// member's header and first block are good. A member still running at the
// maximum gets the maximum.
GzipExtent MeasureGzipMembers(CRawReadBuffer& reader, std::uint64_t maximum);
