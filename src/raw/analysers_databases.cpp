#include "raw/analysers_databases.h"

#include <string_view>

#include "filemodel/raw_file_info.h"
#include "raw/analyser_common.h"
#include "raw/raw_read_buffer.h"

namespace {

constexpr int kTypeDbx = 19;
constexpr int kTypeMdb = 37;
constexpr int kTypeMny = 38;
constexpr int kTypePst = 52;
constexpr int kTypeAccdb = 72;

// Personal folders header: offset, size, meaning.
//   0   4  "!BDN"
//  10   2  format: 14 (and 15) 32-bit, 23 64-bit
// 168   4  file size (32-bit format)
// 184   8  file size (64-bit format)
constexpr std::uint64_t kPstFormat = 10;
constexpr std::uint8_t kPstAnsi = 14;
constexpr std::uint8_t kPstUnicode = 23;
constexpr std::uint64_t kPstAnsiSize = 168;
constexpr std::uint64_t kPstUnicodeSize = 184;
constexpr std::uint64_t kPstUnknownSize = 0x100000;

// The four mail-folder ids and the older "JMF6" header.
constexpr std::uint8_t kDbxIds[4][16] = {
    {0xCF, 0xAD, 0x12, 0xFE, 0xC5, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0},
    {0xCF, 0xAD, 0x12, 0xFE, 0xC6, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0},
    {0xCF, 0xAD, 0x12, 0xFE, 0xC7, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0},
    {0xCF, 0xAD, 0x12, 0xFE, 0x30, 0x9D, 0xFE, 0x26, 0x8F, 0x1A, 0xD2, 0x11, 0xAA, 0xBF, 0x00, 0x60},
};
constexpr std::string_view kDbxOld("JMF6\x03\x00\x10\x00", 8);
constexpr std::uint64_t kDbxSize = 124;

constexpr std::string_view kJetDb("\x00\x01\x00\x00Standard Jet DB\x00", 20);
constexpr std::string_view kAceDb("\x00\x01\x00\x00Standard ACE DB\x00", 20);
constexpr std::uint64_t kMdbPage = 4096;
constexpr std::uint64_t kMdbMaxSize = 0x6400000; // 100 MiB

constexpr std::uint64_t kMnyName = 4;
constexpr std::uint64_t kMnySize = 0x100000;

} // namespace

int FilePSTAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, "!BDN")) return 0;
  info->SetType(kTypePst);
  std::uint64_t size = kPstUnknownSize;
  if (h.u8(kPstFormat) == kPstAnsi) size = h.le32(kPstAnsiSize);
  // The 64-bit format keeps a 64-bit size; its low half alone would cut
  // a store of 4 GiB or more to a wrong small length.
  else if (h.u8(kPstFormat) == kPstUnicode) size = h.le64(kPstUnicodeSize);
  info->SetLength(size);
  return 1;
}

int FileDBXAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  bool known = h.matches(0, kDbxOld);
  for (const auto& id : kDbxIds)
    known = known || h.matches(0, std::string_view(reinterpret_cast<const char*>(id), sizeof id));
  if (!known) return 0;
  info->SetType(kTypeDbx);
  info->SetLength(h.le32(kDbxSize));
  return 1;
}

int FileMDBAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (h.matches(0, kJetDb))
    info->SetType(kTypeMdb);
  else if (h.matches(0, kAceDb))
    info->SetType(kTypeAccdb);
  else
    return 0;
  return 1;
}

int FileMDBAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  if (info == nullptr) return 0;
  CRawReadBuffer reader(device, info->GetStartSector());
  const std::uint64_t maximum = qm::MaxCarvedSize();
  std::uint64_t offset = kMdbPage;
  qm::WalkPump pump;
  // Pages in use begin with their page type; the first page that begins
  // with 0 lies past the database.
  while (offset < kMdbMaxSize && offset <= maximum) {
    pump.Step();
    const qm::ByteView page = reader.GetPointer(offset);
    if (page.empty() || page.u8(0) == 0) break;
    offset += kMdbPage;
  }
  info->SetLength(offset);
  return 1;
}

int FileMNYAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(kMnyName, "MSISAM Database")) return 0;
  info->SetType(kTypeMny);
  info->SetLength(kMnySize);
  return 1;
}
