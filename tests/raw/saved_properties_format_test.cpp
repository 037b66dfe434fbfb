// The saved records of the four engines' file properties, byte for byte:
// result files written by earlier builds must keep reading, and a file
// written now must be what they wrote. Each engine's properties are filled
// through their public setters, saved, compared with the bytes recorded
// from the engines' own classes, loaded back and saved again unchanged.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fatext2/ext2_file_properties.h"
#include "fatext2/fat_file_properties.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "filemodel/raw_file_info.h"
#include "filemodel/scan_result_sections.h"
#include "ntfs/ntfs_file_properties.h"
#include "platform/byte_view.h"
#include "raw/raw_file_properties.h"
#include "raw/scan_result_factories.h"
#include "support/memory_stream.h"

namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char pair[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    text += pair;
  }
  return text;
}

std::string SavedHex(const IFileProperties& properties) {
  qm::test::MemoryStream stream;
  EXPECT_EQ(properties.Save(&stream), 1);
  return Hex(stream.bytes);
}

std::unique_ptr<IFileProperties> NtfsFile() {
  auto p = CreateNtfsFileProperties();
  NtfsFileInfo info;
  info.name = "report.docx";
  info.nameLength = 12; // the tree build counts the terminator
  info.size = 0x123456789;
  info.attributes = 0x840;
  info.creationTime = 0x01D9000000000001;
  info.lastWriteTime = 0x01D9000000000002;
  info.lastAccessTime = 0x01D9000000000003;
  info.state = 5;
  info.checkState = 2;
  info.mark = 9;
  info.recordSector = 0x10002;
  const std::uint8_t pairs[] = {0x21, 0x10, 0x00, 0x01, 0x11, 0x04, 0x7F, 0x00};
  info.extents = CPackedDataRunList::FromMappingPairs(qm::ByteView(pairs, sizeof pairs), 0);
  p->Init(std::move(info));
  p->SetExtensionList(qm::ExtensionRecordList{{0x10020, 17, 0}, {0x10040, 0x123456789A, 2048}});
  return p;
}

std::unique_ptr<IFileProperties> NtfsRenamedFolder() {
  auto p = CreateNtfsFileProperties();
  NtfsFileInfo info;
  info.attributes = 0x10;
  info.state = 1;
  p->Init(std::move(info));
  p->SetName("Lost Files");
  return p;
}

