#include "codecs/lzma_codec.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_view.h"

namespace {

// Encoder settings: normal mode with binary-tree match finder and 64 fast
// bytes; lc 3, lp 0, pb 2 (properties byte 0x5D).
constexpr std::uint32_t kFastBytes = 64;
constexpr std::uint32_t kLc = 3;
constexpr std::uint32_t kLp = 0;
constexpr std::uint32_t kPb = 2;
// liblzma's raw LZMA1 coder refuses dictionaries outside these bounds; a
// smaller one only costs compression, so it is raised to the minimum.
constexpr std::uint32_t kDictionaryMin = LZMA_DICT_SIZE_MIN;
constexpr std::uint32_t kDictionaryMax = 1536u << 20;

// Compressor codes (see GetErrorString).
constexpr int kBadCall = -1;
constexpr int kInitFailed = -2;
constexpr int kIoError = -4;
constexpr int kNoMemory = -5;

constexpr int kDecodeError = -1;

std::uint8_t PropertiesByte(std::uint32_t lc, std::uint32_t lp, std::uint32_t pb) {
  return static_cast<std::uint8_t>((pb * 5 + lp) * 9 + lc);
}

// The encoder's settings for a dictionary size; false when there are none.
bool EncoderOptions(int dictionarySize, lzma_options_lzma& options) {
  if (dictionarySize < 0 || static_cast<std::uint32_t>(dictionarySize) > kDictionaryMax) return false;
  options = lzma_options_lzma{};
  if (lzma_lzma_preset(&options, 6)) return false;
  options.dict_size = std::max(static_cast<std::uint32_t>(dictionarySize), kDictionaryMin);
  options.nice_len = kFastBytes;
  options.mode = LZMA_MODE_NORMAL;
  options.mf = LZMA_MF_BT4;
  options.lc = kLc;
  options.lp = kLp;
  options.pb = kPb;
  return true;
}

} // namespace

namespace qm {

std::uint64_t LzmaEncoderMemory(int dictionarySize) {
  lzma_options_lzma options{};
  if (!EncoderOptions(dictionarySize, options)) return 0;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  const std::uint64_t bytes = lzma_raw_encoder_memusage(filters);
  return bytes == UINT64_MAX ? 0 : bytes;
}

} // namespace qm

CLZMACompressor::~CLZMACompressor() { lzma_end(&stream_); }

int CLZMACompressor::Init(int /*level*/, int dictionarySize) {
  End();
  lzma_options_lzma options{};
  if (!EncoderOptions(dictionarySize, options)) return kInitFailed;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  // On a stream that held an encoder before, liblzma reuses its memory (some
  // 90 MB for an 8 MiB dictionary) instead of allocating it again: the
  // image writer starts a new stream for every block.
  const lzma_ret ret = lzma_raw_encoder(&stream_, filters);
  if (ret != LZMA_OK) {
    lzma_end(&stream_);
    stream_ = LZMA_STREAM_INIT;
    return ret == LZMA_MEM_ERROR ? kNoMemory : kInitFailed;
  }
  stopped_ = false;
  header_[0] = PropertiesByte(kLc, kLp, kPb);
  qm::StoreLe32(header_ + 1, options.dict_size);
  headerWritten_ = 0;
  return 0;
}

int CLZMACompressor::End() {
  // The encoder's memory stays for the next Init and goes with the object.
  stopped_ = true;
  stream_.next_in = nullptr;
  stream_.avail_in = 0;
  stream_.next_out = nullptr;
  stream_.avail_out = 0;
  return 0;
}

int CLZMACompressor::Compress(bool finish) {
  if (stopped_) return finish ? 0 : kBadCall;
  if (headerWritten_ < qm::kLzmaHeaderSize) {
    const std::size_t n = std::min<std::size_t>(qm::kLzmaHeaderSize - headerWritten_, stream_.avail_out);
    if (n != 0) std::memcpy(stream_.next_out, header_ + headerWritten_, n);
    stream_.next_out += n;
    stream_.avail_out -= n;
    headerWritten_ += n;
    if (headerWritten_ < qm::kLzmaHeaderSize) return 0;
  }
  const lzma_ret ret = lzma_code(&stream_, finish ? LZMA_FINISH : LZMA_RUN);
  switch (ret) {
  case LZMA_OK:
  case LZMA_BUF_ERROR: // no progress possible: the caller gives more
    return 0;
  case LZMA_STREAM_END:
    stopped_ = true;
    return 1;
  case LZMA_MEM_ERROR:
  case LZMA_MEMLIMIT_ERROR:
    stopped_ = true;
    return kNoMemory;
  default:
    stopped_ = true;
    return kIoError;
  }
}

