#include "raw/raw_tree_builder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string_view>
#include <exception>
#include <system_error>
#include <thread>

#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/raw_file_info.h"
#include "ntfs/cluster_use_bitmap.h"
#include "platform/log.h"
#include "platform/message_pump.h"
#include "platform/out_of_memory.h"
#include "platform/worker_thread.h"
#include "raw/carved_file_spans.h"
#include "raw/raw_file_properties.h"
#include "raw/raw_search_type_list.h"
#include "storage/app_settings.h"
#include "storage/storage_device.h"

namespace {

constexpr const char* kRawTypeDescriptions[kLastBuiltInRawType + 1] = {
    "Raw",
    "3DS file",
    "3GP Multimedia file",
    "Access Project file",
    "ANI file",
    "Adobe Illustrator file",
    "Audio Streaming Format file",
    "AU file",
    "Audio Video Interleave file",
    "Bitmap file",
    "Cabinet file",
    "COREL Darw file",
    "CHM file",
    "Corel Draw Corel RAVE Image file",
    "Corel Draw Vector Image file",
    "Corel Photo Paint Image file",
    "Canon Raw graphics file",
    "CSL file",
    "Cursor file",
    "Outlook Express Email file",
    "DLL file",
    "Microsoft Word Document",
    "AutoCAD Drawing file",
    "AutoCad DX File",
    "Enhanced Metafile",
    "Encapsulated Postscript file",
    "EXE file",
    "Freehand 10 file",
    "GIF graphics file",
    "GZIP compression file",
    "Help file",
    "HTML Documents file",
    "Icon file",
    "JPEG Graphics file",
    "LZH compression file",
    "3d Studio Max file",
    "Musical Instrument Digital Interface file",
    "Access Database file",
    "Microsoft Money file",
    "MOF file",
    "MOV Multimedia file",
    "MP3 Music file",
    "MP4 Multimedia file",
    "Microsoft Project file",
    "Compound file",
    "Microsoft OneNote file",
    "Adobe Portable Document",
    "Portable Network Graphic file",
    "Microsoft PowerPoint Presentation file",
    "Microsoft Publisher Document",
    "Adobe Photoshop file",
    "Paint Shop Pro file",
    "Outlook Email file",
    "QuattroPro 7 File",
    "RAR compression file",
    "RIFF Multimedia file",
    "Rich Text Document",
    "Corel Presentation File",
    "ShockWave Flash file",
    "TAR archive file",
    "Tagged Image File",
    "True Type Font file",
    "Microsoft Visio Drawing",
    "WAVE Multimedia file",
    "WordPerfect file",
    "WordPerfect Documents and Graphics v8",
    "WMF Multimedia file",
    "Microsoft Excel XML Documents",
    "Zip compression file",
    "Microsoft DOCX file",
    "Microsoft XLSX file",
    "Microsoft PPTX file",
    "Microsoft ACCDB file",
    "Nikon NEF file",
};

// Types that photo recovery leaves out of the tree: documents, archives and
// databases that an analyser of a chosen family may still have carved.
constexpr int kNonPhotoTypes[] = {3,  6,  21, 31, 39, 43, 46, 48, 49, 53, 54,
                                  55, 57, 62, 64, 65, 67, 68, 69, 70, 71, 72};

constexpr int kJpegAnalyserType = 33;
constexpr int kTarAnalyserType = 59;

constexpr std::uint16_t kFolderAttributes = qm::kAttrFolder;
constexpr std::uint8_t kFolderState = 0x10;
constexpr std::uint16_t kFileAttributes = qm::kAttrArchive;
constexpr std::uint32_t kRawVolumeState = 6;

std::unique_ptr<CRAWFileProperties> FolderProperties(const char* name) {
  auto properties = CreateRawFileProperties();
  properties->SetRawFileName(name);
  properties->SetDescription("");
  properties->SetAttributes(kFolderAttributes);
  properties->SetState(kFolderState);
  return properties;
}

CFileNode* MakeFolder(const char* name) {
  CFileNode* folder = CreateFileNode();
  folder->SetProperties(FolderProperties(name));
  return folder;
}

void RenameFolder(CFileNode* folder, int first, int last) {
  char name[32];
  std::snprintf(name, sizeof name, "%d-%d", first, last);
  static_cast<CRAWFileProperties*>(folder->GetProperties())->SetRawFileName(name);
}

// The chosen type ids as a table, so each record costs one look-up.
std::vector<bool> ChosenTypes(const std::vector<int>& chosen) {
  std::vector<bool> table(kRawTypeCount, false);
  for (int type : chosen)
    if (type >= 0 && type < kRawTypeCount) table[static_cast<std::size_t>(type)] = true;
  return table;
}

bool IsChosenType(const std::vector<bool>& chosen, int type) {
  return type >= 0 && type < kRawTypeCount && chosen[static_cast<std::size_t>(type)];
}

// The record's first byte on the device of the size walks (saturated: a
// start sector loaded from a result file may be anything).
std::uint64_t StartByteOf(const CRawFileInfo& info, std::uint32_t sectorSize) {
  const std::uint64_t start = info.GetStartSector();
  return start > UINT64_MAX / sectorSize ? UINT64_MAX : start * sectorSize;
}

std::uint64_t SectorsOf(std::uint64_t length, std::uint32_t sectorSize) {
  return length / sectorSize + (length % sectorSize != 0 ? 1 : 0);
}

} // namespace

