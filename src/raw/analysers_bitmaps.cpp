// PNG, GIF, BMP, icons and cursors, Photoshop, Paint Shop Pro and Corel
// Photo-Paint pictures.
#include <algorithm>
#include <limits>

#include "filemodel/raw_file_info.h"
#include "platform/out_of_memory.h"
#include "raw/analysers_pictures.h"
#include "raw/media_analyser_support.h"
#include "raw/raw_read_buffer.h"

using namespace qm::media;

// ---------------------------------------------------------------- PNG

namespace {

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);
// Chunks: BE 32-bit data length, 4-character type, data, 32-bit CRC.
constexpr std::uint64_t kPngFirstChunk = 8;
constexpr std::uint64_t kPngChunkOverhead = 12;
constexpr std::uint64_t kPngLimit = 0x1400000; // 20 MiB

} // namespace

FilePNGAnalyser::FilePNGAnalyser() { typeId = kPNG; }

int FilePNGAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, kPngSignature)) return 0;
  info->SetType(kPNG);
  return 1;
}

int FilePNGAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const qm::ByteView ihdr = reader.GetPointer(kPngFirstChunk, 16);
  // IHDR: width at +8, height at +12 of the chunk (file offsets 16, 20).
  if (ihdr.empty() || !ihdr.matches(4, "IHDR") || ihdr.be32(8) == 0 || ihdr.be32(12) == 0) return 0;
  std::uint64_t offset = kPngFirstChunk + kPngChunkOverhead + ihdr.be32(0);
  bool sawData = false;
  StepBudget pacer;
  for (;;) {
    if (!pacer.Step()) return 0;
    if (offset > kPngLimit) return 0;
    const qm::ByteView chunk = reader.GetPointer(offset, 8);
    if (chunk.empty()) return 0;
    const std::uint32_t length = chunk.be32(0);
    if (length > kPngLimit) {
      if (!sawData) return 0;
      break; // a damaged chunk after the picture's data: keep what was walked
    }
    offset += kPngChunkOverhead + length;
    if (chunk.matches(4, "IDAT")) sawData = true;
    if (chunk.matches(4, "IEND")) break;
  }
  info->SetLength(offset);
  return 1;
}

// ---------------------------------------------------------------- GIF

namespace {

// Logical screen descriptor: flags at 10 (bit 7: a global colour table of
// 3 x 2^(n+1) bytes follows, n = low 3 bits). Blocks: "!" extension (label,
// then sub-blocks), "," image descriptor (10 bytes, flags at +9, optional
// local colour table, LZW code size, sub-blocks), ";" trailer.
constexpr std::uint64_t kGifScreenFlags = 10;
constexpr std::uint64_t kGifFirstBlock = 13;
constexpr std::uint64_t kGifImageDescriptor = 10;
constexpr std::uint64_t kGifMaxSearch = 1024;

std::uint64_t ColourTableSize(std::uint8_t flags) {
  return (flags & 0x80) != 0 ? 3u << ((flags & 7) + 1) : 0;
}

} // namespace

FileGIFAnalyser::FileGIFAnalyser() { typeId = kGIF; }

int FileGIFAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, "GIF87a") && !h.matches(0, "GIF89a")) return 0;
  info->SetType(kGIF);
  return 1;
}

int FileGIFAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  const qm::ByteView screen = reader.GetPointer(0, kGifFirstBlock);
  if (screen.empty()) return 0;
  // A colour table is skipped only when the flag says one is there; a
  // picture without one would otherwise lose its first blocks.
  std::uint64_t offset = kGifFirstBlock + ColourTableSize(screen.u8(kGifScreenFlags));
  StepBudget pacer;

  // Skips a chain of sub-blocks (size byte, data) up to its zero size.
  auto skipSubBlocks = [&]() -> bool {
    for (;;) {
      if (!pacer.Step()) return false;
      if (offset > maximum) return false;
      const qm::ByteView size = reader.GetPointer(offset);
      if (size.empty()) return false;
      offset += 1 + size.u8(0);
      if (size.u8(0) == 0) return true;
    }
  };

  std::uint64_t searched = 0;
  for (;;) {
    if (!pacer.Step()) return 0;
    if (offset > maximum) return 0;
    const qm::ByteView block = reader.GetPointer(offset, 1);
    if (block.empty()) return 0;
    const std::uint8_t kind = block.u8(0);
    if (kind == ';') break;
    if (kind == '!') {
      offset += 2;
      if (!skipSubBlocks()) return 0;
      searched = 0;
    } else if (kind == ',') {
      const qm::ByteView image = reader.GetPointer(offset, kGifImageDescriptor);
      if (image.empty()) return 0;
      offset += kGifImageDescriptor + ColourTableSize(image.u8(9)) + 1;
      if (!skipSubBlocks()) return 0;
      searched = 0;
    } else {
      // Damage between blocks: look a little further for the next one.
      if (++searched > kGifMaxSearch) return 0;
      ++offset;
    }
  }
  info->SetLength(offset + 1);
  return 1;
}

