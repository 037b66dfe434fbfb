// The sections of a saved scan result: the found-partition windows, the
// file tree, the carved files and the found partitions. Each is one GUID
// section of a result stream (crs_data.h); the controller list has its own
// writer beside the controllers (raw/search_controllers.h).
//
// The engines sit above this library, so the objects a section holds by
// type code (file properties) or kind (found partitions) are made by
// factories that each engine registers at start-up.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "filemodel/file_properties.h"
#include "platform/guid.h"
#include "storage/partition_search_callbacks.h"

class CFileNode;
class CRawFileCollection;
class CSearchedPartitionInfo;
class IDIRBuildCallback;
class IRSData;
class IStorageDevice;

namespace qm {

inline constexpr GUID kPartitionWindowListSection = {
    0x7DC06525, 0x638A, 0x4A8C, {0xB7, 0xD1, 0x64, 0x19, 0x64, 0x12, 0x47, 0xDB}};
inline constexpr GUID kFileTreeSection = {
    0xD208F26C, 0x078C, 0x4E34, {0x9D, 0x71, 0xD9, 0x1F, 0x53, 0x5F, 0x7B, 0x57}};
inline constexpr GUID kCarvedFileListSection = {
    0x0F1F07F2, 0xA023, 0x4DEF, {0x94, 0x0E, 0x2C, 0xE8, 0x0A, 0x7A, 0x8D, 0x3D}};
inline constexpr GUID kFoundPartitionListSection = {
    0x9332EB72, 0x887D, 0x4145, {0x93, 0x7D, 0xC3, 0xC9, 0x18, 0xEA, 0x09, 0xFE}};

// Properties of a type code, empty, ready to Load.
using FilePropertiesFactory = std::function<std::unique_ptr<IFileProperties>()>;
// Registers (or, with an empty function, removes) the factory of a type
// code. Type codes 0-3 are the engines'; 4 is the generic properties of a
// tree's root, registered by the file model itself.
void RegisterFilePropertiesFactory(std::uint32_t typeCode, FilePropertiesFactory factory);
std::unique_ptr<IFileProperties> CreateFilePropertiesByType(std::uint32_t typeCode);

// Found-partition records by the kind written before them (0 NTFS, 1 FAT,
// 2 EXT2, 3 the plain record, registered by the file model itself); made
// with 512 bytes per sector before they load themselves.
using FoundPartitionFactory = std::function<std::unique_ptr<CSearchedPartitionInfo>()>;
void RegisterFoundPartitionFactory(std::uint32_t kind, FoundPartitionFactory factory);
std::unique_ptr<CSearchedPartitionInfo> CreateFoundPartitionByKind(std::uint32_t kind);

// One entry of the found-partition window list: the record and the window
// through which its volume is read (the record points at it).
struct PartitionWindowEntry {
  LostPartitionRecord record;
  std::unique_ptr<IStorageDevice> window;
};
using PartitionWindowList = std::vector<PartitionWindowEntry>;

// Saved labels keep their first 40 bytes.
inline constexpr std::size_t kSavedLabelBytes = 40;

} // namespace qm

// The found-partition windows and the selected index (-1 for none). Each
// record's window start and length come from its window device when that
// is a partition window, else from the record itself.
int WritePartitionListSection(const std::vector<const LostPartitionRecord*>& list, int selected,
                              IRSData* stream);
// Empties the list, then reads the entries back, each with a new window
// over device at the stored start and length. An index at or past the
// count selects none (-1). 0 when the section is missing.
int ReadPartitionListSection(qm::PartitionWindowList& list, int* selected, IStorageDevice* device,
                             IRSData* stream);

// The tree below root, breadth first, each folder's children from last to
// first (so that reading them back with AddChild restores their order).
// The callback (may be null) gets OnPosition as the percentage grows and
// Poll after each node.
int WriteFileTreeSection(CFileNode* root, IRSData* stream, IDIRBuildCallback* callback);
// The tree back, its check states recounted; null when the section is
// missing or does not start with a tree. A type code that no factory makes
// fails the load: its record's length is unknown, so nothing after it could
// be read. Generic properties (type 4) below the root keep their name,
// attributes, valid fields and size in the tree itself.
CFileNode* ReadFileTreeSection(IRSData* stream, IDIRBuildCallback* callback);

// The carved files: u64 count, then per file its start sector, length,
// type and analyser type.
int SaveCarvedFileList(CRawFileCollection* collection, IRSData* stream);
// A new collection of the saved records; null when the section is missing.
std::unique_ptr<CRawFileCollection> LoadCarvedFileList(IRSData* stream);

// The found partitions: u64 count, then per record its u32 kind and its own
// record.
int SaveFileListState(const std::vector<CSearchedPartitionInfo*>& list, IRSData* stream);
// Empties the list (which owns its records) and reads it back; emptied
// again when the load fails. 0 when the section is missing or names a kind
// that no factory makes.
int LoadFileListState(std::vector<CSearchedPartitionInfo*>& list, IRSData* stream);
