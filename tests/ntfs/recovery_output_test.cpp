// A whole recovery out of the fixture volume: a tree of its live, deleted
// and recycled files is built from their records, every node checked, and
// the saver writes it into a folder. Each file must come out byte for byte
// with its name and modification time, and the image must be untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "ntfs/fixture_volume.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_extents.h"
#include "ntfs/ntfs_file_properties.h"
#include "ntfs/ntfs_fixture.h"
#include "ntfs/recycle_bin.h"
#include "storage/image_file_device.h"
#include "storage/text_convert.h"
#include "support/scratch_files.h"
#include "support/sha256.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kRootRecord = 5;
constexpr std::uint64_t kUnixEpochFileTime = 116444736000000000ull;

class FixtureRecovery : public ::testing::Test {
protected:
  void SetUp() override {
    volume_ = qm::test::OpenFixtureVolume(
        std::make_unique<CImageFileDevice>(qm::test::NtfsBasicImagePath().c_str()));
    root_ = CreateFileSystemNode();
    root_->SetVolumeGeometry(0, volume_.geometry.sectorsPerCluster);
    root_->SetVolumeState(qm::kVolumeNtfs);
    auto rootProperties = CreateMyFileProperties();
    CMyFileProperties::Record record;
    record.attributes = qm::kAttrFolder;
    record.checkState = qm::kChecked;
    rootProperties->CopyRecord(record);
    rootProperties->SetName("NTFS:");
    root_->SetProperties(std::move(rootProperties));
    nodes_[kRootRecord] = root_;
    target_ = qm::ScratchPath("ntfs_recovery");
    fs::remove_all(target_);
  }
  void TearDown() override {
    DeleteFileTree(root_);
    fs::remove_all(target_);
  }

  // The node of a record, made from the record itself (name, times, runs)
  // with its parent made first; every node is checked.
  CFileNode* NodeOf(std::uint64_t number, bool deleted = false) {
    if (auto found = nodes_.find(number); found != nodes_.end()) return found->second;
    auto record = qm::test::LoadFixtureRecord(volume_, number);
    if (!record) return nullptr;
    const qm::ByteView bytes = record->Record();
    std::optional<qm::FileNameInfo> name;
    for (unsigned i = 0; i < 4; ++i) {
      auto candidate = qm::ReadFileName(FindAttribute(bytes, qm::mft::kFileName, i).bytes);
      if (candidate && (!name || candidate->nameSpace != 2)) name = candidate; // not the DOS alias
    }
    const auto standard = qm::ReadStandardInformation(FindAttribute(bytes, qm::mft::kStandardInformation, 0).bytes);
    if (!name || !standard) return nullptr;

    NtfsFileInfo info;
    info.name = qm::Utf16ToUtf8(name->name);
    info.nameLength = static_cast<std::uint16_t>(info.name.size());
    info.creationTime = standard->creationTime;
    info.lastWriteTime = standard->modificationTime;
    info.lastAccessTime = standard->accessTime;
    info.checkState = qm::kChecked;
    info.state = deleted ? 1 : 0;
    info.recordSector = record->Sector();
    if (IsDirectory(bytes)) {
      info.attributes = qm::kAttrFolder;
    } else {
      qm::NtfsFileExtents extents;
      CollectFileDataRuns(*record, volume_.geometry.ClusterBytes(), extents);
      info.size = static_cast<std::uint64_t>(extents.size);
      info.attributes = extents.attributes;
      info.extents = std::move(extents.extents);
    }
    auto properties = CreateNtfsFileProperties();
    properties->Init(std::move(info));

    CFileNode* parent = name->parentRecord == kRootRecord ? root_ : NodeOf(name->parentRecord, deleted);
    if (parent == nullptr) parent = root_;
    CFileNode* node = CreateFileNode();
    node->SetProperties(std::move(properties));
    parent->AddChild(node);
    nodes_[number] = node;
    return node;
  }

  qm::test::FixtureVolume volume_;
  CFileSystemNode* root_ = nullptr;
  std::map<std::uint64_t, CFileNode*> nodes_;
  fs::path target_;
};

