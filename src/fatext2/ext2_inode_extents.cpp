#include "fatext2/ext2_inode_extents.h"

#include <algorithm>

#include "fatext2/ext2_block_iterator.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_inode.h"
#include "platform/byte_view.h"
#include "platform/log.h"
#include "platform/out_of_memory.h"
#include "storage/mem_alloc.h"

namespace {

// Gathers runs and merges each into the one before when it continues it:
// two holes, or two runs of adjacent blocks. A hole never merges with
// data, whatever its numbers.
class RunAccumulator {
public:
  RunAccumulator(CExt2DataRunList& list, std::vector<bool>* usedBlocks) : list_(list), used_(usedBlocks) {}
  ~RunAccumulator() { Flush(); }
  RunAccumulator(const RunAccumulator&) = delete;
  RunAccumulator& operator=(const RunAccumulator&) = delete;

  void Block(std::uint32_t block) {
    if (used_ != nullptr && block < used_->size()) (*used_)[block] = true;
    if (pending_.count != 0 && !pending_.IsSparse() && pending_.start + pending_.count == block) {
      ++pending_.count;
      return;
    }
    Flush();
    pending_ = {block, 1};
  }
  void Hole(std::uint64_t count) {
    if (count == 0) return;
    holeBlocks_ += count;
    if (pending_.count != 0 && pending_.IsSparse()) {
      pending_.count += count;
      return;
    }
    Flush();
    pending_ = {qm::kSparseRunStart, count};
  }
  void Flush() {
    if (pending_.count != 0) list_.AddRun(pending_);
    pending_ = {};
  }
  std::uint64_t HoleBlocks() const { return holeBlocks_; }

private:
  CExt2DataRunList& list_;
  std::vector<bool>* used_;
  DataRunEntry pending_;
  std::uint64_t holeBlocks_ = 0;
};

// The block map of a sparse file, walked tree by tree: an absent indirect
// block stands for a whole range of holes and is never descended into.
class SparseMapper {
public:
  SparseMapper(const CExt2Inode& inode, RunAccumulator& runs)
      : inode_(inode), fs_(*inode.GetFileSystem()), runs_(runs), pointersPerBlock_(fs_.BlockSize() / 4),
        limit_((inode.GetSize() + fs_.BlockSize() - 1) / fs_.BlockSize()), budget_(fs_.BlockCount()) {
    for (auto& level : levels_)
      level = qm::MakeMemBuffer<std::uint8_t>(fs_.BlockSize());
  }

  // Maps every block the size covers; the holes between blocks become
  // sparse runs, a hole after the last block is left to the caller.
  void Run() {
    std::uint64_t first = 0;
    for (unsigned i = 0; i < qm::ext2::kDirectBlocks && first < limit_; ++i, ++first)
      Leaf(first, inode_.GetBlockPointer(i));
    std::uint64_t span = 1;
    for (unsigned depth = 1; depth <= 3 && first < limit_ && !Exhausted(); ++depth) {
      span *= pointersPerBlock_;
      Tree(inode_.GetBlockPointer(qm::ext2::kDirectBlocks - 1 + depth), depth, first);
      first += span;
    }
  }

  // Logical blocks the size covers, and the first one after the last
  // mapped block.
  std::uint64_t Limit() const { return limit_; }
  std::uint64_t MappedEnd() const { return next_; }
  // Pointers that lead out of the volume: read as holes, but damage.
  std::uint64_t BadPointers() const { return badPointers_; }

private:
  bool Exhausted() const { return mapped_ >= fs_.BlockCount() || budget_ == 0; }

  void Leaf(std::uint64_t index, std::uint32_t block) {
    if (index >= limit_ || block == 0 || Exhausted()) return;
    if (!fs_.IsValidBlock(block)) {
      ++badPointers_;
      return;
    }
    runs_.Hole(index - next_);
    runs_.Block(block);
    next_ = index + 1;
    ++mapped_;
  }

  // An indirect block of the given depth (1 single, 2 double, 3 triple)
  // whose first entry maps logical block first.
  void Tree(std::uint32_t block, unsigned depth, std::uint64_t first) {
    if (block == 0 || Exhausted()) return;
    if (!fs_.IsValidBlock(block)) {
      ++badPointers_;
      return;
    }
    --budget_;
    std::uint8_t* buffer = levels_[depth - 1].get();
    try {
      fs_.ReadBlocks(buffer, block, 1);
    } catch (const qm::OutOfMemoryException&) {
      throw; // the memory crash, never a bad record
    } catch (const std::exception&) {
      return; // an unreadable indirect block maps nothing
    }
    std::uint64_t span = 1;
    for (unsigned d = 1; d < depth; ++d)
      span *= pointersPerBlock_;
    const qm::ByteView view(buffer, fs_.BlockSize());
    for (std::uint32_t i = 0; i < pointersPerBlock_; ++i) {
      const std::uint64_t at = first + i * span;
      if (at >= limit_ || Exhausted()) return;
      const std::uint32_t entry = view.le32(std::size_t{i} * 4);
      if (depth == 1)
        Leaf(at, entry);
      else
        Tree(entry, depth - 1, at);
    }
  }

