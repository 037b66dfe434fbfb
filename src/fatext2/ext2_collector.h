// The garbage collector behind the EXT2 reader. It holds only the reader's
// candidate descriptor tables and the inode objects of the inode walk.
// Every thread that runs the reader must be known to the collector (the
// first thread that asks initialises it); a container that holds the only
// pointer to a collected object must be visible to it (gc_allocator or
// traceable_allocator), since ordinary heap memory is not scanned.
#pragma once

#include <cstddef>

class CExt2Inode;

namespace qm::ext2 {

// Initialises the collector once per process. Best called from the main
// thread before any worker starts; later calls do nothing.
void InitCollector();

// Registers the calling thread with the collector for the scope's life when
// it is not known yet (a worker that runs the reader), and unregisters it at
// the end. On an already known thread it does nothing.
class CollectorThreadScope {
public:
  CollectorThreadScope();
  ~CollectorThreadScope();
  CollectorThreadScope(const CollectorThreadScope&) = delete;
  CollectorThreadScope& operator=(const CollectorThreadScope&) = delete;

private:
  bool m_bRegistered = false;
};

// Collected memory that holds no pointers (descriptor tables); zeroed.
void* CollectedBytes(std::size_t bytes);
void FreeCollected(void* pointer);

// An inode object in collected memory, and its release.
CExt2Inode* NewCollectedInode();
void FreeCollectedInode(CExt2Inode* inode);

// Runs a full collection (tests force one in the middle of a walk).
void CollectNow();

} // namespace qm::ext2
