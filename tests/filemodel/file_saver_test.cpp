#include "filemodel/file_saver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "filemodel/efs_backup.h"
#include "filemodel/file_node.h"
#include "filemodel/file_recover_callback.h"
#include "filemodel/file_stream_source.h"
#include "filemodel/file_system_node.h"
#include "filemodel/ntfs_data_run_lists.h"
#include "platform/log.h"
#include "support/lznt1_compress.h"
#include "support/memory_device.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// 2020-01-02 03:04:05 UTC as a FILETIME.
constexpr qm::FileTime kWriteTime = 132224078450000000ull;
constexpr std::time_t kWriteTimeUnix = 1577934245;

// Properties of a test file: runs, size, attributes, and the resident and
// encryption content an engine would read from its record.
class SavedFileProperties : public IFileProperties, public IFileStreamSource {
public:
  SavedFileProperties(std::string name, std::uint64_t size, std::uint16_t attributes = 0)
      : name_(std::move(name)), size_(size), attributes_(attributes) {}

  std::vector<DataRunEntry> runs;
  bool hasRuns = true;
  bool resident = false;
  Bytes residentData;
  Bytes metadata;
  std::uint32_t typeCode = qm::kPropertiesNtfs;
  std::uint32_t validFields = qm::kValidAll;

  std::uint32_t GetNameLength() const override { return static_cast<std::uint32_t>(name_.size()); }
  void SetName(const char* name) override { name_ = name; }
  const char* GetName() const override { return name_.c_str(); }
  std::uint64_t GetSize() const override { return size_; }
  std::uint16_t GetAttributes() const override { return attributes_; }
  const char* GetDescription() const override { return ""; }
  qm::FileTime* GetCreationTime(qm::FileTime* out) const override { return &(*out = kWriteTime); }
  qm::FileTime* GetLastWriteTime(qm::FileTime* out) const override { return &(*out = kWriteTime); }
  qm::FileTime* GetLastAccessTime(qm::FileTime* out) const override { return &(*out = kWriteTime); }
  std::uint16_t GetState() const override { return 0; }
  std::uint8_t GetCheckState() const override { return check_; }
  void SetCheckState(std::uint8_t state) override { check_ = state; }
  std::unique_ptr<IDataRunList> GetDataRunList() const override {
    if (!hasRuns) return nullptr;
    if (resident) {
      auto list = std::make_unique<CResidentNTFSDataRunList>();
      list->SetResidentData(3, 1, 0x98);
      return list;
    }
    auto list = std::make_unique<CNoneResidentNTFSDataRunList>();
    for (const DataRunEntry& run : runs) list->AddRun(run);
    return list;
  }
  std::uint32_t GetValidFields() const override { return validFields; }
  std::uint32_t GetExtraValue() const override { return 0; }
  std::uint32_t SetExtraValue(std::uint32_t) override { return 0; }
  int Save(IRSData*) const override { return 0; }
  std::uint32_t GetTypeCode() const override { return typeCode; }
  int Load(IRSData*) override { return 0; }

  int ReadResidentData(CFileNode*, IStorageDevice*, std::uint32_t* length, std::uint8_t* buffer,
                       std::uint32_t bufferSize) override {
    if (residentData.size() > bufferSize) return 0;
    std::memcpy(buffer, residentData.data(), residentData.size());
    *length = static_cast<std::uint32_t>(residentData.size());
    return 1;
  }
  int ReadEncryptionMetadata(CFileNode*, IStorageDevice*, std::uint32_t* length, std::uint8_t* buffer,
                             std::uint32_t bufferSize) override {
    if (metadata.empty() || metadata.size() > bufferSize) return 0;
    std::memcpy(buffer, metadata.data(), metadata.size());
    *length = static_cast<std::uint32_t>(metadata.size());
    return 1;
  }

private:
  std::string name_;
  std::uint64_t size_;
  std::uint16_t attributes_;
  std::uint8_t check_ = qm::kChecked;
};

// Counts what the saver reports, and cancels at a chosen operation.
class RecordingCallback : public IFileRecoverCallback {
public:
  std::string cancelAt;
  int files = 0;
  std::uint64_t bytes = 0;
  std::uint64_t takenBack = 0;
  std::vector<std::string> names;