void CLZMACompressor::SetInput(const std::uint8_t* data, std::uint32_t size) {
  stream_.next_in = data;
  stream_.avail_in = size;
}

void CLZMACompressor::SetOutput(std::uint8_t* buffer, std::uint32_t size) {
  stream_.next_out = buffer;
  stream_.avail_out = size;
}

std::uint8_t* CLZMACompressor::GetNextOut() { return stream_.next_out; }
std::uint32_t CLZMACompressor::GetAvailIn() { return static_cast<std::uint32_t>(stream_.avail_in); }
std::uint32_t CLZMACompressor::GetAvailOut() { return static_cast<std::uint32_t>(stream_.avail_out); }

const char* CLZMACompressor::GetErrorString(int code) {
  switch (code) {
  case -1: return "bad call";
  case -2: return "initialization failed";
  case -3: return "thread synchronization error";
  case -4: return "input/output error";
  case -5: return "not enough memory";
  default: return "unknown error";
  }
}

clzmadecompressor::~clzmadecompressor() { ReleaseDecoder(); }

void clzmadecompressor::ReleaseDecoder() {
  lzma_end(&stream_);
  stream_ = LZMA_STREAM_INIT;
  decoderReady_ = false;
}

int clzmadecompressor::Init() {
  // The decoder itself stays: setting it up again for the next stream
  // reuses its probabilities and, when the size is the same, its
  // dictionary (an image reader starts a new stream for every block).
  decoderReady_ = false;
  finished_ = false;
  failed_ = false;
  headerRead_ = 0;
  return 0;
}

void clzmadecompressor::SetInput(const std::uint8_t* data, std::uint32_t size) {
  stream_.next_in = data;
  stream_.avail_in = size;
}

void clzmadecompressor::SetOutput(std::uint8_t* buffer, std::uint32_t size) {
  stream_.next_out = buffer;
  stream_.avail_out = size;
}

std::uint32_t clzmadecompressor::GetAvailOut() { return static_cast<std::uint32_t>(stream_.avail_out); }

int clzmadecompressor::StartDecoder() {
  const qm::ByteView header(header_, sizeof header_);
  unsigned properties = header.u8(0);
  if (properties >= qm::kLzmaPropertiesLimit) return kDecodeError;
  lzma_options_lzma options{};
  options.pb = properties / 45;
  properties %= 45;
  options.lp = properties / 9;
  options.lc = properties % 9;
  // The decoder allocates the dictionary the stream states. Above the
  // largest one an encoder can write, the size is hostile, not real; below
  // the coder's minimum, the stream decodes the same with the minimum.
  const std::uint32_t dictionary = header.le32(1);
  if (dictionary > kDictionaryMax) return kDecodeError;
  options.dict_size = std::max(dictionary, kDictionaryMin);
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  // Setting up the decoder must not lose the caller's buffers.
  const std::uint8_t* in = stream_.next_in;
  const std::size_t availIn = stream_.avail_in;
  std::uint8_t* out = stream_.next_out;
  const std::size_t availOut = stream_.avail_out;
  // lc + lp above 4 is refused by liblzma (no encoder we know writes it).
  if (lzma_raw_decoder(&stream_, filters) != LZMA_OK) return kDecodeError;
  stream_.next_in = in;
  stream_.avail_in = availIn;
  stream_.next_out = out;
  stream_.avail_out = availOut;
  decoderReady_ = true;
  return 0;
}

int clzmadecompressor::Decompress() {
  if (finished_) return 1;
  if (failed_) return kDecodeError;
  while (headerRead_ < qm::kLzmaHeaderSize && stream_.avail_in != 0) {
    header_[headerRead_++] = *stream_.next_in++;
    --stream_.avail_in;
  }
  if (headerRead_ < qm::kLzmaHeaderSize) return 0;
  if (!decoderReady_ && StartDecoder() != 0) {
    failed_ = true;
    return kDecodeError;
  }
  switch (lzma_code(&stream_, LZMA_RUN)) {
  case LZMA_OK:
  case LZMA_BUF_ERROR:
    return 0;
  case LZMA_STREAM_END:
    finished_ = true;
    return 1;
  default:
    failed_ = true;
    return kDecodeError;
  }
}

int clzmadecompressor::End() { return 0; }
