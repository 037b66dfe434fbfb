// After an NTFS tree is built: the deleted files whose clusters now belong
// to another file are marked damaged. A deleted file's record keeps its
// runs, but its clusters went back to the free pool; when the volume's
// cluster bitmap ($Bitmap) shows one of them in use, a later file holds it.
// And of deleted files that claim the same clusters, only the one written
// last can still hold its own bytes.
#pragma once

#include <cstdint>

#include "ntfs/data_runs.h"
#include "ntfs/ntfs_file_record.h"

class CFileNode;
class IStorageDevice;

// Both checks, on a volume whose $MFT is known. The files stay in the tree
// and can still be saved; how many were marked is logged.
void MarkReusedNtfsDeletedFiles(CFileNode* root, IStorageDevice& device,
                                const qm::NtfsVolumeGeometry& geometry, const qm::NtfsRunList& mftRuns);

// Only the second check, for a tree whose cluster bitmap is not known (a
// partition found by the deep scan).
void MarkNtfsOlderClaimants(CFileNode* root, IStorageDevice& device, std::uint64_t clusterBytes);
