// Deleted files whose blocks later files took, on EXT2 and EXT3 volumes
// written by mke2fs and debugfs: the tree marks exactly the overwritten
// ones damaged, first from the block bitmaps while the new file lives, and
// again once it is deleted too (the older claimants lose, the newer one
// keeps its state).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "deep_scan_support.h"
#include "fat_fixture.h"
#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_tree_builder.h"
#include "filemodel/file_node.h"
#include "ntfs/tree_build_support.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

using qm::test::Quote;

struct Layout {
  const char* name;
  const char* options;
  std::size_t blockSize;
};

class Ext2OverwrittenFiles : public ::testing::TestWithParam<Layout> {
protected:
  void SetUp() override {
    const Layout& layout = GetParam();
    work_ = qm::ScratchPath(std::string("ext2_overwritten_") + layout.name + "_" + qm::ScratchTag());
    fs::remove_all(work_);
    fs::create_directories(work_);
    image_ = qm::MakeSparseImage(
        std::string("ext2_overwritten_") + layout.name + "_" + qm::ScratchTag() + ".img", 8u << 20);
    qm::test::Run("mke2fs -q -F " + std::string(layout.options) + " " + Quote(image_.string()) +
                  " >/dev/null 2>&1");
  }

  // Runs debugfs commands on the image; "<host:NAME>" in them stands for a
  // host file of that many blocks made on the way.
  void Debugfs(const std::string& commands) {
    const fs::path script = work_ / "script";
    qm::test::WriteHostFile(script, std::vector<std::uint8_t>(commands.begin(), commands.end()));
    qm::test::Run("cd " + Quote(work_.string()) + " && debugfs -w -f script " + Quote(image_.string()) +
                  " >/dev/null 2>&1");
  }
  void HostFile(const std::string& name, std::size_t blocks) {
    qm::test::WriteHostFile(
        work_ / name, qm::test::Pattern(blocks * GetParam().blockSize, static_cast<std::uint32_t>(blocks)));
  }

  // Each deleted file of the tree by its name ("Inode_" and the number in
  // hexadecimal: no directory names it any more), and whether it is marked
  // damaged.
  std::map<std::string, bool> DeletedFiles() {
    CImageFileDevice device(image_.c_str());
    EXPECT_TRUE(device.Open());
    qm::ext2::CollectorThreadScope collector;
    CExt2FileSystem fileSystem(&device, 2);
    CExt2TreeBuilder builder;
    return qm::test::TakeDeletedFileMarks(builder.BuildTree(&fileSystem, nullptr, false));
  }

  fs::path work_;
  fs::path image_;
};

TEST_P(Ext2OverwrittenFiles, TheTreeMarksExactlyTheDeletedFilesWhoseBlocksALaterFileTook) {
  HostFile("three", 3);
  HostFile("four", 4);
  // A fresh volume hands out inodes from 12 (11 is lost+found) and blocks
  // from the first free one. Change times: "keep" 1 January, "a", "b" and
  // "c" 2 January, "x" 4 January.
  const std::string a = "Inode_d", b = "Inode_e", c = "Inode_f", x = "Inode_10";
  Debugfs("set_current_time 20200101000000\nwrite three keep\n"
          "set_current_time 20200102000000\nwrite three a\nwrite three b\nwrite three c\n"
          "set_current_time 20200103000000\nrm a\nrm b\nrm c\n");
  EXPECT_EQ(DeletedFiles(), (std::map<std::string, bool>{{a, false}, {b, false}, {c, false}}));

  // "x" takes the blocks of "a" and the first of "b". The freed inodes are
  // kept from it (seti marks them in use in the inode bitmap and leaves
  // them as they are), so that "x" gets a new one rather than the inode of
  // "a", as a busier volume would do.
  Debugfs("seti <13>\nseti <14>\nseti <15>\nset_current_time 20200104000000\nwrite four x\n");
  EXPECT_EQ(DeletedFiles(), (std::map<std::string, bool>{{a, true}, {b, true}, {c, false}}));

  // Deleted too, "x" claims the same blocks as the two older files.
  Debugfs("set_current_time 20200105000000\nrm x\n");
  EXPECT_EQ(DeletedFiles(), (std::map<std::string, bool>{{a, true}, {b, true}, {c, false}, {x, false}}));
}

INSTANTIATE_TEST_SUITE_P(Ext, Ext2OverwrittenFiles,
                         ::testing::Values(Layout{"Ext2Blocks1K", "-t ext2 -b 1024", 1024},
                                           Layout{"Ext3Blocks4K", "-t ext3 -b 4096", 4096}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
