#include "imaging/compress_controller.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <semaphore>
#include <vector>

#include "codecs/lzma_codec.h"
#include "platform/log.h"
#include "platform/memory_status.h"
#include "platform/thread_pool.h"
#include "storage/storage_device.h"

using qm::image::CImageFile;

// The reasons a run fails are logged in English and shown translated by
// the wizard; the mark lets the translation tools find them.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, text) text
#endif

namespace {

// Blocks in flight per compressing thread: one being compressed and the
// others read and waiting, so that no thread idles while the calling
// thread reads, writes or compresses a block itself, nor while a thread
// that holds the next block to write is held up by the system. Bounded by
// the memory the blocks take (large sectors make large blocks), though
// never below two per thread.
constexpr unsigned kCompressSlotsPerThread = 8;
constexpr unsigned kMinSlotsPerThread = 2;
constexpr std::uint64_t kSlotMemory = 32u << 20;
// How long the calling thread goes on compressing blocks of the others
// while the next block to write is not done.
constexpr std::chrono::milliseconds kLongestHelp{200};

// The share of the free memory that LZMA encoders may take between them;
// each takes some 90 MB, and the rest of the program and the system need
// theirs.
constexpr std::uint64_t kLzmaMemoryShare = 2;

// The threads a run compresses on: as asked, but no more LZMA encoders
// than the free memory holds (one is always made).
unsigned CompressingThreads(unsigned asked, std::uint32_t type) {
  unsigned threads = std::max(asked, 1u);
  if (type != kCodecLzma || threads == 1) {
    return threads;
  }
  const std::uint64_t perEncoder = qm::LzmaEncoderMemory(static_cast<int>(qm::image::kLzmaDictionary));
  qm::MemoryStatus memory;
  if (perEncoder == 0 || !qm::QueryMemoryStatus(memory) || memory.availablePhysical == 0) {
    return threads;
  }
  const std::uint64_t fit =
      std::max<std::uint64_t>(memory.availablePhysical / kLzmaMemoryShare / perEncoder, 1);
  if (fit < threads) {
    LogInfo("Disk image: %u threads compress instead of %u; %llu MB free, %llu MB per LZMA encoder",
            static_cast<unsigned>(fit), threads,
            static_cast<unsigned long long>(memory.availablePhysical >> 20),
            static_cast<unsigned long long>(perEncoder >> 20));
    threads = static_cast<unsigned>(fit);
  }
  return threads;
}

} // namespace

// One block on its way: the source's sectors, then their stored form.
struct CCompressController::Slot {
  qm::MemBuffer<std::uint8_t> input;
  qm::MemBuffer<std::uint8_t> output;
  std::uint32_t length = 0; // raw bytes
  std::uint32_t stored = 0; // compressed bytes in output; 0: store input raw
  bool unreadable = false;
  std::binary_semaphore compressed{0}; // released by the thread that compressed it
};

// The pool's default workers and the calling thread: one per core.
CCompressController::CCompressController() : threads_(qm::DefaultPoolThreads() + 1) {}

CCompressController::~CCompressController() = default;

void CCompressController::SetSource(IStorageDevice* source, const std::string& description,
                                    std::uint64_t firstSector, std::uint64_t sectorCount,
                                    std::uint32_t sourceDeviceType) {
  source_ = source;
  description_ = description.substr(0, 259);
  firstSector_ = firstSector;
  sectorCount_ = sectorCount;
  sourceType_ = sourceDeviceType;
}

int CCompressController::SetCompression(std::uint32_t type, std::int32_t level, std::uint32_t splitSize) {
  compressionType_ = type;
  level_ = level;
  splitSize_ = splitSize;
  makeCompressor_ = [type] { return qm::MakeCompressor(static_cast<int>(type)); };
  return 1;
}

void CCompressController::SetTargetPath(const std::string& path) {
  namingPath_ = path;
  if (!image_) {
    indexPath_ = path;
  }
}

bool CCompressController::CreateImage() {
  if (indexPath_.empty()) {
    indexPath_ = namingPath_;
  }
  image_ = std::make_unique<CImageFile>(indexPath_);
  if (!image_->OpenIndex(CPlainFile::kCreateAlways)) {
    lastError_ = QT_TRANSLATE_NOOP("CCompressController", "The index file cannot be created");
    return false;
  }
  if (!image_->WriteHeader(description_, sourceType_, compressionType_, sectorSize_)) {
    lastError_ = QT_TRANSLATE_NOOP("CCompressController", "The index file cannot be written");
    return false;
  }
  if (!image_->OpenPartList(CPlainFile::kCreateAlways)) {
    lastError_ = QT_TRANSLATE_NOOP("CCompressController", "The part list cannot be created");
    return false;
  }
  if (!image_->OpenPart(namingPath_, partsBegun_, CPlainFile::kCreateAlways)) {
    lastError_ = QT_TRANSLATE_NOOP("CCompressController", "The first part file cannot be created");
    return false;
  }
  partsBegun_ = 1;
  return true;
}

