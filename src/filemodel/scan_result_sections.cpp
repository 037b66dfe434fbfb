#include "filemodel/scan_result_sections.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/raw_file_info.h"
#include "filemodel/rs_data.h"
#include "filemodel/rs_exception.h"
#include "platform/log.h"
#include "storage/partition_device.h"
#include "storage/searched_partition_info.h"

namespace {

using qm::RSRead;
using qm::RSWrite;

constexpr std::int32_t kTreeStart = 1;
constexpr std::int32_t kNodeFileSystem = 1;
constexpr std::int32_t kNodePlain = 0;
constexpr std::int32_t kFolderEnd = -1;

// Factories by number, filled at start-up and read by every load.
template <typename Factory> class FactoryTable {
public:
  FactoryTable(std::uint32_t key, Factory factory) { table_[key] = std::move(factory); }
  void Set(std::uint32_t key, Factory factory) {
    std::lock_guard lock(mutex_);
    if (factory)
      table_[key] = std::move(factory);
    else
      table_.erase(key);
  }
  Factory Get(std::uint32_t key) {
    std::lock_guard lock(mutex_);
    const auto found = table_.find(key);
    return found == table_.end() ? Factory() : found->second;
  }

private:
  std::mutex mutex_;
  std::map<std::uint32_t, Factory> table_;
};

FactoryTable<qm::FilePropertiesFactory>& PropertiesFactories() {
  static FactoryTable<qm::FilePropertiesFactory> table(qm::kPropertiesGeneric, [] {
    return std::unique_ptr<IFileProperties>(std::make_unique<CMyFileProperties>());
  });
  return table;
}

FactoryTable<qm::FoundPartitionFactory>& PartitionFactories() {
  static FactoryTable<qm::FoundPartitionFactory> table(
      kPartitionKindBase, [] { return std::make_unique<CSearchedPartitionInfo>(512); });
  return table;
}

void LogStreamError(const IRSException& error) {
  LogError("RS Exception:%d", static_cast<int>(error.GetErrorCode()));
}

// Percentages of the tree section: one a folder from 40 until past 44, then
// the share of folders taken against those still waiting.
class TreeProgress {
public:
  TreeProgress(IDIRBuildCallback* callback, bool writing) : callback_(callback), writing_(writing) {}
  void FolderTaken(std::uint64_t queued) {
    ++count_;
    if (callback_ == nullptr) return;
    std::uint64_t percent;
    if (last_ <= 44) {
      percent = 40 + count_;
    } else {
      const std::uint64_t base = writing_ ? 2 * queued : count_ + queued;
      percent = base == 0 ? 90 : count_ * 50 / base + 40;
    }
    percent = std::min<std::uint64_t>(percent, 90);
    if (percent > last_) {
      last_ = static_cast<std::uint32_t>(percent);
      callback_->OnPosition(last_);
    }
  }
  void NodeDone() {
    if (callback_ != nullptr) callback_->Poll();
  }

private:
  IDIRBuildCallback* callback_;
  bool writing_;
  std::uint64_t count_ = 0;
  std::uint32_t last_ = 40;
};

// Generic properties save nothing of their own; below the root (the
// folder an engine makes for each partition it builds) the tree keeps
// their name, attributes, valid fields and size itself, or a restored
// partition would come back nameless and no longer a folder, and its
// files could not be read back.
void WriteGenericRecord(const IFileProperties& properties, IRSData& stream) {
  const std::uint32_t length =
      std::min<std::uint32_t>(properties.GetNameLength(), CMyFileProperties::kNameCapacity - 1);
  RSWrite<std::uint32_t>(stream, length);
  if (length != 0) stream.Write(properties.GetName(), length);
  RSWrite<std::uint16_t>(stream, properties.GetAttributes());
  RSWrite<std::uint32_t>(stream, properties.GetValidFields());
  RSWrite<std::uint64_t>(stream, properties.GetSize());
}

std::unique_ptr<IFileProperties> ReadGenericRecord(IRSData& stream) {
  const auto length = RSRead<std::uint32_t>(stream);
  if (length >= CMyFileProperties::kNameCapacity) throw CRSException(qm::kRSBadHeaderValue);
  CMyFileProperties::Record record;
  if (length != 0) stream.Read(record.name, length);
  record.nameLength = length;
  record.attributes = RSRead<std::uint16_t>(stream);
  record.validFields = RSRead<std::uint32_t>(stream);
  record.size = RSRead<std::uint64_t>(stream);
  auto properties = std::make_unique<CMyFileProperties>();
  properties->CopyRecord(record);
  return properties;
}

void WriteProperties(const IFileProperties& properties, IRSData& stream, bool root) {
  RSWrite<std::uint32_t>(stream, properties.GetTypeCode());
  if (!root && properties.GetTypeCode() == qm::kPropertiesGeneric)
    WriteGenericRecord(properties, stream);
  else
    properties.Save(&stream);
}

// Properties by their saved type code; null when no factory makes the code.
std::unique_ptr<IFileProperties> ReadProperties(IRSData& stream, bool root) {
  const auto type = RSRead<std::uint32_t>(stream);
  if (type == qm::kPropertiesGeneric && !root) return ReadGenericRecord(stream);
  auto properties = qm::CreateFilePropertiesByType(type);
  if (!properties) {
    LogError("Saved file tree holds properties of type %u, which cannot be read; load refused", type);
    return nullptr;
  }
  // A record its engine refuses has no known length: what follows it
  // cannot be read. (The generic root properties store nothing and say 0.)
  if (properties->Load(&stream) == 0 && type != qm::kPropertiesGeneric) {
    LogError("Saved file tree holds a damaged record of properties type %u; load refused", type);
    return nullptr;
  }
  return properties;
}

// Deletes a half-read tree on every way out but success.
struct TreeGuard {
  CFileNode* root;
  ~TreeGuard() {
    if (root != nullptr) DeleteFileTree(root);
  }
  CFileNode* Release() { return std::exchange(root, nullptr); }
};

} // namespace