  int OnBegin(std::uint32_t, std::uint64_t) override { return Answer("OnBegin"); }
  int OnFileDone(std::uint32_t n) override {
    files += static_cast<int>(n);
    return Answer("OnFileDone");
  }
  int OnBytesWritten(std::uint64_t n) override {
    bytes += n;
    return Answer("OnBytesWritten");
  }
  int OnBytesTakenBack(std::uint32_t n) override {
    takenBack += n;
    return Answer("OnBytesTakenBack");
  }
  int OnFileBegin(const char* name) override {
    names.emplace_back(name);
    return Answer("OnFileBegin");
  }
  int Poll() override { return Answer("Poll"); }

private:
  int Answer(const char* operation) { return cancelAt == operation ? -1 : 0; }
};

// A volume of 512-byte sectors whose clusters (2 sectors, from sector 100)
// hold recognisable bytes, and a tree over it.
class SaverTest : public ::testing::Test {
protected:
  static constexpr std::uint64_t kBase = 100;
  static constexpr std::uint32_t kSectorsPerCluster = 2;
  static constexpr std::uint32_t kClusterBytes = 1024;

  void SetUp() override {
    device_ = std::make_unique<qm::MemoryDevice>(qm::MakePatternBytes(2000, 512), 512);
    out_ = fs::temp_directory_path() / ("qm_saver_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(out_);
    root_ = CreateFileSystemNode();
    root_->SetVolumeGeometry(kBase, kSectorsPerCluster);
    root_->SetVolumeState(qm::kVolumeNtfs);
    root_->SetProperties(std::make_unique<SavedFileProperties>("D:", 0, qm::kAttrFolder));
  }
  void TearDown() override {
    DeleteFileTree(root_);
    fs::remove_all(out_);
  }

  SavedFileProperties* AddFile(CFileNode* parent, const std::string& name, std::uint64_t size,
                          std::vector<DataRunEntry> runs, std::uint16_t attributes = 0) {
    CFileNode* node = CreateFileNode();
    auto properties = std::make_unique<SavedFileProperties>(name, size, attributes);
    properties->runs = std::move(runs);
    SavedFileProperties* raw = properties.get();
    node->SetProperties(std::move(properties));
    parent->AddChild(node);
    return raw;
  }
  CFileNode* AddFolder(CFileNode* parent, const std::string& name) {
    CFileNode* node = CreateFileNode();
    node->SetProperties(std::make_unique<SavedFileProperties>(name, 0, qm::kAttrFolder));
    parent->AddChild(node);
    return node;
  }
  // The bytes of clusters as the device holds them.
  Bytes Clusters(std::uint64_t first, std::uint64_t count) {
    const auto& bytes = device_->bytes();
    const std::size_t at = static_cast<std::size_t>((kBase + first * kSectorsPerCluster) * 512);
    return Bytes(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + count * kClusterBytes));
  }
  static Bytes ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
  qm::SaveContext Context(IFileRecoverCallback* callback = nullptr) { return {callback, device_.get()}; }

  std::unique_ptr<qm::MemoryDevice> device_;
  fs::path out_;
  CFileSystemNode* root_ = nullptr;
};

