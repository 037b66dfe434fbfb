#include "imaging/image_device.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <semaphore>

#include "imaging/block_codec.h"
#include "platform/log.h"
#include "storage/image_file_device.h"
#include "storage/lock_guard.h"

using qm::image::CImageFile;

namespace {

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Blocks decompressed ahead per thread: enough for the next read of a
// sequential reader to find its blocks done or on their way.
constexpr unsigned kSlotsPerThread = 4;
// A slot's handover once its block is decoded and no read has claimed it.
constexpr std::uintptr_t kDecodedMark = 1;

// Blocks fetched one after another before the reads count as sequential.
constexpr unsigned kSequentialStreak = 2;

} // namespace

// One block read ahead: where its stored bytes are, and what they decode to.
struct CImageFileDeviceWithDecompress::AheadSlot {
  enum class State { kFree, kInFlight, kReady }; // ready: its semaphore was taken
  State state = State::kFree;
  std::uint64_t block = 0;
  Stored where;
  qm::MemBuffer<std::uint8_t> out;
  std::binary_semaphore decoded{0}; // released by the worker
  // While the block is decoded, a read that wants it may leave the place
  // in its buffer here, and the worker copies it there when done: 0 until
  // either happens, kDecodedMark once the worker is done first.
  std::atomic<std::uintptr_t> handover{0};
};

CImageFileDeviceWithDecompress::CImageFileDeviceWithDecompress(const std::string& indexPath)
    : image_(std::make_unique<CImageFile>(indexPath)), indexPath_(indexPath),
      aheadThreads_(qm::DefaultPoolThreads() + 1) {
  image_->OpenIndex(CPlainFile::kRead);
  sectorSize_ = image_->GetSectorSize();
  blockBytes_ = sectorSize_ * qm::image::kBlockSectors;
  compressionType_ = image_->GetCompressionType();
  decompressor_ = qm::MakeDecompressor(static_cast<int>(compressionType_));

  // The header is hostile: a part count past the format's room or
  // blocks that the part table does not account for make no device.
  const std::uint32_t parts = image_->GetPartCount();
  const std::uint32_t total = image_->GetTotalBlocks();
  if (parts > qm::image::kMaxParts || total > qm::image::kMaxTotalBlocks) {
    LogError("Disk image %s: header counts %u parts and %u blocks, beyond the format's limits",
             indexPath_.c_str(), parts, total);
    return;
  }
  partBlocks_ = image_->GetPartBlockCounts(parts);
  std::uint64_t sum = 0;
  for (std::uint32_t blocks : partBlocks_) {
    partFirstBlock_.push_back(sum);
    sum += blocks;
  }
  if (sum != total) {
    LogError("Disk image %s: the parts hold %llu blocks, the header counts %u", indexPath_.c_str(),
             static_cast<unsigned long long>(sum), total);
    partBlocks_.clear();
    partFirstBlock_.clear();
    return;
  }
  headerSane_ = true;
  totalBlocks_ = total;
  // Sixty-four bits: a large, mostly empty disk must not wrap to a small one.
  sectorCount_ = static_cast<std::uint64_t>(total) * qm::image::kBlockSectors;
  if (total == 0) {
    return;
  }
  // The header counts whole blocks only; the last block's raw length tells
  // how many sectors the source really had, so that an image of a
  // 1,000-sector disk is a 1,000-sector device (a backup boot sector or GPT
  // header at the end stays at the end). A last block that cannot be read
  // leaves the count at whole blocks.
  block_ = qm::MakeMemBuffer<std::uint8_t>(qm::image::StoredBound(blockBytes_));
  stored_ = qm::MakeMemBuffer<std::uint8_t>(qm::image::StoredBound(blockBytes_));
  const std::uint32_t last = total - 1;
  const std::int32_t part = FindBlockPart(last);
  if (part >= 0) {
    const std::uint64_t produced = LoadBlock(static_cast<std::uint32_t>(part), last);
    if (produced != 0) {
      const std::uint64_t tail =
          std::min<std::uint64_t>((produced + sectorSize_ - 1) / sectorSize_, qm::image::kBlockSectors);
      sectorCount_ = static_cast<std::uint64_t>(last) * qm::image::kBlockSectors + tail;
    }
  }
}

