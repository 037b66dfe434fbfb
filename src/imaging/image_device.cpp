#include "imaging/image_device.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// Blocks decompressed ahead per worker: one being decompressed, one done
// and waiting for the reader.
constexpr unsigned kSlotsPerThread = 2;
// Blocks fetched one after another before the reads count as sequential.
constexpr unsigned kSequentialStreak = 2;

} // namespace

// One block read ahead: where its stored bytes are, and what they decode to.
struct CImageFileDeviceWithDecompress::AheadSlot {
  enum class State { kFree, kInFlight, kReady };
  State state = State::kFree;
  std::uint64_t block = 0;
  qm::MemBuffer<std::uint8_t> stored;
  qm::MemBuffer<std::uint8_t> out;
  std::binary_semaphore decoded{0}; // released by the worker
};

CImageFileDeviceWithDecompress::CImageFileDeviceWithDecompress(const std::string& indexPath)
    : image_(std::make_unique<CImageFile>(indexPath)), indexPath_(indexPath),
      aheadThreads_(qm::DefaultPoolThreads()) {
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
  aheadThreads_ = threads;
}

bool CImageFileDeviceWithDecompress::StartReadAhead() {
  if (pool_) {
    return true;
  }
  if (aheadThreads_ <= 1 || totalBlocks_ < 2) {
    return false;
  }
  // The room of a block's stored bytes also takes the decoded block.
  const std::uint32_t room = qm::image::StoredBound(blockBytes_);
  auto pool = std::make_unique<qm::ThreadPool>(aheadThreads_);
  while (aheadDecoders_.size() < pool->Size()) {
    aheadDecoders_.push_back(qm::MakeDecompressor(static_cast<int>(compressionType_)));
  }
  const unsigned slots = kSlotsPerThread * pool->Size();
  for (unsigned i = 0; i < slots; ++i) {
    auto slot = std::make_unique<AheadSlot>();
    slot->stored = qm::MakeMemBuffer<std::uint8_t>(room);
    slot->out = qm::MakeMemBuffer<std::uint8_t>(room);
    ahead_.push_back(std::move(slot));
  }
  aheadParts_.resize(partBlocks_.size());
  pool_ = std::move(pool);
  return true;
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

void CImageFileDeviceWithDecompress::ReadAhead(std::uint64_t from, std::uint64_t to) {
  for (std::uint64_t block = from; block <= to && block < totalBlocks_; ++block) {
    if (block == cachedBlock_) {
      continue;
    }
    AheadSlot* slot = nullptr;
    bool onItsWay = false;
    for (const auto& candidate : ahead_) {
      if (candidate->state != AheadSlot::State::kFree && candidate->block == block) {
        onItsWay = true;
        break;
      }
    }
    if (onItsWay) {
      continue;
    }
    // A free slot, else one holding a block this read-ahead has moved past
    // (or away from, after a jump), once its worker is done with it.
    for (const auto& candidate : ahead_) {
      if (candidate->state == AheadSlot::State::kFree) {
        slot = candidate.get();
        break;
      }
    }
    for (std::size_t i = 0; slot == nullptr && i < ahead_.size(); ++i) {
      AheadSlot& candidate = *ahead_[i];
      if (candidate.block < from || candidate.block > to) {
        if (candidate.state == AheadSlot::State::kInFlight) {
          candidate.decoded.acquire();
        }
        candidate.state = AheadSlot::State::kFree;
        slot = &candidate;
      }
    }
    if (slot == nullptr) {
      return; // every slot holds a block of this read-ahead
    }
    // Where the stored bytes are: read here, from the index, so that only
    // positioned reads of the part files happen on the workers.
    qm::IDeviceHandle* handle = nullptr;
    std::int64_t offset = -1;
    std::uint32_t length = 0;
    const std::int32_t part = FindBlockPart(static_cast<std::uint32_t>(block));
    if (part >= 0) {
      handle = AheadPartHandle(static_cast<std::uint32_t>(part));
    }
    if (handle != nullptr) {
      const bool firstInPart = block == partFirstBlock_[static_cast<std::size_t>(part)];
      offset = image_->GetBlockLocation(static_cast<std::uint32_t>(block), firstInPart, blockBytes_, length);
      if (offset < 0) {
        LogError("Disk image %s: block %llu has a damaged table entry", indexPath_.c_str(),
                 static_cast<unsigned long long>(block));
      }
    }
    slot->block = block;
    slot->state = AheadSlot::State::kInFlight;
    pool_->Submit([this, slot, handle, offset, length](unsigned worker) {
      if (handle == nullptr || offset < 0 || length == 0) {
        // A missing part, a damaged entry or an empty block: zeros.
        std::memset(slot->out.get(), 0, blockBytes_);
      } else {
        std::memset(slot->stored.get(), 0, length);
        int error = 0;
        handle->ReadAt(slot->stored.get(), length, static_cast<std::uint64_t>(offset), error);
        qm::image::DecodeBlock(aheadDecoders_[worker].get(), slot->stored.get(), length, sectorSize_,
                               slot->out.get(), blockBytes_);
      }
      slot->decoded.release();
    });
  }
}

void CImageFileDeviceWithDecompress::FetchBlock(std::uint64_t block, std::uint64_t lastInRead) {
  streak_ = block == lastFetched_ + 1 ? streak_ + 1 : 0;
  lastFetched_ = block;
  // Blocks this read needs beyond the first, and, once reads run in
  // sequence, as many as the slots hold.
  std::uint64_t last = lastInRead;
  const bool sequential = streak_ >= kSequentialStreak;
  if ((last > block || sequential) && StartReadAhead()) {
    if (sequential) {
      last = std::max<std::uint64_t>(last, block + ahead_.size() - 1);
    }
    last = std::min<std::uint64_t>(last, block + ahead_.size() - 1);
    ReadAhead(block, last);
  }
  for (const auto& slot : ahead_) {
    if (slot->state != AheadSlot::State::kFree && slot->block == block) {
      if (slot->state == AheadSlot::State::kInFlight) {
        slot->decoded.acquire();
      }
      // The decoded block changes places with the last one.
      std::swap(slot->out, block_);
      slot->state = AheadSlot::State::kFree;
      cachedBlock_ = block;
      return;
    }
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
  const std::uint64_t deliver = std::min(count, sectorCount_ - first);
  const std::uint64_t lastInRead = deliver == 0 ? 0 : (first + deliver - 1) / qm::image::kBlockSectors;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint64_t sector = first;
  std::uint64_t done = 0;
  while (done < deliver) {
    const std::uint64_t block = sector / qm::image::kBlockSectors;
    const std::uint64_t inBlock = sector % qm::image::kBlockSectors;
    const std::uint64_t chunk = std::min<std::uint64_t>(qm::image::kBlockSectors - inBlock, deliver - done);
    if (block != cachedBlock_) {
      FetchBlock(block, lastInRead);
    }
    std::memcpy(out + done * sectorSize_, block_.get() + inBlock * sectorSize_, chunk * sectorSize_);
    done += chunk;
    sector += chunk;
  }
  std::memset(out + deliver * sectorSize_, 0, (count - deliver) * sectorSize_);
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
