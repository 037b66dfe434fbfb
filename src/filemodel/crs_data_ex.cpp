#include "filemodel/crs_data.h"

#include <algorithm>
#include <cstring>

#include "platform/log.h"

namespace {

constexpr std::uint32_t kPieceHeaderSize = 2;
// Room for the zlib form of one piece: deflate never grows 4096 bytes
// beyond this.
constexpr std::uint32_t kPackedRoom = 8190;
constexpr int kZlibLevel = 5;
constexpr int kZlibSecondArgument = 0x800000;
// Stored pieces of one buffer, written together.
constexpr std::uint32_t kStagingSize = 0x40000;

} // namespace

CRSDataEx::CRSDataEx(int mode)
    : CRSData(mode), piece_(qm::MakeMemBuffer(qm::kRSPieceContentMax)), packed_(qm::MakeMemBuffer(kStagingSize)) {}

CRSDataEx::~CRSDataEx() {
  try {
    Close();
  } catch (const IRSException& e) {
    // Nothing may leave a destructor.
    LogError("RS Exception:%d", static_cast<int>(e.GetErrorCode()));
  }
}

void CRSDataEx::ForgetSection() {
  CRSData::ForgetSection();
  pieceLength_ = 0;
  piecePos_ = 0;
  cursor_ = 0;
}

int CRSDataEx::Write(const void* buffer, std::uint32_t n) {
  RequireMode(kWriteMode);
  RequireSection();
  if (n == 0) return 1;
  if (buffer == nullptr) return 0;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  // The common case, a small value that fits, is one copy.
  if (n <= qm::kRSBufferSize - fill_) {
    std::memcpy(buffer_.get() + fill_, bytes, n);
    fill_ += n;
    if (fill_ == qm::kRSBufferSize) Flush();
    return 1;
  }
  // A value that crosses the buffer's end: the base fills and flushes it
  // piece by piece (Flush is this class's).
  return CRSData::Write(buffer, n);
}

std::uint32_t CRSDataEx::StorePiece(const std::uint8_t* content, std::uint32_t length, std::uint8_t* out) {
  if (!compressor_) compressor_ = qm::MakeCompressor(kCodecZlib);
  std::uint8_t* const data = out + kPieceHeaderSize;
  std::uint32_t packedLength = 0;
  if (compressor_->Init(kZlibLevel, kZlibSecondArgument) == 0) {
    compressor_->SetInput(content, length);
    compressor_->SetOutput(data, kPackedRoom);
    int code = compressor_->Compress(false);
    if (code >= 0) code = compressor_->Compress(true);
    if (code == 1) packedLength = static_cast<std::uint32_t>(compressor_->GetNextOut() - data);
  }
  // Stored compressed only when that is shorter; an error stores it plain.
  const bool compressed = packedLength != 0 && packedLength < length;
  const std::uint32_t dataLength = compressed ? packedLength : length;
  if (!compressed) std::memcpy(data, content, length);
  qm::StoreLe16(out, static_cast<std::uint16_t>((dataLength - 1) | (compressed ? qm::kRSPieceCompressed : 0)));
  return kPieceHeaderSize + dataLength;
}

void CRSDataEx::Flush() {
  if (mode_ != kWriteMode || fill_ == 0) return;
  RequireSection();
  const std::uint32_t n = fill_;
  fill_ = 0;
  // Stored pieces are staged and written a few hundred kilobytes at a time,
  // not one small write per piece.
  std::uint32_t staged = 0;
  for (std::uint32_t offset = 0; offset < n; offset += qm::kRSPieceContentMax) {
    if (staged > kStagingSize - (kPieceHeaderSize + kPackedRoom)) {
      AppendStored(packed_.get(), staged);
      staged = 0;
    }
    staged += StorePiece(buffer_.get() + offset, std::min(qm::kRSPieceContentMax, n - offset), packed_.get() + staged);
  }
  AppendStored(packed_.get(), staged);
}

void CRSDataEx::Refill() {
  if (cursor_ != 0) {
    std::memmove(buffer_.get(), buffer_.get() + cursor_, fill_ - cursor_);
    fill_ -= cursor_;
    cursor_ = 0;
  }
  const std::uint64_t left = sectionLength_ - sectionRead_;
  const std::uint32_t want = static_cast<std::uint32_t>(std::min<std::uint64_t>(qm::kRSBufferSize - fill_, left));
  if (want == 0 || !file_.Seek(ContentStart() + sectionRead_)) return;
  const std::uint32_t got = file_.Read(buffer_.get() + fill_, want);
  fill_ += got;
  sectionRead_ += got;
}

void CRSDataEx::DecodeNextPiece() {
  if (ReadAhead() < kPieceHeaderSize) Refill();
  if (ReadAhead() < kPieceHeaderSize) Raise(qm::kRSShortRead);
  const std::uint16_t header = qm::ByteView(buffer_.get() + cursor_, kPieceHeaderSize).le16(0);
  const std::uint32_t dataLength = (header & qm::kRSPieceLengthMask) + 1u;
  if (ReadAhead() < kPieceHeaderSize + dataLength) Refill();
  if (ReadAhead() < kPieceHeaderSize + dataLength) Raise(qm::kRSShortRead);
  const std::uint8_t* data = buffer_.get() + cursor_ + kPieceHeaderSize;
  cursor_ += kPieceHeaderSize + dataLength;
  pieceLength_ = 0;
  piecePos_ = 0;

  if ((header & qm::kRSPieceCompressed) == 0) {
    std::memcpy(piece_.get(), data, dataLength);
    pieceLength_ = dataLength;
    return;
  }
  // A compressed piece must inflate completely into at most 4096 bytes;
  // anything else is damage, never content.
  if (!decompressor_) decompressor_ = qm::MakeDecompressor(kCodecZlib);
  if (decompressor_->Init() != 0) Raise(qm::kRSShortRead);
  decompressor_->SetInput(data, dataLength);
  decompressor_->SetOutput(piece_.get(), qm::kRSPieceContentMax);
  if (decompressor_->Decompress() != 1) Raise(qm::kRSShortRead);
  pieceLength_ = qm::kRSPieceContentMax - decompressor_->GetAvailOut();
}

int CRSDataEx::Read(void* buffer, std::uint32_t n) {
  RequireMode(kReadMode);
  RequireSection();
  if (n == 0) return 1;
  if (buffer == nullptr) Raise(qm::kRSShortRead);
  auto* out = static_cast<std::uint8_t*>(buffer);
  // The common case, a small value inside the current piece, is one copy.
  if (n <= pieceLength_ - piecePos_) {
    std::memcpy(out, piece_.get() + piecePos_, n);
    piecePos_ += n;
    return 1;
  }
  while (n != 0) {
    if (piecePos_ == pieceLength_) DecodeNextPiece();
    const std::uint32_t take = std::min(n, pieceLength_ - piecePos_);
    std::memcpy(out, piece_.get() + piecePos_, take);
    piecePos_ += take;
    out += take;
    n -= take;
  }
  return 1;
}
