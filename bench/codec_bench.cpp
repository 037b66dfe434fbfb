// Each codec over 64 MiB of disk-like data in 128 KiB blocks, one stream
// per block (Init, one Compress(false), one Compress(true), End; then Init,
// one Decompress; a block that does not fit its bound stored raw), as a
// compressed image is written and read, beside
// copying the same blocks in the same run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "codecs/codec.h"

namespace {

constexpr std::size_t kBlock = 131072;
constexpr std::size_t kRoom = kBlock + kBlock * 2 / 1000; // stored length bound
constexpr std::size_t kTotal = 64u << 20;

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Half the blocks text-like, a quarter zeros, a quarter random.
std::vector<std::uint8_t> DiskLikeData() {
  std::vector<std::uint8_t> data(kTotal);
  std::mt19937 engine(1);
  static const char kText[] = "<record id=\"%d\" state=\"deleted\"> file name, size and times </record>\n";
  for (std::size_t block = 0; block < kTotal / kBlock; ++block) {
    std::uint8_t* p = data.data() + block * kBlock;
    switch (block % 4) {
    case 0:
    case 1:
      for (std::size_t i = 0; i < kBlock; ++i) p[i] = static_cast<std::uint8_t>(kText[(i + block) % (sizeof kText - 1)]);
      for (std::size_t i = 0; i < kBlock; i += 97) p[i] = static_cast<std::uint8_t>(engine());
      break;
    case 2: break;
    default:
      for (std::size_t i = 0; i < kBlock; ++i) p[i] = static_cast<std::uint8_t>(engine() >> 24);
    }
  }
  return data;
}

} // namespace

int main() {
  const std::vector<std::uint8_t> data = DiskLikeData();
  std::vector<std::uint8_t> stored(kTotal / kBlock * kRoom);
  std::vector<std::uint32_t> lengths(kTotal / kBlock);
  std::vector<std::uint8_t> back(kBlock);
  const double mb = kTotal / 1e6;

  auto start = std::chrono::steady_clock::now();
  for (std::size_t b = 0; b < kTotal / kBlock; ++b) std::memcpy(stored.data() + b * kRoom, data.data() + b * kBlock, kBlock);
  std::printf("%-8s copy        %9.1f MB/s\n", "memcpy", mb / Seconds(start));

  for (int type : {kCodecZlib, kCodecBzip2, kCodecLzma}) {
    auto compressor = qm::MakeCompressor(type);
    start = std::chrono::steady_clock::now();
    std::size_t total = 0;
    for (std::size_t b = 0; b < kTotal / kBlock; ++b) {
      std::uint8_t* out = stored.data() + b * kRoom;
      if (compressor->Init(5, 0x800000) != 0) return 1;
      compressor->SetInput(data.data() + b * kBlock, kBlock);
      compressor->SetOutput(out, kRoom);
      int status = compressor->Compress(false);
      // bzip2 reports completion on the finishing call after the one that
      // ended the stream; a second call with room left tells a complete
      // stream from one that did not fit.
      for (int round = 0; status == 0 && round < 2; ++round) status = compressor->Compress(true);
      // A stream that did not complete in the room is stored raw (length 0
      // marks it here).
      lengths[b] = status == 1 ? static_cast<std::uint32_t>(compressor->GetNextOut() - out) : 0;
      compressor->End();
      if (lengths[b] == 0) std::memcpy(out, data.data() + b * kBlock, kBlock);
      total += lengths[b] == 0 ? kBlock : lengths[b];
    }
    const double packSeconds = Seconds(start);

    auto decompressor = qm::MakeDecompressor(type);
    start = std::chrono::steady_clock::now();
    for (std::size_t b = 0; b < kTotal / kBlock; ++b) {
      if (lengths[b] == 0) {
        std::memcpy(back.data(), stored.data() + b * kRoom, kBlock);
      } else {
        decompressor->Init();
        decompressor->SetInput(stored.data() + b * kRoom, lengths[b]);
        decompressor->SetOutput(back.data(), kBlock);
        if (decompressor->Decompress() != 1 || decompressor->GetAvailOut() != 0) return 3;
        decompressor->End();
      }
      if (std::memcmp(back.data(), data.data() + b * kBlock, kBlock) != 0) return 4;
    }
    const double unpackSeconds = Seconds(start);
    std::printf("%-8s compress %9.1f MB/s  decompress %9.1f MB/s  ratio %.3f\n", compressor->GetName(),
                mb / packSeconds, mb / unpackSeconds, static_cast<double>(total) / kTotal);
  }
  return 0;
}
