// The length of a text-like carved file (HTML, DXF, FreeHand) by the first
// place where its closing marker stands.
#pragma once

#include <cstdint>
#include <string_view>

class CRawFileInfo;
class IStorageDevice;

struct EndMarker {
  std::string_view bytes;  // compared ignoring ASCII case
  std::uint64_t limit = 0; // bytes searched at most; 0: the maximum carved size
};

// Searches from the record's start byte by byte for the marker. Found: the
// length is the offset just past it. Nothing found by the time the offset
// passes the limit: the length is that offset. 1 with the record's length
// set, or 0 when the file becomes unreadable first (or the marker is empty).
int FindEndMarker(CRawFileInfo* record, IStorageDevice* device, const EndMarker& marker);
