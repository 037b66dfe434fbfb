// The image writer: reads a range of sectors of a source device in blocks
// of 256 sectors, compresses each block on its own (storing it raw when
// compression fails or does not pay), appends it to the current part file,
// records its end in the index, and begins a new part when the current one
// would reach the split size or when its caller asks for one.
//
// Blocks are compressed on a pool of worker threads while the calling
// thread reads the source in order, compresses blocks itself while it
// waits, and writes the finished blocks strictly in order: the index, the
// parts and their bytes are the same whatever the number of threads. The calling thread alone touches the
// source, the files and the callback, so a cancel, a new-part request or a new target path takes effect at
// the same block boundary as with one thread; a fixed number of blocks is in flight.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "codecs/codec.h"
#include "imaging/block_codec.h"
#include "imaging/image_file.h"
#include "storage/mem_alloc.h"

class IStorageDevice;

// How the writer reports to whoever drives it. Called on the writer's own
// thread, between blocks.
class ICompressCallBack {
public:
  virtual ~ICompressCallBack() = default;
  // After every block: lets the caller's user interface run.
  virtual void ProcessMessages() = 0;
  // Non-zero stops the run before the next block.
  virtual int IsCancelled() = 0;
  // Block `index` (from 0) has been stored.
  virtual void OnBlockDone(std::uint64_t index) = 0;
  // Once before the first block: first = 0, total = the number of blocks.
  virtual void OnStart(std::uint64_t first, std::uint64_t total) = 0;
  // The stored length of the block just written.
  virtual void OnBlockStored(std::uint32_t storedLength) = 0;
  // Non-zero makes the next block begin a new part file.
  virtual int IsNewPartRequested() { return 0; }
};

namespace qm::image {
// Split sizes in 512-byte units: "4G" (also when not splitting), "2G",
// "1G", "640MB". 4 GiB minus 4,096 bytes keeps a part's u32 offsets valid.
inline constexpr std::uint32_t kSplit4G = 8388600;
inline constexpr std::uint32_t kSplit2G = 4194304;
inline constexpr std::uint32_t kSplit1G = 2097152;
inline constexpr std::uint32_t kSplit640M = 1310720;
} // namespace qm::image

class CCompressController {
public:
  CCompressController();
  virtual ~CCompressController();
  CCompressController(const CCompressController&) = delete;
  CCompressController& operator=(const CCompressController&) = delete;

  // The source is not owned. The description is kept to 259 characters.
  void SetSource(IStorageDevice* source, const std::string& description, std::uint64_t firstSector,
                 std::uint64_t sectorCount, std::uint32_t sourceDeviceType);
  // Type 0 none, 1 bzip2, 2 zlib, 3 LZMA; level as the codec reads it (-1
  // the codec's default); split size in 512-byte units. Returns 1.
  int SetCompression(std::uint32_t type, std::int32_t level, std::uint32_t splitSize);
  // The index path; later parts are named after a path set during a run.
  void SetTargetPath(const std::string& path);
  // Writes the image: 1 when the run ended normally or was cancelled
  // (WasCancelled tells them apart), 0 on failure (LastError says why).
  int Run(ICompressCallBack* callback);

  bool WasCancelled() const { return cancelled_; }
  const std::string& LastError() const { return lastError_; }
  // Blocks of the source that could not be read (imaged as zeros).
  std::uint64_t UnreadableBlocks() const { return unreadableBlocks_; }
  std::uint32_t PartCount() const { return partsBegun_; }
  std::uint32_t BlocksWritten() const { return blockCounter_; }
  const std::string& IndexPath() const { return indexPath_; }

  // The threads that compress blocks, the calling thread included (the
  // default: one per core); 1 or 0: the calling thread alone. LZMA runs
  // on fewer when the free memory does not hold an encoder for each.
  void SetThreads(unsigned threads) { threads_ = threads; }

  using CompressorFactory = std::function<std::unique_ptr<ICompressor>()>;
  // Replaces how each compressing thread makes its codec (tests put
  // failing codecs in); SetCompression sets the one for its type.
  void SetCompressorFactory(CompressorFactory factory) { makeCompressor_ = std::move(factory); }

private:
  struct Slot;
  bool CreateImage();
  // Reads the block of `count` sectors at firstSector into the slot;
  // unreadable sectors are imaged as zeros, counted when the block is
  // written.
  void ReadBlock(Slot& slot, std::uint64_t firstSector, std::uint32_t count);
  bool WriteBlock(const std::uint8_t* data, std::uint32_t length);
  bool BeginNextPart();

  std::unique_ptr<qm::image::CImageFile> image_;
  std::string indexPath_;  // of the index and the part list
  std::string namingPath_; // the path new parts are named after
  std::uint32_t blocksInPart_ = 0;
  std::uint64_t totalBytes_ = 0;
  std::uint32_t bytesInPart_ = 0;
  std::uint32_t partsBegun_ = 0;
  std::uint32_t blockCounter_ = 0;
  IStorageDevice* source_ = nullptr;
  std::string description_;
  std::uint32_t sourceType_ = qm::image::kUnknownSourceType;
  std::uint64_t firstSector_ = ~std::uint64_t{0};
  std::uint64_t sectorCount_ = ~std::uint64_t{0};
  CompressorFactory makeCompressor_;
  unsigned threads_;
  std::uint32_t compressionType_ = 0;
  std::uint32_t splitSize_ = qm::image::kSplit4G;
  std::int32_t level_ = 1;
  bool newPartRequest_ = false;
  bool cancelled_ = false;
  std::uint64_t unreadableBlocks_ = 0;
  std::uint32_t sectorSize_ = 512;
  std::string lastError_;
  std::uint32_t blockBytes_ = 0;
  std::uint32_t room_ = 0;
  std::uint32_t lastStored_ = 0;
};
