// From one inode to what the tree keeps of it: its properties with times,
// size, attributes, deleted state and block extents.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "fatext2/ext2_file_properties.h"

class CExt2Inode;

namespace qm::ext2 {

// What building a file's extents found out about its block map.
struct ExtentsShape {
  bool holes = false;   // some of the size maps to no block
  bool damaged = false; // pointers out of the volume, or sizeCut
  bool sizeCut = false; // the size is beyond reach: only the blocks were kept
};

// The bytes the direct and indirect block pointers can address.
std::uint64_t AddressableBytes(std::uint32_t blockSize);

// The extents of a file, in file-system blocks. Blocks are mapped in
// logical order and contiguous ones merged. A regular file is mapped over
// its whole size: unmapped ranges (zero or out-of-volume pointers, also
// whole indirect subtrees) become sparse runs, so its data keeps its
// offsets. When the size is beyond what the block map can address, or
// leaves a hole after the last block larger than the volume, the file is
// damaged and its list ends with its last block; a pointer out of the
// volume is read as a hole and makes it damaged too. Other inodes end at the
// first index that maps to no block.
// Every mapped block sets its bit in usedBlocks when the map has that bit.
// Never maps more blocks than the volume has, nor reads more indirect
// blocks: a hostile map cannot make it loop or grow without end.
ExtentsShape BuildExtents(const CExt2Inode& inode, CExt2DataRunList& list, std::vector<bool>* usedBlocks);

// New properties made from an inode (its name is left empty): a directory
// gets the folder attribute and no extents; a file with holes the sparse
// attribute; a damaged one (above) the damaged state.
std::unique_ptr<CExt2FileProperties> MakeFileProperties(const CExt2Inode& inode,
                                                        std::vector<bool>* usedBlocks);

} // namespace qm::ext2
