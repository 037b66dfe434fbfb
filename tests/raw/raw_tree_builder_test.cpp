#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "format_fixture.h"
#include "ntfs/cluster_use_bitmap.h"
#include "raw/raw_file_properties.h"
#include "raw/raw_search_type_list.h"
#include "raw/raw_tree_builder.h"
#include "storage/app_settings.h"
#include "storage/storage_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

class Progress : public IDIRBuildCallback {
public:
  int OnBegin(const char* title, std::uint32_t total) override {
    this->title = title;
    this->total = total;
    return 0;
  }
  int OnStep(std::uint32_t n) override {
    steps += n;
    return steps >= cancelAfter ? kCallbackCancel : 0;
  }
  int OnPosition(std::uint32_t) override { return 0; }
  int OnEnd() override {
    ++ends;
    return 0;
  }
  int Poll() override { return 0; }

  std::string title;
  std::uint32_t total = 0;
  std::uint32_t steps = 0;
  std::uint32_t cancelAfter = 0xFFFFFFFF;
  int ends = 0;
};

class UsedSectors : public IIsClusterUsed {
public:
  explicit UsedSectors(std::set<std::uint64_t> used) : used_(std::move(used)) {}
  bool IsClusterUsed(std::uint64_t sector) const override { return used_.count(sector) != 0; }

private:
  std::set<std::uint64_t> used_;
};

// Keeps the settings the tree reads and puts them back afterwards.
class SettingsGuard {
public:
  SettingsGuard() : saved_(*GetAppSettings()) {}
  ~SettingsGuard() { *GetAppSettings() = saved_; }

private:
  AppSettings saved_;
};

struct Tree {
  CFileNode* root = nullptr;
  ~Tree() { DeleteFileTree(root); }
};

const char* NameOf(const CFileNode* node) { return node->GetProperties()->GetName(); }

std::vector<CFileNode*> Children(const CFileNode* node) {
  std::vector<CFileNode*> children;
  for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    children.push_back(child);
  return children;
}

CFileNode* Child(const CFileNode* node, const std::string& name) {
  for (CFileNode* child : Children(node))
    if (name == NameOf(child)) return child;
  return nullptr;
}

void Add(CRawFileCollection& collection, std::uint64_t start, std::uint64_t length, int type,
         int analyserType, std::string name = {}, std::string name2 = {}) {
  auto record = std::make_unique<CRawFileInfo>();
  record->SetStartSector(start);
  record->SetLength(length);
  record->SetType(type);
  record->SetAnalyserType(analyserType);
  record->SetExtraName(std::move(name));
  record->SetExtraName2(std::move(name2));
  collection.Add(std::move(record));
}

CFileNode* Build(CRawFileCollection& collection, IStorageDevice& device, const IIsClusterUsed* used,
                 Progress& progress, int threaded = 0) {
  CRawTreeBuilder builder;
  return builder.Start(&device, &collection.GetIterator(), used, &progress, threaded);
}

TEST(RawTreeBuilder, FilesAreGroupedByTypeAndFilesInUsedClustersLeftOut) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  qm::MemoryDevice device(4096, 512);
  CRawFileCollection carved;
  Add(carved, 10, 1000, 33, 33, "D70", "2004:01:02 03:04:05");
  Add(carved, 20, 2000, 33, 33);
  Add(carved, 30, 3000, 47, 47);
  Add(carved, 40, 4000, 21, 44); // a Word file found by the compound-file analyser
  Add(carved, 50, 5000, 47, 47); // in a used cluster
  Add(carved, 60, 0, 1000, -1);  // a user-defined type: never listed
  Add(carved, 70, 600, 1001, 0xFFFF);
  const UsedSectors used({50});
  Progress progress;
  Tree tree{Build(carved, device, &used, progress)};
  ASSERT_NE(tree.root, nullptr);

  EXPECT_STREQ(NameOf(tree.root), "Raw Files");
  EXPECT_TRUE(tree.root->IsFileSystemNode());
  EXPECT_EQ(tree.root->GetVolumeState(), 6u);
  EXPECT_EQ(tree.root->GetProperties()->GetAttributes(), 0x10);
  EXPECT_EQ(progress.title, "Building RAW file tree.");
  EXPECT_EQ(progress.total, 6u); // all but the one in a used cluster
  EXPECT_EQ(progress.steps, 4u);
  EXPECT_EQ(progress.ends, 1);

  std::vector<std::string> folders;
  for (CFileNode* child : Children(tree.root))
    folders.push_back(NameOf(child));
  EXPECT_EQ(folders, (std::vector<std::string>{"Microsoft Word Document", "Portable Network Graphic file",
                                               "JPEG Graphics file"}));

  CFileNode* jpegs = Child(tree.root, "JPEG Graphics file");
  ASSERT_NE(Child(jpegs, "D70001.JPG"), nullptr);
  ASSERT_NE(Child(jpegs, "FILE002.JPG"), nullptr);
  const IFileProperties* d70 = Child(jpegs, "D70001.JPG")->GetProperties();
  EXPECT_EQ(d70->GetSize(), 1000u);
  EXPECT_STREQ(d70->GetDescription(), "2004:01:02 03:04:05");
  EXPECT_EQ(d70->GetAttributes(), 0x20);
  EXPECT_EQ(d70->GetState(), 0);
  auto runs = d70->GetDataRunList();
  ASSERT_NE(runs, nullptr);
  EXPECT_EQ(runs->Runs()[0].start, 10u);
  EXPECT_EQ(runs->Runs()[0].count, 2u);
  std::vector<std::string> pngs;
  for (CFileNode* child : Children(Child(tree.root, "Portable Network Graphic file")))
    pngs.push_back(NameOf(child));
  EXPECT_EQ(pngs, std::vector<std::string>{"FILE001.PNG"});
  EXPECT_NE(Child(Child(tree.root, "Microsoft Word Document"), "FILE001.DOC"), nullptr);
}

