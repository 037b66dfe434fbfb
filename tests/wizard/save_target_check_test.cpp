// The target-folder check: the text's own rules, the folder's volume (a
// stand-in system for read-only, optical, unreadable and full cases, the
// real one for the rest), the test write that never touches a user's file,
// and where a target lies against the source device.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "support/scratch_files.h"
#include "wizard/services/save_target_check.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

// Folders and files by path; every other path is missing.
class FakeSystem : public TargetFileSystem {
public:
  std::map<std::string, int> folders; // path -> 0 folder, 1 file, or an error number
  bool readOnly = false;
  bool optical = false;
  int volumeError = 0;
  int probeError = 0;
  std::vector<std::string> probed;

  int Stat(const std::string& path, bool& isFolder) override {
    const auto it = folders.find(path);
    if (it == folders.end()) return ENOENT;
    if (it->second > 1) return it->second;
    isFolder = it->second == 0;
    return 0;
  }
  int VolumeOf(const std::string&, bool& ro, bool& cd) override {
    ro = readOnly;
    cd = optical;
    return volumeError;
  }
  int ProbeWrite(const std::string& folder) override {
    probed.push_back(folder);
    return probeError;
  }
};

TEST(CheckTargetFolder, TextRulesBeforeTheSystemIsAsked) {
  struct Case {
    std::string path;
    int code;
  };
  const Case cases[] = {
      {"", kTargetEmpty},
      {"/" + std::string(245, 'a'), kTargetTooLong},
      {"/" + std::string(244, 'a'), kTargetOk},
      {"relative/folder", kTargetNotAbsolute},
      {"C:\\Recovered", kTargetNotAbsolute},
      {"/home/u/../etc", kTargetInvalidName},
      {"/home/u/.cache", kTargetInvalidName},
      {"/home/u/.", kTargetInvalidName},
      {"/home/u/a<b", kTargetBadSymbol},
      {"/home/u/a:b", kTargetBadSymbol},
      {"/home/u/a\\b", kTargetBadSymbol},
      {"/home/u/a\tb", kTargetBadSymbol},
      {"/home/u/a.b", kTargetOk},
      {"/home/u/", kTargetOk},
  };
  for (const Case& c : cases) {
    FakeSystem system;
    system.folders = {{"/", 0}, {"/home", 0}, {"/home/u", 0}};
    EXPECT_EQ(CheckTargetFolder(c.path, system), c.code) << c.path;
    if (c.code != kTargetOk) {
      EXPECT_TRUE(system.probed.empty()) << c.path;
    }
  }
}

TEST(CheckTargetFolder, TheNearestExistingFolderIsTheOneThatMustTakeFiles) {
  struct Case {
    const char* name;
    std::string path;
    std::function<void(FakeSystem&)> setup;
    int code;
    std::string probed;
  };
  const Case cases[] = {
      {"missing folder: made by the save", "/home/u/new/deeper", {}, kTargetOk, "/home/u"},
      {"existing folder", "/home/u", {}, kTargetOk, "/home/u"},
      {"a file on the way", "/home/u/file.txt/x", {}, kTargetInvalidName, ""},
      {"the target is a file", "/home/u/file.txt", {}, kTargetInvalidName, ""},
      {"read-only mount", "/home/u/x", [](FakeSystem& s) { s.readOnly = true; }, kTargetNotWritable, ""},
      {"optical disc", "/home/u", [](FakeSystem& s) { s.optical = true; }, kTargetNotWritable, ""},
      {"no write permission", "/home/u", [](FakeSystem& s) { s.probeError = EACCES; }, kTargetNotWritable,
       "/home/u"},
      {"volume not answering", "/home/u", [](FakeSystem& s) { s.volumeError = EIO; }, kTargetNotReady, ""},
      {"no medium", "/media/cd/x", [](FakeSystem& s) { s.folders["/media/cd"] = ENOMEDIUM; }, kTargetNoDisk,
       ""},
      {"search permission missing", "/home/u/locked/x",
       [](FakeSystem& s) { s.folders["/home/u/locked"] = EACCES; }, kTargetNotWritable, ""},
  };
  for (const Case& c : cases) {
    FakeSystem system;
    system.folders = {{"/", 0}, {"/home", 0}, {"/home/u", 0}, {"/home/u/file.txt", 1}};
    if (c.setup) c.setup(system);
    EXPECT_EQ(CheckTargetFolder(c.path, system), c.code) << c.name;
    EXPECT_EQ(system.probed.empty() ? std::string() : system.probed.front(), c.probed) << c.name;
  }
}

