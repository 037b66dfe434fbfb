// The target-folder tree: which mounted volumes it offers and how it names
// them, lazy filling of folders, and what a change of selection passes on.
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <gtest/gtest.h>

#include "controls/shell_tree_ctrl.h"

namespace qm {
namespace {

TEST(ShellVolumesFromMountInfo, BlockDeviceVolumesOnceRemovableMarkedPseudoAndOpticalLeftOut) {
  const char* mountinfo = "21 27 0:20 / /proc rw,relatime - proc proc rw\n"
                          "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                          "23 27 0:6 / /dev rw - devtmpfs devtmpfs rw\n"
                          "40 27 8:17 / /media/u/USB\\040STICK rw,nosuid - vfat /dev/sdb1 rw\n"
                          "41 27 8:2 / /home rw - ext4 /dev/sda2 rw\n"
                          "42 27 11:0 / /media/u/CDROM ro - iso9660 /dev/sr0 ro\n"
                          "43 27 7:1 / /snap/core/1 ro - squashfs /dev/loop1 ro\n"
                          "44 27 8:1 / /boot/efi rw - vfat /dev/sda1 rw\n"
                          "45 27 0:50 / /tmp rw - tmpfs tmpfs rw\n"
                          "46 27 8:18 / /mnt/ntfs rw - fuseblk /dev/sdb2 rw,user_id=0\n"
                          "47 27 8:2 / /home rw - ext4 /dev/sda2 rw\n"
                          "broken line\n"
                          "48 27 8:3 / /run/media/u/DISK rw - ext4 /dev/sdc1 rw\n";
  const auto volumes = ShellVolumesFromMountInfo(
      mountinfo, [](const QString& source) { return source.startsWith("/dev/sdb"); });
  const std::vector<ShellVolume> expected = {{"/", false},
                                             {"/media/u/USB STICK", true},
                                             {"/home", false},
                                             {"/mnt/ntfs", true},
                                             {"/run/media/u/DISK", false}};
  EXPECT_EQ(volumes, expected);
  EXPECT_EQ(ShellVolumeText(volumes[1]), "Removable (/media/u/USB STICK)");
  EXPECT_EQ(ShellVolumeText(volumes[2]), "/home");
}

TEST(ShellVolumesFromMountInfo, TheRootIsOfferedWhateverHoldsIt) {
  const auto volumes = ShellVolumesFromMountInfo("1 0 0:30 / / rw - overlay overlay rw\n", {});
  ASSERT_EQ(volumes.size(), 1u);
  EXPECT_EQ(volumes[0].mountPoint, "/");
}

class ShellTree : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    QDir dir(home_.path());
    dir.mkpath("Photos/2024");
    dir.mkpath("Empty");
    dir.mkpath(".hidden");
    QFile file(dir.filePath("readme.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    tree_.SetHomeFolder(home_.path());
    tree_.SetVolumeSource([this] {
      return std::vector<ShellVolume>{{"/", false}, {home_.path() + "/Photos", true}};
    });
    tree_.SetSelChangedCallback(
        [this](QWidget* client, const QString& path) {
          EXPECT_EQ(client, &client_);
          paths_ << path;
        },
        &client_);
  }

  QTemporaryDir home_;
  QWidget client_;
  CShellTreeCtrl tree_;
  QStringList paths_;
};

QStringList Children(QTreeWidgetItem* item) {
  QStringList names;
  for (int i = 0; i < item->childCount(); ++i)
    names << item->child(i)->text(0);
  return names;
}

TEST_F(ShellTree, HomeAndComputerWithVolumesFoldersFilledWhenOpened) {
  tree_.Refresh(true);
  ASSERT_EQ(tree_.topLevelItemCount(), 2);
  QTreeWidgetItem* home = tree_.topLevelItem(0);
  EXPECT_EQ(CShellTreeCtrl::ItemPath(home), home_.path());
  EXPECT_EQ(home->childCount(), 0); // not read yet
  tree_.ExpandMyComputer();
  QTreeWidgetItem* computer = tree_.ComputerItem();
  EXPECT_TRUE(computer->isExpanded());
  EXPECT_EQ(Children(computer), QStringList({"/", "Removable (" + home_.path() + "/Photos)"}));
  home->setExpanded(true);
  // Folders only, hidden ones too, sorted without regard to case.
  EXPECT_EQ(Children(home), QStringList({".hidden", "Empty", "Photos"}));
  QTreeWidgetItem* empty = home->child(1);
  EXPECT_EQ(empty->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
  EXPECT_EQ(home->child(2)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
}

TEST_F(ShellTree, FilesListedOnlyWhenAskedAndNeverOpenableDocuments) {
  QFile plain(QDir(home_.path()).filePath("NOEXT"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  tree_.Refresh(false);
  QTreeWidgetItem* home = tree_.topLevelItem(0);
  home->setExpanded(true);
  const QStringList names = Children(home);
  EXPECT_TRUE(names.contains("NOEXT"));
  EXPECT_FALSE(names.contains("readme.txt"));
}

TEST_F(ShellTree, SelectionPassesThePathOrTheNameOfAnItemWithout) {
  tree_.Refresh(true);
  QTreeWidgetItem* home = tree_.topLevelItem(0);
  home->setExpanded(true);
  tree_.setCurrentItem(home->child(2));
  tree_.setCurrentItem(tree_.ComputerItem());
  EXPECT_EQ(paths_, QStringList({home_.path() + "/Photos", "Computer"}));
  tree_.SetSelChangedCallback({}, nullptr);
  tree_.setCurrentItem(home);
  EXPECT_EQ(paths_.size(), 2);
}

} // namespace
} // namespace qm
