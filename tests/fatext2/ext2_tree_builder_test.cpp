// The tree build of real EXT2 and EXT3 volumes: every file at its path,
// deleted files recovered, the checked tree copied out byte for byte
// (sparse files too), cancel, the image left untouched, and hostile
// volumes: directory loops, deep nesting, blocks past the volume, and a
// forced collection in the middle of a build.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string_view>

#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_file_properties.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_fixture.h"
#include "fatext2/ext2_tree_builder.h"
#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/file_type_map.h"
#include "filemodel/raw_file_collection.h"
#include "platform/byte_view.h"
#include "platform/log.h"
#include "storage/image_file_device.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;
using namespace qm::test;

namespace {

class CountingCallback : public IDIRBuildCallback {
public:
  int OnBegin(const char* title, std::uint32_t total) override {
    titles.emplace_back(title);
    totals.push_back(total);
    return Poll();
  }
  int OnStep(std::uint32_t n) override {
    steps += n;
    if (collectOnStep) qm::ext2::CollectNow();
    return 0;
  }
  int OnPosition(std::uint32_t) override { return 0; }
  int OnEnd() override { return 0; }
  int Poll() override {
    ++polls;
    if (collectEvery != 0 && polls % collectEvery == 0) qm::ext2::CollectNow();
    return cancelAt != 0 && polls >= cancelAt ? kCallbackCancel : 0;
  }
  std::vector<std::string> titles;
  std::vector<std::uint32_t> totals;
  std::uint64_t steps = 0;
  std::uint64_t polls = 0;
  std::uint64_t cancelAt = 0;
  std::uint64_t collectEvery = 0;
  bool collectOnStep = false;
};

// Every node below root by its path ("/a/b"); a path met twice counts as
// a duplicate.
struct Ext2TreePaths {
  std::map<std::string, CFileNode*> byPath;
  std::size_t duplicates = 0;
  std::size_t maxDepth = 0;
};

Ext2TreePaths CollectExt2Paths(CFileNode* root) {
  Ext2TreePaths paths;
  std::vector<std::pair<CFileNode*, std::string>> stack{{root, ""}};
  while (!stack.empty()) {
    auto [node, path] = stack.back();
    stack.pop_back();
    for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
      std::string childPath = path + "/" + child->GetProperties()->GetName();
      if (!paths.byPath.emplace(childPath, child).second) ++paths.duplicates;
      std::size_t depth = 0;
      for (CFileNode* up = child; up != root; up = up->GetParent())
        ++depth;
      paths.maxDepth = std::max(paths.maxDepth, depth);
      stack.emplace_back(child, std::move(childPath));
    }
  }
  return paths;
}

CExt2FileProperties* Props(CFileNode* node) {
  return static_cast<CExt2FileProperties*>(node->GetProperties());
}

struct TreeDeleter {
  void operator()(CFileNode* root) const { DeleteFileTree(root); }
};
using Tree = std::unique_ptr<CFileNode, TreeDeleter>;

Tree BuildImage(const fs::path& image, IDIRBuildCallback* callback = nullptr) {
  CImageFileDevice device(image.c_str());
  return Tree(CExt2LostPartitionTreeBuilder::Start(&device, callback, 2, false));
}

// The checked tree copied out; the folder it went to.
fs::path SaveAll(CFileNode* root, IStorageDevice* device, const std::string& name) {
  static_cast<CFileSystemNode*>(root)->ToggleCheck(root, 0);
  const fs::path target = qm::ScratchPath(name);
  fs::remove_all(target);
  qm::SaveContext context{nullptr, device};
  std::string created;
  EXPECT_EQ(SaveCheckedTree(context, root, target.string(), &created), qm::kSaveDone);
  return created;
}

