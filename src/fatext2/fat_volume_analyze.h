// The volume analyser of FAT: at a start sector it recognises a FAT12,
// FAT16 or FAT32 boot sector and reports the type, the size and the label
// that the root directory's volume-label entry holds.
#pragma once

#include <cstdint>
#include <string>

#include "platform/byte_view.h"
#include "storage/volume_analyzer.h"

class CFATDBR;
class IStorageDevice;

class CFatVolumeAnalyze : public IVolume {
public:
  static constexpr std::size_t kLabelBytes = 100;

  // Never fails: a device that cannot be read or a sector that is not a
  // FAT boot sector leaves type 7, size 0 and an empty label.
  CFatVolumeAnalyze(IStorageDevice* device, std::uint64_t startSector);

  int GetFileSystemType() override { return m_nFatType; }
  std::uint64_t GetSectorCount() override { return m_u64SectorCount; }
  // Copies min(bufferLength, 100) bytes of the zero-filled label.
  void GetLabel(char* buffer, int bufferLength) override;

private:
  int m_nFatType = 7;
  char m_szLabel[kLabelBytes] = {};
  std::uint64_t m_u64SectorCount = 0;
};

// Finds the live volume-label entry of a FAT volume's root directory.
class CFatVolumeLabelReader {
public:
  explicit CFatVolumeLabelReader(IStorageDevice* device);

  // 1 with the label (trailing blanks cut) when the root directory holds a
  // live volume-label entry; 0 otherwise. boot is the volume's boot sector
  // at start.
  int ReadLabel(std::uint64_t start, const CFATDBR& boot, std::string& label);

private:
  // 0 not found and go on, 1 found, -1 the scan ended without a label.
  int ScanCluster(std::uint64_t sector, std::uint32_t sectorsPerCluster, std::string& label);

  IStorageDevice* device_ = nullptr;
  std::uint32_t sectorSize_ = 512;
};

// 1 when boot (the sector at start) is a FAT boot sector whose first or
// second FAT copy begins with a FAT media signature; 0 otherwise.
int CheckBootSectorAndFats(qm::ByteView boot, std::uint64_t start, IStorageDevice* device);

namespace qm {
// Puts CFatVolumeAnalyze into the FAT slot of the volume analyser list;
// the program calls it once at start-up.
void RegisterFatVolumeAnalyzer();
} // namespace qm
