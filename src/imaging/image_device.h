// A disk image read back as a read-only sector device, so that the scan
// engines, the partition analysis and the previewers read an image exactly
// as they read a disk. Part files open on demand, one at a time; the last
// block decompressed is kept, so a caller that walks an image a few
// sectors at a time decompresses each block once.
//
// Read sequentially (a search, imaging an image, saving files), the device
// decompresses the blocks ahead of the reader on a pool of worker threads,
// a fixed number of blocks at a time; a read that spans several blocks has
// its whole blocks decoded side by side straight into the caller's buffer,
// the reading thread decoding too. A random read of one block is served on
// the reading thread. Either way the sectors are the same.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <vector>

#include "codecs/codec.h"
#include "imaging/image_file.h"
#include "platform/device_handle.h"
#include "platform/thread_pool.h"
#include "storage/mem_alloc.h"
#include "storage/storage_device.h"

class CImageFileDeviceWithDecompress : public IStorageDevice {
public:
  // Opens the index for reading and takes the header; nothing fails here:
  // an image that cannot be read has no sectors and fails CheckPartFiles.
  explicit CImageFileDeviceWithDecompress(const std::string& indexPath);
  ~CImageFileDeviceWithDecompress() override;

  // The sectors the source had: whole blocks, and those of the last block.
  // Reads that start inside the image and run past its end are clipped
  // and the rest of the buffer zero-filled; a first sector or a count
  // above the sector count fails. Damage inside the image (a missing part,
  // an unreadable block) reads as zeros, never as a failure.
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override;
  std::uint64_t GetSectorCount() override { return sectorCount_; }
  std::int32_t GetSectorSize() override;
  int Open() override { return 1; }
  int Close() override { return 1; }

  // Non-zero when the index, its part list and every part it lists are
  // there and the header's counts agree with each other.
  int CheckPartFiles();
  std::uint32_t GetSourceDeviceType();
  std::string GetSourceDescription();

  const std::string& IndexPath() const { return indexPath_; }
  std::uint32_t PartCount() const { return static_cast<std::uint32_t>(partBlocks_.size()); }
  // The part holding block n, or -1 when no part does.
  std::int32_t FindBlockPart(std::uint32_t block) const;

  // The threads that decompress the blocks of sequential reads, the
  // reading thread included (the default: one per core); 1 or 0 reads
  // every block on the reading thread alone.
  void SetReadAheadThreads(unsigned threads);

private:
  struct AheadSlot;
  // Block n of part p decompressed into block_; the block's raw length, or
  // 0 when that is unknown (a missing part, a damaged entry or stream).
  std::uint32_t LoadBlock(std::uint32_t part, std::uint32_t block);
  // Makes block_ hold block n, from a slot read ahead when there is one.
  void FetchBlock(std::uint64_t block);
  // Hands blocks [from, to] that are not on their way yet to the pool, as
  // far as free slots go; slots of blocks from keepFrom to `to` stay.
  void ReadAhead(std::uint64_t from, std::uint64_t to, std::uint64_t keepFrom);
  // The decoders and buffers of reads that span blocks, and the pool and
  // the read-ahead slots when there are threads to decode on.
  void StartReaders();
  // The part file on a handle the workers may read at the same time; null
  // when it cannot be opened (its blocks read as zeros).
  qm::IDeviceHandle* AheadPartHandle(std::uint32_t part);
  // Where block n's stored bytes are, for a worker: a null handle or a
  // negative offset when it reads as zeros.
  struct Stored {
    qm::IDeviceHandle* handle = nullptr;
    std::int64_t offset = -1;
    std::uint32_t length = 0;
  };
  Stored Locate(std::uint64_t block);
  // Block n decoded into out (blockBytes_) by worker `worker`, with that
  // worker's decoder and buffer; raw blocks are read straight into out.
  void DecodeInto(unsigned worker, const Stored& where, std::uint8_t* out);
  // Whether the block's bytes are read as they are stored (or as zeros).
  bool IsRaw(const Stored& where) const;
  // A whole block of a read on its way to the caller's buffer: copied from
  // its slot, or read or decoded from where it is stored.
  struct Job {
    Stored where;
    std::uint8_t* target = nullptr;
    AheadSlot* slot = nullptr;
  };
  void RunJob(unsigned worker, const Job& job);
  // One job or claimed block of the current read is in the buffer.
  void JobDone();
  // Until the semaphore is released, the reading thread runs waiting tasks.
  void WaitHelping(std::binary_semaphore& done);
  AheadSlot* SlotOf(std::uint64_t block);

  std::recursive_mutex section_;
  std::unique_ptr<qm::image::CImageFile> image_;
  std::unique_ptr<IDecompressor> decompressor_;
  std::uint64_t sectorCount_ = 0;
  std::string indexPath_;
  std::vector<std::uint32_t> partBlocks_;
  std::vector<std::uint64_t> partFirstBlock_; // running sums of partBlocks_
  bool headerSane_ = false;
  std::uint32_t sectorSize_ = 512;
  std::uint32_t blockBytes_ = 512 * qm::image::kBlockSectors;
  qm::MemBuffer<std::uint8_t> stored_; // one block's stored bytes
  qm::MemBuffer<std::uint8_t> block_;  // the last block decompressed
  std::uint64_t cachedBlock_ = ~std::uint64_t{0};

  // Read-ahead, set up at the first read that calls for it. Workers touch
  // only their slot, their decoder and a part handle; everything else is
  // the reading thread's, under section_.
  std::uint32_t compressionType_ = 0;
  std::uint64_t totalBlocks_ = 0;
  unsigned aheadThreads_;
  std::uint64_t lastFetched_ = ~std::uint64_t{0};
  unsigned streak_ = 0; // blocks fetched one after another
  // One per worker and one, the last, for the reading thread.
  std::vector<std::unique_ptr<IDecompressor>> aheadDecoders_;
  std::vector<qm::MemBuffer<std::uint8_t>> aheadStored_;
  // The current read's jobs, and per block whether it goes straight into
  // the caller's buffer; the jobs not yet done, and the sign that all are.
  std::vector<Job> jobs_;
  std::vector<AheadSlot*> claimed_; // slots whose workers copy into the buffer
  std::vector<std::uint8_t> direct_;
  std::atomic<std::size_t> jobsLeft_{0};
  std::binary_semaphore jobsDone_{0};
  std::vector<std::unique_ptr<qm::IDeviceHandle>> aheadParts_; // one per part, opened on demand
  std::vector<std::unique_ptr<AheadSlot>> ahead_;
  // Last, so that it is gone (its tasks finished) before what they use.
  std::unique_ptr<qm::ThreadPool> pool_;
};

namespace qm::image {
// Opens an image index (told by its content, whatever its name) as a
// compressed image device when its parts are all there; any other file as
// a plain image file. Null when neither opens.
std::unique_ptr<IStorageDevice> OpenImageDevice(const std::string& path);
} // namespace qm::image