// A fingerprint of the whole image (the library's string hash: fast even
// in a sanitised build over a large image).
std::size_t ImageHash(const fs::path& path) {
  const auto bytes = qm::ReadFileBytes(path);
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// A volume made from a debugfs script; empty when the tools failed.
fs::path MakeScriptedImage(const std::string& name, const std::string& mke2fsOptions, std::uint64_t bytes,
                           const std::string& script) {
  const fs::path image = qm::MakeSparseImage(name + ".img", bytes);
  const fs::path scriptPath = qm::ScratchPath(name + ".script");
  std::ofstream(scriptPath) << script;
  const std::string quiet = " >/dev/null 2>&1";
  if (qm::RunCommand("mke2fs -q -F " + mke2fsOptions + " " + image.string() + quiet) != 0 ||
      qm::RunCommand("debugfs -w -f " + scriptPath.string() + " " + image.string() + quiet) != 0)
    return {};
  return image;
}

std::vector<std::uint8_t> Pattern(std::uint32_t seed, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = seed;
  for (auto& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(state >> 16);
  }
  return bytes;
}

class Ext2TreeBuild : public ::testing::TestWithParam<Ext2Layout> {};

TEST_P(Ext2TreeBuild, EveryFileAtItsPathAndCopiedOutByteForByte) {
  const Ext2Image& image = GetExt2Image(GetParam());
  ASSERT_FALSE(image.path.empty());
  const std::size_t before = ImageHash(image.path);
  CountingCallback callback;
  Tree root = BuildImage(image.path, &callback);
  ASSERT_NE(root, nullptr);

  CImageFileDevice device(image.path.c_str());
  CExt2FileSystem fileSystem(&device, 2);
  ASSERT_TRUE(root->IsFileSystemNode());
  const bool ext3 = GetParam() == Ext2Layout::Ext3Blocks4K;
  EXPECT_EQ(root->GetVolumeState(), ext3 ? qm::kVolumeExt3 : qm::kVolumeExt2);
  EXPECT_STREQ(root->GetProperties()->GetName(), ext3 ? "Ext3 1" : "Ext2 1");
  EXPECT_TRUE(root->GetProperties()->IsFolder());
  std::uint64_t base = 99;
  std::uint32_t perBlock = 0;
  root->GetVolumeGeometry(&base, &perBlock);
  EXPECT_EQ(base, 0u);
  EXPECT_EQ(perBlock, image.blockSize / 512);
  ASSERT_GE(callback.titles.size(), 2u);
  EXPECT_EQ(callback.titles[0], qm::kExt2ReadingFilesTitle);
  EXPECT_EQ(callback.totals[0], fileSystem.GroupCount());
  EXPECT_EQ(callback.titles[1], qm::kExt2BuildingTitle);

  const Ext2TreePaths paths = CollectExt2Paths(root.get());
  EXPECT_EQ(paths.duplicates, 0u);
  for (const auto& dir : image.directories) {
    ASSERT_EQ(paths.byPath.count(dir), 1u) << dir;
    EXPECT_TRUE(paths.byPath.at(dir)->GetProperties()->IsFolder());
  }
  for (const auto& file : image.files) {
    ASSERT_EQ(paths.byPath.count(file.path), 1u) << file.path;
    CFileNode* node = paths.byPath.at(file.path);
    EXPECT_EQ(node->GetProperties()->GetSize(), file.content.size()) << file.path;
    EXPECT_EQ(node->GetProperties()->GetState(), 0) << file.path;
  }
  // Freed with its entry kept: found by name, marked deleted.
  ASSERT_EQ(paths.byPath.count(image.killed.path), 1u);
  EXPECT_EQ(paths.byPath.at(image.killed.path)->GetProperties()->GetState(), 1);
  // Removed with its entry: only the inode walk finds it, under the root.
  std::string lost;
  for (CFileNode* child = root->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
    auto* properties = Props(child);
    if (std::string(properties->GetName()).rfind("Inode_", 0) == 0 &&
        properties->GetSize() == image.deleted.content.size()) {
      char expected[32];
      std::snprintf(expected, sizeof expected, "Inode_%x", properties->GetInodeNumber());
      EXPECT_STREQ(properties->GetName(), expected);
      EXPECT_EQ(properties->GetState(), 1);
      lost = std::string("/") + properties->GetName();
    }
  }
  ASSERT_FALSE(lost.empty()) << "the removed file is not under the root";

  const fs::path out = SaveAll(root.get(), &device, "ext2_tree_out");
  for (const auto& file : image.files)
    EXPECT_EQ(qm::ReadFileBytes(out / fs::u8path(file.path.substr(1))), file.content) << file.path;
  EXPECT_EQ(qm::ReadFileBytes(out / image.killed.path.substr(1)), image.killed.content);
  EXPECT_EQ(qm::ReadFileBytes(out / lost.substr(1)), image.deleted.content);
  fs::remove_all(out);
  EXPECT_EQ(ImageHash(image.path), before);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Ext2TreeBuild,
                         ::testing::Values(Ext2Layout::Ext2Blocks1K, Ext2Layout::Ext3Blocks4K,
                                           Ext2Layout::Ext2Revision0, Ext2Layout::Ext2Blocks8K));

TEST(Ext2TreeBuilder, SparseFilesKeepTheirHolesWhenCopiedOut) {
  const fs::path host = qm::ScratchPath("ext2_sparse_files");
  fs::remove_all(host);
  fs::create_directories(host);
  struct Piece {
    std::uint64_t offset;
    std::size_t length;
  };
  // Holes at the start, in the middle, across whole indirect blocks (1 KiB
  // blocks: single indirect from 12 KiB, double from 268 KiB) and at the
  // end, and a partial last block.
  const std::vector<std::vector<Piece>> layouts = {
      {{20000, 3000}},
      {{0, 5000}, {300000, 7000}, {3000000, 100}},
      {{0, 1024}, {6000000, 2500}},
      {{4096, 10}, {9000, 1}},
  };
  const std::vector<std::uint64_t> sizes = {23000, 3000100, 7000000, 9001};
  std::ostringstream script;
  std::vector<std::vector<std::uint8_t>> contents;
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    std::vector<std::uint8_t> content(sizes[i], 0);
    for (const auto& piece : layouts[i]) {
      const auto bytes = Pattern(static_cast<std::uint32_t>(i * 10 + piece.offset), piece.length);
      std::copy(bytes.begin(), bytes.end(), content.begin() + static_cast<std::ptrdiff_t>(piece.offset));
    }
    const fs::path file = host / ("s" + std::to_string(i));
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    script << "write " << file.string() << " sparse" << i << ".bin\n";
    contents.push_back(std::move(content));
  }
  const fs::path image = MakeScriptedImage("ext2_sparse", "-t ext2 -b 1024", 8ull << 20, script.str());
  ASSERT_FALSE(image.empty());
  Tree root = BuildImage(image);
  ASSERT_NE(root, nullptr);
  const Ext2TreePaths paths = CollectExt2Paths(root.get());
  CImageFileDevice device(image.c_str());
  const fs::path out = SaveAll(root.get(), &device, "ext2_sparse_out");
  for (std::size_t i = 0; i < contents.size(); ++i) {
    const std::string path = "/sparse" + std::to_string(i) + ".bin";
    ASSERT_EQ(paths.byPath.count(path), 1u) << path;
    IFileProperties* properties = paths.byPath.at(path)->GetProperties();
    EXPECT_EQ(properties->GetAttributes(), qm::kAttrSparse) << path;
    const auto runs = properties->GetDataRunList();
    ASSERT_NE(runs, nullptr) << path;
    std::uint64_t blocks = 0;
    bool hole = false;
    for (const auto& run : runs->Runs()) {
      blocks += run.count;
      hole = hole || run.IsSparse();
    }
    EXPECT_TRUE(hole) << path;
    EXPECT_EQ(blocks, (sizes[i] + 1023) / 1024) << path;
    EXPECT_EQ(qm::ReadFileBytes(out / path.substr(1)), contents[i]) << path;
  }
  fs::remove_all(out);
}