TEST_F(SaverTest, CheckedTreeIsWrittenWithFoldersContentAndTimes) {
  CFileNode* docs = AddFolder(root_, "docs");
  // Fragmented, ending inside its last cluster.
  AddFile(docs, "a.txt", 2500, {{10, 2}, {40, 1}});
  // A sparse hole in the middle reads as zeros.
  AddFile(docs, "holes.bin", 3 * kClusterBytes, {{5, 1}, {qm::kSparseRunStart, 1}, {6, 1}});
  AddFile(docs, "skipped.txt", 10, {{1, 1}})->SetCheckState(qm::kUnchecked);
  AddFile(root_, "ro.txt", 100, {{20, 1}}, qm::kAttrReadOnly | qm::kAttrHidden);

  RecordingCallback callback;
  qm::SaveContext context = Context(&callback);
  std::string created;
  ASSERT_EQ(SaveCheckedTree(context, root_, out_.string() + "/", &created), qm::kSaveDone);
  EXPECT_EQ(created, (out_ / "D#").string());

  Bytes a = Clusters(10, 2);
  const Bytes tail = Clusters(40, 1);
  a.insert(a.end(), tail.begin(), tail.end());
  a.resize(2500);
  EXPECT_EQ(ReadAll(out_ / "D#/docs/a.txt"), a);

  Bytes holes = Clusters(5, 1);
  holes.resize(2 * kClusterBytes, 0);
  const Bytes last = Clusters(6, 1);
  holes.insert(holes.end(), last.begin(), last.end());
  EXPECT_EQ(ReadAll(out_ / "D#/docs/holes.bin"), holes);

  EXPECT_FALSE(fs::exists(out_ / "D#/docs/skipped.txt"));
  Bytes ro = Clusters(20, 1);
  ro.resize(100);
  EXPECT_EQ(ReadAll(out_ / "D#/ro.txt"), ro);

  struct stat info{};
  ASSERT_EQ(::stat((out_ / "D#/docs/a.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtim.tv_sec, kWriteTimeUnix);
  ASSERT_EQ(::stat((out_ / "D#/ro.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);

  EXPECT_EQ(callback.files, 3);
  // Bytes written are the whole files; nothing to take back without padding.
  EXPECT_EQ(callback.bytes, 2500u + 3 * kClusterBytes + 100);
  EXPECT_EQ(callback.takenBack, 0u);
}

TEST_F(SaverTest, RootFolderTakesANumberWhenItExists) {
  AddFile(root_, "x.txt", 10, {{1, 1}});
  qm::SaveContext context = Context();
  std::string first, second;
  ASSERT_EQ(SaveCheckedTree(context, root_, out_.string(), &first), qm::kSaveDone);
  ASSERT_EQ(SaveCheckedTree(context, root_, out_.string(), &second), qm::kSaveDone);
  EXPECT_EQ(first, (out_ / "D#").string());
  EXPECT_EQ(second, (out_ / "D#_000").string());
}

TEST_F(SaverTest, FilesOfFoldersThatCannotBeMadeLandInTheBase) {
  // Plain files stand where the folders should go, and their numbered
  // names would be too long: neither folder can be made.
  const std::string one(255, 'f'), two(255, 'g');
  AddFile(AddFolder(root_, one), "a.txt", 10, {{1, 1}});
  AddFile(AddFolder(root_, two), "a.txt", 10, {{2, 1}});
  const fs::path current = out_ / "D#";
  fs::create_directories(current);
  std::ofstream(current / one) << "blocker";
  std::ofstream(current / two) << "blocker";
  qm::SaveContext context = Context();
  ASSERT_EQ(SaveFolderContents(context, out_.string(), root_, current.string()), qm::kSaveDone);
  EXPECT_EQ(ReadAll(out_ / "a.txt").size(), 10u);
  EXPECT_EQ(ReadAll(out_ / "a_000.txt").size(), 10u);
}

TEST_F(SaverTest, ReadFailureWritesZerosButFailsTheFile) {
  AddFile(root_, "bad.bin", 2 * kClusterBytes, {{30, 2}});
  device_->AddFailingRange(kBase + 30 * kSectorsPerCluster, kBase + 31 * kSectorsPerCluster);
  std::vector<std::string> log;
  const int id = qm::AddLogObserver([&](LogKind, std::string_view text) { log.emplace_back(text); });
  qm::SaveContext context = Context();
  qm::SaveSummary summary;
  EXPECT_EQ(SaveCheckedTree(context, root_, out_.string(), nullptr, &summary), qm::kSaveFailed);
  qm::RemoveLogObserver(id);
  EXPECT_EQ(summary.files, 1u);
  EXPECT_EQ(summary.failed, 1u);
  EXPECT_FALSE(summary.stopped);
  Bytes expected(kClusterBytes, 0);
  const Bytes good = Clusters(31, 1);
  expected.insert(expected.end(), good.begin(), good.end());
  EXPECT_EQ(ReadAll(out_ / "D#/bad.bin"), expected);
  EXPECT_NE(std::find(log.begin(), log.end(), "Failed to recover file: D:/bad.bin"), log.end());
}

TEST_F(SaverTest, RunsOutsideTheDeviceAreFailedReads) {
  SavedFileProperties* far = AddFile(root_, "far.bin", kClusterBytes, {{~std::uint64_t{0} / 4, 1}});
  (void)far;
  qm::SaveContext context = Context();
  const fs::path path = out_ / "far.bin";
  fs::create_directories(out_);
  EXPECT_EQ(SaveOneFile(context, root_->GetFirstChild(), path.string()), qm::kSaveFailed);
  EXPECT_EQ(ReadAll(path), Bytes(kClusterBytes, 0));
}

TEST_F(SaverTest, EveryCallbackCanCancel) {
  for (const char* operation : {"OnFileBegin", "OnBytesWritten", "OnBytesTakenBack", "OnFileDone"}) {
    fs::remove_all(out_);
    fs::create_directories(out_);
    AddFile(root_, "c.bin", 100, {{1, 1}});
    RecordingCallback callback;
    callback.cancelAt = operation;
    qm::SaveContext context = Context(&callback);
    const fs::path path = out_ / "c.bin";
    EXPECT_EQ(SaveOneFile(context, root_->GetFirstChild(), path.string()), qm::kSaveCancelled) << operation;
    // A cancel at the first callback comes before the target is made.
    EXPECT_EQ(fs::exists(path), std::string(operation) != "OnFileBegin") << operation;
    CFileNode* child = root_->GetFirstChild();
    root_->RemoveChild(child);
    DeleteFileTree(child);
  }
  // A cancel inside a tree stops the whole job.
  AddFile(root_, "one.bin", 100, {{1, 1}});
  AddFile(root_, "two.bin", 100, {{2, 1}});
  RecordingCallback callback;
  callback.cancelAt = "OnBytesWritten";
  qm::SaveContext context = Context(&callback);
  EXPECT_EQ(SaveCheckedTree(context, root_, out_.string(), nullptr), qm::kSaveCancelled);
  EXPECT_EQ(callback.names.size(), 1u);
}

TEST_F(SaverTest, AFileCutShortByACancelIsNeitherKeptNorCounted) {
  AddFile(root_, "one.bin", 100, {{1, 1}});
  AddFile(root_, "two.bin", 100, {{2, 1}});
  struct Case {
    const char* operation;
    bool kept; // the file was whole when the cancel came
  };
  for (const Case& c : {Case{"OnFileBegin", false}, Case{"OnBytesWritten", false},
                        Case{"OnBytesTakenBack", true}, Case{"OnFileDone", true}}) {
    fs::remove_all(out_);
    RecordingCallback callback;
    callback.cancelAt = c.operation;
    qm::SaveContext context = Context(&callback);
    qm::SaveSummary summary;
    EXPECT_EQ(SaveCheckedTree(context, root_, out_.string(), nullptr, &summary), qm::kSaveCancelled)
        << c.operation;
    EXPECT_TRUE(summary.stopped);
    EXPECT_EQ(summary.failed, 0u);
    EXPECT_EQ(summary.files, c.kept ? 1u : 0u) << c.operation;
    // Only the first file saved was begun; it is there only when whole.
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out_))
      if (entry.is_regular_file()) {
        ++files;
        EXPECT_EQ(entry.file_size(), 100u) << c.operation;
      }
    EXPECT_EQ(files, c.kept ? 1u : 0u) << c.operation;
  }
}

TEST_F(SaverTest, SpecialContent) {
  fs::create_directories(out_);
  qm::SaveContext context = Context();
  auto saveChild = [&](const std::string& name) {
    return SaveOneFile(context, root_->GetFirstChild(), (out_ / name).string());
  };

  // An empty file without runs is made, with its times.
  SavedFileProperties* empty = AddFile(root_, "empty", 0, {});
  empty->hasRuns = false;
  EXPECT_EQ(saveChild("empty"), qm::kSaveDone);
  struct stat info{};
  ASSERT_EQ(::stat((out_ / "empty").c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 0);
  EXPECT_EQ(info.st_mtim.tv_sec, kWriteTimeUnix);

  // A file with a size but no runs fails.
  SavedFileProperties* lost = AddFile(root_, "lost", 10, {});
  lost->hasRuns = false;
  EXPECT_EQ(saveChild("lost"), qm::kSaveFailed);

  // Resident data comes from the engine, not from clusters.
  SavedFileProperties* small = AddFile(root_, "small.txt", 5, {});
  small->resident = true;
  small->residentData = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_EQ(saveChild("small.txt"), qm::kSaveDone);
  EXPECT_EQ(ReadAll(out_ / "small.txt"), small->residentData);

  // Folders are not files.
  AddFolder(root_, "folder");
  EXPECT_EQ(saveChild("folder"), qm::kSaveFailed);
}

TEST_F(SaverTest, CompressedUnitsAreDecompressed) {
  // One sector per cluster: units of 16 clusters, 8 KiB.
  root_->SetVolumeGeometry(kBase, 1);
  Bytes text;
  while (text.size() < 8192) {
    const char* line = "compressed line of text, again and again; ";
    text.insert(text.end(), line, line + std::strlen(line));
  }
  text.resize(8192);
  const Bytes unit = qm::Lznt1CompressUnit(text);
  const std::uint64_t storedClusters = (unit.size() + 511) / 512;
  ASSERT_LT(storedClusters, 16u);
  std::memcpy(device_->bytes().data() + (kBase + 300) * 512, unit.data(), unit.size());

  // Unit 1: compressed (stored clusters, then a sparse tail). Unit 2: 16
  // plain clusters. Unit 3: all sparse. Then 3 plain clusters, of which the
  // file uses 1000 bytes.
  const std::uint64_t size = 8192 + 8192 + 8192 + 1000;
  AddFile(root_, "packed.txt", size,
          {{300, storedClusters}, {qm::kSparseRunStart, 16 - storedClusters}, {500, 16}, {qm::kSparseRunStart, 16}, {600, 3}},
          qm::kAttrCompressed);
  fs::create_directories(out_);
  qm::SaveContext context = Context();
  ASSERT_EQ(SaveOneFile(context, root_->GetFirstChild(), (out_ / "packed.txt").string()), qm::kSaveDone);

  Bytes expected = text;
  const auto& bytes = device_->bytes();
  expected.insert(expected.end(), bytes.begin() + (kBase + 500) * 512, bytes.begin() + (kBase + 516) * 512);
  expected.insert(expected.end(), 8192, 0);
  expected.insert(expected.end(), bytes.begin() + (kBase + 600) * 512, bytes.begin() + (kBase + 600) * 512 + 1000);
  EXPECT_EQ(ReadAll(out_ / "packed.txt"), expected);

  // A damaged unit fails the file rather than writing garbage: the unit is
  // zeros, and the rest of the file is still there.
  device_->bytes()[(kBase + 300) * 512 + 2] = 0xFF; // flags: all copies
  device_->bytes()[(kBase + 300) * 512 + 3] = 0xFF;
  device_->bytes()[(kBase + 300) * 512 + 4] = 0xFF;
  EXPECT_EQ(SaveOneFile(context, root_->GetFirstChild(), (out_ / "packed2.txt").string()), qm::kSaveFailed);
  std::fill(expected.begin(), expected.begin() + 8192, 0);
  EXPECT_EQ(ReadAll(out_ / "packed2.txt"), expected);

  // Clusters of 8 KiB cannot hold a unit in the copy buffer.
  root_->SetVolumeGeometry(kBase, 16);
  EXPECT_EQ(SaveOneFile(context, root_->GetFirstChild(), (out_ / "packed3.txt").string()), qm::kSaveFailed);
}

TEST_F(SaverTest, ShortCompressedUnitKeepsTheNextUnitInPlace) {
  // A compressed unit stands for 16 clusters of the file however little it
  // decodes to; what it leaves out is zeros, and the next unit follows at
  // its own place.
  root_->SetVolumeGeometry(kBase, 1);
  const Bytes unit = qm::Lznt1CompressUnit(Bytes(100, 'a'));
  std::memcpy(device_->bytes().data() + (kBase + 300) * 512, unit.data(), unit.size());
  AddFile(root_, "short.bin", 2 * 8192, {{300, 1}, {qm::kSparseRunStart, 15}, {500, 16}}, qm::kAttrCompressed);
  fs::create_directories(out_);
  qm::SaveContext context = Context();
  ASSERT_EQ(SaveOneFile(context, root_->GetFirstChild(), (out_ / "short.bin").string()), qm::kSaveDone);
  Bytes expected(100, 'a');
  expected.resize(8192, 0);
  const auto& bytes = device_->bytes();
  expected.insert(expected.end(), bytes.begin() + (kBase + 500) * 512, bytes.begin() + (kBase + 516) * 512);
  EXPECT_EQ(ReadAll(out_ / "short.bin"), expected);

  // A unit made of two sparse runs is zeros, not nothing.
  AddFile(root_, "split.bin", 2 * 8192, {{qm::kSparseRunStart, 5}, {qm::kSparseRunStart, 11}, {500, 16}},
          qm::kAttrCompressed);
  ASSERT_EQ(SaveOneFile(context, root_->GetFirstChild(), (out_ / "split.bin").string()), qm::kSaveDone);
  std::fill(expected.begin(), expected.begin() + 8192, 0);
  EXPECT_EQ(ReadAll(out_ / "split.bin"), expected);
}

TEST_F(SaverTest, CompressedFileWithHugeRunsCopiesOnlyItsSize) {
  // Damaged extents (from a record or a saved result) may claim runs of
  // billions of clusters; copying a small file must cost no more than the
  // file itself.
  root_->SetVolumeGeometry(kBase, 1);
  const Bytes unit = qm::Lznt1CompressUnit(Bytes(8192, 'z'));
  ASSERT_LE(unit.size(), 512u);
  std::memcpy(device_->bytes().data() + (kBase + 300) * 512, unit.data(), unit.size());
  const Bytes stored(device_->bytes().begin() + (kBase + 300) * 512,
                     device_->bytes().begin() + (kBase + 300) * 512 + 1000);
  struct Row {
    const char* name;
    std::vector<DataRunEntry> runs;
    Bytes expected;
  };
  const std::uint64_t huge = std::uint64_t{1} << 40;
  const Row rows[] = {
      {"sparse.bin", {{qm::kSparseRunStart, huge}}, Bytes(1000, 0)},
      {"stored.bin", {{300, huge}}, stored},
      {"compressed.bin", {{300, 1}, {qm::kSparseRunStart, huge + 15}}, Bytes(1000, 'z')},
  };
  fs::create_directories(out_);
  for (const Row& row : rows) {
    AddFile(root_, row.name, 1000, row.runs, qm::kAttrCompressed);
    qm::SaveContext context = Context();
    EXPECT_EQ(SaveOneFile(context, root_->GetFirstChild(), (out_ / row.name).string()), qm::kSaveDone) << row.name;
    EXPECT_EQ(ReadAll(out_ / row.name), row.expected) << row.name;
  }
}

TEST_F(SaverTest, Ext2SparseFilesTreatBlockZeroAsAHole) {
  // Block 0 of an EXT2 volume is never file data: in a sparse file's runs
  // it marks a hole. Elsewhere it is a cluster like any other.
  root_->SetVolumeState(qm::kVolumeExt2);
  SavedFileProperties* sparse = AddFile(root_, "sparse", 3 * kClusterBytes, {{0, 1}, {5, 1}, {0, 1}}, qm::kAttrSparse);
  sparse->typeCode = qm::kPropertiesExt2;
  fs::create_directories(out_);
  qm::SaveContext context = Context();
  ASSERT_EQ(SaveOneFile(context, root_->GetFirstChild(), (out_ / "sparse").string()), qm::kSaveDone);
  Bytes expected(kClusterBytes, 0);
  const Bytes five = Clusters(5, 1);
  expected.insert(expected.end(), five.begin(), five.end());
  expected.insert(expected.end(), kClusterBytes, 0);
  EXPECT_EQ(ReadAll(out_ / "sparse"), expected);

  SavedFileProperties* plain = AddFile(root_, "plain", kClusterBytes, {{0, 1}});
  plain->typeCode = qm::kPropertiesExt2;
  ASSERT_EQ(SaveOneFile(context, root_->GetFirstChild(), (out_ / "plain").string()), qm::kSaveDone);
  EXPECT_EQ(ReadAll(out_ / "plain"), Clusters(0, 1));
}

// Holes are skipped on the target, not written: a file of a 64 MiB hole
// between two clusters takes a few blocks, and one that ends in a hole
// still gets its whole length. Progress counts the holes as written.
TEST_F(SaverTest, HolesStayHolesOnTheTarget) {
  constexpr std::uint64_t kHoleClusters = 64 * 1024;
  AddFile(root_, "middle.bin", (kHoleClusters + 2) * kClusterBytes,
          {{5, 1}, {qm::kSparseRunStart, kHoleClusters}, {6, 1}});
  AddFile(root_, "tail.bin", (kHoleClusters + 1) * kClusterBytes - 7, {{7, 1}, {qm::kSparseRunStart, kHoleClusters}});
  RecordingCallback callback;
  qm::SaveContext context = Context(&callback);
  qm::SaveSummary summary;
  std::string created;
  ASSERT_EQ(SaveCheckedTree(context, root_, out_.string(), &created, &summary), qm::kSaveDone);
  EXPECT_EQ(summary.files, 2u);
  EXPECT_EQ(summary.failed, 0u);
  // The file's bytes at an offset, read without reading the whole file.
  auto readAt = [](const fs::path& path, std::uint64_t offset, std::size_t n) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    Bytes bytes(n);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(n));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
  };
  const struct {
    const char* name;
    std::uint64_t size;
    std::uint64_t first;
  } rows[] = {{"middle.bin", (kHoleClusters + 2) * kClusterBytes, 5}, {"tail.bin", (kHoleClusters + 1) * kClusterBytes - 7, 7}};
  for (const auto& row : rows) {
    const fs::path path = fs::path(created) / row.name;
    struct stat info{};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(info.st_size), row.size) << row.name;
    EXPECT_LT(static_cast<std::uint64_t>(info.st_blocks) * 512, 1u << 20) << row.name;
    EXPECT_EQ(readAt(path, 0, kClusterBytes), Clusters(row.first, 1)) << row.name;
    EXPECT_EQ(readAt(path, kHoleClusters / 2 * kClusterBytes, kClusterBytes), Bytes(kClusterBytes, 0)) << row.name;
  }
  EXPECT_EQ(readAt(fs::path(created) / "middle.bin", (kHoleClusters + 1) * kClusterBytes, 2 * kClusterBytes),
            Clusters(6, 1));
  EXPECT_EQ(callback.bytes, (kHoleClusters + 2) * kClusterBytes + (kHoleClusters + 1) * kClusterBytes - 7);
}

// Runs that end before the size: what they hold is written, and the file
// counts as failed.
TEST_F(SaverTest, RunsShortOfTheSizeFailTheFile) {
  AddFile(root_, "short.bin", 3 * kClusterBytes, {{8, 1}});
  qm::SaveContext context = Context();
  qm::SaveSummary summary;
  std::string created;
  EXPECT_EQ(SaveCheckedTree(context, root_, out_.string(), &created, &summary), qm::kSaveFailed);
  EXPECT_EQ(summary.failed, 1u);
  EXPECT_EQ(ReadAll(fs::path(created) / "short.bin"), Clusters(8, 1));
}

TEST(SaverDevice, Ext2TreesAreReadThroughThe512ByteView) {
  qm::MemoryDevice device(Bytes(8 * 4096, 0), 4096);
  CFileSystemNode* root = CreateFileSystemNode();
  CFileNode* file = root->AddChild(CreateFileNode());
  for (const std::uint32_t state : {qm::kVolumeExt2, qm::kVolumeExt3, qm::kVolumeNtfs, qm::kVolumeFat32}) {
    root->SetVolumeState(state);
    IStorageDevice* chosen = qm::DeviceForNode(&device, file);
    const bool ext = state == qm::kVolumeExt2 || state == qm::kVolumeExt3;
    EXPECT_EQ(chosen->GetSectorSize(), ext ? 512 : 4096) << state;
  }
  DeleteFileTree(root);
}

TEST_F(SaverTest, EncryptedFilesAreKeptAsTheirRawBackup) {
  SavedFileProperties* secret = AddFile(root_, "secret.doc", 700, {{50, 1}}, qm::kAttrEncrypted);
  secret->metadata = Bytes(100, 0xAB);
  fs::create_directories(out_);
  RecordingCallback callback;
  qm::SaveContext context = Context(&callback);
  const fs::path path = out_ / "secret.doc";
  ASSERT_EQ(SaveOneFile(context, root_->GetFirstChild(), path.string()), qm::kSaveDone);
  EXPECT_FALSE(fs::exists(path));
  const Bytes backup = ReadAll(out_ / "secret.doc.EFS");
  // Header, metadata, stream name, one data block header, the data rounded
  // up to whole sectors.
  ASSERT_EQ(backup.size(), 66u + 100 + 42 + 512 + 1024);
  const auto header = qm::MakeEfsFileHeader(100);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), backup.begin()));
  EXPECT_EQ(backup[66], 0xAB);
  const qm::ByteView block(backup.data() + 66 + 100 + 42, 512);
  EXPECT_EQ(block.le32(0), 1024u + 512);
  EXPECT_EQ(block.le32(28), 700u); // only the file's bytes count
  EXPECT_EQ(block.le32(44), 1024u);
  const Bytes data = Clusters(50, 1);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), backup.begin() + 66 + 100 + 42 + 512));
  // The sector padding is taken back from the progress.
  EXPECT_EQ(callback.takenBack, 1024u - 700);
}

