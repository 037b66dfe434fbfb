#include "ntfs/system_files.h"

#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "ntfs/mft_attribute.h"
#include "storage/text_convert.h"

namespace {

struct SystemFile {
  std::u16string_view name;
  int number;
};

constexpr SystemFile kSystemFiles[] = {
    {u"$MFT", 0},     {u"$MFTMirr", 1}, {u"$LogFile", 2}, {u"$Volume", 3},  {u"$AttrDef", 4},
    {u".", 5},        {u"$Bitmap", 6},  {u"$Boot", 7},    {u"$BadClus", 8}, {u"$Secure", 9},
    {u"$UpCase", 10}, {u"$Extend", 11}, {u"$Quota", 32},  {u"$ObjId", 33},  {u"$Reparse", 34},
};

// The attributes of a record, found by walking it or from its table.
qm::NtfsAttribute Find(qm::ByteView record, std::uint32_t type) { return FindAttribute(record, type, 0); }
qm::NtfsAttribute Find(const qm::NtfsAttributeTable& attributes, std::uint32_t type) {
  return attributes.Find(type, 0);
}

// The UTF-16 bytes of the record's first $FILE_NAME, or empty.
template <typename Record> qm::ByteView FirstName(const Record& record) {
  const qm::NtfsAttribute fn = Find(record, qm::mft::kFileName);
  return fn ? qm::FileNameBytes(fn.bytes) : qm::ByteView();
}

bool NameEquals(qm::ByteView name, std::u16string_view wanted) {
  if (name.size() != wanted.size() * 2) return false;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    if (name.le16(2 * i) != wanted[i]) return false;
  }
  return true;
}

template <typename Record> bool IsHiddenSystem(const Record& record) {
  const qm::NtfsAttribute si = Find(record, qm::mft::kStandardInformation);
  if (!si) return false;
  const auto info = qm::ReadStandardInformation(si.bytes);
  constexpr std::uint32_t kBoth = qm::stdinfo::kHidden | qm::stdinfo::kSystem;
  return info && (info->fileAttributes & kBoth) == kBoth;
}

bool FirstNameEquals(qm::ByteView record, std::u16string_view wanted) {
  return NameEquals(FirstName(record), wanted);
}

bool IsNamedSystemFile(const CNTFSFileRecordView& view, std::u16string_view name) {
  return view.IsValid() && IsHiddenSystem(view.Record()) && FirstNameEquals(view.Record(), name);
}

qm::ByteView RecordBytes(qm::ByteView record) { return record; }
qm::ByteView RecordBytes(const qm::NtfsAttributeTable& attributes) { return attributes.Record(); }

template <typename Record> int SystemFileNumberOf(const Record& record) {
  if (IsExtensionRecord(RecordBytes(record))) return -1;
  const qm::ByteView name = FirstName(record);
  if (name.empty()) return -1;
  // Every system file's name starts with '$' but the root folder's ".".
  const std::uint16_t first = name.le16(0);
  if (first != u'$' && first != u'.') return -1;
  for (const SystemFile& file : kSystemFiles) {
    if (NameEquals(name, file.name)) return file.number;
  }
  return -1;
}

template <typename Test> bool OverFirst1024(std::span<std::uint8_t> record, Test&& test) {
  const CNTFSFileRecordView view(record.size() > 1024 ? record.first(1024) : record, false);
  return test(view);
}

} // namespace

int GetSystemFileNumber(const CNTFSFileRecordView& view) {
  return view.IsValid() ? SystemFileNumberOf(view.Record()) : -1;
}

bool IsSystemFileRecord(const CNTFSFileRecordView& view) {
  return view.IsValid() && IsSystemFileRecord(view.Record());
}

bool IsSystemFileRecord(qm::ByteView fixedRecord) {
  return SystemFileNumberOf(fixedRecord) >= 0 && IsHiddenSystem(fixedRecord);
}

bool IsSystemFileRecord(const qm::NtfsAttributeTable& attributes) {
  return SystemFileNumberOf(attributes) >= 0 && IsHiddenSystem(attributes);
}

bool IsMftFileRecord(const CNTFSFileRecordView& v) { return IsNamedSystemFile(v, u"$MFT"); }
bool IsMftMirrFileRecord(const CNTFSFileRecordView& v) { return IsNamedSystemFile(v, u"$MFTMirr"); }
bool IsLogFileFileRecord(const CNTFSFileRecordView& v) { return IsNamedSystemFile(v, u"$LogFile"); }
bool IsVolumeFileRecord(const CNTFSFileRecordView& v) { return IsNamedSystemFile(v, u"$Volume"); }
bool IsBitmapFileRecord(const CNTFSFileRecordView& v) { return IsNamedSystemFile(v, u"$Bitmap"); }
bool IsAttrDefFileRecord(const CNTFSFileRecordView& v) { return IsNamedSystemFile(v, u"$AttrDef"); }
bool IsUpCaseFileRecord(const CNTFSFileRecordView& v) { return IsNamedSystemFile(v, u"$UpCase"); }