TEST(Ext2TreeBuilder, CancelWhileWalkingOrAttachingGivesNoTree) {
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext2Blocks1K);
  ASSERT_FALSE(image.path.empty());
  CountingCallback full;
  Tree complete = BuildImage(image.path, &full);
  ASSERT_NE(complete, nullptr);
  const std::uint64_t lastPoll = full.polls;
  // Early in the walk, at the last inode, and at the last leftover.
  for (const std::uint64_t at : {std::uint64_t{3}, lastPoll - 2, lastPoll}) {
    CountingCallback callback;
    callback.cancelAt = at;
    EXPECT_EQ(BuildImage(image.path, &callback), nullptr) << at;
  }
}

TEST(Ext2TreeBuilder, AForcedCollectionMidBuildChangesNothing) {
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext2SmallGroups);
  ASSERT_FALSE(image.path.empty());
  Tree plain = BuildImage(image.path);
  ASSERT_NE(plain, nullptr);
  CountingCallback callback;
  callback.collectOnStep = true;
  callback.collectEvery = 7;
  Tree collected = BuildImage(image.path, &callback);
  ASSERT_NE(collected, nullptr);
  const Ext2TreePaths a = CollectExt2Paths(plain.get());
  const Ext2TreePaths b = CollectExt2Paths(collected.get());
  ASSERT_EQ(a.byPath.size(), b.byPath.size());
  for (const auto& [path, node] : a.byPath) {
    ASSERT_EQ(b.byPath.count(path), 1u) << path;
    EXPECT_EQ(b.byPath.at(path)->GetProperties()->GetSize(), node->GetProperties()->GetSize());
    const auto x = node->GetProperties()->GetDataRunList();
    const auto y = b.byPath.at(path)->GetProperties()->GetDataRunList();
    ASSERT_EQ(x == nullptr, y == nullptr) << path;
    if (x) {
      EXPECT_EQ(x->Runs(), y->Runs()) << path;
    }
  }
  EXPECT_GT(callback.steps, 1u);
}