TEST_F(SaverTest, CancelWhileMakingTheRawBackupCancelsTheJob) {
  AddFile(root_, "plain.txt", 100, {{1, 1}});
  AddFile(root_, "secret.doc", 700, {{50, 1}}, qm::kAttrEncrypted)->metadata = Bytes(100, 0xAB);
  RecordingCallback callback;
  callback.cancelAt = "Poll"; // only the backup's copy loop polls
  qm::SaveContext context = Context(&callback);
  qm::SaveSummary summary;
  EXPECT_EQ(SaveCheckedTree(context, root_, out_.string(), nullptr, &summary), qm::kSaveCancelled);
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(summary.failed, 0u);
  // The job stopped there: the file after it was never begun.
  EXPECT_EQ(callback.names, std::vector<std::string>{"secret.doc"});
  // Nothing half-made is left behind.
  EXPECT_FALSE(fs::exists(out_ / "D#/secret.doc.EFS"));
}

TEST_F(SaverTest, EncryptedFileOfDamagedSizeKeepsItsData) {
  // A size that rounding up to whole sectors would wrap to 0.
  SavedFileProperties* secret = AddFile(root_, "huge.doc", ~std::uint64_t{0} - 10, {{50, 1}}, qm::kAttrEncrypted);
  secret->metadata = Bytes(100, 0xAB);
  fs::create_directories(out_);
  qm::SaveContext context = Context();
  const fs::path path = out_ / "huge.doc";
  SaveOneFile(context, root_->GetFirstChild(), path.string());
  const Bytes backup = ReadAll(out_ / "huge.doc.EFS");
  ASSERT_EQ(backup.size(), 66u + 100 + 42 + 512 + kClusterBytes);
  const Bytes data = Clusters(50, 1);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), backup.begin() + 66 + 100 + 42 + 512));
}