CImageFileDeviceWithDecompress::~CImageFileDeviceWithDecompress() {
  pool_.reset(); // its tasks use the slots, decoders and part handles
}

std::int32_t CImageFileDeviceWithDecompress::GetSectorSize() {
  return static_cast<std::int32_t>(sectorSize_);
}

std::uint32_t CImageFileDeviceWithDecompress::GetSourceDeviceType() { return image_->GetSourceDeviceType(); }

std::string CImageFileDeviceWithDecompress::GetSourceDescription() { return image_->GetSourceDescription(); }

std::int32_t CImageFileDeviceWithDecompress::FindBlockPart(std::uint32_t block) const {
  for (std::size_t p = 0; p < partBlocks_.size(); ++p) {
    if (block < partFirstBlock_[p] + partBlocks_[p]) {
      return static_cast<std::int32_t>(p);
    }
  }
  return -1;
}

int CImageFileDeviceWithDecompress::CheckPartFiles() {
  if (!FileExists(indexPath_) || !headerSane_) {
    return 0;
  }
  CPlainFile list;
  if (!list.Open(qm::image::PartListPath(indexPath_).c_str(), CPlainFile::kRead)) {
    return 0;
  }
  std::vector<char> line(4096 + 3);
  for (std::size_t p = 0; p < partBlocks_.size(); ++p) {
    const std::uint32_t got = list.ReadLine(line.data(), 4096 + 2);
    if (got == 0) {
      return 0;
    }
    // A part need only be readable: parts on read-only media are fine.
    const std::string path = qm::image::StripLineEnd(std::string(line.data(), got));
    if (!FileExists(path) || ::access(path.c_str(), R_OK) != 0) {
      return 0;
    }
  }
  return 1;
}

std::uint32_t CImageFileDeviceWithDecompress::LoadBlock(std::uint32_t part, std::uint32_t block) {
  std::memset(block_.get(), 0, blockBytes_);
  cachedBlock_ = block;
  if (!image_->OpenPart(indexPath_, part, CPlainFile::kRead)) {
    return 0; // a missing part reads as zeros
  }
  // A part's first block starts at 512 whatever the entry before it holds:
  // the part table, not the entries, tells where parts begin.
  const bool firstInPart = block == partFirstBlock_[part];
  std::uint32_t length = 0;
  const std::int64_t offset = image_->GetBlockLocation(block, firstInPart, blockBytes_, length);
  if (offset < 0) {
    LogError("Disk image %s: block %u has a damaged table entry", indexPath_.c_str(), block);
    return 0;
  }
  if (length == 0) {
    return 0;
  }
  std::memset(stored_.get(), 0, length);
  image_->ReadAt(stored_.get(), static_cast<std::uint64_t>(offset), length, CImageFile::kPartFile);
  return qm::image::DecodeBlock(decompressor_.get(), stored_.get(), length, sectorSize_, block_.get(),
                                blockBytes_);
}

void CImageFileDeviceWithDecompress::SetReadAheadThreads(unsigned threads) {
  CLockGuard guard(section_);
  pool_.reset();
  ahead_.clear();
  aheadDecoders_.clear();
  aheadStored_.clear();
  aheadThreads_ = threads;
}

void CImageFileDeviceWithDecompress::StartReaders() {
  if (!aheadDecoders_.empty()) {
    return;
  }
  // The room of a block's stored bytes also takes the decoded block.
  const std::uint32_t room = qm::image::StoredBound(blockBytes_);
  // Workers only where there is decoding to share out.
  if (aheadThreads_ > 1 && totalBlocks_ >= 2 && decompressor_) {
    pool_ = std::make_unique<qm::ThreadPool>(aheadThreads_ - 1);
  }
  const unsigned threads = pool_ ? pool_->Size() + 1 : 1;
  // The workers' and, last, the reading thread's.
  while (aheadDecoders_.size() < threads) {
    aheadDecoders_.push_back(qm::MakeDecompressor(static_cast<int>(compressionType_)));
    aheadStored_.push_back(qm::MakeMemBuffer<std::uint8_t>(room));
  }
  const unsigned slots = pool_ ? kSlotsPerThread * threads : 0;
  for (unsigned i = 0; i < slots; ++i) {
    auto slot = std::make_unique<AheadSlot>();
    slot->out = qm::MakeMemBuffer<std::uint8_t>(room);
    ahead_.push_back(std::move(slot));
  }
  aheadParts_.resize(partBlocks_.size());
}