TEST(RawTreeBuilder, OnlyChosenTypesAndNoTreeWhenCarvingIsOff) {
  SettingsGuard settings;
  qm::MemoryDevice device(4096, 512);
  CRawFileCollection carved;
  Add(carved, 10, 1000, 67, 44); // XLS
  Add(carved, 20, 1000, 21, 44); // DOC by the same analyser
  Add(carved, 30, 1000, 33, 33);
  GetAppSettings()->vecRawTypes = {67};
  Progress progress;
  Tree tree{Build(carved, device, nullptr, progress)};
  ASSERT_NE(tree.root, nullptr);
  ASSERT_EQ(Children(tree.root).size(), 1u);
  EXPECT_STREQ(NameOf(tree.root->GetFirstChild()), "Microsoft Excel XML Documents");

  // Photo recovery drops the document types even when they were chosen.
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  GetAppSettings()->bPhotoRecovery = 1;
  Tree photo{Build(carved, device, nullptr, progress)};
  ASSERT_EQ(Children(photo.root).size(), 1u);
  EXPECT_STREQ(NameOf(photo.root->GetFirstChild()), "JPEG Graphics file");

  // A builder used twice numbers the second tree afresh and never touches
  // the first.
  CRawTreeBuilder twice;
  Tree first{twice.Start(&device, &carved.GetIterator(), nullptr, &progress, 0)};
  Tree second{twice.Start(&device, &carved.GetIterator(), nullptr, &progress, 0)};
  ASSERT_EQ(Children(first.root).size(), 1u);
  ASSERT_EQ(Children(second.root).size(), 1u);
  EXPECT_NE(Child(second.root->GetFirstChild(), "FILE001.JPG"), nullptr);
  EXPECT_EQ(Children(first.root->GetFirstChild()).size(), 1u);

  GetAppSettings()->bRecoverRaw = 0;
  EXPECT_EQ(Build(carved, device, nullptr, progress), nullptr);
  GetAppSettings()->bRecoverRaw = 1;
  CRawTreeBuilder builder;
  EXPECT_EQ(builder.Start(&device, &carved.GetIterator(), nullptr, nullptr, 0), nullptr);
}