TEST_F(SaverTest, SingleFileJobsOnAnyThread) {
  AddFile(root_, "one.txt", 300, {{7, 1}});
  fs::create_directories(out_);
  const std::string path = (out_ / "one.txt").string();
  EXPECT_EQ(StartSaveSelectedFiles(nullptr, device_.get(), root_->GetFirstChild(), path.c_str(), nullptr), 1);
  EXPECT_EQ(ReadAll(path).size(), 300u);
  int dialog = 0;
  const std::string path2 = (out_ / "two.txt").string();
  EXPECT_EQ(StartSaveSelectedFiles(nullptr, device_.get(), root_->GetFirstChild(), path2.c_str(), &dialog), 1);
  EXPECT_EQ(ReadAll(path2), ReadAll(path));

  char created[16];
  SaveResult::Reset();
  EXPECT_EQ(StartSaveFiles(nullptr, device_.get(), root_, out_.c_str(), created, sizeof created), 1);
  EXPECT_EQ(SaveResult::GetCode(), qm::kSaveDone);
  EXPECT_EQ(std::strlen(created), sizeof created - 1); // cut to fit, terminated
  root_->GetProperties()->SetCheckState(qm::kUnchecked);
  EXPECT_EQ(StartSaveFiles(nullptr, device_.get(), root_, out_.c_str(), nullptr, 0), 0);
}

} // namespace