struct CRawTreeBuilder::Entry {
  CRawFileInfo info;
};

const char* RawTypeDescription(int typeId) {
  if (typeId < 0 || typeId > kLastBuiltInRawType) return "";
  return kRawTypeDescriptions[typeId];
}

namespace {

// Length of a well-formed UTF-8 sequence starting at text[at], or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  std::size_t length = 0;
  std::uint32_t lowest = 0;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2, lowest = 0x80;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3, lowest = 0x800;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4, lowest = 0x10000;
  else
    return 0;
  if (text.size() - at < length) return 0;
  std::uint32_t value = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = value << 6 | (byte(at + i) & 0x3F);
  }
  if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

// A name part read from a file's metadata (camera model, song title) made
// into part of one safe file name: no path separators, control bytes,
// characters that file systems refuse in names, or broken UTF-8 (each
// becomes '_'), cut to at most `room` bytes on a character border.
std::string SafeNamePart(std::string_view text, std::size_t room) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const auto c = static_cast<std::uint8_t>(text[at]);
    std::size_t length = 1;
    std::string_view piece = "_";
    if (c >= 0x80) {
      length = Utf8SequenceLength(text, at);
      if (length != 0)
        piece = text.substr(at, length);
      else
        length = 1;
    } else if (c >= 0x20 && c != 0x7F &&
               std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) == std::string_view::npos) {
      piece = text.substr(at, 1);
    }
    if (out.size() + piece.size() > room) break;
    out.append(piece);
    at += length;
  }
  return out;
}

} // namespace

std::string MakeRawFileName(const std::string& extraName, int count, int typeId) {
  constexpr std::size_t kMaxName = 79;
  char tail[40];
  std::snprintf(tail, sizeof tail, "%03d.%s", count, RawTypeNames::Get(typeId));
  const std::string_view suffix(tail);
  const std::string part = SafeNamePart(extraName, kMaxName - std::min(kMaxName, suffix.size()));
  std::string name = (part.empty() ? std::string("FILE") : part);
  name.append(suffix);
  if (name.size() > kMaxName) name.resize(kMaxName);
  return name;
}

CRawTreeBuilder::CRawTreeBuilder() = default;
CRawTreeBuilder::~CRawTreeBuilder() = default;

void CRawTreeBuilder::MakeRoot() {
  // A builder may build again: nothing of an earlier tree (now its
  // caller's) may be reused.
  counts_.fill(0);
  folders_.fill(nullptr);
  finished_ = false;
  CFileSystemNode* root = CreateFileSystemNode();
  root->SetVolumeGeometry(0, 1);
  root->SetVolumeState(kRawVolumeState);
  root->SetProperties(FolderProperties(kRawFilesRootName));
  root_ = root;
  rootMade_ = true;
}

CFileNode* CRawTreeBuilder::MakeTypeFolder(int type) {
  const char* description = RawTypeDescription(type);
  CFileNode* folder = MakeFolder(*description != '\0' ? description : RawTypeNames::Get(type));
  root_->AddChild(folder);
  folders_[static_cast<std::size_t>(type)] = folder;
  return folder;
}

