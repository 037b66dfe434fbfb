// The folder tree the user picks a target folder in: the home folder, and
// under "Computer" every mounted volume (removable ones named "Removable
// (<mount point>)"), each read only when its branch is first opened. A
// change of selection tells the client the chosen path.
#pragma once

#include <QtWidgets/QTreeWidget>

#include <functional>
#include <string_view>
#include <vector>

namespace qm {

struct ShellVolume {
  QString mountPoint;
  bool removable = false;
  friend bool operator==(const ShellVolume&, const ShellVolume&) = default;
};

// The volumes a user can save to, from the text of /proc/self/mountinfo:
// file systems on block devices (and the root, whatever holds it), each
// mount point once, without optical discs, read-only images of snaps and
// the system's own pseudo file systems. removable(source) says whether the
// device a volume lives on is removable.
std::vector<ShellVolume>
ShellVolumesFromMountInfo(std::string_view mountinfo,
                          const std::function<bool(const QString& source)>& removable);

// Whether the disk holding a block device (a partition's disk) says it is
// removable in sysfs.
bool IsRemovableBlockDevice(const QString& source);

// An item's text: "Removable (<mount point>)" for a removable volume, the
// mount point for another volume.
QString ShellVolumeText(const ShellVolume& volume);

class CShellTreeCtrl : public QTreeWidget {
  Q_OBJECT

public:
  using LPFUNTREESELCHANGED = std::function<void(QWidget* client, const QString& path)>;

  explicit CShellTreeCtrl(QWidget* parent = nullptr);

  void SetSelChangedCallback(LPFUNTREESELCHANGED callback, QWidget* client);
  // Empties the tree and fills it again from the top: folders only, or
  // files too (files that open for reading and have an extension are still
  // left out).
  void Refresh(bool foldersOnly = true);
  // Opens the branch of the mounted volumes.
  void ExpandMyComputer();

  // Where the tree's top items come from (tests put their own in place).
  void SetHomeFolder(const QString& path) { home_ = path; }
  void SetVolumeSource(std::function<std::vector<ShellVolume>()> source) { volumes_ = std::move(source); }

  // The path an item stands for; empty for an item without one.
  static QString ItemPath(const QTreeWidgetItem* item);
  QTreeWidgetItem* ComputerItem() const { return computer_; }
  // The item of a path already listed, null when none.
  QTreeWidgetItem* FindPathItem(const QString& path) const;

private:
  void Fill(QTreeWidgetItem* item);
  void OnSelectionChanged(QTreeWidgetItem* current);
  QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const QString& text, const QString& path, bool folder);

  LPFUNTREESELCHANGED callback_;
  QWidget* client_ = nullptr;
  bool foldersOnly_ = true;
  QString home_;
  std::function<std::vector<ShellVolume>()> volumes_;
  QTreeWidgetItem* computer_ = nullptr;
};

} // namespace qm
