// The 4-byte frame header of MPEG-1, MPEG-2 and MPEG-2.5 audio (Layers I,
// II and III), as the MP3 length walk meets it between frames, and the
// 28-bit "syncsafe" numbers of ID3v2 tags.
#pragma once

#include <cstdint>

#include "platform/byte_view.h"

struct MpegAudioHeader {
  int lsf = 0;         // 1 for MPEG-2 and MPEG-2.5, 0 for MPEG-1
  int versionId = 0;   // header bits: 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1
  int layer = 0;       // 0 Layer I, 1 Layer II, 2 Layer III
  int emphasis = 0;    // 2 bits
  int channelMode = 0; // 2 bits; 3 = mono
  int sampleRate = 0;  // Hz
  int bitRate = 0;     // bits per second
  int padding = 0;     // 0 / 1
  int allocTable = 0;  // Layer II allocation-table choice, 0 to 4

  // 1 when the first 4 bytes are a usable frame header (frame sync, no
  // reserved or free-format field, a Layer II bit rate allowed for its
  // channel mode); the fields are then filled. 0 for fewer than 4 bytes.
  int Parse(qm::ByteView bytes);
  // The frame's length in bytes, header included.
  int FrameLength() const;
  bool IsMono() const { return channelMode == 3; }
};

// The 28-bit value of 4 bytes of 7 bits each (ID3v2 sizes); 0 when a byte
// has its top bit set or fewer than 4 bytes are given.
int ReadSyncsafe28(qm::ByteView bytes, std::uint32_t& value);