int CCompressController::Run(ICompressCallBack* callback) {
  cancelled_ = false;
  unreadableBlocks_ = 0;
  lastError_.clear();
  if (source_ != nullptr) {
    const std::int32_t size = source_->GetSectorSize();
    sectorSize_ = size > 0 ? static_cast<std::uint32_t>(size) : 512;
  } else {
    sectorSize_ = 512;
  }
  if (sectorSize_ > 4096 || sectorSize_ % 512 != 0) {
    lastError_ = QT_TRANSLATE_NOOP("CCompressController", "The source's sector size cannot be imaged");
    return 0;
  }
  if (callback == nullptr || source_ == nullptr || sectorCount_ == ~std::uint64_t{0}) {
    lastError_ = QT_TRANSLATE_NOOP("CCompressController", "Nothing to image");
    return 0;
  }
  const std::uint64_t totalBlocks = (sectorCount_ + qm::image::kBlockSectors - 1) / qm::image::kBlockSectors;
  if (totalBlocks > qm::image::kMaxTotalBlocks) {
    lastError_ = QT_TRANSLATE_NOOP("CCompressController", "The region is too large for one image");
    return 0;
  }
  if (!CreateImage()) {
    return 0;
  }
  blockBytes_ = sectorSize_ * qm::image::kBlockSectors;
  room_ = qm::image::StoredBound(blockBytes_);
  const qm::image::BlockCompression settings{compressionType_, level_, sectorSize_};

  // One codec per compressing thread, each used by that thread alone (the
  // calling thread's is the last), and the slots: they, and the work on
  // them, outlive the pool, which is gone before they are.
  std::vector<std::unique_ptr<ICompressor>> codecs;
  std::vector<std::unique_ptr<Slot>> slots;
  codecs.push_back(makeCompressor_ ? makeCompressor_() : nullptr);
  const auto compress = [this, settings, &codecs](Slot& slot, unsigned worker) {
    slot.stored = qm::image::CompressBlock(codecs[worker].get(), settings, slot.input.get(), slot.length,
                                           slot.output.get(), room_);
  };
  // Without a codec there is nothing to hand out: the calling thread
  // copies. Else the calling thread counts as one of the threads: it
  // compresses blocks too while it waits for the next one to write.
  std::unique_ptr<qm::ThreadPool> pool;
  const unsigned threads = codecs.front() ? CompressingThreads(threads_, compressionType_) : 1;
  if (threads > 1) {
    pool = std::make_unique<qm::ThreadPool>(threads - 1);
  }
  const unsigned caller = pool ? pool->Size() : 0; // the calling thread's worker index
  while (codecs.size() < caller + 1) {
    codecs.push_back(makeCompressor_());
  }
  unsigned window = 1;
  if (pool) {
    const std::uint64_t slotBytes = static_cast<std::uint64_t>(blockBytes_) + room_;
    const std::uint64_t fit = kSlotMemory / slotBytes;
    window = static_cast<unsigned>(std::clamp<std::uint64_t>(fit, kMinSlotsPerThread * (caller + 1),
                                                             kCompressSlotsPerThread * (caller + 1)));
  }
  for (unsigned i = 0; i < window && i < totalBlocks; ++i) {
    auto slot = std::make_unique<Slot>();
    slot->input = qm::MakeMemBuffer<std::uint8_t>(blockBytes_);
    slot->output = qm::MakeMemBuffer<std::uint8_t>(room_);
    slots.push_back(std::move(slot));
  }

  std::uint64_t readSector = firstSector_;
  std::uint64_t remaining = sectorCount_;
  std::uint64_t nextRead = 0; // blocks read (and handed on) so far
  callback->OnStart(0, totalBlocks);
  bool failed = false;
  for (std::uint64_t i = 0; i < totalBlocks; ++i) {
    if (callback->IsCancelled() != 0) {
      cancelled_ = true;
      break;
    }
    newPartRequest_ = callback->IsNewPartRequested() != 0;
    // Keep the window full: the slot of block n is free once block
    // n - window has been written, which it has for n < i + window.
    for (; nextRead < totalBlocks && nextRead < i + window; ++nextRead) {
      Slot& slot = *slots[nextRead % window];
      const auto count =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, qm::image::kBlockSectors));
      ReadBlock(slot, readSector, count);
      remaining -= count;
      readSector += count;
      if (pool) {
        pool->Submit([&compress, &slot](unsigned worker) {
          compress(slot, worker);
          slot.compressed.release();
        });
      } else {
        compress(slot, 0);
      }
    }
    Slot& slot = *slots[i % window];
    // Rather than wait, compress the oldest block no thread has begun
    // (block i itself when none has), though not for so long that the
    // user interface, a cancel or a new-part request waits on it.
    const auto helpUntil = std::chrono::steady_clock::now() + kLongestHelp;
    while (pool && !slot.compressed.try_acquire()) {
      if (std::chrono::steady_clock::now() >= helpUntil || !pool->RunPending(caller)) {
        slot.compressed.acquire();
        break;
      }
    }
    if (slot.unreadable) {
      ++unreadableBlocks_;
    }
    const bool raw = slot.stored == 0;
    if (!WriteBlock(raw ? slot.input.get() : slot.output.get(), raw ? slot.length : slot.stored)) {
      failed = true;
      break;
    }
    ++blockCounter_;
    callback->OnBlockStored(lastStored_);
    callback->OnBlockDone(i);
    callback->ProcessMessages();
  }
  // Blocks read ahead of a cancel or a failure are not written; those not
  // yet begun are dropped, the others finish before their slots go.
  if (pool) {
    pool->DropPending();
    pool->WaitIdle();
  }
  // Also after a cancel: the blocks written so far make a complete,
  // shorter image.
  if (!failed || blocksInPart_ != 0) {
    image_->UpdatePartTable(partsBegun_, blocksInPart_, bytesInPart_);
  }
  if (unreadableBlocks_ != 0) {
    LogInfo("Disk image %s: %llu blocks of the source could not be read and were imaged as zeros",
            indexPath_.c_str(), static_cast<unsigned long long>(unreadableBlocks_));
  }
  image_->ClosePart();
  return failed ? 0 : 1;
}

