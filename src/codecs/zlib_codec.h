// The zlib codec: the zlib format (2-byte header, deflate data, Adler-32).
#pragma once

#include <zlib.h>

#include "codecs/codec.h"

class CZlibCompressor : public ICompressor {
public:
  CZlibCompressor() = default;
  ~CZlibCompressor() override;
  int Init(int level, int dictionarySize) override;
  int End() override;
  int Compress(bool finish) override;
  void SetInput(const std::uint8_t* data, std::uint32_t size) override;
  void SetOutput(std::uint8_t* buffer, std::uint32_t size) override;
  std::uint8_t* GetNextOut() override;
  std::uint32_t GetAvailIn() override;
  std::uint32_t GetAvailOut() override;
  const char* GetName() override { return "zlib"; }
  const char* GetErrorString(int code) override;

private:
  z_stream stream_{};
  bool initialised_ = false; // between Init and End
  int level_ = 0;
};

class czlibdecompressor : public IDecompressor {
public:
  czlibdecompressor() = default;
  ~czlibdecompressor() override;
  int Init() override;
  void SetInput(const std::uint8_t* data, std::uint32_t size) override;
  void SetOutput(std::uint8_t* buffer, std::uint32_t size) override;
  std::uint32_t GetAvailOut() override;
  int Decompress() override;
  int End() override;

private:
  z_stream stream_{};
  bool initialised_ = false;
  bool finished_ = false;
};
