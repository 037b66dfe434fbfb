// The advanced settings: four option pages (FAT, NTFS, Common, RAW) switched
// by picture buttons along the top. The dialog edits a private copy and
// writes the settings only on OK.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "dialogs/search_super_dlg.h"

struct AppSettings;
class QCheckBox;
class QLineEdit;
class QStackedWidget;
class QToolButton;

namespace qm {

class CAdvanceSettingPropSheet;
class CRawFileTypeTreeCtrl;

// The options the pages exchange, grouped as the pages show them.
struct AdvanceSettingValues {
  int useBootRecords = 1;
  int usePartitionTables = 0;
  int extensiveVolumesSearch = 0;
  int ignoreBadSectors = 1;
  int fatCheckDate = 1;
  int fatCheckTime = 1;
  int fatReserved = 1;
  int fatUseFirstCopy = 1;
  int fatUseSecondCopy = 1;
  int ntfsUseFilesForSize = 1;
  int ntfsUseMft = 1;
  int ntfsMftFilesOnly = 0;
  int rawRecover = 1;
  int rawOnly = 0;
  std::int64_t rawMaxFileSize = 50000000;

  static AdvanceSettingValues From(const AppSettings& settings);
  // What the Default button puts on the pages.
  static AdvanceSettingValues Defaults();
  void WriteTo(AppSettings& settings) const;
};

class CAdvanceSettingMasterDlg : public CSearchSuperDlg {
  Q_OBJECT

public:
  enum Page { kFatPage, kNtfsPage, kCommonPage, kRawPage };

  CAdvanceSettingMasterDlg(bool allowRawOnly, QWidget* parent, AppSettings& settings);
  CAdvanceSettingMasterDlg(bool allowRawOnly, QWidget* parent = nullptr);
  ~CAdvanceSettingMasterDlg() override;

  // Whether the user may choose the carved types (the tree is enabled).
  void AllowRawTypeChoice(bool allow);

  void ShowPage(Page page);
  Page CurrentPage() const;
  QToolButton* PageButton(Page page) const { return pageButtons_[page]; }

  // Every page back to its defaults (OK still has to write them).
  void OnDefault();
  void OnOk();

  // The pages' controls as they stand.
  AdvanceSettingValues PageValues() const;
  QCheckBox* Option(const char* objectName) const;
  QLineEdit& SizeEdit() const { return *sizeEdit_; }
  CRawFileTypeTreeCtrl& TypeTree() const { return *tree_; }
  // Lives as long as the dialog, never shown.
  CAdvanceSettingPropSheet& PropSheet() const { return *propSheet_; }

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  QWidget* MakeCheckPage(std::initializer_list<std::pair<const char*, QCheckBox**>> options);
  QWidget* MakeRawPage();
  void FillTypeTree(const std::vector<int>& checked);
  void SetPageValues(const AdvanceSettingValues& values);
  void OnRecoverRawClicked();
  void OnSizeEdited();
  void UpdateRawControls();
  std::vector<int> ChosenTypes() const;

  AppSettings& settings_;
  bool allowRawOnly_;
  bool allowTypeChoice_ = true;
  QStackedWidget* pages_ = nullptr;
  std::array<QToolButton*, 4> pageButtons_{};
  QCheckBox* useBootRecords_ = nullptr;
  QCheckBox* ignoreBadSectors_ = nullptr;
  QCheckBox* fatCheckDate_ = nullptr;
  QCheckBox* fatCheckTime_ = nullptr;
  QCheckBox* fatUseFirstCopy_ = nullptr;
  QCheckBox* fatUseSecondCopy_ = nullptr;
  QCheckBox* ntfsUseFilesForSize_ = nullptr;
  QCheckBox* ntfsUseMft_ = nullptr;
  QCheckBox* ntfsMftFilesOnly_ = nullptr;
  QCheckBox* rawRecover_ = nullptr;
  QCheckBox* rawOnly_ = nullptr;
  QLineEdit* sizeEdit_ = nullptr;
  CRawFileTypeTreeCtrl* tree_ = nullptr;
  // Values without a control of their own, kept as they came.
  AdvanceSettingValues hidden_;
  std::unique_ptr<CAdvanceSettingPropSheet> propSheet_;
};

} // namespace qm
