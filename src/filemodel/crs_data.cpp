#include "filemodel/crs_data.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "filemodel/rs_crc.h"
#include "platform/log.h"

namespace {

// Header fields (offset, size): see rs_data.h.
constexpr std::size_t kMarkerOffset = 0;
constexpr std::size_t kMagicOffset = 16;
constexpr std::size_t kCrcOffset = 20;
constexpr std::size_t kKindOffset = 24;
constexpr std::size_t kTextLengthOffset = 28;
constexpr std::size_t kTextOffset = 32;
constexpr std::uint16_t kHeaderCrcPolynomial = 0x8005;
constexpr std::uint32_t kFileKindMax = 4;

// Section header fields.
constexpr std::size_t kSectionMarkerOffset = 0;
constexpr std::size_t kSectionIdOffset = 16;
constexpr std::size_t kSectionLengthOffset = 32;

void EncodeSectionHeader(const GUID& id, std::uint32_t length, std::uint8_t (&bytes)[qm::kRSSectionHeaderSize]) {
  qm::StoreGuid(bytes + kSectionMarkerOffset, qm::kRSMarker);
  qm::StoreGuid(bytes + kSectionIdOffset, id);
  qm::StoreLe32(bytes + kSectionLengthOffset, length);
}

RSHeader EmptyHeader() { return RSHeader{}; }

} // namespace

namespace qm {

void EncodeRSHeader(const RSHeader& header, std::uint8_t (&bytes)[kRSHeaderSize]) {
  std::memset(bytes, 0, kRSHeaderSize);
  StoreGuid(bytes + kMarkerOffset, header.marker);
  StoreLe32(bytes + kMagicOffset, header.magic);
  StoreLe32(bytes + kCrcOffset, header.crc);
  StoreLe32(bytes + kKindOffset, header.fileKind);
  StoreLe32(bytes + kTextLengthOffset, header.textLength);
  std::memcpy(bytes + kTextOffset, header.text, kRSTextMax);
}

RSHeader DecodeRSHeader(const ByteView& bytes) {
  RSHeader header;
  header.marker = LoadGuid(bytes, kMarkerOffset);
  header.magic = bytes.le32(kMagicOffset);
  header.crc = bytes.le32(kCrcOffset);
  header.fileKind = bytes.le32(kKindOffset);
  header.textLength = bytes.le32(kTextLengthOffset);
  bytes.copyTo(kTextOffset, header.text, kRSTextMax);
  return header;
}

std::uint16_t RSHeaderCrc(const std::uint8_t (&bytes)[kRSHeaderSize]) {
  std::uint8_t copy[kRSHeaderSize];
  std::memcpy(copy, bytes, kRSHeaderSize);
  StoreLe32(copy + kCrcOffset, 0);
  return Crc16(copy, kRSHeaderSize, kHeaderCrcPolynomial);
}

} // namespace qm

CRSData::CRSData(int mode) : mode_(mode), buffer_(qm::MakeMemBuffer(qm::kRSBufferSize)) {}

CRSData::~CRSData() {
  // A writer destroyed with a section open still completes it; nothing may
  // leave a destructor.
  try {
    Close();
  } catch (const IRSException& e) {
    LogError("RS Exception:%d", static_cast<int>(e.GetErrorCode()));
  }
}

CRSData* CRSData::GetWriter() {
  static CRSDataEx writer(kWriteMode);
  return &writer;
}

CRSData* CRSData::GetReader() {
  static CRSDataEx reader(kReadMode);
  return &reader;
}

void CRSData::Raise(std::uint32_t code) { throw CRSException(code); }

void CRSData::RequireMode(int mode) const {
  if (mode_ != mode) Raise(qm::kRSWrongMode);
}

void CRSData::RequireSection() const {
  if (!SectionOpen()) Raise(qm::kRSNoOpenSection);
}

int CRSData::Open(const char* path, int create) {
  Close();
  if (path == nullptr || *path == '\0') return 0;
  const int mode = mode_ == kReadMode ? CPlainFile::kRead
                   : create != 0      ? CPlainFile::kCreateAlways
                                      : CPlainFile::kOpenAlways;
  return file_.Open(path, mode) ? 1 : 0;
}

int CRSData::Close() {
  if (SectionOpen() && mode_ == kWriteMode && file_.IsOpen()) {
    // Closing the file completes a section still open, so that no content
    // written is lost. The file is closed even when that fails.
    try {
      CloseSection();
    } catch (...) {
      ForgetSection();
      file_.Close();
      throw;
    }
  }
  ForgetSection();
  file_.Close();
  return 1;
}

