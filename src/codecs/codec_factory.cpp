#include "codecs/bzip2_codec.h"
#include "codecs/codec.h"
#include "codecs/lzma_codec.h"
#include "codecs/zlib_codec.h"

namespace qm {

std::unique_ptr<ICompressor> MakeCompressor(int type) {
  switch (type) {
  case kCodecBzip2: return std::make_unique<CBzip2Compressor>();
  case kCodecZlib: return std::make_unique<CZlibCompressor>();
  case kCodecLzma: return std::make_unique<CLZMACompressor>();
  default: return nullptr;
  }
}

std::unique_ptr<IDecompressor> MakeDecompressor(int type) {
  switch (type) {
  case kCodecBzip2: return std::make_unique<cbzip2decompressor>();
  case kCodecZlib: return std::make_unique<czlibdecompressor>();
  case kCodecLzma: return std::make_unique<clzmadecompressor>();
  default: return nullptr;
  }
}

} // namespace qm

ICompressor* CreateCompressor(int type) { return qm::MakeCompressor(type).release(); }
IDecompressor* CreateDecompressor(int type) { return qm::MakeDecompressor(type).release(); }

void DeleteCompressor(ICompressor* compressor) { std::unique_ptr<ICompressor> owned(compressor); }
void DeleteDecompressor(IDecompressor* decompressor) { std::unique_ptr<IDecompressor> owned(decompressor); }