std::unique_ptr<IFileProperties> FatFile() {
  auto p = CreateFatFileProperties();
  p->SetName("Photo 2020.JPG");
  p->SetSize(123456);
  p->SetAttributes(0x21);
  p->SetState(CFATFileProperties::kStateDeleted);
  p->SetFirstCluster(0x1234);
  p->SetParentCluster(0x56);
  p->SetCreationTime(((2020 - 1980) << 9) | (5 << 5) | 17, (13 << 11) | (45 << 5) | 10);
  p->SetLastWriteTime(((2021 - 1980) << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29);
  p->SetLastAccessDate(((2022 - 1980) << 9) | (2 << 5) | 28);
  auto runs = std::make_unique<CFATDataRunList>();
  runs->AddRun(10, 5);
  runs->AddRun(100, 3);
  p->SetDataRunList(std::move(runs));
  p->SetCheckState(qm::kChecked);
  p->SetExtraValue(7);
  return p;
}

std::unique_ptr<IFileProperties> FatSyntheticFolder() {
  auto p = CreateFatFileProperties();
  p->SetName("Lost Folders");
  p->SetAttributes(0x10);
  p->SetState(CFATFileProperties::kStateSynthetic);
  p->SetFirstCluster(CFATFileProperties::kNoCluster);
  p->SetParentCluster(CFATFileProperties::kNoCluster);
  return p;
}

std::unique_ptr<IFileProperties> Ext2File() {
  auto p = CreateExt2FileProperties();
  p->SetName("notes.txt");
  p->SetSize(70000);
  p->SetAttributes(0x20);
  p->SetState(CExt2FileProperties::kStateDeleted);
  p->SetCreationTime(0x01D5000000000011);
  p->SetLastWriteTime(0x01D5000000000022);
  p->SetLastAccessTime(0x01D5000000000033);
  p->SetInodeNumber(77);
  CExt2DataRunList runs;
  runs.AddRun(500, 12);
  runs.AddRun(0, 4); // a hole
  runs.AddRun(9000, 60);
  p->SetDataRunList(&runs);
  p->SetExtraValue(1);
  return p;
}

std::unique_ptr<IFileProperties> Ext2EmptyFolder() {
  auto p = CreateExt2FileProperties();
  p->SetName("");
  p->SetAttributes(0x10);
  return p;
}

std::unique_ptr<IFileProperties> RawFile() {
  auto p = CreateRawFileProperties();
  CRawFileInfo record;
  record.SetStartSector(123456);
  record.SetLength(70000);
  record.SetExtraName2("2009:08:07 06:05:04");
  p->SetFromRawFileInfo(record);
  p->SetRawFileName("WC-100 Mark II001.JPG");
  p->SetAttributes(0x20);
  p->SetState(0);
  p->SetCheckState(qm::kChecked);
  return p;
}

std::unique_ptr<IFileProperties> RawFolder() {
  auto p = CreateRawFileProperties();
  p->SetRawFileName("Raw Files");
  p->SetAttributes(0x10);
  p->SetState(0x10);
  return p;
}

struct Case {
  const char* what;
  std::unique_ptr<IFileProperties> (*make)();
  std::uint32_t typeCode;
  const char* hex;
};

// Recorded from the engines' classes as they saved before they shared their
// implementation.
const Case kCases[] = {
    {"ntfs file", NtfsFile, qm::kPropertiesNtfs,
     "0c007265706f72742e646f63780089674523010000004008010000000000d901020000000000d901030000000000d9010502000"
     "1000000000001000000080000002110000111047f00000002000000000000002000010000000000110000000000000040000100"
     "000000009a78563412000008"},
    {"ntfs renamed folder", NtfsRenamedFolder, qm::kPropertiesNtfs,
     "0b004c6f73742046696c65730000000000000000001000000000000000000000000000000000000000000000000000010000000"
     "000000000000000000000000000000000"},
    {"ntfs empty", [] { return std::unique_ptr<IFileProperties>(CreateNtfsFileProperties()); },
     qm::kPropertiesNtfs,
     "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
     "00000000000"},
    {"fat file", FatFile, qm::kPropertiesFat,
     "0e00000050686f746f20323032302e4a504740e201000000000021000018d567512cd6010013cb83a2fed70100c0f120362cd80"
     "1013412000056000000010000000700000011050a11035a000000"},
    {"fat synthetic folder", FatSyntheticFolder, qm::kPropertiesFat,
     "0c0000004c6f737420466f6c646572730000000000000000100000000000000000000000000000000000000000000000000009f"
     "fffffffffffffff00000000"},
    {"fat empty", [] { return std::unique_ptr<IFileProperties>(CreateFatFileProperties()); },
     qm::kPropertiesFat,
     "00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
     "0"},
    {"ext2 file", Ext2File, qm::kPropertiesExt2,
     "09006e6f7465732e74787470110100000000002000110000000000d501220000000000d501330000000000d50101010000000d0"
     "00000210cf40121040cfe213c2823000000"},
    {"ext2 empty folder", Ext2EmptyFolder, qm::kPropertiesExt2,
     "0000000000000000000010000000000000000000000000000000000000000000000000000000000000"},
    {"raw file", RawFile, qm::kPropertiesRaw,
     "1657432d313030204d61726b2049493030312e4a50470014323030393a30383a30372030363a30353a303400701101000000000"
     "0200000010000000700000032890040e201000000"},
    {"raw folder", RawFolder, qm::kPropertiesRaw, "0a5261772046696c65730000000000000000000010001000000000"},
    {"raw empty", [] { return std::unique_ptr<IFileProperties>(CreateRawFileProperties()); },
     qm::kPropertiesRaw, "0000000000000000000000000000000000"},
};

TEST(SavedPropertiesFormat, EachEngineSavesTheRecordedBytesAndReadsThemBack) {
  qm::RegisterScanResultFactories();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const auto original = c.make();
    EXPECT_EQ(original->GetTypeCode(), c.typeCode);
    const std::string saved = SavedHex(*original);
    EXPECT_EQ(saved, c.hex);

    qm::test::MemoryStream stream;
    original->Save(&stream);
    auto loaded = qm::CreateFilePropertiesByType(c.typeCode);
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->Load(&stream), 1);
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_EQ(SavedHex(*loaded), saved);
    // What the user had checked and the engines' marks are not saved.
    EXPECT_EQ(loaded->GetCheckState(), qm::kUnchecked);
    EXPECT_EQ(loaded->GetExtraValue(), 0u);
    EXPECT_STREQ(loaded->GetName(), original->GetName());
    EXPECT_EQ(loaded->GetNameLength(), original->GetNameLength());
    EXPECT_EQ(loaded->GetSize(), original->GetSize());
    EXPECT_EQ(loaded->GetAttributes(), original->GetAttributes());
    EXPECT_EQ(loaded->GetState(), original->GetState());
    EXPECT_STREQ(loaded->GetDescription(), original->GetDescription());
    EXPECT_EQ(loaded->GetValidFields(), original->GetValidFields());
    qm::FileTime a = 1, b = 2;
    EXPECT_EQ(*loaded->GetCreationTime(&a), *original->GetCreationTime(&b));
    EXPECT_EQ(*loaded->GetLastWriteTime(&a), *original->GetLastWriteTime(&b));
    EXPECT_EQ(*loaded->GetLastAccessTime(&a), *original->GetLastAccessTime(&b));
    const auto runs = original->GetDataRunList();
    const auto loadedRuns = loaded->GetDataRunList();
    ASSERT_EQ(runs == nullptr, loadedRuns == nullptr);
    if (runs) {
      ASSERT_EQ(loadedRuns->Runs().size(), runs->Runs().size());
      for (std::size_t i = 0; i < runs->Runs().size(); ++i) {
        EXPECT_EQ(loadedRuns->Runs()[i].start, runs->Runs()[i].start);
        EXPECT_EQ(loadedRuns->Runs()[i].count, runs->Runs()[i].count);
      }
    }
  }
}