bool IsMftFileRecord(std::span<std::uint8_t> r) {
  return OverFirst1024(r, [](const CNTFSFileRecordView& v) { return IsMftFileRecord(v); });
}
bool IsMftMirrFileRecord(std::span<std::uint8_t> r) {
  return OverFirst1024(r, [](const CNTFSFileRecordView& v) { return IsMftMirrFileRecord(v); });
}
bool IsLogFileFileRecord(std::span<std::uint8_t> r) {
  return OverFirst1024(r, [](const CNTFSFileRecordView& v) { return IsLogFileFileRecord(v); });
}
bool IsVolumeFileRecord(std::span<std::uint8_t> r) {
  return OverFirst1024(r, [](const CNTFSFileRecordView& v) { return IsVolumeFileRecord(v); });
}
bool IsBitmapFileRecord(std::span<std::uint8_t> r) {
  return OverFirst1024(r, [](const CNTFSFileRecordView& v) { return IsBitmapFileRecord(v); });
}
bool IsAttrDefFileRecord(std::span<std::uint8_t> r) {
  return OverFirst1024(r, [](const CNTFSFileRecordView& v) { return IsAttrDefFileRecord(v); });
}
bool IsUpCaseFileRecord(std::span<std::uint8_t> r) {
  return OverFirst1024(r, [](const CNTFSFileRecordView& v) { return IsUpCaseFileRecord(v); });
}

bool GetVolumeLabelFromRecord(std::span<std::uint8_t> record, char (&label)[kVolumeLabelBytes]) {
  const CNTFSFileRecordView view(record, false);
  if (!IsVolumeFileRecord(view)) return false;
  const qm::NtfsAttribute attribute = FindAttribute(view.Record(), qm::mft::kVolumeName, 0);
  if (!attribute) return false;
  const auto value = qm::attr::ResidentValue(attribute.bytes);
  if (!value) return false;
  const std::uint64_t end =
      std::uint64_t{attribute.offset} + (value->data() - attribute.bytes.data()) + value->size();
  if (end > 1024) return false;
  std::u16string text(value->size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(value->le16(2 * i));
  const std::string utf8 = qm::Utf16ToUtf8(text);
  // Cut at a whole character so that the output stays valid UTF-8 and
  // leaves room for the terminator.
  std::size_t n = std::min(utf8.size(), kVolumeLabelBytes - 1);
  while (n > 0 && n < utf8.size() && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
    --n;
  std::memcpy(label, utf8.data(), n);
  label[n] = '\0';
  return true;
}

bool CollectUnnamedDataRuns(qm::ByteView record, bool checkLengths, qm::NtfsRunList& runs,
                            std::uint64_t& realSize) {
  for (unsigned i = 0;; ++i) {
    const qm::NtfsAttribute data = FindAttribute(record, qm::mft::kData, i);
    if (!data) return true;
    if (qm::attr::Length(data.bytes) == 0) return false;
    if (qm::attr::NameLength(data.bytes) != 0) continue;
    if (qm::attr::IsResident(data.bytes)) return false;
    const auto nr = qm::ReadNonResident(data.bytes);
    if (!nr) return false;
    if (checkLengths && (qm::attr::Flags(data.bytes) & qm::mft::kAttrCompressed) == 0 &&
        SumRunLengths(nr->mappingPairs) != nr->lastVcn - nr->firstVcn + 1) {
      return false;
    }
    DecodeDataRuns(nr->mappingPairs, runs, nr->firstVcn);
    if (nr->firstVcn == 0) realSize = nr->realSize;
  }
}

unsigned GuessSectorsPerClusterFromMftRecord(qm::ByteView record, std::uint32_t sectorSize) {
  qm::NtfsRunList runs;
  std::uint64_t realSize = 0;
  if (!CollectUnnamedDataRuns(record, true, runs, realSize)) return 0;
  const std::uint64_t clusters = TotalClusters(runs);
  if (clusters == 0) return 0;
  if (sectorSize == 0 || sectorSize % 512 != 0) sectorSize = 512;
  const double perCluster = std::ceil(static_cast<double>(realSize) / static_cast<double>(clusters) /
                                      static_cast<double>(sectorSize));
  for (unsigned spc = 1; spc <= 128; spc *= 2) {
    if (perCluster <= spc && (spc == 1 ? perCluster >= 1 : perCluster > spc / 2)) return spc;
  }
  return 0;
}
