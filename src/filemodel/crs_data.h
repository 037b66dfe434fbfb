// The result-stream file: header and section bookkeeping (CRSData) and the
// compressed section content in small pieces (CRSDataEx).
//
// Layout: the 132-byte header at offset 0 (rs_data.h), then sections to the
// end of the file, each a 36-byte section header
//   0 16  marker GUID
//  16 16  section GUID
//  32  4  number of stored content bytes that follow
// and its stored content. CRSDataEx stores content as pieces, each a u16
// piece header and its data: bit 15 set, a zlib stream of (h & 0x0FFF) + 1
// bytes inflating to at most 4096 bytes; bit 15 clear, (h & 0x0FFF) + 1
// bytes of content as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "codecs/codec.h"
#include "filemodel/plain_file.h"
#include "filemodel/rs_data.h"
#include "storage/mem_alloc.h"

namespace qm {

inline constexpr std::uint32_t kRSBufferSize = 0x80000;
inline constexpr std::uint32_t kRSPieceContentMax = 4096;
inline constexpr std::uint16_t kRSPieceCompressed = 0x8000;
inline constexpr std::uint16_t kRSPieceLengthMask = 0x0FFF;

void EncodeRSHeader(const RSHeader& header, std::uint8_t (&bytes)[kRSHeaderSize]);
RSHeader DecodeRSHeader(const ByteView& bytes);
// The CRC-16 (polynomial 0x8005) of an encoded header with its CRC field 0.
std::uint16_t RSHeaderCrc(const std::uint8_t (&bytes)[kRSHeaderSize]);

} // namespace qm

class CRSData : public IRSData {
public:
  static constexpr int kReadMode = 0;
  static constexpr int kWriteMode = 1;

  explicit CRSData(int mode);
  ~CRSData() override;
  CRSData(const CRSData&) = delete;
  CRSData& operator=(const CRSData&) = delete;

  // The process-wide compressed streams, made on first use and kept to the
  // end of the process. Not for two threads at once.
  static CRSData* GetWriter();
  static CRSData* GetReader();

  int IsValid() override;
  int Open(const char* path, int create) override;
  int Close() override;
  int WriteHeader(const RSHeader& header) override;
  int ReadHeader(RSHeader& header) override;
  int GetFileKind() override;
  void SetFileKind(int kind) override;
  void SetText(const char* text) override;
  int GetText(char* buffer, int size) override;
  int OpenSection(const GUID& id) override;
  int CloseSection() override;
  std::uint32_t GetSectionLength() override;
  int Read(void* buffer, std::uint32_t n) override;
  int Write(const void* buffer, std::uint32_t n) override;
  void Flush() override;
  int TryOpenSection(const GUID& id) override;
  int HasSection(const GUID& id) override;

  int GetMode() const { return mode_; }

protected:
  [[noreturn]] static void Raise(std::uint32_t code);
  void RequireMode(int mode) const;
  void RequireSection() const;
  bool SectionOpen() const { return sectionPos_ >= 0; }
  // The file offset just past the stored content of the open section.
  std::uint64_t ContentStart() const { return static_cast<std::uint64_t>(sectionPos_) + qm::kRSSectionHeaderSize; }
  // Appends stored bytes to the open section (write mode); raises 6.
  void AppendStored(const void* data, std::uint32_t n);
  // Opens the section in read mode; false when the file does not hold it.
  bool FindSection(const GUID& id);
  // Reads the header at offset 0; false when fewer than 132 bytes.
  bool ReadHeaderBytes(std::uint8_t (&bytes)[qm::kRSHeaderSize]);
  virtual void ForgetSection();

  const int mode_;
  CPlainFile file_;
  qm::MemBuffer<> buffer_;
  std::uint32_t fill_ = 0; // bytes held in buffer_
  GUID sectionId_{};
  std::uint32_t sectionLength_ = 0; // stored content bytes
  std::int64_t sectionPos_ = -1;    // offset of the section header; -1 when none open
  std::uint64_t sectionRead_ = 0;   // stored bytes already taken from the file
};

class CRSDataEx : public CRSData {
public:
  explicit CRSDataEx(int mode);
  ~CRSDataEx() override;

  int Read(void* buffer, std::uint32_t n) override;
  int Write(const void* buffer, std::uint32_t n) override;
  void Flush() override;

private:
  void ForgetSection() override;
  // Moves the unread read-ahead to the front and reads more of the section.
  void Refill();
  std::uint32_t ReadAhead() const { return fill_ - cursor_; }
  void DecodeNextPiece();
  // Encodes one piece (header and data) at out; returns its stored size.
  std::uint32_t StorePiece(const std::uint8_t* content, std::uint32_t length, std::uint8_t* out);

  std::unique_ptr<ICompressor> compressor_;
  std::unique_ptr<IDecompressor> decompressor_;
  qm::MemBuffer<> piece_;          // the current decoded piece (reading)
  qm::MemBuffer<> packed_;         // stored pieces waiting to be written
  std::uint32_t pieceLength_ = 0;
  std::uint32_t piecePos_ = 0;
  std::uint32_t cursor_ = 0;       // next unread read-ahead byte in buffer_
};
