#include "ntfs/mft_attribute.h"

#include "ntfs/mft_record.h"

namespace qm {

namespace attr {

ByteView NameBytes(ByteView a) {
  const std::uint64_t length = std::uint64_t{NameLength(a)} * 2;
  if (length == 0) return {};
  return a.sub(a.le16(mft::kAttrNameOffset), length);
}

} // namespace attr

std::optional<NonResidentInfo> ReadNonResident(ByteView a) {
  if (attr::IsResident(a) || !a.has(0, mft::kNonResidentHeader)) return std::nullopt;
  const std::uint64_t pairs = a.le16(mft::kAttrPairsOffset);
  if (pairs > a.size()) return std::nullopt;
  NonResidentInfo info;
  info.firstVcn = a.le64(mft::kAttrFirstVcn);
  info.lastVcn = a.le64(mft::kAttrLastVcn);
  info.compressionUnit = a.le16(mft::kAttrCompressionUnit);
  info.allocatedSize = a.le64(mft::kAttrAllocatedSize);
  info.realSize = a.le64(mft::kAttrRealSize);
  info.initializedSize = a.le64(mft::kAttrInitializedSize);
  info.mappingPairs = a.from(pairs);
  return info;
}

std::optional<StandardInformation> ReadStandardInformation(ByteView a) {
  if (attr::Type(a) != mft::kStandardInformation) return std::nullopt;
  const auto value = attr::ResidentValue(a);
  if (!value || value->size() < stdinfo::kMinLength) return std::nullopt;
  StandardInformation si;
  si.creationTime = value->le64(stdinfo::kCreation);
  si.modificationTime = value->le64(stdinfo::kModification);
  si.accessTime = value->le64(stdinfo::kAccess);
  si.fileAttributes = value->le32(stdinfo::kAttributes);
  return si;
}

ByteView FileNameBytes(ByteView a) {
  if (attr::Type(a) != mft::kFileName) return {};
  const auto value = attr::ResidentValue(a);
  if (!value) return {};
  const std::uint64_t chars = value->u8(filename::kNameLength);
  if (!value->has(filename::kName, chars * 2)) return {};
  return value->sub(filename::kName, chars * 2);
}

std::optional<FileNameInfo> ReadFileName(ByteView a) {
  if (attr::Type(a) != mft::kFileName) return std::nullopt;
  const auto value = attr::ResidentValue(a);
  if (!value) return std::nullopt;
  const std::uint64_t chars = value->u8(filename::kNameLength);
  if (!value->has(filename::kName, chars * 2)) return std::nullopt;
  FileNameInfo fn;
  fn.parentRecord = value->le64(filename::kParent) & kRecordNumberMask;
  fn.creationTime = value->le64(filename::kCreation);
  fn.modificationTime = value->le64(filename::kModification);
  fn.accessTime = value->le64(filename::kAccess);
  fn.realSize = value->le64(filename::kRealSize);
  fn.flags = value->le32(filename::kFlags);
  const std::uint8_t space = value->u8(filename::kNameSpace);
  fn.nameSpace = space > 4 ? 4 : space;
  fn.name.resize(chars);
  for (std::size_t i = 0; i < chars; ++i)
    fn.name[i] = static_cast<char16_t>(value->le16(filename::kName + 2 * i));
  return fn;
}

} // namespace qm
