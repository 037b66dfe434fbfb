#include "codecs/zlib_codec.h"

namespace {

// Z_BUF_ERROR only says that a call could make no progress (no input left,
// or no output room); zlib documents it as not fatal. Under the codec
// protocol that is "give more and call again", not an error.
int MapProgress(int code) { return code == Z_BUF_ERROR ? Z_OK : code; }

// zlib never writes through next_in; its field is only declared non-const.
void SetStreamInput(z_stream& stream, const std::uint8_t* data, std::uint32_t size) {
  stream.next_in = const_cast<std::uint8_t*>(data);
  stream.avail_in = size;
}

void SetStreamOutput(z_stream& stream, std::uint8_t* buffer, std::uint32_t size) {
  stream.next_out = buffer;
  stream.avail_out = size;
}

// Makes a fresh stream record with init (deflateInit or inflateInit); the
// buffers handed over before Init stay in force.
template <typename InitCall>
int FreshStream(z_stream& stream, InitCall init) {
  const z_stream old = stream;
  stream = z_stream{};
  const int code = init(stream);
  if (code != Z_OK) return code;
  SetStreamInput(stream, old.next_in, old.avail_in);
  SetStreamOutput(stream, old.next_out, old.avail_out);
  return Z_OK;
}

} // namespace

CZlibCompressor::~CZlibCompressor() { End(); }

int CZlibCompressor::Init(int level, int /*dictionarySize*/) {
  // Callers that compress many small pieces start a new stream per piece;
  // resetting keeps zlib's 256 KB of state instead of freeing and
  // allocating it again each time.
  if (initialised_ && level == level_) return deflateReset(&stream_);
  End();
  const int code = FreshStream(stream_, [level](z_stream& s) { return deflateInit(&s, level); });
  if (code != Z_OK) return code;
  initialised_ = true;
  level_ = level;
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

void CZlibCompressor::SetInput(const std::uint8_t* data, std::uint32_t size) { SetStreamInput(stream_, data, size); }
void CZlibCompressor::SetOutput(std::uint8_t* buffer, std::uint32_t size) { SetStreamOutput(stream_, buffer, size); }

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
  // The result stream inflates every piece with a new stream: resetting
  // keeps zlib's state instead of freeing and allocating it each time.
  if (initialised_) return inflateReset(&stream_);
  const int code = FreshStream(stream_, [](z_stream& s) { return inflateInit(&s); });
  if (code != Z_OK) return code;
  initialised_ = true;
  return Z_OK;
}

void czlibdecompressor::SetInput(const std::uint8_t* data, std::uint32_t size) { SetStreamInput(stream_, data, size); }
void czlibdecompressor::SetOutput(std::uint8_t* buffer, std::uint32_t size) { SetStreamOutput(stream_, buffer, size); }

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
