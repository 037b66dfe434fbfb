// Progress of a tree build, reported by the NTFS, FAT, EXT2 and carving
// tree builds and shown by the directory-build dialog. Every operation
// returns what Poll() returns: -1 once the user asked to stop, else 0, so
// an engine learns of a cancel from whichever call it makes.
#pragma once

#include <cstdint>

class IDIRBuildCallback {
public:
  virtual ~IDIRBuildCallback() = default;
  // A build step starts: the title is logged, counters and clock reset.
  virtual int OnBegin(const char* title, std::uint32_t total) = 0;
  // n more items done.
  virtual int OnStep(std::uint32_t n) = 0;
  // The absolute position.
  virtual int OnPosition(std::uint32_t position) = 0;
  // The step is over.
  virtual int OnEnd() = 0;
  // -1 to cancel, 0 to go on.
  virtual int Poll() = 0;
};

inline constexpr int kCallbackCancel = -1;
