// The volume analyser of NTFS: at a start sector it recognises an NTFS boot
// sector and reports the volume's size and name.
#pragma once

#include <cstdint>

#include "storage/volume_analyzer.h"

class CNtfsVolumeAnalyze : public IVolume {
public:
  static constexpr std::size_t kDescriptionBytes = 100;

  // Reads the boot sector at startSector and, for a valid NTFS one, the
  // name from the $Volume record. Never fails: anything else leaves type 7,
  // size 0 and an empty name.
  CNtfsVolumeAnalyze(IStorageDevice* device, std::uint64_t startSector);

  int GetFileSystemType() override { return static_cast<int>(m_nFileSystemType); }
  std::uint64_t GetSectorCount() override { return m_u64SectorCount; }
  // Copies min(bufferLength, 100) bytes of the zero-filled description.
  void GetLabel(char* buffer, int bufferLength) override;

private:
  std::uint32_t m_nFileSystemType = 7;
  char m_szDescription[kDescriptionBytes] = {};
  std::uint64_t m_u64SectorCount = 0;
};

namespace qm {
// Puts CNtfsVolumeAnalyze into the NTFS slot of the volume analyser list;
// the program calls it once at start-up.
void RegisterNtfsVolumeAnalyzer();
} // namespace qm
