// Tells whether a sector holds directory entries: the first sector of a
// directory (its "." and ".." entries) or a run of plausible entries in
// the middle of one. The deep scan asks it about every sector it sweeps.
#pragma once

#include <cstdint>

#include "platform/byte_view.h"

class CFatDirSectorScanner {
public:
  enum Kind : int {
    kNothing = 0,
    kPartOfDirectory = 1,
    kDirectoryStart = 2,
  };

  // How many bytes Analyze examines (the device's sector size).
  void SetBufferSize(std::uint32_t bytes) { bufferSize_ = bytes; }
  std::uint32_t GetBufferSize() const { return bufferSize_; }

  // Classifies the first GetBufferSize() bytes of buffer (fewer when the
  // view is shorter); true when the kind is not kNothing.
  bool Analyze(qm::ByteView buffer);

  int GetKind() const { return kind_; }
  std::uint32_t GetEntryCount() const { return count_; }
  std::uint32_t GetDotCluster() const { return dotCluster_; }
  std::uint32_t GetDotDotCluster() const { return dotDotCluster_; }
  std::uint32_t GetHighestCluster() const { return highestCluster_; }

private:
  int kind_ = kNothing;
  std::uint32_t count_ = 0;
  std::uint32_t dotCluster_ = 0;
  std::uint32_t dotDotCluster_ = 0;
  std::uint32_t highestCluster_ = 0;
  std::uint32_t bufferSize_ = 512;
};
