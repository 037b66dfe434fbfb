// Where the user chooses the folder for the recovered files: a path box, a
// folder tree (home and the mounted volumes) and a pie of the target
// volume's free, required and used space, under a line that tells how much
// is selected. The page is never shown inside the sheet: the save-path
// dialog borrows it, and its OK asks the save-file controller.
#pragma once

#include <QtGui/QFont>

#include <cstdint>
#include <functional>

#include "wizard/pages/wizard_page.h"

namespace qm {

class CEditPlus;
class CPieCtrl;
class CShellTreeCtrl;
class ISaveFileController;
class Prompter;

// The space of the volume that would hold a folder, in bytes.
struct TargetSpace {
  std::uint64_t available = 0; // what the user may still write
  std::uint64_t total = 0;
  std::uint64_t free = 0;
};

// The space of the volume holding path (its nearest existing folder);
// zeros for an empty path or one that cannot be asked.
TargetSpace QueryTargetSpace(const QString& path);

class CSaveFilePage : public CWizardPage {
  Q_OBJECT

public:
  static constexpr int kPathEditId = 1019;

  explicit CSaveFilePage(QWidget* parent = nullptr);

  IWizardPageController* GetController() override;
  void SetController(ISaveFileController* controller) { controller_ = controller; }
  ISaveFileController* Controller() const { return controller_; }
  int GetHelpId(int) override { return 25; }

  void SetSelectionSize(std::uint64_t count, std::uint64_t size);
  std::uint64_t SelectedCount() const { return count_; }
  std::uint64_t SelectedSize() const { return size_; }
  // "You select <size> in <n> file(s)."
  QString SelectionText() const;

  // The path box's text without trailing blanks (kept as the target).
  QString GetTargetPath();
  void UpdateFreeSpace();
  const TargetSpace& Space() const { return space_; }
  // Whether the target volume has room for the chosen files; says so when
  // it has not.
  bool CheckFreeSpace(Prompter& prompter);
  // The tree's choice: shown in the path box, the pie follows it.
  void OnFolderSelected(const QString& path);
  // The user typed or pasted into the path box: the pie shows the volume
  // of the folder it names, nothing while it names none.
  void OnPathTyped();
  // A fresh showing: empty path, a pie of zeros, the tree filled anew.
  void ReleaseResources();

  CEditPlus& PathEdit() const { return *edit_; }
  CShellTreeCtrl& Tree() const { return *tree_; }
  CPieCtrl& Pie() const { return *pie_; }
  // Where the space of a path is asked (tests stand in a full volume).
  void SetSpaceQuery(std::function<TargetSpace(const QString&)> query) { spaceQuery_ = std::move(query); }

protected:
  void OnSizeContent(int width, int height) override;
  void OnDrawContent(QPainter& painter) override;

private:
  void UpdateSpaceOf(const QString& path);

  CPieCtrl* pie_ = nullptr;
  CEditPlus* edit_ = nullptr;
  QString target_;
  std::uint64_t size_ = 0;
  std::uint64_t count_ = 0;
  TargetSpace space_;
  ISaveFileController* controller_ = nullptr;
  QFont font_;
  CShellTreeCtrl* tree_ = nullptr;
  std::function<TargetSpace(const QString&)> spaceQuery_;
};

// The sheet's showing of page 6: the save-path dialog borrows the page;
// its OK runs the controller's check and then its Next.
void RunSaveFileDialog(QWidget& owner, CSaveFilePage& page);

} // namespace qm
