#include "imaging/image_device.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/log.h"
#include "storage/image_file_device.h"
#include "storage/lock_guard.h"

using qm::image::CImageFile;

namespace {

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Decompress calls allowed for one block: a block is one stream, and a
// codec that stops making progress has nothing more to give.
constexpr int kMaxDecompressSteps = 64;

} // namespace

CImageFileDeviceWithDecompress::CImageFileDeviceWithDecompress(const std::string& indexPath)
    : image_(std::make_unique<CImageFile>(indexPath)), indexPath_(indexPath) {
  image_->OpenIndex(CPlainFile::kRead);
  sectorSize_ = image_->GetSectorSize();
  blockBytes_ = sectorSize_ * qm::image::kBlockSectors;
  const std::uint32_t type = image_->GetCompressionType();
  decompressor_ = qm::MakeDecompressor(static_cast<int>(type));

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

CImageFileDeviceWithDecompress::~CImageFileDeviceWithDecompress() = default;

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
  // The writer stores a block raw when compression does not pay, and never
  // keeps a compressed block whose length is a whole number of sectors, so
  // such a length is raw data that must not be run through a decoder.
  if (decompressor_ && length % sectorSize_ != 0) {
    IDecompressor& codec = *decompressor_;
    int status = codec.Init();
    if (status >= 0) {
      codec.SetInput(stored_.get(), length);
      codec.SetOutput(block_.get(), blockBytes_);
      std::uint32_t room = codec.GetAvailOut();
      for (int step = 0; step < kMaxDecompressSteps; ++step) {
        status = codec.Decompress();
        if (status != 0 || codec.GetAvailOut() == 0 || codec.GetAvailOut() == room) {
          break;
        }
        room = codec.GetAvailOut();
      }
    }
    const std::uint32_t produced = blockBytes_ - codec.GetAvailOut();
    codec.End();
    if (status >= 0) {
      return produced;
    }
    // A damaged block: its stored bytes stand in, but they say nothing
    // about the block's length.
    std::memset(block_.get(), 0, blockBytes_);
    std::memcpy(block_.get(), stored_.get(), std::min(length, blockBytes_));
    return 0;
  }
  const std::uint32_t copied = std::min(length, blockBytes_);
  std::memcpy(block_.get(), stored_.get(), copied);
  return copied;
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
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint64_t sector = first;
  std::uint64_t done = 0;
  while (done < deliver) {
    const std::uint64_t block = sector / qm::image::kBlockSectors;
    const std::uint64_t inBlock = sector % qm::image::kBlockSectors;
    const std::uint64_t chunk = std::min<std::uint64_t>(qm::image::kBlockSectors - inBlock, deliver - done);
    if (block != cachedBlock_) {
      const std::int32_t part = FindBlockPart(static_cast<std::uint32_t>(block));
      if (part < 0) {
        std::memset(block_.get(), 0, blockBytes_);
        cachedBlock_ = block;
      } else {
        LoadBlock(static_cast<std::uint32_t>(part), static_cast<std::uint32_t>(block));
      }
    }
    std::memcpy(out + done * sectorSize_, block_.get() + inBlock * sectorSize_, chunk * sectorSize_);
    done += chunk;
    sector += chunk;
  }
  std::memset(out + deliver * sectorSize_, 0, (count - deliver) * sectorSize_);
  return 1;
}

namespace qm::image {

bool IsIndexPath(const std::string& path) {
  if (path.size() < 4) {
    return false;
  }
  std::string end = path.substr(path.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(), [](unsigned char c) { return std::tolower(c); });
  return end == ".qmi";
}

std::unique_ptr<IStorageDevice> OpenImageDevice(const std::string& path) {
  if (IsIndexPath(path)) {
    auto device = std::make_unique<CImageFileDeviceWithDecompress>(path);
    if (!device->CheckPartFiles()) {
      return nullptr;
    }
    return device;
  }
  auto plain = std::make_unique<CImageFileDevice>(path.c_str());
  if (!plain->IsOpen()) {
    return nullptr;
  }
  return plain;
}

} // namespace qm::image