bool CRSData::ReadHeaderBytes(std::uint8_t (&bytes)[qm::kRSHeaderSize]) {
  std::memset(bytes, 0, qm::kRSHeaderSize);
  if (!file_.IsOpen() || !file_.Seek(0)) return false;
  return file_.Read(bytes, qm::kRSHeaderSize) == qm::kRSHeaderSize;
}

int CRSData::IsValid() {
  std::uint8_t bytes[qm::kRSHeaderSize];
  if (!ReadHeaderBytes(bytes)) return 0;
  const RSHeader header = qm::DecodeRSHeader(qm::ByteView(bytes, sizeof bytes));
  return header.marker == qm::kRSMarker && header.fileKind >= 1 && header.fileKind <= kFileKindMax ? 1 : 0;
}

int CRSData::WriteHeader(const RSHeader& header) {
  RequireMode(kWriteMode);
  RSHeader stored = header;
  stored.magic = qm::kRSMagic;
  stored.crc = 0;
  std::uint8_t bytes[qm::kRSHeaderSize];
  qm::EncodeRSHeader(stored, bytes);
  qm::StoreLe32(bytes + kCrcOffset, qm::RSHeaderCrc(bytes));
  if (!file_.IsOpen() || !file_.Seek(0)) return 0;
  return file_.Write(bytes, sizeof bytes);
}

int CRSData::ReadHeader(RSHeader& header) {
  std::uint8_t bytes[qm::kRSHeaderSize];
  const bool whole = ReadHeaderBytes(bytes);
  header = qm::DecodeRSHeader(qm::ByteView(bytes, sizeof bytes));
  // The stored field is 32 bits wide and must equal the 16-bit CRC, so a
  // non-zero high half fails too.
  return whole && header.crc == qm::RSHeaderCrc(bytes) && header.magic == qm::kRSMagic ? 1 : 0;
}

int CRSData::GetFileKind() {
  RequireMode(kReadMode);
  RSHeader header;
  if (ReadHeader(header) && header.fileKind > kFileKindMax) Raise(qm::kRSBadHeaderValue);
  return static_cast<int>(header.fileKind);
}

void CRSData::SetFileKind(int kind) {
  RequireMode(kWriteMode);
  // A kind outside 1 to 4 would make the file unreadable as a state file.
  if (kind < 0 || static_cast<std::uint32_t>(kind) > kFileKindMax) Raise(qm::kRSBadHeaderValue);
  RSHeader header;
  if (!ReadHeader(header)) header = EmptyHeader();
  header.fileKind = static_cast<std::uint32_t>(kind);
  if (!WriteHeader(header)) Raise(qm::kRSWriteFailed);
}

void CRSData::SetText(const char* text) {
  RequireMode(kWriteMode);
  RSHeader header;
  if (!ReadHeader(header)) return;
  const std::size_t length = text == nullptr ? 0 : strnlen(text, qm::kRSTextMax);
  std::memset(header.text, 0, sizeof header.text);
  if (length != 0) std::memcpy(header.text, text, length);
  header.textLength = static_cast<std::uint32_t>(length);
  if (!WriteHeader(header)) Raise(qm::kRSWriteFailed);
}

int CRSData::GetText(char* buffer, int size) {
  RequireMode(kReadMode);
  if (buffer == nullptr || size < 1) return 0;
  RSHeader header;
  if (!ReadHeader(header)) {
    buffer[0] = '\0';
    return 0;
  }
  if (header.textLength > qm::kRSTextMax) Raise(qm::kRSBadHeaderValue);
  const std::uint32_t n = std::min<std::uint32_t>(header.textLength, static_cast<std::uint32_t>(size - 1));
  std::memcpy(buffer, header.text, n);
  buffer[n] = '\0';
  return 1;
}

void CRSData::ForgetSection() {
  sectionPos_ = -1;
  sectionLength_ = 0;
  sectionRead_ = 0;
  fill_ = 0;
}

bool CRSData::FindSection(const GUID& id) {
  std::uint64_t fileSize = 0;
  if (!file_.GetSize(&fileSize)) return false;
  std::uint64_t position = qm::kRSHeaderSize;
  std::uint8_t bytes[qm::kRSSectionHeaderSize];
  // Each step moves at least one section header forward, so the walk ends
  // at the end of the file whatever the stored lengths say.
  while (fileSize >= qm::kRSSectionHeaderSize && position <= fileSize - qm::kRSSectionHeaderSize) {
    if (!file_.Seek(position) || file_.Read(bytes, sizeof bytes) != sizeof bytes) return false;
    const qm::ByteView view(bytes, sizeof bytes);
    if (!(qm::LoadGuid(view, kSectionMarkerOffset) == qm::kRSMarker)) {
      LogError("Result stream: no section marker at offset %llu", static_cast<unsigned long long>(position));
      return false;
    }
    const std::uint32_t length = view.le32(kSectionLengthOffset);
    if (qm::LoadGuid(view, kSectionIdOffset) == id) {
      sectionId_ = id;
      sectionPos_ = static_cast<std::int64_t>(position);
      sectionLength_ = length;
      sectionRead_ = 0;
      fill_ = 0;
      return true;
    }
    position += qm::kRSSectionHeaderSize + std::uint64_t{length};
  }
  return false;
}

