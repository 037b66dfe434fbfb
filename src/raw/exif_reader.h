// Reads the TIFF-structured directories of a JPEG's EXIF segment (APP1)
// into an ExifInfo record: camera make and model, capture times and the
// exposure facts. The carving engine names carved pictures after them. The
// reader works on the bytes it is given and never reads outside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/byte_view.h"

struct ExifInfo {
  // Bits 2, 4 and 8 would ask for copies of the thumbnail, user comment and
  // maker note; this reader always gives their offsets.
  int flags;
  char exifVersion[5];
  char cameraMake[32];
  char cameraModel[40];
  char dateTime[20]; // capture date and time
  char dateTimeDigitized[20];
  // From a start-of-frame segment; not filled here.
  int width;
  int height;
  int isColor;
  int orientation; // 1 to 8; 0 when undefined
  int flashUsed;   // 0 / 1
  double focalLength;
  double exposureTime;
  double fNumber;
  double subjectDistance;
  double exposureBias;
  int lightSource;
  int meteringMode;
  int exposureProgram;
  int isoEquivalent;
  int compressionLevel;
  double focalPlaneXResolution;
  double focalPlaneUnit; // factor of the focal-plane resolution unit
  double ccdWidth;       // computed from the two above and the pixel size
  double xResolution;
  double yResolution;
  double resolutionUnit; // factor of the resolution unit
  double brightness;
  char comment[2000];
  // File offsets (the segment's offset plus the position in the segment)
  // and lengths in bytes.
  std::uint64_t userCommentOffset;
  std::uint32_t userCommentLength;
  std::uint64_t makerNoteOffset;
  std::uint32_t makerNoteLength;
  std::uint64_t thumbnailOffset;
  std::uint32_t thumbnailLength;
};

// Makes the record that ProcessExif fills (zero-filled by its user before
// each use). The record and the reader's state belong to the calling
// thread: one segment is processed at a time per thread.
void SetExifInfo(ExifInfo* info);

// Reads one EXIF segment. segment: the bytes at hand; segmentOffset: the
// file offset of segment's first byte; exifPos: where the "Exif" text
// stands in segment; segmentLength: the bytes from the "Exif" text on that
// belong to the segment (reads stop at the end of segment in any case).
// 1 on success; 0 with the error text set. Fields filled before a failure
// stay.
int ProcessExif(qm::ByteView segment, std::uint64_t segmentOffset, std::size_t exifPos,
                std::uint32_t segmentLength);

// The last error message of ProcessExif on this thread (empty after a
// clean read).
const std::string& GetExifError();
