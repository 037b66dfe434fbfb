// Streaming compressors and decompressors, made by codec type number.
//
// The type number is what scan-result files and disk images store, so that a
// reader makes the matching decompressor: 1 bzip2, 2 zlib, 3 LZMA.
//
// Return convention of Compress / Decompress, common to every codec:
//   1  the stream is complete (for a compressor only possible when finishing)
//   0  progress is possible: give more input or more output room, call again
//  <0  error; a compressor's GetErrorString turns the code into a text.
#pragma once

#include <cstdint>
#include <memory>

class ICompressor {
public:
  virtual ~ICompressor() = default;
  // Prepares a new stream; 0 on success, a negative code otherwise. zlib and
  // bzip2 read only the level (bzip2: block size in 100 KB units), LZMA only
  // the dictionary size in bytes.
  virtual int Init(int level, int dictionarySize) = 0;
  virtual int End() = 0;
  virtual int Compress(bool finish) = 0;
  virtual void SetInput(const std::uint8_t* data, std::uint32_t size) = 0;
  virtual void SetOutput(std::uint8_t* buffer, std::uint32_t size) = 0;
  // Where the next output byte would go: output produced so far in the
  // current buffer is GetNextOut() - buffer.
  virtual std::uint8_t* GetNextOut() = 0;
  virtual std::uint32_t GetAvailIn() = 0;
  virtual std::uint32_t GetAvailOut() = 0;
  virtual const char* GetName() = 0;
  virtual const char* GetErrorString(int code) = 0;
};

class IDecompressor {
public:
  virtual ~IDecompressor() = default;
  virtual int Init() = 0;
  virtual void SetInput(const std::uint8_t* data, std::uint32_t size) = 0;
  virtual void SetOutput(std::uint8_t* buffer, std::uint32_t size) = 0;
  virtual std::uint32_t GetAvailOut() = 0;
  virtual int Decompress() = 0;
  virtual int End() = 0;
};

// Codec type numbers as stored in files.
inline constexpr int kCodecBzip2 = 1;
inline constexpr int kCodecZlib = 2;
inline constexpr int kCodecLzma = 3;

// A new, not yet initialised codec for the type number; null for any other.
ICompressor* CreateCompressor(int type);
IDecompressor* CreateDecompressor(int type);
// Delete through the virtual destructor; null is allowed.
void DeleteCompressor(ICompressor* compressor);
void DeleteDecompressor(IDecompressor* decompressor);

namespace qm {
// The same factories with ownership in the type, for our own callers.
std::unique_ptr<ICompressor> MakeCompressor(int type);
std::unique_ptr<IDecompressor> MakeDecompressor(int type);
} // namespace qm
