// Connects the file-system tree builds to the carving result tree (see
// ntfs/carved_files_seam.h): the NTFS lost-partition build, the FAT
// complete build and the EXT2 build with carving call the seam, and the
// seam calls HangRawFilesTree once this hook is installed.
#pragma once

namespace qm {

// Installs the hook; idempotent. The program calls it at start-up; every
// carving search controller made calls it too, so a scan that carves
// always gets its carved files into the file-system trees.
void RegisterCarvedFilesTree();

} // namespace qm