// A whole tree section with a node of every engine: the section's own
// scaffolding (kinds, type codes, folder ends) around the records.
TEST(SavedPropertiesFormat, ATreeOfEveryEngineSavesTheRecordedBytes) {
  qm::RegisterScanResultFactories();
  CFileSystemNode* root = CreateFileSystemNode();
  root->SetName("Mixed");
  auto rootProperties = CreateMyFileProperties();
  CMyFileProperties::Record record;
  record.attributes = 0x10;
  rootProperties->CopyRecord(record);
  root->SetProperties(std::move(rootProperties));
  CFileNode* folder = root->AddChild(CreateFileNode());
  folder->SetProperties(FatSyntheticFolder());
  for (auto make : {NtfsFile, FatFile, Ext2File, RawFile}) {
    CFileNode* node = folder->AddChild(CreateFileNode());
    node->SetProperties(make());
  }
  CFileNode* rawFolder = root->AddChild(CreateFileNode());
  rawFolder->SetProperties(RawFolder());
  root->UpdateSelectionSummary();

  qm::test::MemoryStream stream;
  ASSERT_EQ(WriteFileTreeSection(root, &stream, nullptr), 1);
  DeleteFileTree(root);
  EXPECT_EQ(
      Hex(stream.bytes),
      "010000000400000000000000a96c49230100000000000000000000000100000000000000010000000000000000000000000000"
      "000000000007000000050000004d697865640400000000000000010000000c0000004c6f737420466f6c646572730000000000"
      "000000100000000000000000000000000000000000000000000000000009ffffffffffffffff0000000000000000030000000a"
      "5261772046696c65730000000000000000000010001000000000ffffffff00000000000000000c007265706f72742e646f6378"
      "0089674523010000004008010000000000d901020000000000d901030000000000d90105020001000000000001000000080000"
      "002110000111047f00000002000000000000002000010000000000110000000000000040000100000000009a78563412000008"
      "00000000010000000e00000050686f746f20323032302e4a504740e201000000000021000018d567512cd6010013cb83a2fed7"
      "0100c0f120362cd801013412000056000000010000000700000011050a11035a000000000000000200000009006e6f7465732e"
      "74787470110100000000002000110000000000d501220000000000d501330000000000d50101010000000d000000210cf40121"
      "040cfe213c282300000000000000030000001657432d313030204d61726b2049493030312e4a50470014323030393a30383a30"
      "372030363a30353a3034007011010000000000200000010000000700000032890040e201000000ffffffffffffffff");
}

} // namespace