TEST_F(FixtureRecovery, CheckedTreeComesOutByteForByteWithNamesAndTimes) {
  const auto& manifest = qm::test::NtfsBasicManifest();
  for (const auto& entry : manifest) {
    if (entry.kind == "stream") continue;
    ASSERT_NE(NodeOf(entry.record, entry.kind.rfind("deleted", 0) == 0), nullptr) << entry.path;
  }
  // The recycled file takes back the name it had before it was deleted.
  std::vector<CFileNode*> pending;
  CFileNode* recycledData = nullptr;
  for (const auto& [number, node] : nodes_) {
    if (node == root_ || !IsInRecycleBin(node)) continue;
    if (CFileNode* partner = FindRecycleBinPartner(pending, node)) {
      CFileNode* data = IsRecycleBinInfoFile(node) ? partner : node;
      CFileNode* info = data == node ? partner : node;
      ASSERT_EQ(ReadRecycleBinOriginalName(volume_.device.get(), data, info), 1);
      recycledData = data;
    }
  }
  ASSERT_NE(recycledData, nullptr);
  // Two files of one name in one folder: the second takes a number.
  CFileNode* twin = CreateFileNode();
  {
    auto record = qm::test::LoadFixtureRecord(volume_, 69); // resident.bin
    qm::NtfsFileExtents extents;
    CollectFileDataRuns(*record, volume_.geometry.ClusterBytes(), extents);
    NtfsFileInfo info;
    info.name = "resident.bin";
    info.nameLength = 12;
    info.size = static_cast<std::uint64_t>(extents.size);
    info.attributes = extents.attributes;
    info.extents = std::move(extents.extents);
    info.recordSector = record->Sector();
    info.checkState = qm::kChecked;
    nodes_[69]->GetProperties()->GetCreationTime(&info.creationTime);
    nodes_[69]->GetProperties()->GetLastWriteTime(&info.lastWriteTime);
    nodes_[69]->GetProperties()->GetLastAccessTime(&info.lastAccessTime);
    auto properties = CreateNtfsFileProperties();
    properties->Init(std::move(info));
    twin->SetProperties(std::move(properties));
    root_->AddChild(twin);
  }

  const std::uint64_t imageTime = fs::last_write_time(qm::test::NtfsBasicImagePath()).time_since_epoch().count();
  qm::SaveContext context{nullptr, volume_.device.get()};
  std::string created;
  ASSERT_EQ(SaveCheckedTree(context, root_, target_.string(), &created), qm::kSaveDone);
  EXPECT_EQ(created, (target_ / "NTFS#").string());
  const fs::path base = created;

  std::size_t files = 0;
  for (const auto& entry : manifest) {
    if (entry.kind != "file" && entry.kind != "deleted") continue;
    fs::path path = base / fs::u8path(entry.path);
    if (nodes_[entry.record] == recycledData) path = path.parent_path() / "Quarterly report.docx";
    ASSERT_TRUE(fs::exists(path)) << path;
    EXPECT_EQ(qm::test::Sha256Hex(qm::ReadFileBytes(path)), entry.sha256) << entry.path;
    qm::FileTime written = 0;
    nodes_[entry.record]->GetProperties()->GetLastWriteTime(&written);
    struct stat info{};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, static_cast<time_t>((written - kUnixEpochFileTime) / 10000000)) << entry.path;
    ++files;
  }
  EXPECT_GE(files, 25u);
  EXPECT_EQ(qm::test::Sha256Hex(qm::ReadFileBytes(base / "resident_000.bin")),
            qm::test::Sha256Hex(qm::ReadFileBytes(base / "resident.bin")));
  // Reading the whole tree left the source image as it was: the same bytes
  // as the fixture (whose hash the fixture checks) and the same time.
  EXPECT_TRUE(qm::ReadFileBytes(qm::test::NtfsBasicImagePath()) == qm::test::NtfsBasicImage());
  EXPECT_EQ(fs::last_write_time(qm::test::NtfsBasicImagePath()).time_since_epoch().count(), imageTime);
}

} // namespace
