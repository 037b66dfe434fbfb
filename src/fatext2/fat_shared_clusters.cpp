#include "fatext2/fat_shared_clusters.h"

#include <algorithm>

#include "filemodel/deleted_file_claims.h"
#include "filemodel/file_node.h"
#include "filemodel/file_properties_base.h"
#include "platform/log.h"

namespace {

// When the clusters were last written: the entry's write time, unless its
// creation time is later. A copied file keeps its source's write time
// (Windows and mtools -m do so) and is created when it is copied.
qm::ClaimAge FatClaimAge(const CFilePropertiesBase& properties) {
  qm::FileTime written = 0;
  qm::FileTime created = 0;
  properties.GetLastWriteTime(&written);
  properties.GetCreationTime(&created);
  return qm::ClaimAge{std::max(written, created), written};
}

} // namespace

void MarkFatOlderClaimants(CFileNode* root, std::uint64_t clusterBytes) {
  qm::DeletedFileClaims claims(root, clusterBytes, &FatClaimAge);
  const std::size_t older = claims.MarkOlderClaimants();
  if (older != 0)
    LogInfo("FAT: %zu of %zu deleted files marked damaged: they share clusters with a later one", older,
            claims.FileCount());
}
