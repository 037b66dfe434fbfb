// The bzip2 codec (the format of the bzip2 tool).
#pragma once

#include <bzlib.h>

#include "codecs/codec.h"

class CBzip2Compressor : public ICompressor {
public:
  CBzip2Compressor() = default;
  ~CBzip2Compressor() override;
  // level is the block size in units of 100 KB (1 to 9).
  int Init(int level, int dictionarySize) override;
  int End() override;
  int Compress(bool finish) override;
  void SetInput(const std::uint8_t* data, std::uint32_t size) override;
  void SetOutput(std::uint8_t* buffer, std::uint32_t size) override;
  std::uint8_t* GetNextOut() override;
  std::uint32_t GetAvailIn() override;
  std::uint32_t GetAvailOut() override;
  const char* GetName() override { return "bzip2"; }
  const char* GetErrorString(int code) override;

private:
  bz_stream stream_{};
  bool initialised_ = false;
  int lastResult_ = 0; // of the last BZ2_bzCompress call
};

class cbzip2decompressor : public IDecompressor {
public:
  cbzip2decompressor() = default;
  ~cbzip2decompressor() override;
  int Init() override;
  void SetInput(const std::uint8_t* data, std::uint32_t size) override;
  void SetOutput(std::uint8_t* buffer, std::uint32_t size) override;
  std::uint32_t GetAvailOut() override;
  int Decompress() override;
  int End() override;

private:
  bz_stream stream_{};
  bool initialised_ = false;
  bool finished_ = false;
};
