// The running counters of the intelligent search. The sweep clears the
// per-block counters before each block; the search controllers add to
// the others as they find evidence, and the progress dialog shows a copy.
#pragma once

#include <cstdint>

struct SearchStatistics {
  std::uint64_t Unused1 = 0;
  std::uint64_t FATBootRecords = 0;
  std::uint64_t FATFolders = 0;
  std::uint64_t FATFolderParts = 0;
  std::uint64_t NTFSBootRecords = 0;
  std::uint64_t NTFSFileRecords = 0;
  std::uint64_t FilesIdentified = 0;
  std::uint64_t TotalFilesFound = 0;
  std::uint64_t BlockCounter9 = 0;
  std::uint64_t BlockCounter10 = 0;
  std::uint64_t Unused11 = 0;
  std::uint64_t BlockCounter12 = 0;
  std::uint64_t Unused13 = 0;
  std::uint64_t Unused14 = 0;
  std::uint64_t BlockCounter15 = 0;
  std::uint64_t BlockCounter16 = 0;

  // Back to zero for the counters that describe one block only.
  void ResetBlockCounters() {
    BlockCounter9 = 0;
    BlockCounter10 = 0;
    BlockCounter12 = 0;
    BlockCounter15 = 0;
    BlockCounter16 = 0;
  }
};

static_assert(sizeof(SearchStatistics) == 16 * sizeof(std::uint64_t));