TEST(RawTreeBuilder, BigTypesAreSplitIntoFoldersOf300) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  qm::MemoryDevice device(16384, 512);
  struct Case {
    int files;
    std::vector<std::string> subFolders; // newest first
    std::size_t lastFolderFiles;
  };
  const Case cases[] = {
      {299, {}, 299},
      {300, {"1-300"}, 300}, // the empty folder for the next files is dropped
      {301, {"301-301", "1-300"}, 1},
      {450, {"301-450", "1-300"}, 150},
      {600, {"301-600", "1-300"}, 300},
      {601, {"601-601", "301-600", "1-300"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files);
    CRawFileCollection carved;
    // Files far apart, so no picture lies inside another.
    for (int i = 0; i < c.files; ++i)
      Add(carved, 1000 + static_cast<std::uint64_t>(i) * 10, 100, 33, 33);
    Progress progress;
    Tree tree{Build(carved, device, nullptr, progress)};
    ASSERT_EQ(Children(tree.root).size(), 1u);
    CFileNode* jpegs = tree.root->GetFirstChild();
    EXPECT_STREQ(NameOf(jpegs), "JPEG Graphics file");
    if (c.subFolders.empty()) {
      EXPECT_EQ(Children(jpegs).size(), c.lastFolderFiles);
      continue;
    }
    std::vector<std::string> names;
    for (CFileNode* child : Children(jpegs)) {
      names.push_back(NameOf(child));
      EXPECT_TRUE(child->GetProperties()->IsFolder());
    }
    EXPECT_EQ(names, c.subFolders);
    EXPECT_EQ(Children(jpegs->GetFirstChild()).size(), c.lastFolderFiles);
    // The first sub-folder holds files 1 to 300 in order of adding.
    CFileNode* first = Child(jpegs, "1-300");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Children(first).size(), 300u);
    EXPECT_NE(Child(first, "FILE001.JPG"), nullptr);
    EXPECT_NE(Child(first, "FILE300.JPG"), nullptr);
    if (c.files > 300 && c.files <= 600) {
      EXPECT_NE(Child(jpegs->GetFirstChild(), "FILE301.JPG"), nullptr);
    }
  }
}

TEST(RawTreeBuilder, PicturesInsideTheLastPictureAreKeptOnlyInTheMiddleSizeBand) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  qm::MemoryDevice device(16384, 512);
  CRawFileCollection carved;
  Add(carved, 100, 100000, 33, 33); // the photo: 196 sectors
  Add(carved, 110, 5000, 33, 33);   // a thumbnail inside it: left out
  Add(carved, 101, 95000, 33, 33);  // inside, above nine tenths: left out
  Add(carved, 130, 30000, 33, 33);  // a preview inside it: kept, remembered
  Add(carved, 140, 2000, 33, 33);   // inside the preview, below a tenth of it
  Add(carved, 1000, 1000, 33, 33);  // outside: kept
  Add(carved, 99, 100, 47, 47);     // other types are not weighed
  Progress progress;
  Tree tree{Build(carved, device, nullptr, progress)};
  CFileNode* jpegs = Child(tree.root, "JPEG Graphics file");
  ASSERT_NE(jpegs, nullptr);
  std::vector<std::uint64_t> sizes;
  for (CFileNode* child : Children(jpegs))
    sizes.push_back(child->GetProperties()->GetSize());
  EXPECT_EQ(sizes, (std::vector<std::uint64_t>{1000, 30000, 100000}));
}

TEST(RawTreeBuilder, FilesCarvedInsideAnEarlierArchiveAreTheArchives) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  qm::MemoryDevice device(16384, 512); // every record lies on the device
  auto build = [&](bool photos) {
    GetAppSettings()->bPhotoRecovery = photos ? 1 : 0;
    CRawFileCollection carved;
    Add(carved, 100, 100000, 68, 68); // a ZIP archive: sectors 100-295
    Add(carved, 110, 5000, 33, 33);   // a picture stored in it
    Add(carved, 150, 74400, 59, 59);  // a tar stored in it, ending where it ends
    Add(carved, 290, 4000, 47, 47);   // starts inside, runs past its end: kept
    Add(carved, 2000, 10240, 59, 59); // a tar archive
    Add(carved, 2001, 9728, 59, 59);  // its second member header, carved again
    Add(carved, 2004, 600, 47, 47);   // a picture in it
    Add(carved, 3000, 2000, 69, 68);  // an office package (a ZIP)
    Add(carved, 3001, 1000, 33, 33);  // a picture in it
    Add(carved, 4000, 5000, 41, 41);  // an MP3 file
    Add(carved, 4003, 3000, 41, 41);  // a frame of it at a sector start
    Add(carved, 4005, 300, 33, 33);   // no archive: kept
    Add(carved, 5000, 3000, 29, 29);  // gzip data hide nothing carvable
    Add(carved, 5001, 300, 47, 47);
    Progress progress;
    return Tree{Build(carved, device, nullptr, progress)};
  };
  auto sizes = [](const CFileNode* root, const char* folder) {
    std::vector<std::uint64_t> out;
    if (const CFileNode* f = Child(root, folder))
      for (CFileNode* child : Children(f))
        out.insert(out.begin(), child->GetProperties()->GetSize()); // children are prepended
    return out;
  };
  {
    Tree tree = build(false);
    EXPECT_EQ(sizes(tree.root, "Zip compression file"), (std::vector<std::uint64_t>{100000}));
    EXPECT_EQ(sizes(tree.root, "TAR archive file"), (std::vector<std::uint64_t>{10240}));
    EXPECT_EQ(sizes(tree.root, "Portable Network Graphic file"), (std::vector<std::uint64_t>{4000, 300}));
    EXPECT_EQ(sizes(tree.root, "JPEG Graphics file"), (std::vector<std::uint64_t>{300}));
    EXPECT_EQ(sizes(tree.root, "Microsoft DOCX file"), (std::vector<std::uint64_t>{2000}));
    EXPECT_EQ(sizes(tree.root, "MP3 Music file"), (std::vector<std::uint64_t>{5000}));
  }
  {
    // Photo recovery lists no archives: the pictures they hold are all
    // there is of them.
    Tree tree = build(true);
    EXPECT_EQ(Child(tree.root, "Zip compression file"), nullptr);
    EXPECT_EQ(sizes(tree.root, "JPEG Graphics file"), (std::vector<std::uint64_t>{5000, 1000, 300}));
  }
}