TEST(Ext2TreeBuilder, DirectoryLoopsEndUpInATreeWithNothingLost) {
  // c (made first, the lower inode) is moved below p, and lists p as "up":
  // p -> c -> up(p) would be a cycle. A directory also lists itself.
  const std::string script = "mkdir c0\nmkdir p\nwrite /dev/null p/file.txt\n"
                             "ln p c0/up\nln c0 p/c\nunlink c0\nln p p/self\n";
  const fs::path image = MakeScriptedImage("ext2_loop", "-t ext2 -b 1024", 4ull << 20, script);
  ASSERT_FALSE(image.empty());
  Tree root = BuildImage(image);
  ASSERT_NE(root, nullptr);
  const Ext2TreePaths paths = CollectExt2Paths(root.get());
  EXPECT_EQ(paths.duplicates, 0u);
  // Each directory is in the tree exactly once, and the file with it.
  std::size_t files = 0;
  std::map<std::string, int> folders;
  for (const auto& [path, node] : paths.byPath) {
    const std::string leaf = path.substr(path.rfind('/') + 1);
    if (leaf == "file.txt") ++files;
    if (node->GetProperties()->IsFolder()) ++folders[std::to_string(Props(node)->GetInodeNumber())];
  }
  EXPECT_EQ(files, 1u);
  for (const auto& [inode, count] : folders)
    EXPECT_EQ(count, 1) << "inode " << inode;
  EXPECT_EQ(folders.size(), 3u); // lost+found, c, p
}

TEST(Ext2TreeBuilder, InodesMetBeforeOrAfterTheirEntriesEndUpUnderTheirNames) {
  // m0 and f0 get lower inode numbers than the folder that lists them at
  // the end, so the walk reaches them before their entries; inner.txt is
  // listed by m0 before the walk reaches it.
  const std::string script = "mkdir m0\nwrite /dev/null f0\nmkdir q\nln m0 q/moved\nln f0 q/file.bin\n"
                             "unlink m0\nunlink f0\nwrite /dev/null q/moved/inner.txt\n";
  const fs::path image = MakeScriptedImage("ext2_order", "-t ext2 -b 1024", 4ull << 20, script);
  ASSERT_FALSE(image.empty());
  Tree root = BuildImage(image);
  ASSERT_NE(root, nullptr);
  const Ext2TreePaths paths = CollectExt2Paths(root.get());
  EXPECT_EQ(paths.duplicates, 0u);
  for (const char* path : {"/q", "/q/moved", "/q/file.bin", "/q/moved/inner.txt", "/lost+found"})
    EXPECT_EQ(paths.byPath.count(path), 1u) << path;
  EXPECT_EQ(paths.byPath.size(), 5u);
  EXPECT_LT(Props(paths.byPath.at("/q/moved"))->GetInodeNumber(),
            Props(paths.byPath.at("/q"))->GetInodeNumber());
  EXPECT_EQ(Props(paths.byPath.at("/q/moved"))->ChildNameCount(), 0u);
}

