// The read-ahead cache of the intelligent search. While the search works
// on one large block of the device, a thread of the cache reads the next
// blocks, so that a sweep over the whole device reads it sequentially.
//
// The search thread asks for blocks 0, 1, 2 ... in order (from the block of
// the debug start position) with SetCurCacheBlock and reads inside the
// current block with ReadSectors, or sees it in place with GetCurBlockData.
// Blocks pass from the read-ahead thread to the search thread by handing
// over buffers, never by copying; a small pool of buffers is reused. The
// buffers are huge pages kept for reuse and never zeroed ahead: every byte
// of a block is either read or, past a short last block and in a block
// whose read failed, zero-filled.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "storage/huge_page_buffer.h"
#include "storage/storage_device.h"

class CStorageDeviceWithCache : public IStorageDevice {
public:
  static constexpr std::uint64_t kNoBlock = ~std::uint64_t{0};

  // The parent is not owned and must be safe to read from two threads.
  explicit CStorageDeviceWithCache(IStorageDevice* parent);
  // Stops the read-ahead thread if it still runs.
  ~CStorageDeviceWithCache() override;

  // Search thread only. Inside a good current block the data comes from
  // memory; anything else (and everything in a block whose read-ahead
  // failed) is read from the parent, whose result is returned.
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override;
  std::uint64_t GetSectorCount() override;
  std::int32_t GetSectorSize() override;
  int Open() override;
  int Close() override;

  // Sectors per block (1000 at construction). Forgets the current block;
  // refused (0) while the read-ahead runs.
  int SetBlockSize(std::uint32_t sectors);
  std::uint32_t GetBlockSize() const { return m_nBlockSize; }
  // Starts reading ahead from the block of the debug start position.
  void StartCache();
  // Makes block `index` the current block. Blocks are taken strictly in
  // order: asking for another block than the next one is refused (0);
  // asking for the current one again changes nothing. Waits until the
  // read-ahead has the block. Without a running read-ahead the block is
  // read directly.
  int SetCurCacheBlock(std::uint64_t index);
  // Ends the read-ahead thread (joined) and frees the queued blocks.
  void StopCache();
  // 1 when index < ceil(sector count / block size).
  int IsValidBlock(std::uint64_t index);

  // The current block in place: its bytes, its first sector and its
  // sectors (fewer than the block size at the end of the device). Null
  // when there is no current block or its read-ahead failed.
  const std::uint8_t* GetCurBlockData(std::uint64_t* firstSector, std::uint64_t* sectorCount) const;
  std::uint64_t GetCurCacheBlock() const { return m_nCurBlock; }

  // Keeps the last `blocks` blocks that were current in memory after the
  // search moved past them, for an analyser that looks back (the carving
  // ring) and would otherwise copy every block. Never shrinks the number.
  void KeepPastBlocks(std::uint32_t blocks);
  std::uint32_t GetKeptPastBlocks() const { return m_nKeep; }
  // The block starting at firstSector, in place, when it is the current
  // block or one still kept, and was read well; null otherwise. Search
  // thread only; valid until the search moves `kept` blocks further or the
  // block size changes.
  const std::uint8_t* GetKeptBlockData(std::uint64_t firstSector, std::uint64_t* sectorCount) const;

  // The debug start sector: key "pos" of section "main" in config.ini of
  // the configuration folder; 0 when missing, negative or not a number.
  static std::uint64_t ReadDebugConfig();

private:
  struct Block {
    std::uint8_t* data = nullptr;
    std::uint64_t first = 0;
    std::uint64_t sectors = 0;
    bool good = false;
  };

  void CacheThread();
  std::uint8_t* MakeBuffer();     // queue lock held
  std::uint8_t* TakeFreeBuffer(); // queue lock held
  void ReleaseBuffers();
  void Retire(const Block& block); // search thread; queue lock held
  void ZeroUnread(Block& block) const;
  std::size_t BlockBytes() const;

  IStorageDevice* m_pParent;
  Block m_current;
  std::uint32_t m_nBlockSize = 1000;
  std::uint64_t m_nCurBlock = kNoBlock;
  bool m_bRunning = false; // queue lock
  std::deque<Block> m_queue;
  std::thread m_thread;
  std::size_t m_nCapacity = 10; // the thread reads while no more than this many wait
  std::uint64_t m_nNextSector = 0;    // read-ahead thread only while it runs
  std::uint64_t m_nNextBlock = 0;     // the block SetCurCacheBlock expects
  std::uint64_t m_nSectorCount = 0;   // of the parent, fixed while the thread runs
  bool m_bThreadDone = false;         // queue lock
  std::mutex m_queueLock;
  std::condition_variable m_dataEvent;
  std::condition_variable m_spaceEvent;
  // Every block buffer ever made (owned) and those not in use.
  std::vector<qm::HugePageBuffer> m_buffers;
  std::vector<std::uint8_t*> m_free;
  // Blocks that were current, newest last, at most m_nKeep (search thread;
  // changed under the queue lock, since buffers leave it for m_free).
  std::deque<Block> m_past;
  std::uint32_t m_nKeep = 0;
};