// A tar analyser that counts its walks and measures every archive to the
// same end, as the member headers of one archive do.
class CountingTarWalk : public IRawFileAnalyser {
public:
  CountingTarWalk() { typeId = 59; }
  int CheckHeader(qm::ByteView, CRawFileInfo*) override { return 0; }
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice*) override {
    ++walks;
    info->SetLength((kEnd - info->GetStartSector()) * 512);
    return 1;
  }
  static constexpr std::uint64_t kEnd = 1100;
  int walks = 0;
};

TEST(RawTreeBuilder, MemberHeadersOfAListedTarAreNotWalkedAgain) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  RawSearchTypeList& analysers = RawSearchTypeList::Get();
  analysers.Clear();
  auto counting = std::make_unique<CountingTarWalk>();
  CountingTarWalk* walker = counting.get();
  analysers.Analysers().push_back(std::move(counting));

  qm::MemoryDevice device(16384, 512); // every record lies on the device
  CRawFileCollection carved;
  for (std::uint64_t member = 100; member < 1100; member += 2)
    Add(carved, member, 0, 59, 59); // 500 member headers, none measured by the sweep
  Progress progress;
  Tree tree{Build(carved, device, nullptr, progress)};
  CFileNode* tars = Child(tree.root, "TAR archive file");
  ASSERT_NE(tars, nullptr);
  EXPECT_EQ(Children(tars).size(), 1u);
  EXPECT_EQ(walker->walks, 1);

  analysers.Clear();
  RegisterRawAnalysersA(analysers.Analysers());
}

TEST(RawTreeBuilder, ACancelStopsTheBuildWithWhatWasAdded) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  qm::MemoryDevice device(16384, 512);
  CRawFileCollection carved;
  for (int i = 0; i < 10; ++i)
    Add(carved, 100 + static_cast<std::uint64_t>(i) * 10, 100, 47, 47);
  Progress progress;
  progress.cancelAfter = 3;
  Tree tree{Build(carved, device, nullptr, progress, 1)};
  ASSERT_NE(tree.root, nullptr);
  EXPECT_EQ(Children(tree.root->GetFirstChild()).size(), 3u);
  EXPECT_EQ(progress.ends, 1);
}

// An analyser whose size walk fails or finds a length.
class WalkStub : public IRawFileAnalyser {
public:
  WalkStub(int id, bool throws, std::uint64_t length) : throws_(throws), length_(length) { typeId = id; }
  int CheckHeader(qm::ByteView, CRawFileInfo*) override { return 0; }
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice*) override {
    ++walks;
    if (throws_) throw std::runtime_error("damaged");
    info->SetLength(length_);
    info->SetType(47);
    return 1;
  }
  std::string GetExtraName() override { return "Cam"; }
  std::string GetExtraName2() override { return "when"; }
  int walks = 0;

private:
  bool throws_;
  std::uint64_t length_;
};

