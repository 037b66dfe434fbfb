#include "ntfs/ntfs_properties_build.h"

#include <climits>
#include <string_view>

#include "filemodel/file_extension.h"
#include "ntfs/data_runs.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_extents.h"
#include "ntfs/tree_build_filters.h"
#include "storage/app_settings.h"
#include "storage/text_convert.h"

namespace qm {
namespace {
constexpr std::uint8_t kWin32NameSpace = 1;
constexpr std::uint8_t kDosNameSpace = 2;
// Attribute bits that $STANDARD_INFORMATION gives a found file.
constexpr std::uint16_t kCopiedAttributes = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

std::optional<NtfsChosenName> ReadName(ByteView attribute) {
  if (attribute.empty()) return std::nullopt;
  const auto value = attr::ResidentValue(attribute);
  if (!value || attr::Type(attribute) != mft::kFileName) return std::nullopt;
  NtfsChosenName name;
  name.length = value->u8(filename::kNameLength);
  if (!value->has(filename::kName, std::uint64_t{name.length} * 2)) return std::nullopt;
  name.attribute = attribute;
  name.parent = value->le64(filename::kParent) & kRecordNumberMask;
  name.creationTime = value->le64(filename::kCreation);
  name.realSize = value->le64(filename::kRealSize);
  name.flags = value->le32(filename::kFlags);
  name.nameBytes = value->sub(filename::kName, std::uint64_t{name.length} * 2);
  return name;
}

std::uint8_t NameSpaceOf(ByteView attribute) {
  const auto value = attr::ResidentValue(attribute);
  return value ? value->u8(filename::kNameSpace) : 0;
}

std::optional<NtfsChosenName> ChooseName(ByteView firstAttribute, ByteView secondAttribute) {
  const auto first = ReadName(firstAttribute);
  if (!first) return std::nullopt;
  const auto second = ReadName(secondAttribute);
  NtfsChosenName chosen = *first;
  // A DOS alias is never the name to show when the record has another.
  if (second &&
      (NameSpaceOf(second->attribute) == kWin32NameSpace ||
       (NameSpaceOf(first->attribute) == kDosNameSpace && NameSpaceOf(second->attribute) != kDosNameSpace)))
    chosen = *second;
  if (second && second->parent >= kNtfsRootRecord)
    chosen.parent = second->parent;
  else if (first->parent >= kNtfsRootRecord)
    chosen.parent = first->parent;
  return chosen;
}
} // namespace

std::optional<NtfsChosenName> ChooseNtfsFileName(ByteView record) {
  const NtfsAttribute first = FindAttribute(record, mft::kFileName, 0);
  if (!first) return std::nullopt;
  return ChooseName(first.bytes, FindAttribute(record, mft::kFileName, 1).bytes);
}

std::optional<NtfsChosenName> ChooseNtfsFileName(const NtfsAttributeTable& attributes) {
  const NtfsAttribute first = attributes.Find(mft::kFileName, 0);
  if (!first) return std::nullopt;
  return ChooseName(first.bytes, attributes.Find(mft::kFileName, 1).bytes);
}

std::optional<NtfsChosenName> ChooseNtfsFileName(CNTFSFileRecord& record) {
  // A file in hundreds of fragments (or with many links) outgrows its base
  // record, and the driver may move its $FILE_NAME attributes into extension
  // records: they count on from the base record's.
  const CNTFSFileRecord::Found first = record.FindAttributeAnywhere(mft::kFileName, 0);
  if (!first) return std::nullopt;
  return ChooseName(first.attribute.bytes, record.FindAttributeAnywhere(mft::kFileName, 1).attribute.bytes);
}

} // namespace qm

std::unique_ptr<CNTFSFileProperties>
BuildNtfsFileProperties(std::uint64_t recordSector, CNTFSFileRecord& record, std::uint64_t bytesPerCluster,
                        std::uint64_t* parent, const std::optional<qm::ExtensionRecordList>& extensions) {
  if (!record.IsValid()) return nullptr;
  const qm::ByteView bytes = record.Record();
  const qm::NtfsAttributeTable& attributes = record.Attributes();
  const auto name = qm::ChooseNtfsFileName(record);
  if (!name) return nullptr;
  if (parent != nullptr) *parent = name->parent;
  if (name->length == 0) return nullptr;

  char16_t wide[256];
  char narrow[256];
  bool ascii = true;
  for (std::size_t i = 0; i < name->length; ++i) {
    wide[i] = static_cast<char16_t>(name->nameBytes.le16(2 * i));
    narrow[i] = static_cast<char>(wide[i]);
    ascii = ascii && wide[i] < 0x80;
  }
  const std::u16string_view wideName(wide, name->length);

  NtfsFileInfo info;
  // Nearly every name is plain ASCII, which converts byte for byte.
  info.name = ascii ? std::string(narrow, name->length) : qm::Utf16ToUtf8(wideName);
  if (info.name.empty()) return nullptr;
  const bool isFolder = (name->flags & qm::filename::kDirectory) != 0;
  if (isFolder) info.attributes = qm::kAttrFolder;

  if (!GetExtensionFilter()->Accepts(info.name.c_str(), isFolder ? 1 : 0)) return nullptr;
  if (!isFolder && GetAppSettings()->bPhotoRecovery != 0) {
    std::u16string_view extension;
    if (GetExtensionW(wideName, extension) == 0 || IsMediaExtensionA(extension) == 0) return nullptr;
  }

  info.nameLength = static_cast<std::uint16_t>(info.name.size() > 0xFFFF ? 0xFFFF : info.name.size());
  info.creationTime = info.lastWriteTime = info.lastAccessTime = name->creationTime;
  if (const auto standardAttribute = attributes.Find(qm::mft::kStandardInformation, 0)) {
    if (const auto standard = qm::ReadStandardInformation(standardAttribute.bytes)) {
      info.creationTime = standard->creationTime;
      info.lastWriteTime = standard->modificationTime;
      info.lastAccessTime = standard->accessTime;
      info.attributes |= static_cast<std::uint16_t>(standard->fileAttributes & qm::kCopiedAttributes);
    }
  }
  info.recordSector = recordSector;
  if (!IsInUse(bytes)) info.state |= qm::kStateDeleted;

  qm::NtfsFileExtents extents;
  // A size past the signed range is damage; the runs decide it then.
  extents.size =
      name->realSize > static_cast<std::uint64_t>(INT64_MAX) ? -1 : static_cast<std::int64_t>(name->realSize);
  extents.attributes = info.attributes;
  CollectFileDataRuns(record, bytesPerCluster, extents);
  info.attributes = extents.attributes;
  if (extents.size < 0) {
    std::uint64_t clusters = 0;
    if (extents.extents && extents.extents->GetResidentValue() == 0)
      clusters = SumRunLengths(extents.extents->MappingPairs());
    extents.size = static_cast<std::int64_t>(clusters * bytesPerCluster);
  }
  info.size = static_cast<std::uint64_t>(extents.size);
  info.extents = std::move(extents.extents);

  auto properties = CreateNtfsFileProperties();
  properties->Init(std::move(info));
  if (extensions) properties->SetExtensionList(extensions);
  return properties;
}
