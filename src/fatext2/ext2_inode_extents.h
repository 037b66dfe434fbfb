// From one inode to what the tree keeps of it: its properties with times,
// size, attributes, deleted state and block extents.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "fatext2/ext2_file_properties.h"

class CExt2Inode;

namespace qm::ext2 {

// The extents of a file, in file-system blocks. Blocks are mapped in
// logical order and contiguous ones merged. A regular file's list ends at
// the first index that maps to no block. A sparse file is mapped over its
// whole size: unmapped ranges (zero or out-of-volume pointers, also whole
// indirect subtrees) become sparse runs, so its data keeps its offsets.
// Every mapped block sets its bit in usedBlocks when the map has that bit.
// Never maps more blocks than the volume has, nor reads more indirect
// blocks: a hostile map cannot make it loop or grow without end.
void BuildExtents(const CExt2Inode& inode, CExt2DataRunList& list, std::vector<bool>* usedBlocks);

// New properties made from an inode (its name is left empty): a directory
// gets the folder attribute and no extents; a sparse file the sparse
// attribute.
std::unique_ptr<CExt2FileProperties> MakeFileProperties(const CExt2Inode& inode,
                                                        std::vector<bool>* usedBlocks);

} // namespace qm::ext2