TEST(RawTreeBuilder, RecordsWithoutLengthAreMeasuredByEachBuildAndCut) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  const qm::MaxRawFileSizeGuard max(4000);
  qm::MemoryDevice device(64, 512);
  RawSearchTypeList& analysers = RawSearchTypeList::Get();
  auto measured = std::make_unique<WalkStub>(0x10000 + 600, false, 1u << 20); // found by its low 16 bits
  auto failing = std::make_unique<WalkStub>(601, true, 0);
  WalkStub* measuredWalks = measured.get();
  WalkStub* failingWalks = failing.get();
  analysers.Analysers().push_front(std::move(failing));
  analysers.Analysers().push_front(std::move(measured));

  CRawFileCollection carved;
  Add(carved, 10, 0, 9, 600); // measured: takes the type the walk gives
  Add(carved, 20, 0, 9, 601); // the walk throws: left out
  Add(carved, 30, 0, 9, 602); // no analyser of its type: left out
  for (int build = 1; build <= 2; ++build) {
    Progress progress;
    Tree tree{Build(carved, device, nullptr, progress)};
    ASSERT_EQ(Children(tree.root).size(), 1u);
    CFileNode* folder = tree.root->GetFirstChild();
    EXPECT_STREQ(NameOf(folder), "Portable Network Graphic file");
    ASSERT_EQ(Children(folder).size(), 1u);
    const IFileProperties* file = folder->GetFirstChild()->GetProperties();
    EXPECT_STREQ(file->GetName(), "Cam001.PNG");
    EXPECT_STREQ(file->GetDescription(), "when");
    EXPECT_EQ(file->GetSize(), 4000u);
    EXPECT_EQ(file->GetDataRunList()->Runs()[0].count, 8u);
    EXPECT_EQ(measuredWalks->walks, build);
    EXPECT_EQ(failingWalks->walks, build);
    for (const CRawFileInfo* record : carved.GetCarvedFiles())
      EXPECT_EQ(record->GetLength(), 0u);
  }
  analysers.Analysers().pop_front();
  analysers.Analysers().pop_front();
}

TEST(RawTreeBuilder, BehindA512ByteViewTheClusterMapIsAskedIn512ByteSectors) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  qm::MemoryDevice disk(64, 4096);
  CSimulateStorageDevice view(&disk);
  CRawFileCollection carved;
  Add(carved, 3, 5000, 47, 47); // 4096-byte sector 3 = 512-byte sector 24
  Add(carved, 5, 5000, 28, 28);
  const UsedSectors used({24});
  Progress progress;
  Tree tree{Build(carved, view, &used, progress)};
  ASSERT_EQ(Children(tree.root).size(), 1u);
  EXPECT_STREQ(NameOf(tree.root->GetFirstChild()), "GIF graphics file");
  EXPECT_EQ(progress.total, 1u);
  // The extent counts sectors of the device the records count in.
  const IFileProperties* gif = tree.root->GetFirstChild()->GetFirstChild()->GetProperties();
  EXPECT_EQ(gif->GetDataRunList()->Runs()[0].start, 5u);
  EXPECT_EQ(gif->GetDataRunList()->Runs()[0].count, 2u);
}

TEST(RawTreeBuilder, AFileSystemTreeGetsTheCarvedFilesOutsideItsClusters) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  qm::MemoryDevice device(4096, 512);
  CRawFileCollection carved;
  Add(carved, 100, 1000, 47, 47); // cluster 12 with 8 sectors a cluster from sector 4
  Add(carved, 200, 1000, 47, 47);
  std::vector<bool> bits(32, false);
  CClusterUseBitMap used(&bits, 4, 8, 32);
  used.SetCluster(12);
  Tree tree{CreateFileSystemNode()};
  Progress progress;
  CFileNode* rawFiles = HangRawFilesTree(tree.root, used, &carved, &device, &progress);
  ASSERT_NE(rawFiles, nullptr);
  EXPECT_EQ(rawFiles->GetParent(), tree.root);
  EXPECT_STREQ(NameOf(rawFiles), "Raw Files");
  const CFileNode* pngs = rawFiles->GetFirstChild();
  ASSERT_EQ(Children(pngs).size(), 1u);
  EXPECT_EQ(pngs->GetFirstChild()->GetProperties()->GetDataRunList()->Runs()[0].start, 200u);
  EXPECT_EQ(HangRawFilesTree(tree.root, used, nullptr, &device, &progress), nullptr);
}

