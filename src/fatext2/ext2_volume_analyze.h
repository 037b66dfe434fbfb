// The volume analyser of EXT2 and EXT3: at a start sector it opens the file
// system and reports its type, label and size.
#pragma once

#include <cstdint>

#include "storage/volume_analyzer.h"

class CExt2Volume : public IVolume {
public:
  static constexpr std::size_t kLabelBytes = 40;

  // start is in the device's own sectors. Never fails: a volume that does
  // not open leaves type 7, size 0 and an empty label.
  CExt2Volume(IStorageDevice* device, std::uint64_t start);

  // 4 EXT2, 5 EXT3 (a journal), 7 not recognised.
  int GetFileSystemType() override { return static_cast<int>(m_nType); }
  // The file system's size in the device's sectors.
  std::uint64_t GetSectorCount() override { return m_u64Size; }
  // Copies at most length - 1 characters and always terminates; nothing
  // for a length below 1.
  void GetLabel(char* buffer, int length) override;

private:
  std::uint32_t m_nType = 7;
  char m_szLabel[kLabelBytes] = {};
  std::uint64_t m_u64Size = 0;
};

namespace qm {
// Puts CExt2Volume into the EXT2 slot of the volume analyser list; the
// program calls it once at start-up.
void RegisterExt2VolumeAnalyzer();
} // namespace qm