qm::IDeviceHandle* CImageFileDeviceWithDecompress::AheadPartHandle(std::uint32_t part) {
  if (!aheadParts_[part]) {
    const std::string path = image_->PartPath(part);
    int error = 0;
    if (!path.empty()) {
      aheadParts_[part] = qm::OpenDeviceFile(path, error);
    }
  }
  return aheadParts_[part].get();
}

CImageFileDeviceWithDecompress::Stored CImageFileDeviceWithDecompress::Locate(std::uint64_t block) {
  // Read here, from the index, so that only positioned reads of the part
  // files happen on the workers.
  Stored where;
  const std::int32_t part = FindBlockPart(static_cast<std::uint32_t>(block));
  if (part >= 0) {
    where.handle = AheadPartHandle(static_cast<std::uint32_t>(part));
  }
  if (where.handle != nullptr) {
    const bool firstInPart = block == partFirstBlock_[static_cast<std::size_t>(part)];
    where.offset =
        image_->GetBlockLocation(static_cast<std::uint32_t>(block), firstInPart, blockBytes_, where.length);
    if (where.offset < 0) {
      LogError("Disk image %s: block %llu has a damaged table entry", indexPath_.c_str(),
               static_cast<unsigned long long>(block));
    }
  }
  return where;
}

void CImageFileDeviceWithDecompress::DecodeInto(unsigned worker, const Stored& where, std::uint8_t* out) {
  if (where.handle == nullptr || where.offset < 0 || where.length == 0) {
    // A missing part, a damaged entry or an empty block: zeros.
    std::memset(out, 0, blockBytes_);
    return;
  }
  IDecompressor* decoder = aheadDecoders_[worker].get();
  int error = 0;
  // A raw block (a whole number of sectors), or any block without a
  // decoder, is its stored bytes: read straight where they belong.
  if (decoder == nullptr || where.length % sectorSize_ == 0) {
    const std::uint32_t length = std::min(where.length, blockBytes_);
    const std::int64_t got =
        where.handle->ReadAt(out, length, static_cast<std::uint64_t>(where.offset), error);
    const std::uint32_t read = got > 0 ? static_cast<std::uint32_t>(got) : 0;
    std::memset(out + read, 0, blockBytes_ - read);
    return;
  }
  std::uint8_t* stored = aheadStored_[worker].get();
  const std::int64_t got =
      where.handle->ReadAt(stored, where.length, static_cast<std::uint64_t>(where.offset), error);
  const std::uint32_t read = got > 0 ? static_cast<std::uint32_t>(got) : 0;
  std::memset(stored + read, 0, where.length - read);
  qm::image::DecodeBlock(decoder, stored, where.length, sectorSize_, out, blockBytes_);
}

bool CImageFileDeviceWithDecompress::IsRaw(const Stored& where) const {
  return where.handle == nullptr || where.offset < 0 || where.length == 0 ||
         where.length % sectorSize_ == 0 || !decompressor_;
}

void CImageFileDeviceWithDecompress::RunJob(unsigned worker, const Job& job) {
  if (job.slot != nullptr) {
    std::memcpy(job.target, job.slot->out.get(), blockBytes_);
  } else {
    DecodeInto(worker, job.where, job.target);
  }
  JobDone();
}

void CImageFileDeviceWithDecompress::JobDone() {
  if (jobsLeft_.fetch_sub(1) == 1) {
    jobsDone_.release();
  }
}

void CImageFileDeviceWithDecompress::WaitHelping(std::binary_semaphore& done) {
  const unsigned reader = pool_->Size();
  while (!done.try_acquire()) {
    if (!pool_->RunPending(reader)) {
      done.acquire();
      return;
    }
  }
}

CImageFileDeviceWithDecompress::AheadSlot* CImageFileDeviceWithDecompress::SlotOf(std::uint64_t block) {
  for (const auto& slot : ahead_) {
    if (slot->state != AheadSlot::State::kFree && slot->block == block) {
      return slot.get();
    }
  }
  return nullptr;
}