bool CRawTreeBuilder::AddRawFile(const Entry& entry, std::uint32_t sectorSize) {
  const int type = entry.info.GetType();
  if (type < 0 || type >= kRawTypeCount) return false;
  if (GetAppSettings()->bPhotoRecovery != 0 &&
      std::find(std::begin(kNonPhotoTypes), std::end(kNonPhotoTypes), type) != std::end(kNonPhotoTypes))
    return false;
  const auto index = static_cast<std::size_t>(type);
  CFileNode* folder = folders_[index] != nullptr ? folders_[index] : MakeTypeFolder(type);
  const int count = ++counts_[index];

  auto properties = CreateRawFileProperties();
  properties->SetFromRawFileInfo(entry.info, sectorSize);
  properties->SetAttributes(kFileAttributes);
  properties->SetState(0);
  properties->SetRawFileName(MakeRawFileName(entry.info.GetExtraName(), count, type).c_str());
  CFileNode* file = CreateFileNode();
  file->SetProperties(std::move(properties));
  if (count <= kRawFilesPerFolder)
    folder->AddChild(file);
  else
    folder->GetFirstChild()->AddChild(file);

  if (count == kRawFilesPerFolder) {
    root_->RemoveChild(folder);
    RenameFolder(folder, count - kRawFilesPerFolder + 1, count);
    CFileNode* typeFolder = MakeTypeFolder(type);
    typeFolder->AddChild(folder);
    folder = typeFolder;
  }
  if (count % kRawFilesPerFolder == 0) {
    CFileNode* next = MakeFolder("");
    RenameFolder(next, count + 1, count + kRawFilesPerFolder);
    folder->AddChild(next);
  }
  return true;
}

void CRawTreeBuilder::Finish() {
  for (std::size_t type = 0; type < counts_.size(); ++type) {
    const int count = counts_[type];
    if (count < kRawFilesPerFolder) continue;
    CFileNode* folder = folders_[type];
    CFileNode* newest = folder->GetFirstChild();
    if (count % kRawFilesPerFolder == 0) {
      // The folder made for the next 300 files got none: drop it rather
      // than show an empty folder with a range that runs backwards.
      folder->RemoveChild(newest);
      DeleteFileTree(newest);
      continue;
    }
    RenameFolder(newest, count / kRawFilesPerFolder * kRawFilesPerFolder + 1, count);
  }
  finished_ = true;
}

