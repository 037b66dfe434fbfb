#include "wizard/steps/device_select_controllers.h"

#include <cstring>

#include "app/prompter.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "app/zorv_app.h"
#include "controls/device_select_ctrl.h"
#include "platform/byte_view.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "storage/image_file_device.h"
#include "storage/storage_device.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/services/device_collector.h"
#include "wizard/services/found_tree.h"
#include "wizard/services/wizard_state_files.h"
#include "wizard/steps/device_step_hand_on.h"

namespace qm {

CDeviceStepController::CDeviceStepController(const StepEnvironment& env, WIZARD_PAGE page, int searchKind,
                                             DeviceRoad road)
    : env_(env), pageIndex_(page), searchKind_(searchKind), road_(road) {}

// The collector joins its worker before the lists it fills go.
CDeviceStepController::~CDeviceStepController() = default;

CDeviceCollector& CDeviceStepController::EnsureCollector() {
  if (collector_ == nullptr) {
    DeviceSource* source = env_.services.deviceSource.get();
    if (source == nullptr) {
      env_.services.deviceSource = std::make_shared<LinuxDeviceSource>();
      source = env_.services.deviceSource.get();
    }
    CDeviceSelectCtrl* view = page_ != nullptr ? &page_->DeviceCtrl() : nullptr;
    QWidget* main = page_ != nullptr ? page_->window() : nullptr;
    collector_ = std::make_unique<CDeviceCollector>(road_, *source, view, main);
    collector_->SetPrompter(&env_.prompter);
    if (env_.services.openImageDevice) {
      collector_->Collection().SetImageOpener(env_.services.openImageDevice);
    }
    if (searchKind_ == 1 || searchKind_ == 2) {
      const int kind = searchKind_;
      collector_->Collection().SetPreviousRecoveryReader([kind] { return ReadLastStateText(kind); });
    }
  }
  return *collector_;
}

void CDeviceStepController::Activate() {
  activated_.start();
  if (firstActivation_ && (searchKind_ == 1 || searchKind_ == 2)) {
    // A search the last run of the program left in its temporary file
    // becomes the one offered for resuming.
    CommitStateFile(searchKind_);
  }
  firstActivation_ = false;
  chosen_ = nullptr;
  if (searchKind_ == 1 || searchKind_ == 2) {
    // Back on a device page: the temporary file no longer describes a
    // step to resume.
    MarkStage(*this);
  }
  CollectDevices();
  env_.navigator.SetActivePage(pageIndex_);
}

void CDeviceStepController::Home() {
  Leave();
  if (road_ != DeviceRoad::kDeletedFile && collector_ != nullptr) {
    collector_->Collection().DropImages();
  }
  if (previous_ != nullptr) {
    previous_->Home();
  }
}

void CDeviceStepController::Back() {
  Leave();
  if (road_ != DeviceRoad::kDeletedFile && collector_ != nullptr) {
    collector_->Collection().DropImages();
  }
  if (previous_ != nullptr) {
    // The file-type step shows its page and goes back at once to its own predecessor.
    previous_->Activate();
    previous_->Back();
  }
}

void CDeviceStepController::Leave() {
  if (collector_ != nullptr) {
    collector_->Cancel();
    if (page_ != nullptr) {
      page_->DeviceCtrl().DeleteAllItems();
    }
    collector_->Collection().ClearDevices();
  }
  picked_ = nullptr;
  chosen_ = nullptr;
}

StateVariant* CDeviceStepController::GetDeviceSelection(StateVariant* out) {
  out->kind = road_ == DeviceRoad::kPartition ? 0 : 1;
  out->pointer = chosen_;
  return out;
}

void CDeviceStepController::ShowAdvancedSettings() { RunAdvancedSettings(true, PageWindow(), env_.settings); }

void CDeviceStepController::CollectDevices() {
  CDeviceCollector& collector = EnsureCollector();
  if (page_ != nullptr) {
    collector.SetMainWindow(page_->window());
  }
  collector.CollectDevices();
}

bool CDeviceStepController::SelectCurrent() {
  picked_ = collector_ != nullptr ? collector_->SelectedRecord() : nullptr;
  return picked_ != nullptr;
}

bool CDeviceStepController::IsImageSelected() {
  SelectCurrent();
  return picked_ != nullptr && collector_->Collection().IsImage(picked_);
}

bool CDeviceStepController::IsPreviousRecoverySelected() const {
  return collector_ != nullptr && collector_->IsPreviousRecoverySelected();
}

void CDeviceStepController::RemoveImage() {
  if (collector_ != nullptr) {
    collector_->RemoveSelectedImage();
  }
  picked_ = nullptr;
}

int CDeviceStepController::RemovePreviousRecovery() {
  if (collector_ == nullptr || page_ == nullptr) {
    return -1;
  }
  CDeviceSelectCtrl& view = page_->DeviceCtrl();
  const int selected = view.GetCurSel();
  if (selected < 0) {
    return -1;
  }
  if (view.GetItemData(selected) != nullptr) {
    return 0;
  }
  view.DeleteItem(selected);
  return DeleteLastStateFile(searchKind_);
}

void CDeviceStepController::CreateImage() {
  if (!SelectCurrent()) {
    return;
  }
  if (!env_.services.createDiskImage) {
    LogInfo("Disk imaging is not available");
    return;
  }
  IStorageDevice* device = nullptr;
  std::uint32_t deviceType = 255;
  if (road_ == DeviceRoad::kPartition) {
    auto* record = static_cast<CScanStateRecord*>(picked_);
    device = record->device;
    deviceType = ByteView(record->bytes.data(), record->bytes.size()).le32(8);
  } else {
    device = static_cast<DeviceListItem*>(picked_)->device.get();
  }
  if (device == nullptr) {
    return;
  }
  // The source is described as the list names it.
  CDeviceSelectCtrl& view = page_->DeviceCtrl();
  const int selected = view.GetCurSel();
  const std::string description =
      selected >= 0 ? view.View()->RowAt(selected).cells[0].text.toStdString() : std::string();
  const std::string path = env_.services.createDiskImage(PageWindow(), device, description, deviceType);
  if (!path.empty()) {
    collector_->AddImage(path, description, deviceType);
  }
}

void CDeviceStepController::OpenImage() {
  if (env_.services.openDiskImage) {
    std::string path, description;
    std::uint32_t deviceType = 255;
    if (env_.services.openDiskImage(PageWindow(), path, description, deviceType)) {
      // The deleted-file road reads no device type from an image.
      EnsureCollector().AddImage(path, description, road_ == DeviceRoad::kDeletedFile ? 255 : deviceType);
    }
    return;
  }
  OpenImageFile();
}

void CDeviceStepController::OpenImageFile() {
  const QString path = ChooseImageFile(QCoreApplication::translate("CDeviceSelectPage", "Open Disk Image"));
  if (path.isEmpty()) {
    return;
  }
  std::string description;
  std::uint32_t deviceType = 255;
  if (env_.services.describeImage) {
    env_.services.describeImage(path.toStdString(), description, deviceType);
  }
  EnsureCollector().AddImage(path.toStdString(), description,
                             road_ == DeviceRoad::kDeletedFile ? 255 : deviceType);
}

QString CDeviceStepController::ChooseImageFile(const QString& caption) {
  if (!env_.services.chooseOpenFile) {
    return {};
  }
  // Raw images carry any name (dd and ddrescue write what they are told):
  // every file is offered first.
  return env_.services.chooseOpenFile(
      PageWindow(), caption,
      QCoreApplication::translate("CDeviceSelectPage",
                                  "All files (*);;Disk images (*.img *.dd *.raw *.bin *.iso *.qmi)"));
}

QWidget* CDeviceStepController::PageWindow() const { return page_; }

std::uint32_t CDeviceStepController::MsSinceActivate() const {
  return static_cast<std::uint32_t>(activated_.isValid() ? activated_.elapsed() : 0);
}

void CDeviceStepController::Inform(unsigned stringId) {
  env_.prompter.Inform(PageWindow(), LoadAppString(stringId), ProgramTitle(), PromptIcon::Information);
}

bool CDeviceStepController::TakeSelection(unsigned noSelectionString, bool& previousRecovery) {
  previousRecovery = false;
  chosen_ = nullptr;
  if (collector_ == nullptr || page_ == nullptr || page_->DeviceCtrl().GetCurSel() < 0) {
    Inform(noSelectionString);
    return false;
  }
  chosen_ = collector_->SelectedRecord();
  previousRecovery = chosen_ == nullptr;
  return true;
}

void CDeviceStepController::ChooseVolume(DeviceListItem* volume) {
  AppSettings& settings = env_.settings;
  if (volume->sourceFlag != 0) {
    settings.strVolumeName.clear();
    settings.chDriveLetter = 255;
  } else {
    settings.strVolumeName.assign(volume->volumeLabel,
                                  strnlen(volume->volumeLabel, sizeof volume->volumeLabel));
    settings.chDriveLetter = static_cast<std::uint8_t>(volume->driveLetter);
    settings.bVolumeFlag = volume->kind != 0 ? 1 : 0;
  }
}

CDeleteRecoveryPartitionDeviceSelectController::~CDeleteRecoveryPartitionDeviceSelectController() {
  FreeSearchedTree();
}

void CDeleteRecoveryPartitionDeviceSelectController::Activate() {
  FreeSearchedTree();
  CDeviceStepController::Activate();
}

void CDeleteRecoveryPartitionDeviceSelectController::Leave() {
  CDeviceStepController::Leave();
  FreeSearchedTree();
}

void CDeleteRecoveryPartitionDeviceSelectController::SetSearchedTree(CFileNode* tree) {
  if (tree != searchedTree_) {
    FreeSearchedTree();
  }
  searchedTree_ = tree;
}

void CDeleteRecoveryPartitionDeviceSelectController::FreeSearchedTree() {
  FreeFileTree(searchedTree_);
  searchedTree_ = nullptr;
}

bool CDeleteRecoveryPartitionDeviceSelectController::Next() {
  env_.settings.pTreeRoot = nullptr;
  bool previous = false;
  if (!TakeSelection(143, previous) || previous) {
    return false;
  }
  auto* volume = static_cast<DeviceListItem*>(chosen_);
  ChooseVolume(volume);
  ReportTimedUsageEvent(8196, MsSinceActivate());
  return HandOnDeletedFileVolume(*this, *volume);
}

bool CCompleteRecoveryPartitionDeviceSelectController::Next() {
  env_.settings.pTreeRoot = nullptr;
  bool previous = false;
  if (!TakeSelection(61230, previous)) {
    return false;
  }
  ReportTimedUsageEvent(8215, MsSinceActivate());
  if (previous) {
    env_.settings.strVolumeName.clear();
    if (!ResumeLastRecovery(env_, *this)) {
      Inform(129);
    }
    return false;
  }
  auto* volume = static_cast<DeviceListItem*>(chosen_);
  ChooseVolume(volume);
  return volume->device != nullptr && HandOnCompleteVolume(*this, *volume);
}

void CCompleteRecoveryPartitionDeviceSelectController::OpenRawImageFile() {
  const QString path = ChooseImageFile(QCoreApplication::translate("CDeviceSelectPage", "Open Raw Image File"));
  if (path.isEmpty()) {
    return;
  }
  // A compressed image is told by its content, whatever its name.
  std::unique_ptr<IStorageDevice> device;
  if (env_.services.openImageDevice) {
    device = env_.services.openImageDevice(path.toStdString());
  } else if (auto plain = std::make_unique<CImageFileDevice>(path.toStdString().c_str(),
                                                             RawImageSectorSize(path.toStdString()));
             plain->IsOpen()) {
    device = std::move(plain);
  }
  if (device == nullptr || device->GetSectorCount() == 0) {
    env_.prompter.Inform(
        nullptr,
        QCoreApplication::translate("CDeviceCollector", "This is an invalid image file, please check it!"),
        ProgramTitle(), PromptIcon::Warning);
    return;
  }
  // The image becomes the chosen record, owned here, so that previews,
  // recovery and the state file all read it (and a resume reopens it).
  rawImage_ = std::make_unique<DeviceListItem>();
  rawImage_->device = std::move(device);
  rawImage_->sourceFlag = 1;
  rawImage_->imagePath = path.toStdString();
  chosen_ = rawImage_.get();
  ChooseVolume(rawImage_.get());
  HandOnCompleteVolume(*this, *rawImage_);
}

bool CLostRecoveryDiskDeviceSelectController::Next() {
  AppSettings& settings = env_.settings;
  settings.strVolumeName.clear();
  bool previous = false;
  if (!TakeSelection(140, previous)) {
    return false;
  }
  if (previous) {
    if (!ResumeLastRecovery(env_, *this)) {
      Inform(141);
    }
    return false;
  }
  ReportTimedUsageEvent(8242, MsSinceActivate());
  auto* record = static_cast<CScanStateRecord*>(chosen_);
  // Whether a volume of the disk is flagged: asked of the volumes
  // themselves, since the record's text runs over the place its flag word
  // would take.
  settings.bVolumeFlag = 0;
  if (record->disk != nullptr && Collector() != nullptr) {
    for (const DeviceListItem& v : Collector()->Collection().Devices().volumes) {
      for (const DeviceExtent& e : v.extents) {
        if (e.disk == record->disk && v.kind != 0) {
          settings.bVolumeFlag = 1;
        }
      }
    }
  }
  return HandOnLostDisk(*this, *record);
}

} // namespace qm
