// The running counters of the intelligent search. The sweep clears the
// per-block counters before each block; the search controllers add to
// the others as they find evidence, and the progress dialog shows a copy.
// The counters without a name of their own go by their place (1 to 16);
// 9, 10, 12, 15 and 16 count for one block only.
#pragma once

#include <cstdint>

struct SearchStatistics {
  std::uint64_t Counter1 = 0;
  std::uint64_t FATBootRecords = 0;
  std::uint64_t FATFolders = 0;
  std::uint64_t FATFolderParts = 0;
  std::uint64_t NTFSBootRecords = 0;
  std::uint64_t NTFSFileRecords = 0;
  std::uint64_t FilesIdentified = 0;
  std::uint64_t TotalFilesFound = 0;
  std::uint64_t Counter9 = 0;
  std::uint64_t Counter10 = 0;
  std::uint64_t Counter11 = 0;
  std::uint64_t Counter12 = 0;
  std::uint64_t Counter13 = 0;
  std::uint64_t Counter14 = 0;
  std::uint64_t Counter15 = 0;
  std::uint64_t Counter16 = 0;

  // Back to zero for the counters that describe one block only.
  void ResetBlockCounters() {
    Counter9 = 0;
    Counter10 = 0;
    Counter12 = 0;
    Counter15 = 0;
    Counter16 = 0;
  }
};

static_assert(sizeof(SearchStatistics) == 16 * sizeof(std::uint64_t));
