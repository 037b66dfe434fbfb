// The FAT boot-sector classifier and its getters, the directory-sector
// classifier, and every directory entry's tests and name routines over
// hostile bytes. The first input byte picks the device's sector size.
#include <cstdint>
#include <string>

#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_dir_entry.h"
#include "fatext2/fat_dir_sector_scanner.h"
#include "fatext2/fat_file_properties.h"
#include "fatext2/fat_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr std::uint32_t kSectorSizes[8] = {512, 512, 1024, 2048, 4096, 0, 256, 520};
  const std::uint32_t sectorSize = kSectorSizes[data[0] & 7];
  const qm::ByteView bytes(data + 1, size - 1);

  const CFATDBR dbr(bytes, sectorSize);
  volatile std::uint64_t sink = dbr.GetFatType();
  sink = sink + dbr.GetTotalSectors() + dbr.GetSectorsPerFat() + dbr.GetNumberOfFats() +
         dbr.GetSectorsPerCluster() + dbr.GetReservedSectors() + dbr.GetRootCluster() +
         dbr.GetRootEntryCount() + dbr.GetReservedSectorCount();
  sink = sink + HasBootSignature(bytes) + IsFatTableStartSector(bytes);

  CFatDirSectorScanner scanner;
  scanner.SetBufferSize(data[0] >> 3 == 0 ? 512 : (data[0] >> 3) * 64u);
  if (scanner.Analyze(bytes)) sink = sink + scanner.GetEntryCount() + scanner.GetHighestCluster();

  CFatDirEntry entry;
  std::string piece;
  for (std::size_t at = 0; at < bytes.size(); at += qm::fat_dir::kEntryBytes) {
    entry.SetEntry(bytes.from(at));
    sink = sink + entry.IsValid(true) + entry.IsValid(false) + entry.IsDotEntry() + entry.IsDotDotEntry() +
           entry.IsAllZero() + entry.GetFirstCluster() + entry.GetFileSize();
    const std::string name = entry.GetShortName(false);
    const std::string label = entry.GetShortName(true);
    entry.GetLongNamePiece(piece);
    sink = sink + IsValidFileName(name.c_str()) + IsValidFileName(piece.c_str()) + label.size();
    CFATFileProperties properties;
    properties.SetName(piece.c_str());
    properties.SetCreationTime(entry.GetCreationDate(), entry.GetCreationTime());
    properties.SetLastWriteTime(entry.GetLastWriteDate(), entry.GetLastWriteTime());
    properties.SetLastAccessDate(entry.GetLastAccessDate());
  }
  return 0;
}
