// The LZMA codec. A stream is a 5-byte header (the properties byte
// (pb * 5 + lp) * 9 + lc, then the dictionary size, 32 bits little-endian)
// followed by raw LZMA data that ends with an end marker. There is no
// uncompressed-size field: the end marker alone ends the stream.
#pragma once

#include <cstddef>
#include <cstdint>

#include <lzma.h>

#include "codecs/codec.h"

namespace qm {
inline constexpr std::size_t kLzmaHeaderSize = 5;
// Properties bytes of this value or above describe no valid lc / lp / pb.
inline constexpr unsigned kLzmaPropertiesLimit = 225;
// The bytes one compressor takes for a dictionary size (the size Init
// takes); 0 when Init would refuse it. Callers that run one encoder per
// thread size the number of threads by it.
std::uint64_t LzmaEncoderMemory(int dictionarySize);
} // namespace qm

class CLZMACompressor : public ICompressor {
public:
  CLZMACompressor() = default;
  ~CLZMACompressor() override;
  // Reads only the dictionary size (bytes); the level is not used.
  int Init(int level, int dictionarySize) override;
  // Ends the stream and forgets the caller's buffers; the encoder's memory
  // is kept for the next Init and released with the object.
  int End() override;
  // After the stream completed (or failed), Compress(true) returns 0 and
  // Compress(false) returns -1.
  int Compress(bool finish) override;
  void SetInput(const std::uint8_t* data, std::uint32_t size) override;
  void SetOutput(std::uint8_t* buffer, std::uint32_t size) override;
  std::uint8_t* GetNextOut() override;
  std::uint32_t GetAvailIn() override;
  std::uint32_t GetAvailOut() override;
  const char* GetName() override { return "lzma"; }
  const char* GetErrorString(int code) override;

private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
  bool stopped_ = true; // no stream running: before Init, after the end or an error
  std::uint8_t header_[qm::kLzmaHeaderSize] = {};
  std::size_t headerWritten_ = qm::kLzmaHeaderSize;
};

class clzmadecompressor : public IDecompressor {
public:
  clzmadecompressor() = default;
  ~clzmadecompressor() override;
  int Init() override;
  void SetInput(const std::uint8_t* data, std::uint32_t size) override;
  void SetOutput(std::uint8_t* buffer, std::uint32_t size) override;
  std::uint32_t GetAvailOut() override;
  // 1 at the end marker (and on every call after it), 0 when more input or
  // output room is needed, -1 on an error (which stays).
  int Decompress() override;
  // Returns 0; the decoder's memory is kept for the next Init and released
  // with the object.
  int End() override;

private:
  int StartDecoder();
  void ReleaseDecoder();

  lzma_stream stream_ = LZMA_STREAM_INIT;
  bool decoderReady_ = false;
  bool finished_ = false;
  bool failed_ = false;
  std::uint8_t header_[qm::kLzmaHeaderSize] = {};
  std::size_t headerRead_ = 0;
};