int CRSData::OpenSection(const GUID& id) {
  if (TryOpenSection(id)) return 1;
  Raise(qm::kRSNoSuchSection);
}

int CRSData::TryOpenSection(const GUID& id) {
  CloseSection();
  if (mode_ == kReadMode) return FindSection(id) ? 1 : 0;

  std::uint64_t end = 0;
  if (!file_.GetSize(&end)) Raise(qm::kRSWriteFailed);
  // Sections begin after the header even when the header is written later.
  end = std::max<std::uint64_t>(end, qm::kRSHeaderSize);
  std::uint8_t bytes[qm::kRSSectionHeaderSize];
  EncodeSectionHeader(id, 0, bytes);
  if (!file_.Seek(end) || !file_.Write(bytes, sizeof bytes)) Raise(qm::kRSWriteFailed);
  sectionId_ = id;
  sectionPos_ = static_cast<std::int64_t>(end);
  sectionLength_ = 0;
  fill_ = 0;
  return 1;
}

int CRSData::HasSection(const GUID& id) {
  RequireMode(kReadMode);
  const int found = TryOpenSection(id);
  CloseSection();
  return found;
}

int CRSData::CloseSection() {
  if (!SectionOpen()) return 1;
  if (mode_ == kWriteMode) {
    std::uint8_t bytes[qm::kRSSectionHeaderSize];
    try {
      Flush();
    } catch (const IRSException&) {
      // The section ends with what reached the file, so that the sections
      // before it stay readable; it is closed either way.
      EncodeSectionHeader(sectionId_, sectionLength_, bytes);
      if (file_.Seek(static_cast<std::uint64_t>(sectionPos_))) file_.Write(bytes, sizeof bytes);
      ForgetSection();
      throw;
    }
    EncodeSectionHeader(sectionId_, sectionLength_, bytes);
    if (!file_.Seek(static_cast<std::uint64_t>(sectionPos_)) || !file_.Write(bytes, sizeof bytes)) {
      ForgetSection();
      Raise(qm::kRSWriteFailed);
    }
  }
  ForgetSection();
  return 1;
}

std::uint32_t CRSData::GetSectionLength() {
  RequireSection();
  return sectionLength_;
}

void CRSData::AppendStored(const void* data, std::uint32_t n) {
  // The section's length field is 32 bits: a section that would outgrow it
  // is refused instead of wrapping into a length that misplaces every later
  // section.
  if (n > std::numeric_limits<std::uint32_t>::max() - sectionLength_) Raise(qm::kRSWriteFailed);
  if (!file_.Seek(ContentStart() + sectionLength_) || !file_.Write(data, n)) Raise(qm::kRSWriteFailed);
  sectionLength_ += n;
}

int CRSData::Read(void* buffer, std::uint32_t n) {
  RequireMode(kReadMode);
  RequireSection();
  const std::uint64_t left = sectionLength_ - sectionRead_;
  const std::uint32_t wanted = static_cast<std::uint32_t>(std::min<std::uint64_t>(n, left));
  std::uint32_t got = 0;
  if (wanted != 0 && file_.Seek(ContentStart() + sectionRead_)) got = file_.Read(buffer, wanted);
  sectionRead_ += got;
  if (got != n) Raise(qm::kRSShortRead);
  return 1;
}

int CRSData::Write(const void* buffer, std::uint32_t n) {
  RequireMode(kWriteMode);
  RequireSection();
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  while (n != 0) {
    const std::uint32_t take = std::min(n, qm::kRSBufferSize - fill_);
    std::memcpy(buffer_.get() + fill_, bytes, take);
    fill_ += take;
    bytes += take;
    n -= take;
    if (fill_ == qm::kRSBufferSize) Flush();
  }
  return 1;
}

void CRSData::Flush() {
  if (mode_ != kWriteMode || fill_ == 0) return;
  RequireSection();
  const std::uint32_t n = fill_;
  fill_ = 0;
  AppendStored(buffer_.get(), n);
}