  const CExt2Inode& inode_;
  CExt2FileSystem& fs_;
  RunAccumulator& runs_;
  std::uint32_t pointersPerBlock_;
  std::uint64_t limit_;      // logical blocks the size covers
  std::uint64_t budget_;     // indirect blocks that may still be read
  std::uint64_t mapped_ = 0; // blocks mapped so far
  std::uint64_t next_ = 0;   // the first logical block not covered yet
  std::uint64_t badPointers_ = 0;
  qm::MemBuffer<std::uint8_t> levels_[3];
};

} // namespace

namespace qm::ext2 {

std::uint64_t AddressableBytes(std::uint32_t blockSize) {
  const std::uint64_t p = blockSize / 4;
  return (kDirectBlocks + p + p * p + p * p * p) * blockSize;
}

ExtentsShape BuildExtents(const CExt2Inode& inode, CExt2DataRunList& list, std::vector<bool>* usedBlocks) {
  ExtentsShape shape;
  CExt2FileSystem* fileSystem = inode.GetFileSystem();
  if (fileSystem == nullptr || fileSystem->BlockSize() == 0) return shape;
  // Extent-tree bytes read as block pointers would name unrelated blocks.
  if (inode.UsesExtents()) return shape;
  RunAccumulator runs(list, usedBlocks);
  // Whether a file has holes is told by its block map alone: the sectors
  // it has allocated count its indirect blocks too, so comparing them
  // with the size misses a hole as large as those blocks.
  if (!inode.IsRegular() && !inode.IsSparse()) {
    CExt2BlockIterator it = inode.Blocks();
    for (std::uint32_t count = inode.GetBlockCount(); it.GetIndex() < count; it.Next()) {
      const std::uint32_t block = it.GetPhysicalBlock();
      if (block == 0) break;
      runs.Block(block);
    }
    return shape;
  }
  SparseMapper mapper(inode, runs);
  mapper.Run();
  const std::uint64_t blockSize = fileSystem->BlockSize();
  const std::uint64_t size = inode.GetSize();
  const std::uint64_t volumeBytes = std::uint64_t{fileSystem->BlockCount()} * blockSize;
  const std::uint64_t tailBlocks = mapper.Limit() - mapper.MappedEnd();
  shape.holes = runs.HoleBlocks() + tailBlocks != 0;
  // A size the block map cannot reach, or a hole after the last block
  // larger than the whole volume, is a damaged inode (one flipped byte of
  // the size's high word claims terabytes): only what its blocks hold is
  // kept, so that saving it never writes more than the volume held.
  const bool unreachable = size > AddressableBytes(fileSystem->BlockSize());
  const bool hugeTail = tailBlocks > volumeBytes / blockSize;
  if (unreachable || hugeTail) {
    shape.damaged = true;
    shape.sizeCut = true;
    shape.holes = runs.HoleBlocks() != 0;
    return shape;
  }
  runs.Hole(tailBlocks);
  // A pointer out of the volume was read as a hole: the file keeps its
  // length, but that part of it is lost.
  shape.damaged = mapper.BadPointers() != 0;
  return shape;
}

std::unique_ptr<CExt2FileProperties> MakeFileProperties(const CExt2Inode& inode,
                                                        std::vector<bool>* usedBlocks) {
  auto properties = CreateExt2FileProperties();
  properties->SetCreationTime(InodeTimeToFileTime(inode.GetChangeTime()));
  properties->SetLastWriteTime(InodeTimeToFileTime(inode.GetModifyTime()));
  properties->SetLastAccessTime(InodeTimeToFileTime(inode.GetAccessTime()));
  properties->SetSize(inode.GetSize());
  if (inode.IsDirectory()) {
    properties->SetAttributes(qm::kAttrFolder);
  } else {
    CExt2DataRunList list;
    const ExtentsShape shape = BuildExtents(inode, list, usedBlocks);
    if (shape.holes) properties->SetAttributes(qm::kAttrSparse);
    if (shape.damaged) properties->SetState(CExt2FileProperties::kStateDamaged);
    if (shape.sizeCut)
      LogInfo("Inode %u claims %llu bytes, more than its blocks can hold: only its blocks are kept",
              inode.GetNumber(), static_cast<unsigned long long>(inode.GetSize()));
    properties->SetDataRunList(&list);
  }
  properties->SetInodeNumber(inode.GetNumber());
  properties->SetChangeSeconds(static_cast<std::uint32_t>(inode.GetChangeTime()));
  if (inode.GetDeletionTime() != 0)
    properties->SetState(static_cast<std::uint8_t>(properties->GetState() | CExt2FileProperties::kStateDeleted));
  return properties;
}

} // namespace qm::ext2