TEST(Ext2TreeBuilder, ThousandsOfNestedFoldersAreBuiltAndFreed) {
  constexpr int kDepth = 3000;
  std::ostringstream script;
  for (int i = 0; i < kDepth; ++i)
    script << "mkdir d\ncd d\n";
  script << "write /dev/null bottom.txt\n";
  const fs::path image = MakeScriptedImage("ext2_deep", "-t ext2 -b 1024 -N 4096", 16ull << 20, script.str());
  ASSERT_FALSE(image.empty());
  Tree root = BuildImage(image);
  ASSERT_NE(root, nullptr);
  const Ext2TreePaths paths = CollectExt2Paths(root.get());
  EXPECT_EQ(paths.maxDepth, static_cast<std::size_t>(kDepth) + 1);
  std::string bottom;
  for (int i = 0; i < kDepth; ++i)
    bottom += "/d";
  EXPECT_EQ(paths.byPath.count(bottom + "/bottom.txt"), 1u);
}

TEST(Ext2TreeBuilder, BlocksPastTheVolumeNeverReachTheExtents) {
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext2Blocks1K);
  ASSERT_FALSE(image.path.empty());
  qm::MemoryDevice device(image.Bytes(), 512);
  std::uint32_t blockCount = 0;
  {
    qm::ext2::CollectorThreadScope collector;
    CExt2FileSystem fileSystem(&device, 2);
    blockCount = fileSystem.BlockCount();
    // deep.txt has three blocks; its third pointer now leaves the volume,
    // and big.bin's double-indirect block does too.
    for (const auto& [path, index] : {std::pair{"/a/b/c/d/e/deep.txt", 2u}, std::pair{"/big.bin", 13u}}) {
      const CExt2Inode inode = FindPath(fileSystem, path);
      std::uint32_t block = 0;
      std::uint32_t offset = 0;
      ASSERT_TRUE(fileSystem.LocateInode(inode.GetNumber(), block, offset));
      const std::uint64_t at = std::uint64_t{block} * 1024 + offset + qm::ext2::kBlockPointers + 4 * index;
      qm::StoreLe32(device.bytes().data() + at, 0x7FFFFFF0u);
    }
  }
  Tree root(CExt2LostPartitionTreeBuilder::Start(&device, nullptr, 2, true));
  ASSERT_NE(root, nullptr);
  const Ext2TreePaths paths = CollectExt2Paths(root.get());
  for (const auto& [path, node] : paths.byPath) {
    const auto runs = node->GetProperties()->GetDataRunList();
    if (!runs) continue;
    for (const auto& run : runs->Runs()) {
      if (!run.IsSparse()) {
        EXPECT_LE(run.start + run.count, blockCount) << path;
      }
    }
  }
  ASSERT_EQ(paths.byPath.count("/a/b/c/d/e/deep.txt"), 1u);
  IFileProperties* deepProperties = paths.byPath.at("/a/b/c/d/e/deep.txt")->GetProperties();
  const auto deep = deepProperties->GetDataRunList();
  ASSERT_NE(deep, nullptr);
  // The pointer out of the volume is a lost block: a hole in its place,
  // the file marked damaged.
  std::uint64_t blocks = 0;
  std::uint64_t holes = 0;
  for (const auto& run : deep->Runs())
    (run.IsSparse() ? holes : blocks) += run.count;
  EXPECT_EQ(blocks, 2u);
  EXPECT_EQ(holes, 1u);
  EXPECT_NE(deepProperties->GetState() & qm::kStateDamaged, 0);
  // The rest of the volume is still there.
  for (const auto& file : image.files) {
    if (file.path != "/big.bin") {
      EXPECT_EQ(paths.byPath.count(file.path), 1u) << file.path;
    }
  }
}