void CCompressController::ReadBlock(Slot& slot, std::uint64_t firstSector, std::uint32_t count) {
  slot.length = count * sectorSize_;
  slot.stored = 0;
  slot.unreadable = false;
  if (!source_->ReadSectors(slot.input.get(), firstSector, count)) {
    // Imaged as zeros, counted and logged: a rescue copy goes on past
    // a bad area.
    std::memset(slot.input.get(), 0, blockBytes_);
    slot.unreadable = true;
    LogError("Disk image: sectors %llu to %llu of the source cannot be read; imaged as zeros",
             static_cast<unsigned long long>(firstSector),
             static_cast<unsigned long long>(firstSector + count - 1));
  }
}

bool CCompressController::BeginNextPart() {
  if (partsBegun_ >= qm::image::kMaxParts) {
    lastError_ = QT_TRANSLATE_NOOP("CCompressController",
                                   "The image needs more than 58 parts; choose a larger split size");
    return false;
  }
  image_->UpdatePartTable(partsBegun_, blocksInPart_, bytesInPart_);
  image_->ClosePart();
  if (!image_->OpenPart(namingPath_, partsBegun_, CPlainFile::kCreateAlways)) {
    lastError_ = QT_TRANSLATE_NOOP("CCompressController", "The next part file cannot be created");
    // The part just finished is in the header already.
    blocksInPart_ = 0;
    bytesInPart_ = 0;
    return false;
  }
  ++partsBegun_;
  blocksInPart_ = 0;
  bytesInPart_ = 0;
  return true;
}

bool CCompressController::WriteBlock(const std::uint8_t* data, std::uint32_t length) {
  const std::uint64_t limit = static_cast<std::uint64_t>(splitSize_) * 512;
  const bool full = static_cast<std::uint64_t>(bytesInPart_) + length + 512 >= limit && blocksInPart_ != 0;
  if (full || newPartRequest_) {
    if (!BeginNextPart()) {
      return false;
    }
  }
  if (static_cast<std::uint64_t>(bytesInPart_) + length > 0xFFFFFFFFu) {
    lastError_ =
        QT_TRANSLATE_NOOP("CCompressController", "A part file would pass 4 GiB; choose a smaller split size");
    return false;
  }
  ++blocksInPart_;
  totalBytes_ += length;
  bytesInPart_ += length;
  lastStored_ = length;
  if (!image_->WriteBlockEnd(blockCounter_, bytesInPart_) ||
      !image_->WriteAt(data, qm::image::kHeaderSize + static_cast<std::uint64_t>(bytesInPart_) - length,
                       length, CImageFile::kPartFile)) {
    lastError_ =
        QT_TRANSLATE_NOOP("CCompressController", "A block cannot be written; is the destination full?");
    --blocksInPart_;
    bytesInPart_ -= length;
    return false;
  }
  return true;
}
