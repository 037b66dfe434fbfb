// The "Disk Image Wizard": from a chosen source device to a finished disk
// image, by a simple road (mode, destination, summary, imaging, success)
// or an advanced one that adds compression, split size and the region.
#pragma once

#include <QtWidgets/QPushButton>
#include <QtWidgets/QStackedWidget>

#include <cstdint>
#include <string>

#include "imaging/create_image_pages.h"
#include "imaging/image_disk_run_dlg.h"
#include "imaging/imaging_seams.h"
#include "imaging/interface_dialog.h"

class IStorageDevice;

namespace qm {

class CImageDiskMasterDlg : public CInterfaceDialog {
  Q_OBJECT

public:
  enum Page { kMode = 0, kSummary = 1, kPath = 2, kAdvancedPath = 3, kRegion = 4, kRun = 5, kSuccess = 6 };

  CImageDiskMasterDlg(IStorageDevice* source, const std::string& description, std::uint32_t sourceType,
                      QWidget* parent, ImagingSeams seams = DefaultImagingSeams());
  ~CImageDiskMasterDlg() override;

  // Non-zero when the image was written and the user left "Open this Disk
  // Image in device list" checked.
  int GetResult() const { return result_; }
  const std::string& GetImagePath() const { return imagePath_; }
  std::uint64_t GetRegionSectorCount() const { return last_ - first_ + 1; }

  // The buttons' steps.
  void OnNext();
  void OnBack();
  void OnCancel();
  int CurrentPage() const { return current_; }
  QWidget* PageWidget(int index) const;
  CDIskImagePublicDlg* Banner() const { return banner_; }
  QPushButton* BackButton() const { return back_; }
  QPushButton* NextButton() const { return next_; }
  QPushButton* CancelButton() const { return cancel_; }
  CImageDiskModeChooseDlg& ModePage() const { return *mode_; }
  CImageDiskPathChooseDlg& PathPage() const { return *path_; }
  CImageDiskADPathChooseDlg& AdvancedPage() const { return *advanced_; }
  CImageDiskSetRegionDlg& RegionPage() const { return *region_; }
  CImageDiskDiskInfo& SummaryPage() const { return *summary_; }
  CImageDiskRunDlg& RunPage() const { return *run_; }
  CImageDiskSuccessDlg& SuccessPage() const { return *success_; }
  // Runs the writer with the chosen settings; its result.
  int StartImaging();

protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void ShowPage(int index);
  void SetTitle(unsigned id);
  // The destination typed with ".qmi" ensured; true when it may be written.
  bool CheckTargetPath(const QString& typed);
  void TakeRegionAndSettings(bool fromAdvancedPage);
  void FillSummary(int enteredFrom);
  void Run();
  void Warn(const QString& text);

  ImagingSeams seams_;
  IStorageDevice* source_;
  std::uint32_t sourceType_;
  std::uint64_t sectorCount_ = 0;
  std::string description_;
  int current_ = kMode;
  std::uint64_t freeSpaceMB_ = 0;
  int result_ = 0;
  bool running_ = false;
  image::ImageSettings settings_;
  std::uint64_t first_ = 0, last_ = 0;
  std::string imagePath_;

  CDIskImagePublicDlg* banner_;
  QStackedWidget* stack_;
  CImageDiskModeChooseDlg* mode_;
  CImageDiskDiskInfo* summary_;
  CImageDiskPathChooseDlg* path_;
  CImageDiskADPathChooseDlg* advanced_;
  CImageDiskSetRegionDlg* region_;
  CImageDiskRunDlg* run_;
  CImageDiskSuccessDlg* success_;
  QPushButton* back_;
  QPushButton* next_;
  QPushButton* cancel_;
};

} // namespace qm
