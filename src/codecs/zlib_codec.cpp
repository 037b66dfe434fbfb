#include "codecs/zlib_codec.h"

namespace {

// Z_BUF_ERROR only says that a call could make no progress (no input left,
// or no output room); zlib documents it as not fatal. Under the codec
// protocol that is "give more and call again", not an error.
int MapProgress(int code) { return code == Z_BUF_ERROR ? Z_OK : code; }

} // namespace

CZlibCompressor::~CZlibCompressor() { End(); }

int CZlibCompressor::Init(int level, int /*dictionarySize*/) {
  // Callers that compress many small pieces start a new stream per piece;
  // resetting keeps zlib's 256 KB of state instead of freeing and
  // allocating it again each time.
  if (initialised_ && level == level_) return deflateReset(&stream_);
  End();
  const std::uint8_t* in = stream_.next_in;
  const uInt availIn = stream_.avail_in;
  std::uint8_t* out = stream_.next_out;
  const uInt availOut = stream_.avail_out;
  stream_ = z_stream{};
  const int code = deflateInit(&stream_, level);
  if (code != Z_OK) return code;
  initialised_ = true;
  level_ = level;
  // Buffers handed over before Init stay in force.
  stream_.next_in = const_cast<std::uint8_t*>(in);
  stream_.avail_in = availIn;
  stream_.next_out = out;
  stream_.avail_out = availOut;
  return Z_OK;
}

int CZlibCompressor::End() {
  if (!initialised_) return Z_OK;
  initialised_ = false;
  const int code = deflateEnd(&stream_);
  // A stream ended before it finished reports Z_DATA_ERROR; its memory is
  // freed all the same, which is all End promises.
  return code == Z_DATA_ERROR ? Z_OK : code;
}

int CZlibCompressor::Compress(bool finish) {
  if (!initialised_) return Z_STREAM_ERROR;
  return MapProgress(deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH));
}

void CZlibCompressor::SetInput(const std::uint8_t* data, std::uint32_t size) {
  // zlib never writes through next_in; its field is only declared non-const.
  stream_.next_in = const_cast<std::uint8_t*>(data);
  stream_.avail_in = size;
}

void CZlibCompressor::SetOutput(std::uint8_t* buffer, std::uint32_t size) {
  stream_.next_out = buffer;
  stream_.avail_out = size;
}

std::uint8_t* CZlibCompressor::GetNextOut() { return stream_.next_out; }
std::uint32_t CZlibCompressor::GetAvailIn() { return stream_.avail_in; }
std::uint32_t CZlibCompressor::GetAvailOut() { return stream_.avail_out; }

const char* CZlibCompressor::GetErrorString(int code) {
  switch (code) {
  case Z_STREAM_ERROR: return "invalid stream - bad call";
  case Z_DATA_ERROR: return "data error";
  case Z_MEM_ERROR: return "not enough memory";
  case Z_BUF_ERROR: return "buffer error - bad call";
  case Z_VERSION_ERROR: return "version error";
  default: return "unknown error";
  }
}

czlibdecompressor::~czlibdecompressor() { End(); }

int czlibdecompressor::Init() {
  finished_ = false;
  if (initialised_) return inflateReset(&stream_);
  End();
  const std::uint8_t* in = stream_.next_in;
  const uInt availIn = stream_.avail_in;
  std::uint8_t* out = stream_.next_out;
  const uInt availOut = stream_.avail_out;
  stream_ = z_stream{};
  finished_ = false;
  const int code = inflateInit(&stream_);
  if (code != Z_OK) return code;
  initialised_ = true;
  stream_.next_in = const_cast<std::uint8_t*>(in);
  stream_.avail_in = availIn;
  stream_.next_out = out;
  stream_.avail_out = availOut;
  return Z_OK;
}

void czlibdecompressor::SetInput(const std::uint8_t* data, std::uint32_t size) {
  stream_.next_in = const_cast<std::uint8_t*>(data);
  stream_.avail_in = size;
}

void czlibdecompressor::SetOutput(std::uint8_t* buffer, std::uint32_t size) {
  stream_.next_out = buffer;
  stream_.avail_out = size;
}

std::uint32_t czlibdecompressor::GetAvailOut() { return stream_.avail_out; }

int czlibdecompressor::Decompress() {
  if (finished_) return 1;
  if (!initialised_) return Z_STREAM_ERROR;
  const int code = inflate(&stream_, Z_NO_FLUSH);
  if (code == Z_STREAM_END) {
    finished_ = true;
    return 1;
  }
  // A stream that asks for a preset dictionary is not one of ours: nothing
  // we write uses one, so it cannot be decoded and must not pass as done.
  if (code == Z_NEED_DICT) return Z_DATA_ERROR;
  return MapProgress(code);
}

int czlibdecompressor::End() {
  if (!initialised_) return Z_OK;
  initialised_ = false;
  return inflateEnd(&stream_);
}