namespace qm {

void RegisterFilePropertiesFactory(std::uint32_t typeCode, FilePropertiesFactory factory) {
  PropertiesFactories().Set(typeCode, std::move(factory));
}

std::unique_ptr<IFileProperties> CreateFilePropertiesByType(std::uint32_t typeCode) {
  const auto factory = PropertiesFactories().Get(typeCode);
  return factory ? factory() : nullptr;
}

void RegisterFoundPartitionFactory(std::uint32_t kind, FoundPartitionFactory factory) {
  PartitionFactories().Set(kind, std::move(factory));
}

std::unique_ptr<CSearchedPartitionInfo> CreateFoundPartitionByKind(std::uint32_t kind) {
  const auto factory = PartitionFactories().Get(kind);
  return factory ? factory() : nullptr;
}

} // namespace qm

int WritePartitionListSection(const std::vector<const LostPartitionRecord*>& list, int selected,
                              IRSData* stream) {
  if (stream == nullptr) return 0;
  try {
    stream->OpenSection(qm::kPartitionWindowListSection);
    RSWrite<std::uint32_t>(*stream, static_cast<std::uint32_t>(list.size()));
    for (const LostPartitionRecord* record : list) {
      std::uint64_t windowStart = record->startSector, windowCount = record->sectorCount;
      if (const auto* window = dynamic_cast<const CBasicPartitionDevice*>(record->partitionDevice)) {
        windowStart = window->GetStartSector();
        windowCount = const_cast<CBasicPartitionDevice*>(window)->GetSectorCount();
      }
      char label[qm::kSavedLabelBytes] = {};
      std::memcpy(label, record->volumeLabel, sizeof label);
      RSWrite<std::uint64_t>(*stream, record->startSector);
      RSWrite<std::uint64_t>(*stream, record->sectorCount);
      stream->Write(label, sizeof label);
      RSWrite<std::uint32_t>(*stream, record->fileSystemType);
      RSWrite<std::uint64_t>(*stream, windowStart);
      RSWrite<std::uint64_t>(*stream, windowCount);
    }
    RSWrite<std::int32_t>(*stream, selected);
    stream->CloseSection();
  } catch (const IRSException& error) {
    LogStreamError(error);
    throw;
  }
  return 1;
}