TEST(Ext2TreeBuilder, UsedBlockMapMarksEveryExtentAndFiltersPruneFiles) {
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext2Blocks1K);
  ASSERT_FALSE(image.path.empty());
  CImageFileDevice device(image.path.c_str());
  qm::ext2::CollectorThreadScope collector;
  CExt2FileSystem fileSystem(&device, 2);
  CExt2TreeBuilder builder;
  Tree root(builder.BuildTree(&fileSystem, nullptr, true));
  ASSERT_NE(root, nullptr);
  const auto& used = builder.UsedBlocks();
  ASSERT_EQ(used.size(), fileSystem.BlockCount());
  std::uint64_t marked = 0;
  qm::ForEachInSubtree(root.get(), [&](CFileNode* node) {
    const auto runs = node->GetProperties()->GetDataRunList();
    if (!runs) return;
    for (const auto& run : runs->Runs()) {
      for (std::uint64_t b = run.start; b < run.start + run.count; ++b) {
        EXPECT_TRUE(used[b]) << b;
        ++marked;
      }
    }
  });
  EXPECT_GT(marked, 700u);
  EXPECT_LT(static_cast<std::uint64_t>(std::count(used.begin(), used.end(), true)), used.size());

  // Only ".txt" chosen: other files go, folders stay.
  FileTypeChoice text{2, 0, {"txt"}};
  CFileTypeMap::GetInstance().Build(std::span<const FileTypeChoice>(&text, 1), 0);
  CExt2TreeBuilder filtered;
  Tree pruned(filtered.BuildTree(&fileSystem, nullptr, false));
  CFileTypeMap::GetInstance().Clear();
  ASSERT_NE(pruned, nullptr);
  const Ext2TreePaths paths = CollectExt2Paths(pruned.get());
  EXPECT_EQ(paths.byPath.count("/small.txt"), 1u);
  EXPECT_EQ(paths.byPath.count("/a/b/c/d/e/deep.txt"), 1u);
  EXPECT_EQ(paths.byPath.count("/big.bin"), 0u);
  EXPECT_EQ(paths.byPath.count("/many"), 1u);
  EXPECT_EQ(paths.byPath.count("/many/entry_with_a_longer_name_000.dat"), 0u);
}

TEST(Ext2TreeBuilder, AVolumeThatDoesNotOpenGivesNoTree) {
  qm::MemoryDevice zeros(8192, 512);
  EXPECT_EQ(CExt2LostPartitionTreeBuilder::Start(&zeros, nullptr, 2, false), nullptr);
  EXPECT_EQ(CExt2LostPartitionTreeBuilder::Start(nullptr, nullptr, 2, false), nullptr);
}

} // namespace

namespace {

TEST(Ext2TreeBuilder, DeepScanBuildKeepsTheUsedBlocksAndNumbersTheRoot) {
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext3Blocks4K);
  ASSERT_FALSE(image.path.empty());
  CImageFileDevice device(image.path.c_str());
  std::unique_ptr<CExt2FileSystem> fileSystem;
  {
    qm::ext2::CollectorThreadScope collector;
    fileSystem = std::make_unique<CExt2FileSystem>(&device, 2);
  }
  CRawFileCollection carved;
  CountingCallback callback;
  CExt2TreeBuilder builder;
  Tree root(builder.StartWithRaw(fileSystem.get(), &callback, &carved, 2));
  ASSERT_NE(root, nullptr);
  EXPECT_STREQ(root->GetProperties()->GetName(), "Ext3 3");
  EXPECT_EQ(builder.UsedBlocks().size(), fileSystem->BlockCount());
  const Ext2TreePaths paths = CollectExt2Paths(root.get());
  for (const auto& file : image.files)
    EXPECT_EQ(paths.byPath.count(file.path), 1u) << file.path;

  CountingCallback cancel;
  cancel.cancelAt = 2;
  CExt2TreeBuilder cancelled;
  EXPECT_EQ(cancelled.StartWithRaw(fileSystem.get(), &cancel, &carved, 0), nullptr);
}

} // namespace

namespace {

TEST(Ext2TreeBuilder, InodeTablesPastTheDeviceEndTheWalkAndKeepTheTreeSoFar) {
  // A deep-scan candidate whose volume runs past the end of the device:
  // the walk stops at the first inode table it cannot reach, logs why, and
  // the tree of what it read stays.
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext2SmallGroups);
  ASSERT_FALSE(image.path.empty());
  auto bytes = image.Bytes();
  Tree full = BuildImage(image.path);
  ASSERT_NE(full, nullptr);
  const Ext2TreePaths all = CollectExt2Paths(full.get());

