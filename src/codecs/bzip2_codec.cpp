#include "codecs/bzip2_codec.h"

namespace {

constexpr int kWorkFactor = 30;

// bzip2 declares its buffers as char*; it never writes through next_in.
char* InputPointer(const std::uint8_t* data) {
  return const_cast<char*>(reinterpret_cast<const char*>(data));
}

// Init replaces the library record; the caller's buffers survive it.
void KeepBuffers(bz_stream& fresh, const bz_stream& old) {
  fresh.next_in = old.next_in;
  fresh.avail_in = old.avail_in;
  fresh.next_out = old.next_out;
  fresh.avail_out = old.avail_out;
}

} // namespace

CBzip2Compressor::~CBzip2Compressor() { End(); }

int CBzip2Compressor::Init(int level, int /*dictionarySize*/) {
  End();
  lastResult_ = 0;
  const bz_stream old = stream_;
  stream_ = bz_stream{};
  const int code = BZ2_bzCompressInit(&stream_, level, 0, kWorkFactor);
  if (code != BZ_OK) return code;
  initialised_ = true;
  KeepBuffers(stream_, old);
  return BZ_OK;
}

int CBzip2Compressor::End() {
  if (!initialised_) return BZ_OK;
  initialised_ = false;
  return BZ2_bzCompressEnd(&stream_);
}

int CBzip2Compressor::Compress(bool finish) {
  // Completion is reported by the call after the one that reached the end,
  // and by every finishing call after that.
  if (finish && lastResult_ == BZ_STREAM_END) return 1;
  if (!initialised_) return BZ_SEQUENCE_ERROR;
  const int code = BZ2_bzCompress(&stream_, finish ? BZ_FINISH : BZ_RUN);
  lastResult_ = code;
  return code < 0 ? code : 0;
}

void CBzip2Compressor::SetInput(const std::uint8_t* data, std::uint32_t size) {
  stream_.next_in = InputPointer(data);
  stream_.avail_in = size;
}

void CBzip2Compressor::SetOutput(std::uint8_t* buffer, std::uint32_t size) {
  stream_.next_out = reinterpret_cast<char*>(buffer);
  stream_.avail_out = size;
}

std::uint8_t* CBzip2Compressor::GetNextOut() { return reinterpret_cast<std::uint8_t*>(stream_.next_out); }
std::uint32_t CBzip2Compressor::GetAvailIn() { return stream_.avail_in; }
std::uint32_t CBzip2Compressor::GetAvailOut() { return stream_.avail_out; }

const char* CBzip2Compressor::GetErrorString(int code) {
  switch (code) {
  case BZ_SEQUENCE_ERROR: return "sequence error - bad call";
  case BZ_PARAM_ERROR: return "parameter error - bad call";
  case BZ_MEM_ERROR: return "not enough memory";
  case BZ_CONFIG_ERROR: return "config error";
  default: return "unknown error";
  }
}

cbzip2decompressor::~cbzip2decompressor() { End(); }

int cbzip2decompressor::Init() {
  End();
  finished_ = false;
  const bz_stream old = stream_;
  stream_ = bz_stream{};
  const int code = BZ2_bzDecompressInit(&stream_, 0, 0);
  if (code != BZ_OK) return code;
  initialised_ = true;
  KeepBuffers(stream_, old);
  return BZ_OK;
}

void cbzip2decompressor::SetInput(const std::uint8_t* data, std::uint32_t size) {
  stream_.next_in = InputPointer(data);
  stream_.avail_in = size;
}

void cbzip2decompressor::SetOutput(std::uint8_t* buffer, std::uint32_t size) {
  stream_.next_out = reinterpret_cast<char*>(buffer);
  stream_.avail_out = size;
}

std::uint32_t cbzip2decompressor::GetAvailOut() { return stream_.avail_out; }

int cbzip2decompressor::Decompress() {
  if (finished_) return 1;
  if (!initialised_) return BZ_SEQUENCE_ERROR;
  const int code = BZ2_bzDecompress(&stream_);
  // The library's own end code (BZ_STREAM_END, 4) is the protocol's 1.
  if (code == BZ_STREAM_END) {
    finished_ = true;
    return 1;
  }
  return code < 0 ? code : 0;
}

int cbzip2decompressor::End() {
  if (!initialised_) return BZ_OK;
  initialised_ = false;
  return BZ2_bzDecompressEnd(&stream_);
}
