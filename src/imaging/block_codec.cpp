#include "imaging/block_codec.h"

#include <algorithm>
#include <cstring>

namespace qm::image {
namespace {

// Finishing calls allowed for one block: every codec completes a block of
// 128 KiB in a few; one that keeps asking has failed.
constexpr int kMaxFinishSteps = 64;

// Decompress calls allowed for one block: a block is one stream, and a
// codec that stops making progress has nothing more to give.
constexpr int kMaxDecompressSteps = 64;

} // namespace

std::uint32_t CompressBlock(ICompressor* codec, const BlockCompression& settings, const std::uint8_t* input,
                            std::uint32_t length, std::uint8_t* output, std::uint32_t room) {
  if (codec == nullptr) {
    return 0;
  }
  int level = settings.level;
  // bzip2 reads the level as its block size (1 to 9 × 100 KB); the
  // codec-default -1 means its largest.
  if (settings.type == kCodecBzip2 && (level < 1 || level > 9)) {
    level = 9;
  }
  int status = codec->Init(level, static_cast<int>(kLzmaDictionary));
  if (status != 0) {
    codec->End();
    return 0;
  }
  codec->SetInput(input, length);
  std::uint8_t* next = output;
  std::uint32_t left = room;
  while (codec->GetAvailIn() != 0) {
    if (left == 0) {
      status = -1; // the output room ran out before the input did
      break;
    }
    codec->SetOutput(next, left);
    const std::uint32_t inBefore = codec->GetAvailIn();
    const std::uint32_t leftBefore = left;
    status = codec->Compress(false);
    if (status < 0) {
      break;
    }
    next = codec->GetNextOut();
    left = codec->GetAvailOut();
    if (codec->GetAvailIn() == inBefore && left == leftBefore) {
      status = -1; // no progress: the codec would ask for ever
      break;
    }
  }
  // The block is complete only when the codec says so: finish while it
  // asks for more and there is room left.
  bool complete = false;
  for (int step = 0; status >= 0 && step < kMaxFinishSteps; ++step) {
    codec->SetOutput(next, left);
    status = codec->Compress(true);
    if (status < 0) {
      break;
    }
    next = codec->GetNextOut();
    left = codec->GetAvailOut();
    if (status == 1) {
      complete = true;
      break;
    }
    if (left == 0) {
      break;
    }
  }
  codec->End();
  const auto stored = static_cast<std::uint32_t>(next - output);
  if (!complete || stored >= length || stored % settings.sectorSize == 0) {
    return 0;
  }
  return stored;
}

std::uint32_t DecodeBlock(IDecompressor* codec, const std::uint8_t* stored, std::uint32_t length,
                          std::uint32_t sectorSize, std::uint8_t* out, std::uint32_t blockBytes) {
  // The decoder writes from the start of out on; only what it leaves is
  // cleared, once it is done.
  if (codec != nullptr && length % sectorSize != 0) {
    int status = codec->Init();
    if (status >= 0) {
      codec->SetInput(stored, length);
      codec->SetOutput(out, blockBytes);
      std::uint32_t room = codec->GetAvailOut();
      for (int step = 0; step < kMaxDecompressSteps; ++step) {
        status = codec->Decompress();
        if (status != 0 || codec->GetAvailOut() == 0 || codec->GetAvailOut() == room) {
          break;
        }
        room = codec->GetAvailOut();
      }
    }
    const std::uint32_t produced = blockBytes - codec->GetAvailOut();
    codec->End();
    if (status >= 0) {
      std::memset(out + produced, 0, blockBytes - produced);
      return produced;
    }
    // A damaged block: its stored bytes stand in, but they say nothing
    // about the block's length.
    std::memset(out, 0, blockBytes);
    std::memcpy(out, stored, std::min(length, blockBytes));
    return 0;
  }
  const std::uint32_t copied = std::min(length, blockBytes);
  std::memcpy(out, stored, copied);
  std::memset(out + copied, 0, blockBytes - copied);
  return copied;
}

} // namespace qm::image