void CImageFileDeviceWithDecompress::ReadAhead(std::uint64_t from, std::uint64_t to, std::uint64_t keepFrom) {
  for (std::uint64_t block = from; block <= to && block < totalBlocks_; ++block) {
    if (block == cachedBlock_ || SlotOf(block) != nullptr) {
      continue;
    }
    // Blocks stored raw are left to the read that wants them: they are
    // read straight into its buffer, not copied twice.
    const Stored where = Locate(block);
    if (IsRaw(where)) {
      continue;
    }
    // A free slot, else one holding a block this read-ahead has moved past
    // (or away from, after a jump), once its worker is done with it.
    AheadSlot* slot = nullptr;
    for (const auto& candidate : ahead_) {
      if (candidate->state == AheadSlot::State::kFree) {
        slot = candidate.get();
        break;
      }
    }
    for (std::size_t i = 0; slot == nullptr && i < ahead_.size(); ++i) {
      AheadSlot& candidate = *ahead_[i];
      if (candidate.block < keepFrom || candidate.block > to) {
        if (candidate.state == AheadSlot::State::kInFlight) {
          WaitHelping(candidate.decoded);
        }
        candidate.state = AheadSlot::State::kFree;
        slot = &candidate;
      }
    }
    if (slot == nullptr) {
      return; // every slot holds a block still to be read
    }
    slot->block = block;
    slot->where = where;
    slot->state = AheadSlot::State::kInFlight;
    slot->handover = 0;
    pool_->Submit([this, slot](unsigned worker) {
      DecodeInto(worker, slot->where, slot->out.get());
      const std::uintptr_t target = slot->handover.exchange(kDecodedMark);
      if (target != 0) {
        std::memcpy(reinterpret_cast<std::uint8_t*>(target), slot->out.get(), blockBytes_);
        JobDone();
      }
      slot->decoded.release();
    });
  }
}

void CImageFileDeviceWithDecompress::FetchBlock(std::uint64_t block) {
  if (AheadSlot* slot = SlotOf(block)) {
    if (slot->state == AheadSlot::State::kInFlight) {
      WaitHelping(slot->decoded);
    }
    // The decoded block changes places with the last one.
    std::swap(slot->out, block_);
    slot->state = AheadSlot::State::kFree;
    cachedBlock_ = block;
    return;
  }
  const std::int32_t part = FindBlockPart(static_cast<std::uint32_t>(block));
  if (part < 0) {
    std::memset(block_.get(), 0, blockBytes_);
    cachedBlock_ = block;
  } else {
    LoadBlock(static_cast<std::uint32_t>(part), static_cast<std::uint32_t>(block));
  }
}

