#include "imaging/imaging_services.h"

#include "filemodel/scan_state_store.h"
#include "imaging/image_device.h"
#include "imaging/image_disk_master_dlg.h"
#include "imaging/open_disk_image_master_dlg.h"
#include "wizard/services/wizard_services.h"

namespace qm {

namespace {

// A raw image tells nothing of its source: the list then names it by its file.
bool DescribeImage(const std::string& path, std::string& description, std::uint32_t& deviceType) {
  description.clear();
  deviceType = image::kUnknownSourceType;
  if (!image::IsImageIndex(path)) {
    return false;
  }
  CImageFileDeviceWithDecompress probe(path);
  description = probe.GetSourceDescription();
  deviceType = probe.GetSourceDeviceType();
  return true;
}

} // namespace

void InstallImagingServices(WizardServices& services, ImagingSeams seams) {
  services.createDiskImage = [seams](QWidget* owner, IStorageDevice* source, const std::string& description,
                                     std::uint32_t deviceType) {
    CImageDiskMasterDlg wizard(source, description, deviceType, owner, seams);
    wizard.exec();
    return wizard.GetResult() != 0 ? wizard.GetImagePath() : std::string();
  };
  services.openDiskImage = [seams](QWidget* owner, std::string& path, std::string& description,
                                   std::uint32_t& deviceType) {
    COpenDiskImageMasterDlg wizard(owner, seams);
    wizard.exec();
    if (!wizard.IsImageChosen()) {
      return false;
    }
    path = wizard.GetImagePath();
    DescribeImage(path, description, deviceType);
    return true;
  };
  services.describeImage = DescribeImage;
  services.openImageDevice = [](const std::string& path) { return image::OpenImageDevice(path); };
}

void InstallImageReopening() {
  CScanStateStore::SetImageOpener([](const std::string& path) { return image::OpenImageDevice(path); });
}

} // namespace qm