CFileNode* CRawTreeBuilder::BuildTree(IStorageDevice* device, IIterator<CRawFileInfo*>* records,
                                      const IIsClusterUsed* used, IDIRBuildCallback* callback) {
  const AppSettings& settings = *GetAppSettings();
  if (settings.bRecoverRaw == 0 || device == nullptr || records == nullptr || callback == nullptr)
    return nullptr;
  MakeRoot();

  // Behind a 512-byte view the records count sectors of the wrapped
  // device, while the cluster map counts 512-byte sectors.
  IStorageDevice* sizeDevice = device;
  std::uint64_t factor = 1;
  if (IStorageDevice* wrapped = device->GetExtraInfo(); wrapped != nullptr) {
    sizeDevice = wrapped;
    const std::int32_t outer = device->GetSectorSize();
    const std::int32_t inner = wrapped->GetSectorSize();
    if (outer > 0 && inner >= outer) factor = static_cast<std::uint64_t>(inner / outer);
  }
  const std::int32_t walkSectorSize = sizeDevice->GetSectorSize();
  const std::uint32_t sectorSize = walkSectorSize > 0 ? static_cast<std::uint32_t>(walkSectorSize) : 512u;
  const std::uint64_t deviceSectors = sizeDevice->GetSectorCount();
  auto inUsedCluster = [&](const CRawFileInfo* record) {
    return used != nullptr && used->IsClusterUsed(record->GetStartSector() * factor);
  };

  std::uint32_t total = 0;
  for (records->First(); !records->IsDone(); records->Next())
    if (!inUsedCluster(records->CurrentItem())) ++total;
  callback->OnBegin(kRawTreeBuildTitle, total);

  const RawSearchTypeList& analysers = RawSearchTypeList::Get();
  const std::vector<bool> chosen = ChosenTypes(settings.vecRawTypes);
  bool haveJpeg = false;
  std::uint64_t jpegStart = 0;
  std::uint64_t jpegLength = 0;
  CarvedFileSpans archives; // listed archives: whatever lies inside is theirs
  CarvedFileSpans mp3Files; // listed MP3 files: MP3 records inside are their frames
  CarvedFileSpans tars;     // listed tar archives
  for (records->First(); !records->IsDone(); records->Next()) {
    callback->Poll();
    CRawFileInfo* record = records->CurrentItem();
    if (record == nullptr) continue;
    if (!IsChosenType(chosen, record->GetType()) || inUsedCluster(record)) continue;

    Entry entry;
    if (record->GetLength() != 0) {
      entry.info.SetLength(record->GetLength());
      entry.info.SetExtraName(record->GetExtraName());
      entry.info.SetExtraName2(record->GetExtraName2());
    } else {
      // User-defined types never get a length, so they are never listed.
      if (record->GetAnalyserType() == -1) continue;
      // Every member header of a tar archive is a tar header too, and its
      // walk runs on to the archive's end, inside it: walking the rest of
      // the archive once per member would cost its length times its
      // member count, all to leave the member out below.
      if (record->GetAnalyserType() == kTarAnalyserType && tars.Contains(StartByteOf(*record, sectorSize), 1))
        continue;
      // The analyser that matched, while it is still in the list (two
      // classes share a type id: the 8-bit and the UTF-16 HTML analysers);
      // else, as after loading a scan result, the first of its type.
      IRawFileAnalyser* analyser = analysers.Contains(record->GetAnalyser())
                                       ? record->GetAnalyser()
                                       : analysers.FindByAnalyserType(record->GetAnalyserType());
      if (analyser != nullptr) {
        try {
          analyser->AnalyseFileSize(record, sizeDevice);
          entry.info.SetExtraName(analyser->GetExtraName());
          entry.info.SetExtraName2(analyser->GetExtraName2());
          entry.info.SetLength(std::min(record->GetLength(), settings.u64MaxRawFileSize));
        } catch (const qm::OutOfMemoryException&) {
          throw; // the memory crash, never a bad record
        } catch (const std::exception&) {
          entry.info.SetLength(0);
        }
        // The length found is the tree's: the record is measured again by
        // every build.
        record->SetLength(0);
      }
    }
    // No extent may reach past the device's end: a length taken from a
    // header (or a walk) is cut there.
    const std::uint64_t start = record->GetStartSector();
    const std::uint64_t room = start < deviceSectors ? (deviceSectors - start) * sectorSize : 0;
    if (entry.info.GetLength() > room) entry.info.SetLength(room);
    if (entry.info.GetLength() == 0) continue;
    entry.info.SetStartSector(record->GetStartSector());
    entry.info.SetType(record->GetType());
    entry.info.SetAnalyserType(record->GetAnalyserType());
    entry.info.SetAnalyser(record->GetAnalyser());

    // Files carved inside an archive listed before (its member headers,
    // the files it stores) are the archive's, not files of their own; so
    // are MP3 frames inside an MP3 file.
    const int analyserType = record->GetAnalyserType();
    const std::uint64_t startByte = StartByteOf(entry.info, sectorSize);
    if (archives.Contains(startByte, entry.info.GetLength())) continue;
    if (CarvedFileSpans::IsMp3Analyser(analyserType) && mp3Files.Contains(startByte, entry.info.GetLength()))
      continue;

    if (record->GetAnalyserType() == kJpegAnalyserType) {
      const std::uint64_t start = entry.info.GetStartSector();
      const std::uint64_t length = entry.info.GetLength();
      if (haveJpeg && jpegStart < start &&
          start + SectorsOf(length, sectorSize) <= jpegStart + SectorsOf(jpegLength, sectorSize)) {
        // A picture inside the previous one (a thumbnail or a preview).
        const std::uint64_t tenth = jpegLength / 10;
        if (length < tenth || length > 9 * tenth) continue;
      }
      haveJpeg = true;
      jpegStart = start;
      jpegLength = length;
    }

    if (AddRawFile(entry, sectorSize)) {
      if (CarvedFileSpans::IsArchiveAnalyser(analyserType)) archives.Add(startByte, entry.info.GetLength());
      if (CarvedFileSpans::IsMp3Analyser(analyserType)) mp3Files.Add(startByte, entry.info.GetLength());
      if (analyserType == kTarAnalyserType) tars.Add(startByte, entry.info.GetLength());
    }
    if (callback->OnStep(1) == kCallbackCancel) break;
  }

  Finish();
  callback->OnEnd();
  CFileNode* root = root_;
  root_ = nullptr;
  return root;
}

CFileNode* CRawTreeBuilder::Start(IStorageDevice* device, IIterator<CRawFileInfo*>* records,
                                  const IIsClusterUsed* used, IDIRBuildCallback* callback, int threaded) {
  if (callback == nullptr) return nullptr;
  if (threaded == 0) return BuildTree(device, records, used, callback);
  std::atomic<bool> done{false};
  CFileNode* root = nullptr;
  std::thread worker;
  try {
    worker = qm::StartWorker([&] {
      root = BuildTree(device, records, used, callback);
      done = true;
    });
  } catch (const std::system_error&) {
    return nullptr;
  }
  qm::WaitPumping([&] { return done.load(); });
  worker.join();
  return root;
}

CFileNode* HangRawFilesTree(CFileNode* root, const IIsClusterUsed& used, CRawFileCollection* carved,
                            IStorageDevice* device, IDIRBuildCallback* callback) {
  if (root == nullptr || carved == nullptr) return nullptr;
  CRawTreeBuilder builder;
  CFileNode* rawFiles = builder.Start(device, &carved->GetIterator(), &used, callback, 0);
  if (rawFiles != nullptr) root->AddChild(rawFiles);
  return rawFiles;
}