int CImageFileDeviceWithDecompress::ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) {
  CLockGuard guard(section_);
  if (buffer == nullptr || first > sectorCount_ || count > sectorCount_) {
    return 0;
  }
  if (!block_) {
    block_ = qm::MakeMemBuffer<std::uint8_t>(qm::image::StoredBound(blockBytes_));
    stored_ = qm::MakeMemBuffer<std::uint8_t>(qm::image::StoredBound(blockBytes_));
  }
  auto* out = static_cast<std::uint8_t*>(buffer);
  const std::uint64_t deliver = std::min(count, sectorCount_ - first);
  std::memset(out + deliver * sectorSize_, 0, (count - deliver) * sectorSize_);
  if (deliver == 0) {
    return 1;
  }
  const std::uint64_t firstBlock = first / qm::image::kBlockSectors;
  const std::uint64_t lastBlock = (first + deliver - 1) / qm::image::kBlockSectors;
  // Blocks fetched one after another make a sequential reader; a read
  // inside the last block decoded fetches nothing.
  bool fetching = false;
  for (std::uint64_t block = firstBlock; block <= lastBlock; ++block) {
    if (block != cachedBlock_) {
      streak_ = block == lastFetched_ + 1 ? streak_ + 1 : 0;
      lastFetched_ = block;
      fetching = true;
    }
  }
  const bool sequential = fetching && streak_ >= kSequentialStreak;
  const bool several = lastBlock > firstBlock || sequential;
  if (several) {
    StartReaders();
  }

  // The whole blocks of this read that are not the last block decoded go
  // straight into the caller's buffer. With workers, each is a job for
  // whichever thread is free, the reading thread too: a block decoded
  // ahead is copied, any other is read (raw) or decoded in place. On the
  // reading thread alone, raw blocks are read in place and compressed
  // ones go through the last block decoded, as a single read does.
  const auto target = [&](std::uint64_t block) {
    return out + (block * qm::image::kBlockSectors - first) * sectorSize_;
  };
  jobs_.clear();
  claimed_.clear();
  // Counts the jobs and the claimed blocks not yet in the buffer, and one
  // for this thread until all are handed out, so that none can end the
  // count early.
  jobsLeft_ = 1;
  if (several) {
    direct_.assign(lastBlock - firstBlock + 1, 0);
    for (std::uint64_t block = firstBlock; block <= lastBlock; ++block) {
      const std::uint64_t start = block * qm::image::kBlockSectors;
      const bool whole = start >= first && start + qm::image::kBlockSectors <= first + deliver;
      if (!whole || block == cachedBlock_) {
        continue;
      }
      if (AheadSlot* slot = SlotOf(block)) {
        if (slot->state == AheadSlot::State::kInFlight) {
          // Still on its way: its worker copies it here when done, unless
          // it is done already.
          std::uintptr_t expected = 0;
          jobsLeft_.fetch_add(1);
          if (slot->handover.compare_exchange_strong(expected,
                                                     reinterpret_cast<std::uintptr_t>(target(block)))) {
            claimed_.push_back(slot);
            direct_[block - firstBlock] = 1;
            continue;
          }
          jobsLeft_.fetch_sub(1);  // never reaches 0 here: this thread's one remains
          slot->decoded.acquire(); // released right after the handover
          slot->state = AheadSlot::State::kReady;
        }
        jobs_.push_back(Job{{}, target(block), slot});
        direct_[block - firstBlock] = 1;
        continue;
      }
      const Stored where = Locate(block);
      if (pool_) {
        jobs_.push_back(Job{where, target(block), nullptr});
        direct_[block - firstBlock] = 1;
      } else if (IsRaw(where)) {
        DecodeInto(0, where, target(block));
        direct_[block - firstBlock] = 1;
      }
    }
    // Handed out once the list is complete: the tasks point into it.
    jobsLeft_.fetch_add(jobs_.size());
    for (const Job& job : jobs_) {
      pool_->Submit([this, &job](unsigned worker) { RunJob(worker, job); });
    }
  }
  std::uint64_t sector = first;
  std::uint64_t done = 0;
  while (done < deliver) {
    const std::uint64_t block = sector / qm::image::kBlockSectors;
    const std::uint64_t inBlock = sector % qm::image::kBlockSectors;
    const std::uint64_t chunk = std::min<std::uint64_t>(qm::image::kBlockSectors - inBlock, deliver - done);
    if (!several || direct_[block - firstBlock] == 0) {
      if (block != cachedBlock_) {
        FetchBlock(block);
      }
      std::memcpy(out + done * sectorSize_, block_.get() + inBlock * sectorSize_, chunk * sectorSize_);
    }
    done += chunk;
    sector += chunk;
  }
  // The caller's buffer must be complete, and no task may still use it,
  // before the read returns.
  if (several && pool_) {
    JobDone(); // this thread's one
    WaitHelping(jobsDone_);
  }
  for (const Job& job : jobs_) {
    if (job.slot != nullptr) {
      job.slot->state = AheadSlot::State::kFree;
    }
  }
  for (AheadSlot* slot : claimed_) {
    slot->decoded.acquire(); // released just after the copy
    slot->state = AheadSlot::State::kFree;
  }
  // The slots go on to the blocks after this read, so that the workers
  // decode while the reader uses these.
  if (sequential && pool_) {
    ReadAhead(lastBlock + 1, lastBlock + ahead_.size(), firstBlock);
  }
  return 1;
}

namespace qm::image {

std::unique_ptr<IStorageDevice> OpenImageDevice(const std::string& path) {
  if (IsImageIndex(path)) {
    auto device = std::make_unique<CImageFileDeviceWithDecompress>(path);
    if (!device->CheckPartFiles()) {
      return nullptr;
    }
    return device;
  }
  auto plain = std::make_unique<CImageFileDevice>(path.c_str(), RawImageSectorSize(path));
  if (!plain->IsOpen()) {
    return nullptr;
  }
  return plain;
}

} // namespace qm::image
