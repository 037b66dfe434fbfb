// After a FAT tree is built: of deleted files that claim the same clusters,
// only the latest can still hold its own bytes, and the others are marked
// damaged. A deleted file's clusters are guessed from its entry (its chain
// is gone), so a later file written into them, then deleted too, leaves two
// entries whose guesses meet; so does an entry whose size was damaged into
// a huge one, whose guess runs over every free cluster after it.
#pragma once

#include <cstdint>

class CFileNode;

// Marks the files (they stay in the tree and can still be saved) and logs
// how many. clusterBytes: the bytes of one cluster.
void MarkFatOlderClaimants(CFileNode* root, std::uint64_t clusterBytes);
