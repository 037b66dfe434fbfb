// The boot-sector tests of the FAT and NTFS engines, registered for the
// storage code that holds a boot sector but no volume (GetBootSectorFileSystem).
#pragma once

namespace qm {
// Registers the FAT test (CFATDBR) and the NTFS test (IsValidNTFSBootSector);
// the program calls it once at start-up, beside the volume analysers.
void RegisterBootSectorClassifiers();
} // namespace qm