// Names read from a file's metadata (a camera model, a song title) become
// one safe part of a single file name, whatever bytes the disk held.
TEST(RawTreeBuilder, MetadataNamesBecomeOneSafeNameComponent) {
  struct Row {
    const char* what;
    std::string extra;
    std::string expected;
  };
  const std::string longModel(100, 'M');
  const std::string euro = "\xE2\x82\xAC"; // U+20AC, three bytes
  const Row rows[] = {
      {"plain model", "D70", "D70007.JPG"},
      {"empty", "", "FILE007.JPG"},
      {"path climbing out", "../../etc/passwd", ".._.._etc_passwd007.JPG"},
      {"backslashes and drive", "C:\\x\\y", "C__x_y007.JPG"},
      {"characters names refuse", "a*b?c\"d<e>f|g", "a_b_c_d_e_f_g007.JPG"},
      {"control bytes and DEL", std::string("a\0b\nc\x7F", 6), "a_b_c_007.JPG"},
      {"broken UTF-8", "caf\xC3", "caf_007.JPG"},
      {"overlong UTF-8 slash", "\xC0\xAF", "__007.JPG"},
      {"encoded surrogate", "\xED\xA0\x80", "___007.JPG"},
      {"sound UTF-8 kept", "Caf\xC3\xA9 " + euro, "Caf\xC3\xA9 " + euro + "007.JPG"},
      {"cut to 79 bytes", longModel, std::string(79 - 7, 'M') + "007.JPG"},
      // A cut never splits a character: "x" and 23 euro signs (70 bytes)
      // fit before the 7-byte tail, the 24th sign would not.
      {"cut on a character border",
       [&] {
         std::string s = "x";
         for (int i = 0; i < 30; ++i)
           s += euro;
         return s;
       }(),
       [&] {
         std::string s = "x";
         for (int i = 0; i < 23; ++i)
           s += euro;
         return s + "007.JPG";
       }()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string name = MakeRawFileName(row.extra, 7, 33);
    EXPECT_EQ(name, row.expected);
    EXPECT_LE(name.size(), 79u);
    EXPECT_EQ(name.find('/'), std::string::npos);
    EXPECT_EQ(name.find('\\'), std::string::npos);
  }
}

// Real files placed on a device, carved by the analysers in their order,
// measured by the tree build and copied out through the file saver.
TEST(RawTreeBuilder, CarvedRealFilesAreSavedBackByteForByte) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  struct Fixture {
    const char* name;
    const char* folder;
    const char* file;
    const char* description;
  };
  const Fixture fixtures[] = {
      {"media_picture.png", "Portable Network Graphic file", "FILE001.PNG", ""},
      {"media_picture.gif", "GIF graphics file", "FILE001.GIF", ""},
      {"media_camera_II.jpg", "JPEG Graphics file", "WC-100 Mark II001.JPG", "2009:08:07 06:05:04"},
  };
  RawSearchTypeList& analysers = RawSearchTypeList::Get();
  analysers.Refill(GetAppSettings()->vecRawTypes, [] {
    return std::unique_ptr<IRawFileAnalyser>(); // no user-defined types
  });
  for (const Fixture& f : fixtures) {
    SCOPED_TRACE(f.name);
    const std::vector<std::uint8_t> bytes = qm::ReadFormatFixture(f.name);
    auto device = qm::DeviceWithFile(bytes, 7, 3000);
    const std::vector<std::uint8_t> before = device->bytes();

    CRawFileCollection carved;
    auto record = std::make_unique<CRawFileInfo>();
    record->SetStartSector(7);
    ASSERT_NE(analysers.MatchSector(qm::ByteView(device->sector(7), 512), record.get()), nullptr);
    record->SetLength(0); // as the sweep leaves files found near its end
    CRawFileInfo* kept = carved.Add(std::move(record));

    Progress progress;
    Tree tree{Build(carved, *device, nullptr, progress)};
    ASSERT_NE(tree.root, nullptr);
    EXPECT_EQ(kept->GetLength(), 0u); // measured again by every build
    CFileNode* folder = Child(tree.root, f.folder);
    ASSERT_NE(folder, nullptr);
    CFileNode* file = Child(folder, f.file);
    ASSERT_NE(file, nullptr);
    EXPECT_STREQ(file->GetProperties()->GetDescription(), f.description);

    const fs::path target = qm::ScratchPath(std::string("rawtree_") + f.file);
    fs::remove(target);
    qm::SaveContext context;
    context.device = device.get();
    ASSERT_EQ(SaveOneFile(context, file, target.string()), 0u);
    EXPECT_EQ(qm::ReadFileBytes(target), bytes);
    fs::remove(target);
    EXPECT_EQ(device->bytes(), before);
  }
  analysers.Clear();
  RegisterRawAnalysersA(analysers.Analysers());
}

} // namespace