TEST(CheckTargetFolder, OnTheHostATestFileOfItsOwnLeavesNothingBehind) {
  const fs::path folder = ScratchPath("target_check/host");
  fs::remove_all(folder);
  fs::create_directories(folder);
  // A user's file of the test's name is neither opened nor removed.
  const fs::path users = folder / kTargetTestFileName;
  std::ofstream(users) << "mine";
  EXPECT_EQ(CheckTargetFolder(folder.string()), kTargetOk);
  EXPECT_EQ(CheckTargetFolder((folder / "not/yet/made").string()), kTargetOk);
  EXPECT_FALSE(fs::exists(folder / "not"));
  std::ifstream in(users);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "mine");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  // A folder no one may create files in, root included.
  EXPECT_EQ(CheckTargetFolder("/proc/self/fdinfo"), kTargetNotWritable);
  std::ofstream(folder / "plain") << "x";
  EXPECT_EQ(CheckTargetFolder((folder / "plain").string()), kTargetInvalidName);
  if (::geteuid() != 0) {
    fs::create_directories(folder / "locked");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(CheckTargetFolder((folder / "locked").string()), kTargetNotWritable);
    fs::permissions(folder / "locked", fs::perms::owner_all);
  }
}

TEST(CheckTargetFolder, MessagesOfTheCodes) {
  EXPECT_EQ(TargetCheckMessageId(kTargetNotWritable), 154u);
  EXPECT_EQ(TargetCheckMessageId(kTargetEmpty), 159u);
  EXPECT_EQ(TargetCheckMessageId(kTargetTooLong), 158u);
  EXPECT_EQ(TargetCheckMessageId(99), 160u);
  EXPECT_TRUE(TargetCheckIsWarning(kTargetBadSymbol));
  EXPECT_FALSE(TargetCheckIsWarning(kTargetNotWritable));
  EXPECT_TRUE(TargetCheckIsWarning(99));
}

TEST(PlaceOfTarget, SameVolumeRefusedSameDiskQuestionedImagesNever) {
  const std::uint64_t sda = makedev(8, 0), sda1 = makedev(8, 1), sda2 = makedev(8, 2), sdb1 = makedev(8, 17);
  const std::uint64_t fuse = makedev(0, 55);
  auto diskOf = [&](std::uint64_t dev) { return major(dev) == 8 ? makedev(8, minor(dev) / 16 * 16) : dev; };
  struct Case {
    const char* name;
    TargetDevices devices;
    TargetPlace place;
  };
  const Case cases[] = {
      {"target on the source volume", {sda1, sda1, sda1, false}, TargetPlace::kSameVolume},
      {"FUSE mount of the source volume", {fuse, sda1, sda1, false}, TargetPlace::kSameVolume},
      {"another partition of the source's disk", {sda2, sda2, sda1, false}, TargetPlace::kElsewhere},
      {"another disk", {sdb1, sdb1, sda1, false}, TargetPlace::kElsewhere},
      {"a partition of the source disk", {sda2, sda2, sda, true}, TargetPlace::kSameDisk},
      {"FUSE mount on the source disk", {fuse, sda1, sda, true}, TargetPlace::kSameDisk},
      {"file system on the whole source disk", {sda, sda, sda, true}, TargetPlace::kSameDisk},
      {"another disk than the source disk", {sdb1, sdb1, sda, true}, TargetPlace::kElsewhere},
      {"source is an image file", {sda1, sda1, 0, false}, TargetPlace::kElsewhere},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PlaceOfTarget(c.devices, diskOf), c.place) << c.name;
}

TEST(FindTargetPlace, AnImageSourceNeverStandsInTheWay) {
  EXPECT_EQ(FindTargetPlace(ScratchPath("target_check").string(), nullptr), TargetPlace::kElsewhere);
}

} // namespace
} // namespace qm