  const std::vector<std::uint8_t> superBlock(bytes.begin() + 1024, bytes.begin() + 2048);
  const std::vector<std::uint8_t> descriptors(bytes.begin() + 2048, bytes.begin() + 3072);
  bytes.resize(3ull << 20);
  qm::MemoryDevice device(std::move(bytes), 512);
  const fs::path log = fs::current_path() / "Ext2Error.log";
  std::error_code error;
  const auto logBefore = fs::exists(log) ? fs::file_size(log, error) : 0;

  qm::ext2::CollectorThreadScope collector;
  CExt2FileSystem fileSystem(&device, 0, superBlock, descriptors);
  ASSERT_GT(fileSystem.GroupCount(), 3u);
  CExt2TreeBuilder builder;
  Tree root(builder.BuildTree(&fileSystem, nullptr, false));
  ASSERT_NE(root, nullptr);
  const Ext2TreePaths some = CollectExt2Paths(root.get());
  EXPECT_GT(some.byPath.size(), 1u);
  EXPECT_LT(some.byPath.size(), all.byPath.size());
  ASSERT_TRUE(fs::exists(log));
  const auto text = qm::ReadFileBytes(log);
  const std::string added(text.begin() + static_cast<std::ptrdiff_t>(logBefore), text.end());
  EXPECT_NE(added.find("std::out_of_range"), std::string::npos) << added;
}

} // namespace

namespace {

// The bytes a file takes on its disk (holes take none).
std::uint64_t AllocatedBytes(const fs::path& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_blocks) * 512 : ~std::uint64_t{0};
}

} // namespace

// Holes no larger than the file's indirect blocks: the sectors the inode
// has allocated (indirect blocks included) reach the size, so only the
// block map tells that the file has holes. Each comes back whole, and its
// holes stay holes on the target.
TEST(Ext2TreeBuilder, HolesAsSmallAsTheIndirectBlocksAreKept) {
  const fs::path host = qm::ScratchPath("ext2_small_holes");
  fs::remove_all(host);
  fs::create_directories(host);
  struct Case {
    const char* name;
    std::uint64_t blocks;             // 1 KiB blocks of the file
    std::vector<std::uint64_t> holes; // blocks left as zeros (debugfs makes them holes)
  };
  // Single indirect from block 12, double from block 268.
  const std::vector<Case> cases = {
      {"first_single_entry", 14, {12}},
      {"direct_block", 20, {5}},
      {"single_and_double", 300, {100, 280}},
      {"last_direct_and_into_single", 16, {11}},
  };
  std::ostringstream script;
  std::vector<std::vector<std::uint8_t>> contents;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    std::vector<std::uint8_t> content = Pattern(static_cast<std::uint32_t>(77 + i), cases[i].blocks * 1024);
    for (const std::uint64_t hole : cases[i].holes)
      std::fill_n(content.begin() + static_cast<std::ptrdiff_t>(hole * 1024), 1024, 0);
    const fs::path file = host / cases[i].name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    script << "write " << file.string() << " " << cases[i].name << "\n";
    contents.push_back(std::move(content));
  }
  const fs::path image = MakeScriptedImage("ext2_small_holes", "-t ext2 -b 1024", 8ull << 20, script.str());
  ASSERT_FALSE(image.empty());
  Tree root = BuildImage(image);
  ASSERT_NE(root, nullptr);
  const Ext2TreePaths paths = CollectExt2Paths(root.get());
  CImageFileDevice device(image.c_str());
  const fs::path out = SaveAll(root.get(), &device, "ext2_small_holes_out");
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string path = std::string("/") + cases[i].name;
    ASSERT_EQ(paths.byPath.count(path), 1u) << path;
    IFileProperties* properties = paths.byPath.at(path)->GetProperties();
    EXPECT_EQ(properties->GetAttributes(), qm::kAttrSparse) << path;
    EXPECT_EQ(properties->GetState(), 0) << path;
    const auto runs = properties->GetDataRunList();
    ASSERT_NE(runs, nullptr) << path;
    std::uint64_t holes = 0;
    std::uint64_t blocks = 0;
    for (const auto& run : runs->Runs())
      (run.IsSparse() ? holes : blocks) += run.count;
    EXPECT_EQ(holes, cases[i].holes.size()) << path;
    EXPECT_EQ(blocks + holes, cases[i].blocks) << path;
    EXPECT_EQ(qm::ReadFileBytes(out / path.substr(1)), contents[i]) << path;
    EXPECT_LE(AllocatedBytes(out / path.substr(1)), (cases[i].blocks - cases[i].holes.size()) * 1024 + 8192)
        << path;
  }
  fs::remove_all(out);
}