int ReadPartitionListSection(qm::PartitionWindowList& list, int* selected, IStorageDevice* device,
                             IRSData* stream) {
  list.clear();
  if (selected != nullptr) *selected = -1;
  if (stream == nullptr) return 0;
  try {
    if (!stream->TryOpenSection(qm::kPartitionWindowListSection)) return 0;
    const auto count = RSRead<std::uint32_t>(*stream);
    // Entries are read one by one: a hostile count ends at the section's end.
    for (std::uint32_t i = 0; i < count; ++i) {
      qm::PartitionWindowEntry entry;
      entry.record.startSector = RSRead<std::uint64_t>(*stream);
      entry.record.sectorCount = RSRead<std::uint64_t>(*stream);
      stream->Read(entry.record.volumeLabel, qm::kSavedLabelBytes);
      entry.record.volumeLabel[qm::kSavedLabelBytes - 1] = '\0';
      entry.record.fileSystemType = RSRead<std::uint32_t>(*stream);
      const auto windowStart = RSRead<std::uint64_t>(*stream);
      const auto windowCount = RSRead<std::uint64_t>(*stream);
      entry.window = std::make_unique<CBasicPartitionDevice>(device, windowStart, windowCount);
      entry.record.partitionDevice = entry.window.get();
      list.push_back(std::move(entry));
    }
    const auto index = RSRead<std::int32_t>(*stream);
    if (selected != nullptr) *selected = index >= 0 && static_cast<std::uint32_t>(index) < count ? index : -1;
    stream->CloseSection();
  } catch (const IRSException& error) {
    list.clear();
    if (selected != nullptr) *selected = -1;
    LogStreamError(error);
    throw;
  }
  return 1;
}

int WriteFileTreeSection(CFileNode* root, IRSData* stream, IDIRBuildCallback* callback) {
  if (root == nullptr || stream == nullptr) return 0;
  if (root->IsFileSystemNode() == 0 || root->GetProperties() == nullptr) {
    LogError("A file tree is saved from a volume root with properties only");
    return 0;
  }
  try {
    stream->OpenSection(qm::kFileTreeSection);
    RSWrite<std::int32_t>(*stream, kTreeStart);
    root->Save(stream);
    WriteProperties(*root->GetProperties(), *stream, true);
    TreeProgress progress(callback, true);
    std::deque<CFileNode*> folders{root};
    std::vector<CFileNode*> children;
    while (!folders.empty()) {
      CFileNode* folder = folders.front();
      folders.pop_front();
      children.clear();
      for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
        children.push_back(child);
      for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CFileNode* child = *it;
        const IFileProperties* properties = child->GetProperties();
        if (properties == nullptr) continue; // nothing to say about it, and nothing to recover
        const bool fileSystem = child->IsFileSystemNode() != 0;
        RSWrite<std::int32_t>(*stream, fileSystem ? kNodeFileSystem : kNodePlain);
        if (fileSystem) child->Save(stream);
        WriteProperties(*properties, *stream, false);
        if (properties->IsFolder()) folders.push_back(child);
        progress.NodeDone();
      }
      RSWrite<std::int32_t>(*stream, kFolderEnd);
      progress.FolderTaken(folders.size());
    }
    stream->CloseSection();
  } catch (const IRSException& error) {
    LogStreamError(error);
    throw;
  }
  return 1;
}

CFileNode* ReadFileTreeSection(IRSData* stream, IDIRBuildCallback* callback) {
  if (stream == nullptr) return nullptr;
  try {
    if (!stream->TryOpenSection(qm::kFileTreeSection)) return nullptr;
    if (RSRead<std::int32_t>(*stream) != kTreeStart) {
      stream->CloseSection();
      return nullptr;
    }
    CFileSystemNode* root = CreateFileSystemNode();
    TreeGuard guard{root};
    root->Load(stream);
    auto rootProperties = ReadProperties(*stream, true);
    if (!rootProperties) {
      stream->CloseSection();
      return nullptr;
    }
    if (auto* generic = dynamic_cast<CMyFileProperties*>(rootProperties.get())) {
      // The generic properties of a volume's root store nothing; a root is
      // a folder whatever they said, or the loaded tree's root would show
      // and filter as a file.
      CMyFileProperties::Record record = generic->GetRecord();
      record.attributes |= qm::kAttrFolder;
      record.validFields |= qm::kValidAttributes;
      generic->CopyRecord(record);
    }
    root->SetProperties(std::move(rootProperties));
    TreeProgress progress(callback, false);
    std::deque<CFileNode*> folders{root};
    while (!folders.empty()) {
      CFileNode* folder = folders.front();
      folders.pop_front();
      for (;;) {
        const auto kind = RSRead<std::int32_t>(*stream);
        if (kind == kFolderEnd) break;
        if (kind != kNodePlain && kind != kNodeFileSystem) continue; // skipped, nothing else belongs to it
        CFileNode* node = kind == kNodeFileSystem ? CreateFileSystemNode() : CreateFileNode();
        folder->AddChild(node); // owned by the tree from here, whatever comes
        if (kind == kNodeFileSystem) node->Load(stream);
        auto properties = ReadProperties(*stream, false);
        if (!properties) {
          stream->CloseSection();
          return nullptr;
        }
        const bool isFolder = properties->IsFolder();
        node->SetProperties(std::move(properties));
        if (isFolder) folders.push_back(node);
        progress.NodeDone();
      }
      progress.FolderTaken(folders.size());
    }
    stream->CloseSection();
    root->RefreshCheckStates();
    return guard.Release();
  } catch (const IRSException& error) {
    LogStreamError(error);
    throw;
  }
}

