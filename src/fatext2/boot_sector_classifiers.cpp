#include "fatext2/boot_sector_classifiers.h"

#include "fatext2/fat_boot_sector.h"
#include "ntfs/ntfs_boot_sector.h"
#include "storage/volume_analyzer.h"

namespace qm {

void RegisterBootSectorClassifiers() {
  RegisterBootSectorClassifier(VolumeAnalyzerSlot::Fat, [](ByteView sector, std::uint32_t bytesPerSector) {
    return CFATDBR(sector, bytesPerSector).GetFatType();
  });
  RegisterBootSectorClassifier(VolumeAnalyzerSlot::Ntfs, [](ByteView sector, std::uint32_t) {
    return IsValidNTFSBootSector(sector) ? 3 : 7;
  });
}

} // namespace qm
