// A disk image made at test time from the real files of the format
// fixtures: the files laid at sector boundaries, some back to back, some
// behind gaps of random bytes, some behind gaps of zeros, the rest of the
// image random. The image is swept by the carving controller in the tests
// and the benchmark.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

struct CarvingFile {
  const char* name;
  int type;
  // The format gives the file's length, so the carved file must equal it.
  bool exactLength;
};

// Real files of 37 carved types and the type each is carved as.
const std::vector<CarvingFile>& CarvingFiles();

struct PlacedFile {
  const CarvingFile* file;
  std::uint64_t startSector;
  std::vector<std::uint8_t> content;
};

struct CarvingImage {
  std::vector<std::uint8_t> bytes;
  std::vector<PlacedFile> placed;
};

// An image of totalBytes (a multiple of the sector size) with every
// fixture file laid from byte offset `from` on, and again, when
// `againFrom` is not 0, from that offset on.
CarvingImage MakeCarvingImage(std::uint64_t totalBytes, std::int32_t sectorSize, std::uint64_t from,
                              std::uint64_t againFrom);

} // namespace qm::test