int SaveCarvedFileList(CRawFileCollection* collection, IRSData* stream) {
  if (collection == nullptr || stream == nullptr) return 0;
  try {
    stream->OpenSection(qm::kCarvedFileListSection);
    const auto& records = collection->GetCarvedFiles();
    RSWrite<std::uint64_t>(*stream, records.size());
    for (const CRawFileInfo* record : records) {
      RSWrite<std::uint64_t>(*stream, record->GetStartSector());
      RSWrite<std::uint64_t>(*stream, record->GetLength());
      RSWrite<std::uint32_t>(*stream, static_cast<std::uint32_t>(record->GetType()));
      RSWrite<std::uint16_t>(*stream, static_cast<std::uint16_t>(record->GetAnalyserType()));
    }
    stream->CloseSection();
  } catch (const IRSException& error) {
    LogStreamError(error);
    throw;
  }
  return 1;
}

std::unique_ptr<CRawFileCollection> LoadCarvedFileList(IRSData* stream) {
  if (stream == nullptr) return nullptr;
  try {
    if (!stream->TryOpenSection(qm::kCarvedFileListSection)) return nullptr;
    auto collection = std::make_unique<CRawFileCollection>();
    const auto count = RSRead<std::uint64_t>(*stream);
    for (std::uint64_t i = 0; i < count; ++i) {
      auto record = std::make_unique<CRawFileInfo>();
      record->SetStartSector(RSRead<std::uint64_t>(*stream));
      record->SetLength(RSRead<std::uint64_t>(*stream));
      record->SetType(static_cast<int>(RSRead<std::uint32_t>(*stream)));
      record->SetAnalyserType(RSRead<std::uint16_t>(*stream));
      collection->Add(std::move(record));
    }
    stream->CloseSection();
    return collection;
  } catch (const IRSException& error) {
    LogStreamError(error);
    throw;
  }
}

int SaveFileListState(const std::vector<CSearchedPartitionInfo*>& list, IRSData* stream) {
  if (stream == nullptr) return 0;
  try {
    stream->OpenSection(qm::kFoundPartitionListSection);
    RSWrite<std::uint64_t>(*stream, list.size());
    for (CSearchedPartitionInfo* record : list) {
      RSWrite<std::uint32_t>(*stream, static_cast<std::uint32_t>(record->GetKind()));
      record->Save(stream);
    }
    stream->CloseSection();
  } catch (const IRSException& error) {
    LogStreamError(error);
    throw;
  }
  return 1;
}

namespace {

void DeleteAll(std::vector<CSearchedPartitionInfo*>& list) {
  for (CSearchedPartitionInfo* record : list)
    delete record;
  list.clear();
}

} // namespace

int LoadFileListState(std::vector<CSearchedPartitionInfo*>& list, IRSData* stream) {
  DeleteAll(list);
  if (stream == nullptr) return 0;
  try {
    if (!stream->TryOpenSection(qm::kFoundPartitionListSection)) return 0;
    const auto count = RSRead<std::uint64_t>(*stream);
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto kind = RSRead<std::uint32_t>(*stream);
      auto record = qm::CreateFoundPartitionByKind(kind);
      if (!record) {
        // Its record's length is unknown: nothing after it can be read.
        LogError("Saved found partitions hold a record of kind %u, which cannot be read; load refused", kind);
        DeleteAll(list);
        stream->CloseSection();
        return 0;
      }
      record->Load(stream);
      list.push_back(record.release());
    }
    stream->CloseSection();
  } catch (const IRSException& error) {
    DeleteAll(list);
    LogStreamError(error);
    throw;
  }
  return 1;
}
