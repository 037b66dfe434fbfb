#include "ntfs/ntfs_file_properties.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "fixture_volume.h"
#include "ntfs/ntfs_extents.h"
#include "ntfs_fixture.h"
#include "record_builder.h"
#include "support/memory_device.h"
#include "support/memory_stream.h"
#include "support/scratch_files.h"
#include "support/sha256.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qm::test::MemoryStream;

Bytes Saved(const CNTFSFileProperties& p) {
  MemoryStream stream;
  EXPECT_EQ(p.Save(&stream), 1);
  return stream.bytes;
}

std::unique_ptr<CNTFSFileProperties> Loaded(const Bytes& bytes, int expected = 1) {
  MemoryStream stream;
  stream.bytes = bytes;
  auto p = CreateNtfsFileProperties();
  EXPECT_EQ(p->Load(&stream), expected);
  if (expected == 1) {
    EXPECT_EQ(stream.Remaining(), 0u);
  }
  return p;
}

std::unique_ptr<CNTFSFileProperties> FullProperties() {
  auto p = CreateNtfsFileProperties();
  NtfsFileInfo info;
  info.name = "report.docx";
  info.nameLength = 11;
  info.size = 0x123456789;
  info.attributes = 0x40;
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

TEST(NtfsFileProperties, SavesAndLoadsByteExactly) {
  const auto owned = FullProperties();
  const CNTFSFileProperties& p = *owned;
  EXPECT_STREQ(p.GetName(), "report.docx");
  EXPECT_EQ(p.GetCheckState(), 2);
  EXPECT_EQ(p.GetExtraValue(), 9u);
  const Bytes bytes = Saved(p);
  // 2 + 11 name + 8 + 2 + 3 x 8 + 1 + 8, the extents (4 + 4 + 8 + 2), the
  // extension records (8 + 2 x 16).
  EXPECT_EQ(bytes.size(), 2u + 11 + 8 + 2 + 24 + 1 + 8 + 18 + 40);
  EXPECT_EQ(qm::ByteView(bytes.data(), bytes.size()).le16(0), 11);

  const auto loaded = Loaded(bytes);
  EXPECT_EQ(Saved(*loaded), bytes);
  EXPECT_STREQ(loaded->GetName(), "report.docx");
  EXPECT_EQ(loaded->GetNameLength(), 11u);
  EXPECT_EQ(loaded->GetSize(), 0x123456789u);
  EXPECT_EQ(loaded->GetAttributes(), 0x40);
  qm::FileTime t = 0;
  EXPECT_EQ(*loaded->GetLastAccessTime(&t), 0x01D9000000000003u);
  EXPECT_EQ(loaded->GetState(), 5);
  EXPECT_EQ(loaded->GetFileRecordSector(), 0x10002u);
  EXPECT_EQ(loaded->GetCheckState(), 0) << "not kept";
  EXPECT_EQ(loaded->GetExtraValue(), 0u) << "not kept";
  ASSERT_TRUE(loaded->GetExtensionList());
  EXPECT_EQ(*loaded->GetExtensionList(), *p.GetExtensionList());
  const auto runs = loaded->GetDataRunList();
  ASSERT_TRUE(runs);
  ASSERT_EQ(runs->Runs().size(), 2u);
  EXPECT_EQ(runs->Runs()[1].start, 0x100 + 0x7F);
}

TEST(NtfsFileProperties, AbsentPartsStayAbsent) {
  CNTFSFileProperties p;
  const Bytes empty = Saved(p);
  // A 0 name length alone, no name bytes; u32 0 for no extents, u64 0 for
  // no extension records.
  EXPECT_EQ(empty.size(), 2u + 8 + 2 + 24 + 1 + 8 + 4 + 8);
  const auto loaded = Loaded(empty);
  EXPECT_STREQ(loaded->GetName(), "");
  EXPECT_FALSE(loaded->GetDataRunList());
  EXPECT_FALSE(loaded->GetExtensionList());
  EXPECT_EQ(Saved(*loaded), empty);

  // SetName counts the terminator, and it is stored.
  p.SetName("a.txt");
  p.SetName(nullptr);
  EXPECT_EQ(p.GetNameLength(), 6u);
  const Bytes named = Saved(p);
  EXPECT_EQ(named.size(), empty.size() + 6);
  EXPECT_EQ(named[2 + 5], 0);
  EXPECT_STREQ(Loaded(named)->GetName(), "a.txt");
}

TEST(NtfsFileProperties, DamagedSavesAreRefused) {
  const Bytes good = Saved(*FullProperties());
  const std::size_t flagAt = 2 + 11 + 8 + 2 + 24 + 1 + 8;
  Bytes badFlag = good;
  badFlag[flagAt] = 7;
  Loaded(badFlag, 0);
  Bytes manyExtensions = good;
  const std::size_t countAt = good.size() - 40;
  qm::StoreLe64(&manyExtensions[countAt], 0x0FFFFFFFFFFFFFFFull);
  Loaded(manyExtensions, 0);
  Bytes shortSave(good.begin(), good.end() - 3);
  MemoryStream stream;
  stream.bytes = shortSave;
  CNTFSFileProperties p;
  EXPECT_THROW(p.Load(&stream), CRSException);
}

TEST(NtfsFileProperties, SmallOperations) {
  auto owned = FullProperties();
  CNTFSFileProperties& p = *owned;
  EXPECT_EQ(p.GetTypeCode(), 0u);
  EXPECT_EQ(p.GetValidFields(), 255u);
  EXPECT_STREQ(p.GetDescription(), "");
  EXPECT_EQ(p.SetExtraValue(0x1FF), 9u);
  EXPECT_EQ(p.GetExtraValue(), 0xFFu);
  IFileProperties* base = &p;
  EXPECT_NE(dynamic_cast<IFileStreamSource*>(base), nullptr);
}

// A tree of fixture files whose properties come from their records: the
// file saver copies each one out, resident or not, also after a round
// trip through the saved form. With 4096-byte sectors four records share a
// sector, and each resident file must still get its own record's content.
class FixtureFiles : public ::testing::TestWithParam<std::int32_t> {
protected:
  void SetUp() override {
    v_ = qm::test::OpenFixtureVolume(GetParam());
    root_ = CreateFileSystemNode();
    root_->SetVolumeGeometry(0, v_.geometry.sectorsPerCluster);
  }
  void TearDown() override { DeleteFileTree(root_); }

  CFileNode* AddFile(std::uint64_t number, bool throughSave) {
    auto record = qm::test::LoadFixtureRecord(v_, number);
    EXPECT_TRUE(record);
    qm::NtfsFileExtents extents;
    CollectFileDataRuns(*record, v_.geometry.ClusterBytes(), extents);
    NtfsFileInfo info;
    info.name = "file" + std::to_string(number);
    info.nameLength = static_cast<std::uint16_t>(info.name.size());
    info.size = static_cast<std::uint64_t>(extents.size);
    info.attributes = extents.attributes;
    info.recordSector = record->Sector();
    info.extents = std::move(extents.extents);
    auto properties = CreateNtfsFileProperties();
    properties->Init(std::move(info));
    if (throughSave) properties = Loaded(Saved(*properties));
    CFileNode* node = CreateFileNode();
    node->SetProperties(std::move(properties));
    return root_->AddChild(node);
  }

  std::string SaveAndHash(CFileNode* node) {
    qm::SaveContext context;
    context.device = v_.device.get();
    const auto path = qm::ScratchPath("ntfs_props_" + std::string(node->GetProperties()->GetName()));
    EXPECT_EQ(SaveOneFile(context, node, path.string()), qm::kSaveDone);
    const std::string hash = qm::test::Sha256Hex(qm::ReadFileBytes(path));
    std::filesystem::remove(path);
    return hash;
  }

  qm::test::FixtureVolume v_;
  CFileSystemNode* root_ = nullptr;
};

TEST_P(FixtureFiles, SaverCopiesResidentAndNonResidentFiles) {
  std::size_t checked = 0;
  for (const auto& entry : qm::test::NtfsBasicManifest()) {
    if (entry.kind != "file") continue;
    for (bool throughSave : {false, true}) {
      CFileNode* node = AddFile(entry.record, throughSave);
      EXPECT_EQ(SaveAndHash(node), entry.sha256) << entry.path << (throughSave ? " (loaded)" : "");
    }
    ++checked;
  }
  EXPECT_GT(checked, 20u);
}

TEST_P(FixtureFiles, StreamSourceReadsTheRecordAgain) {
  CFileNode* node = AddFile(69, false); // resident.bin, 600 bytes
  auto* source = dynamic_cast<IFileStreamSource*>(node->GetProperties());
  ASSERT_NE(source, nullptr);
  std::uint8_t buffer[1024];
  std::uint32_t length = 0;
  ASSERT_EQ(source->ReadResidentData(node, v_.device.get(), &length, buffer, sizeof buffer), 1);
  EXPECT_EQ(length, 600u);
  EXPECT_EQ(source->ReadResidentData(node, v_.device.get(), &length, buffer, 599), 0) << "too small a buffer";
  EXPECT_EQ(source->ReadEncryptionMetadata(node, v_.device.get(), &length, buffer, sizeof buffer), 0)
      << "no encryption stream";
  CFileNode* big = AddFile(88, false);
  EXPECT_EQ(source->ReadResidentData(big, v_.device.get(), &length, buffer, sizeof buffer), 0)
      << "non-resident";
  EXPECT_FALSE(NtfsLoadFileRecord(root_, v_.device.get())) << "a file-system node";
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, FixtureFiles, ::testing::Values(512, 4096));

TEST(NtfsFileRecordLoad, EncryptionMetadataAndRefusals) {
  // A record with a resident $LOGGED_UTILITY_STREAM whose first 8 bytes
  // state its size, at sector 16 of a small device.
  Bytes stream(40, 0x5A);
  qm::StoreLe32(stream.data(), 40);
  qm::StoreLe32(stream.data() + 4, 0);
  qm::test::RecordBuilder builder;
  builder.AddStandardInformation(0x4000);
  builder.AddFileName(u"secret.txt");
  builder.AddResident(0x100, stream, u"$EFS");
  qm::MemoryDevice device(64, 512);
  const Bytes record = builder.Build();
  std::memcpy(device.sector(16), record.data(), record.size());

  CFileSystemNode* root = CreateFileSystemNode();
  root->SetVolumeGeometry(0, 1);
  auto properties = CreateNtfsFileProperties();
  NtfsFileInfo info;
  info.recordSector = 16;
  info.attributes = 0x40;
  properties->Init(std::move(info));
  CFileNode* node = root->AddChild(CreateFileNode());
  node->SetProperties(std::move(properties));

  std::uint8_t buffer[512];
  std::uint32_t length = 0;
  EXPECT_EQ(ReadNtfsFileStreamForRecovery(node, &device, &length, buffer, sizeof buffer), 1);
  EXPECT_EQ(length, 40u);
  EXPECT_EQ(std::memcmp(buffer, stream.data(), 40), 0);

  struct Row {
    const char* what;
    std::uint64_t sector;
    std::uint16_t attributes;
  };
  const Row rows[] = {
      {"a folder", 16, 0x10}, {"no record there", 20, 0}, {"past the device", 64, 0}, {"last sector", 63, 0}};
  for (const Row& row : rows) {
    auto* p = static_cast<CNTFSFileProperties*>(node->GetProperties());
    NtfsFileInfo other;
    other.recordSector = row.sector;
    other.attributes = row.attributes;
    p->Init(std::move(other));
    EXPECT_FALSE(NtfsLoadFileRecord(node, &device)) << row.what;
    EXPECT_EQ(ReadNtfsFileStreamForRecovery(node, &device, &length, buffer, sizeof buffer), 0) << row.what;
  }
  DeleteFileTree(root);
}

} // namespace
