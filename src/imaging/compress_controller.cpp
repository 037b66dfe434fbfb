#include "imaging/compress_controller.h"

#include <algorithm>
#include <cstring>

#include "platform/log.h"
#include "storage/storage_device.h"

using qm::image::CImageFile;

// The reasons a run fails are logged in English and shown translated by
// the wizard; the mark lets the translation tools find them.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, text) text
#endif

namespace {

// Finishing calls allowed for one block: every codec completes a block of
// 128 KiB in a few; one that keeps asking has failed.
constexpr int kMaxFinishSteps = 64;

} // namespace

CCompressController::CCompressController() = default;

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
  compressor_ = qm::MakeCompressor(static_cast<int>(type));
  return 1;
}

void CCompressController::SetTargetPath(const std::string& path) {
  namingPath_ = path;
  if (!image_) {
    indexPath_ = path;
  }
}

std::uint32_t CCompressController::CompressBuffer(const std::uint8_t* input, std::uint32_t length,
                                                  std::uint8_t* output, std::uint32_t room) {
  if (!compressor_) {
    return 0;
  }
  ICompressor& codec = *compressor_;
  int level = level_;
  // bzip2 reads the level as its block size (1 to 9 × 100 KB); the
  // codec-default -1 means its largest.
  if (compressionType_ == kCodecBzip2 && (level < 1 || level > 9)) {
    level = 9;
  }
  int status = codec.Init(level, static_cast<int>(qm::image::kLzmaDictionary));
  if (status != 0) {
    codec.End();
    return 0;
  }
  codec.SetInput(input, length);
  std::uint8_t* next = output;
  std::uint32_t left = room;
  while (codec.GetAvailIn() != 0) {
    if (left == 0) {
      status = -1; // the output room ran out before the input did
      break;
    }
    codec.SetOutput(next, left);
    const std::uint32_t inBefore = codec.GetAvailIn();
    const std::uint32_t leftBefore = left;
    status = codec.Compress(false);
    if (status < 0) {
      break;
    }
    next = codec.GetNextOut();
    left = codec.GetAvailOut();
    if (codec.GetAvailIn() == inBefore && left == leftBefore) {
      status = -1; // no progress: the codec would ask for ever
      break;
    }
  }
  // The block is complete only when the codec says so: finish while it
  // asks for more and there is room left.
  bool complete = false;
  for (int step = 0; status >= 0 && step < kMaxFinishSteps; ++step) {
    codec.SetOutput(next, left);
    status = codec.Compress(true);
    if (status < 0) {
      break;
    }
    next = codec.GetNextOut();
    left = codec.GetAvailOut();
    if (status == 1) {
      complete = true;
      break;
    }
    if (left == 0) {
      break;
    }
  }
  codec.End();
  const auto stored = static_cast<std::uint32_t>(next - output);
  // Raw blocks are told from compressed ones by their length, a whole
  // number of sectors: a compressed block never keeps such a length.
  if (!complete || stored >= length || stored % sectorSize_ == 0) {
    return 0;
  }
  return stored;
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
  input_ = qm::MakeMemBuffer<std::uint8_t>(blockBytes_);
  output_ = qm::MakeMemBuffer<std::uint8_t>(room_);
  std::memset(input_.get(), 0, blockBytes_);
  std::memset(output_.get(), 0, room_);

  std::uint64_t sector = firstSector_;
  std::uint64_t remaining = sectorCount_;
  callback->OnStart(0, totalBlocks);
  bool failed = false;
  for (std::uint64_t i = 0; i < totalBlocks; ++i) {
    if (callback->IsCancelled() != 0) {
      cancelled_ = true;
      break;
    }
    newPartRequest_ = callback->IsNewPartRequested() != 0;
    const auto count =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, qm::image::kBlockSectors));
    if (!CompressRange(sector, count)) {
      failed = true;
      break;
    }
    remaining -= count;
    sector += count;
    ++blockCounter_;
    callback->OnBlockStored(lastStored_);
    callback->OnBlockDone(i);
    callback->ProcessMessages();
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
  input_.reset();
  output_.reset();
  image_->ClosePart();
  return failed ? 0 : 1;
}

bool CCompressController::CompressRange(std::uint64_t firstSector, std::uint32_t count) {
  const std::uint32_t length = count * sectorSize_;
  std::memset(input_.get(), 0, blockBytes_);
  if (!source_->ReadSectors(input_.get(), firstSector, count)) {
    // Imaged as zeros, counted and logged: a rescue copy goes on past
    // a bad area.
    std::memset(input_.get(), 0, blockBytes_);
    ++unreadableBlocks_;
    LogError("Disk image: sectors %llu to %llu of the source cannot be read; imaged as zeros",
             static_cast<unsigned long long>(firstSector),
             static_cast<unsigned long long>(firstSector + count - 1));
  }
  std::uint32_t stored = CompressBuffer(input_.get(), length, output_.get(), room_);
  const std::uint8_t* data = output_.get();
  if (stored == 0) {
    data = input_.get();
    stored = length;
  }
  return WriteBlock(data, stored);
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
