#include "fatext2/fat_dir_sector_scanner.h"

#include "fatext2/fat_dir_entry.h"

bool CFatDirSectorScanner::Analyze(qm::ByteView buffer) {
  count_ = 0;
  dotCluster_ = 0;
  dotDotCluster_ = 0;
  highestCluster_ = 0;
  bool hasDot = false;
  bool hasDotDot = false;
  bool bad = false;
  std::int64_t previousCluster = -1;

  const std::uint64_t bytes = buffer.size() < bufferSize_ ? buffer.size() : bufferSize_;
  CFatDirEntry entry;
  std::uint32_t index = 0;
  for (std::uint64_t offset = 0; offset + qm::fat_dir::kEntryBytes <= bytes;
       offset += qm::fat_dir::kEntryBytes, ++index) {
    entry.SetEntry(buffer.sub(offset, qm::fat_dir::kEntryBytes));
    if (!entry.IsValid(true)) {
      // Zeros after entries are the clean end of a directory.
      const bool cleanEnd = (count_ > 0 || (hasDot && hasDotDot)) && entry.IsAllZero();
      if (!cleanEnd) bad = true;
      break;
    }
    if (entry.IsLongNamePiece()) continue;
    const std::uint32_t cluster = entry.GetFirstCluster();
    if (cluster > highestCluster_) highestCluster_ = cluster;
    if (index == 0 && entry.IsDotEntry()) {
      dotCluster_ = cluster;
      hasDot = true;
      continue;
    }
    if (index == 1 && entry.IsDotDotEntry()) {
      dotDotCluster_ = cluster;
      hasDotDot = true;
      continue;
    }
    if (!entry.IsDeleted()) {
      // Two live entries never share a first cluster (two empty files both
      // at 0 included): such a run is not a directory.
      if (static_cast<std::int64_t>(cluster) == previousCluster) {
        bad = true;
        break;
      }
      previousCluster = cluster;
    }
    ++count_;
  }

  if (hasDot && hasDotDot) {
    kind_ = kDirectoryStart;
  } else if (count_ > 0 && !bad) {
    kind_ = kPartOfDirectory;
    dotCluster_ = 0;
    dotDotCluster_ = 0;
  } else {
    kind_ = kNothing;
    count_ = 0;
    dotCluster_ = 0;
    dotDotCluster_ = 0;
    highestCluster_ = 0;
  }
  return kind_ != kNothing;
}