// ---------------------------------------------------------------- BMP

namespace {
// "BM", 32-bit file size at 2, two reserved 16-bit words at 6 and 8, the
// info header's size at 14 (40: Windows 3; 124: version 5).
constexpr std::uint64_t kBmpFileSize = 2, kBmpReserved1 = 6, kBmpReserved2 = 8, kBmpInfoSize = 14;
} // namespace

FileBMPAnalyser::FileBMPAnalyser() { typeId = kBMP; }

int FileBMPAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, "BM") || !h.has(0, 18) || h.le16(kBmpReserved1) != 0 || h.le16(kBmpReserved2) != 0)
    return 0;
  info->SetType(kBMP);
  const std::uint32_t infoSize = h.le32(kBmpInfoSize);
  if (infoSize != 40 && infoSize != 124) return 0;
  info->SetLength(h.le32(kBmpFileSize));
  return 1;
}

// ---------------------------------------------------------------- ICO / CUR

namespace {

// Header: 0, 16-bit kind (1 icon, 2 cursor), 16-bit image count at 4. Then
// one 16-byte entry per image from 6: width, height, colour count,
// reserved 0, planes (icons 0 or 1; cursors: hot-spot x), bits per pixel
// (icons; cursors: hot-spot y), 32-bit image size at +8, 32-bit image
// offset at +12.
constexpr std::uint64_t kIcoCount = 4, kIcoEntries = 6, kIcoEntrySize = 16;
constexpr std::uint32_t kIcoMaxImages = 16;
constexpr std::uint64_t kIcoMaxTotal = 0x100000; // 1 MiB

bool IconEntryIsSound(qm::ByteView entry, bool cursor, std::uint64_t directoryEnd) {
  if (entry.u8(3) != 0) return false;
  if (!cursor) {
    const std::uint16_t planes = entry.le16(4), bits = entry.le16(6);
    if (planes > 1) return false;
    if (bits != 0 && bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
      return false;
  }
  const std::uint32_t size = entry.le32(8), offset = entry.le32(12);
  return size != 0 && offset >= directoryEnd;
}

} // namespace

FileICOAnalyser::FileICOAnalyser() { typeId = kICO; }

int FileICOAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  const bool icon = h.matches(0, std::string_view("\0\0\1\0", 4));
  const bool cursor = h.matches(0, std::string_view("\0\0\2\0", 4));
  if (!icon && !cursor) return 0;
  info->SetType(icon ? kICO : kCUR);
  const std::uint32_t count = h.le16(kIcoCount);
  if (count == 0 || count > kIcoMaxImages) return 0;
  const std::uint64_t directoryEnd = kIcoEntries + kIcoEntrySize * count;
  // The file ends with its furthest image; the images follow the
  // directory, normally back to back.
  std::uint64_t total = directoryEnd;
  for (std::uint32_t i = 0; i < count; ++i) {
    const qm::ByteView entry = h.sub(kIcoEntries + kIcoEntrySize * i, kIcoEntrySize);
    if (entry.empty() || !IconEntryIsSound(entry, cursor, directoryEnd)) return 0;
    total = std::max<std::uint64_t>(total, std::uint64_t{entry.le32(12)} + entry.le32(8));
  }
  if (total > kIcoMaxTotal) return 0;
  info->SetLength(total);
  return 1;
}

// ---------------------------------------------------------------- PSD

namespace {

// Header (BE): "8BPS", version 1 at 4, six zero bytes at 6, channels at
// 12, height at 14, width at 18, depth at 22, colour mode at 24. Then
// three sections of a 32-bit length and their data, then the image data's
// 16-bit compression (0 raw, 1 PackBits with a table of row lengths).
constexpr std::uint64_t kPsdVersion = 4, kPsdReserved = 6, kPsdChannels = 12, kPsdHeight = 14, kPsdWidth = 18,
                        kPsdDepth = 22, kPsdSections = 26;
// Limits of the format's writers; larger values are damage and would
// overflow the size of the image data.
constexpr std::uint32_t kPsdMaxChannels = 56, kPsdMaxSide = 300000;

} // namespace

FilePSDAnalyser::FilePSDAnalyser() { typeId = kPSD; }

int FilePSDAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, "8BPS")) return 0;
  info->SetType(kPSD);
  return 1;
}

int FilePSDAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  const qm::ByteView h = reader.GetPointer(0, kPsdSections);
  if (h.empty() || h.be16(kPsdVersion) != 1) return 0;
  for (std::uint64_t i = 0; i < 6; ++i)
    if (h.u8(kPsdReserved + i) != 0) return 0;
  const std::uint64_t channels = h.be16(kPsdChannels), height = h.be32(kPsdHeight), width = h.be32(kPsdWidth),
                      depth = h.be16(kPsdDepth);
  if (channels == 0 || channels > kPsdMaxChannels || height > kPsdMaxSide || width > kPsdMaxSide ||
      depth > 32)
    return 0;
  std::uint64_t offset = kPsdSections;
  for (int section = 0; section < 3; ++section) {
    const qm::ByteView length = reader.GetPointer(offset, 4);
    if (length.empty()) return 0;
    offset += 4 + std::uint64_t{length.be32(0)};
  }
  const qm::ByteView compression = reader.GetPointer(offset, 2);
  if (compression.empty()) return 0;
  if (compression.be16(0) == 0) {
    info->SetLength(offset + 2 + channels * height * width * depth / 8);
    return 1;
  }
  if (compression.be16(0) != 1) return 0;
  // PackBits: one 16-bit byte count per row of every channel.
  const std::uint64_t rows = channels * height;
  std::uint64_t at = offset + 2;
  std::uint64_t data = 0;
  StepBudget pacer;
  for (std::uint64_t row = 0; row < rows;) {
    pacer.Step();
    if (at > maximum) break;
    const qm::ByteView counts = reader.GetPointer(at, 2);
    if (counts.empty()) return 0;
    const std::uint64_t inView =
        std::min<std::uint64_t>({counts.size() / 2, rows - row, (maximum - at) / 2 + 1});
    for (std::uint64_t i = 0; i < inView; ++i)
      data += counts.be16(2 * i);
    row += inView;
    at += 2 * inView;
  }
  info->SetLength(at + data);
  return 1;
}

// ---------------------------------------------------------------- PSP

namespace {

constexpr std::string_view kPspSignature("Paint Shop Pro Image File\n\x1a", 27);
constexpr std::uint64_t kPspSignatureField = 32;
constexpr std::uint64_t kPspFirstBlock = 36;
constexpr std::uint32_t kPspBlockMarker = 0x004B427E; // "~BK" 00
// Block header: marker, 16-bit block id at +4, 32-bit length at +6.
constexpr std::uint64_t kPspBlockLength = 6, kPspBlockHeader = 10;

} // namespace

FilePSPAnalyser::FilePSPAnalyser() { typeId = kPSP; }

int FilePSPAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, kPspSignature) || !h.has(0, kPspSignatureField)) return 0;
  for (std::uint64_t i = kPspSignature.size(); i < kPspSignatureField; ++i)
    if (h.u8(i) != 0) return 0;
  info->SetType(kPSP);
  return 1;
}

int FilePSPAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  std::uint64_t offset = kPspFirstBlock;
  StepBudget pacer;
  for (;;) {
    if (!pacer.Step()) break;
    if (offset > maximum) break;
    const qm::ByteView block = reader.GetPointer(offset, kPspBlockHeader);
    if (block.empty()) return 0;
    if (block.le32(0) != kPspBlockMarker) break;
    offset += std::uint64_t{block.le32(kPspBlockLength)} + kPspBlockHeader;
  }
  if (offset < 512) return 0;
  info->SetLength(offset);
  return 1;
}

// ---------------------------------------------------------------- CPT

namespace {
constexpr std::uint64_t kCptBlockCount = 40, kCptDirectory = 52;
constexpr std::uint32_t kCptDirectoryOffset = 316;
} // namespace

FileCPTAnalyser::FileCPTAnalyser() { typeId = kCPT; }

int FileCPTAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, "CPT7FILE") && !h.matches(0, "CPT8FILE") && !h.matches(0, "CPT9FILE")) return 0;
  if (h.le32(kCptDirectory) != kCptDirectoryOffset) return 0;
  info->SetType(kCPT);
  info->SetLength(0);
  return 1;
}

int FileCPTAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  try {
    CRawReadBuffer reader(device, info->GetStartSector());
    // A 32-bit value at a file offset; false when unreadable or before the
    // file's start.
    auto read32 = [&](std::int64_t at, std::uint32_t& value) {
      if (at < 0) return false;
      const qm::ByteView v = reader.GetPointer(static_cast<std::uint64_t>(at), 4);
      if (v.empty()) return false;
      value = v.le32(0);
      return true;
    };
    std::uint32_t d0 = 0, n = 0, d = 0, marker = 0, atP = 0, x = 0, y = 0, a = 0, b = 0;
    if (!read32(kCptDirectory, d0) || !read32(kCptBlockCount, n)) return 0;
    if (!read32(std::int64_t{d0} + 8 * std::int64_t{n} - 8, d)) return 0;
    std::int64_t p = std::int64_t{d} + 60;
    if (!read32(std::int64_t{d} + 32, marker) || !read32(p, atP)) return 0;
    if (marker != 0 && marker == atP) p = std::int64_t{d} + marker + 60;
    if (!read32(p, x) || !read32(p + 4, y)) return 0;
    std::uint64_t length = d;
    if (x != 0 && y != 0) {
      if (!read32(std::int64_t{x} - 8, a) || !read32(std::int64_t{x} - 4, b)) return 0;
      length = std::uint64_t{a} + b;
    }
    info->SetLength(length);
    return 1;
  } catch (const qm::OutOfMemoryException&) {
    throw; // the memory crash, never a bad record
  } catch (...) {
    return 0;
  }
}