// One changed byte in the high word of a file's size: the file claims
// terabytes (or gigabytes more than the volume) that its blocks never
// held. It is listed with that size but marked damaged, its extents end
// with its last block, and saving it writes only those blocks and counts
// it as a failure, by its path.
TEST(Ext2TreeBuilder, ASizeBeyondTheBlocksMarksTheFileDamaged) {
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext2Blocks1K);
  ASSERT_FALSE(image.path.empty());
  const std::string target = "/a/b/c/d/e/deep.txt";
  std::vector<std::uint8_t> content;
  for (const auto& file : image.files)
    if (file.path == target) content = file.content;
  ASSERT_FALSE(content.empty());
  // 0xA000: about 176 TB, beyond what 1 KiB blocks can address; 0x1: 4 GiB
  // more, addressable but a hole far larger than the 8 MiB volume.
  for (const std::uint32_t high : {0xA000u, 0x1u}) {
    qm::MemoryDevice device(image.Bytes(), 512);
    std::uint64_t volumeBytes = 0;
    {
      qm::ext2::CollectorThreadScope collector;
      CExt2FileSystem fileSystem(&device, 2);
      volumeBytes = std::uint64_t{fileSystem.BlockCount()} * fileSystem.BlockSize();
      const CExt2Inode inode = FindPath(fileSystem, target);
      std::uint32_t block = 0;
      std::uint32_t offset = 0;
      ASSERT_TRUE(fileSystem.LocateInode(inode.GetNumber(), block, offset));
      qm::StoreLe32(device.bytes().data() + std::uint64_t{block} * 1024 + offset + qm::ext2::kSizeHigh, high);
    }
    const std::uint64_t claimed = (std::uint64_t{high} << 32) | content.size();
    Tree root(CExt2LostPartitionTreeBuilder::Start(&device, nullptr, 2, false));
    ASSERT_NE(root, nullptr);
    const Ext2TreePaths paths = CollectExt2Paths(root.get());
    ASSERT_EQ(paths.byPath.count(target), 1u);
    CFileNode* node = paths.byPath.at(target);
    IFileProperties* properties = node->GetProperties();
    EXPECT_EQ(properties->GetSize(), claimed);
    EXPECT_NE(properties->GetState() & qm::kStateDamaged, 0) << high;
    const auto runs = properties->GetDataRunList();
    ASSERT_NE(runs, nullptr);
    std::uint64_t extentBytes = 0;
    for (const auto& run : runs->Runs())
      extentBytes += run.count * 1024;
    ASSERT_LE(extentBytes, volumeBytes) << high;

    // Only this file is checked.
    static_cast<CFileSystemNode*>(root.get())->ToggleCheck(node, 0);
    const fs::path out = qm::ScratchPath("ext2_damaged_size_out");
    fs::remove_all(out);
    std::vector<std::string> log;
    const int id = qm::AddLogObserver([&](LogKind, std::string_view line) { log.emplace_back(line); });
    qm::SaveContext context{nullptr, &device};
    qm::SaveSummary summary;
    std::string created;
    EXPECT_EQ(SaveCheckedTree(context, root.get(), out.string(), &created, &summary), qm::kSaveFailed);
    qm::RemoveLogObserver(id);
    EXPECT_EQ(summary.files, 1u);
    EXPECT_EQ(summary.failed, 1u);
    const std::string line = std::string("Failed to recover file: ") + root->GetProperties()->GetName() + target;
    EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
    // What the blocks hold, and no more: the file's own bytes first.
    const auto saved = qm::ReadFileBytes(fs::path(created) / target.substr(1));
    ASSERT_EQ(saved.size(), extentBytes);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), saved.begin()));
    fs::remove_all(out);
  }
}
