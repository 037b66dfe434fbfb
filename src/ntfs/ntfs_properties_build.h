// The properties of one file of an NTFS tree, made from its MFT record: the
// name and parent folder chosen among its $FILE_NAME attributes, the times
// and attribute bits of $STANDARD_INFORMATION, the state and the extents.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "ntfs/ntfs_file_properties.h"
#include "ntfs/ntfs_file_record.h"
#include "platform/byte_view.h"

namespace qm {
// The root folder's record number: record numbers below it belong to system
// files and are never a real parent.
inline constexpr std::uint64_t kNtfsRootRecord = 5;

// The name and parent of a record, chosen among its first two $FILE_NAME
// attributes (the name's UTF-16 units stay in the record).
struct NtfsChosenName {
  ByteView attribute;       // the chosen $FILE_NAME
  std::uint64_t parent = 0; // by the parent rule, 48-bit number
  std::uint64_t creationTime = 0;
  std::uint64_t realSize = 0;
  std::uint32_t flags = 0;
  std::uint8_t length = 0; // characters
  ByteView nameBytes;      // UTF-16LE
};
// The second $FILE_NAME names the file when it is a Win32 name, or when the
// first is only the DOS alias; otherwise the first. The parent is the
// second's when it is a real folder number (5 or more), else the first's
// when that is, else the chosen one's. Nothing without a sound $FILE_NAME.
std::optional<NtfsChosenName> ChooseNtfsFileName(ByteView record);
// The same over a checked record's attribute table.
std::optional<NtfsChosenName> ChooseNtfsFileName(const NtfsAttributeTable& attributes);
// The same over a file's records: the base record's $FILE_NAME attributes
// first, then those of its extension records (the name's units stay in the
// record that holds them).
std::optional<NtfsChosenName> ChooseNtfsFileName(CNTFSFileRecord& record);
} // namespace qm

// Null for an invalid record, a name that is empty or will not convert, or
// a file that the file-type filter or photo recovery leaves out. parent
// receives the chosen parent number whenever a name was found.
std::unique_ptr<CNTFSFileProperties>
BuildNtfsFileProperties(std::uint64_t recordSector, CNTFSFileRecord& record, std::uint64_t bytesPerCluster,
                        std::uint64_t* parent, const std::optional<qm::ExtensionRecordList>& extensions = {});
