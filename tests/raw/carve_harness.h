// Runs one carving analyser the way the carving controller does: the
// header test on the sector where a file starts, then, when the header gave
// no length, the length walk over the device.
#pragma once

#include <cstdint>

#include "filemodel/raw_file_info.h"
#include "raw/raw_file_analyser.h"
#include "support/memory_device.h"

namespace qm {

struct CarveResult {
  int matched = 0;
  int type = 0;
  std::uint64_t length = 0;
  int sized = -1; // AnalyseFileSize's result; -1 when it was not called
};

inline CarveResult Carve(IRawFileAnalyser& analyser, MemoryDevice& device, std::uint64_t sector) {
  CRawFileInfo info;
  info.SetStartSector(sector);
  CarveResult result;
  result.matched = analyser.CheckHeader(
      ByteView(device.sector(sector), static_cast<std::size_t>(device.GetSectorSize())), &info);
  if (result.matched != 0 && info.GetLength() == 0) result.sized = analyser.AnalyseFileSize(&info, &device);
  result.type = info.GetType();
  result.length = info.GetLength();
  return result;
}

} // namespace qm
