// Everything the wizard shares for one run of the program: the settings
// record, the message-box and outside-program seams, every step's
// controller and the sheet. The controllers' GetInstance answers from the
// current context, so a test builds a fresh context per case.
#pragma once

#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct AppSettings;
class DeviceSource;
class IStorageDevice;
class QWidget;

namespace qm {

class Prompter;
class CWizardSheet;
class CRecoveryModeSelectController;
class CTypeOfFileToRecoveryController;
class CDeleteRecoveryPartitionDeviceSelectController;
class CCompleteRecoveryPartitionDeviceSelectController;
class CLostRecoveryDiskDeviceSelectController;
class CSaveFileController;
class CSaveResultController;
class CFileSelectController;
class CLostRecoveryPartitionDeviceSelectController;
class CCompleteRecoveryScanPartitionDeviceSelectController;
class CLostRecoveryScanPartitionDeviceSelectController;

// What the wizard asks outside itself (tests put recorders in place).
struct WizardServices {
  // Opens a web address; false when nothing could show it.
  std::function<bool(const QString& url)> openUrl;
  // Shows a help topic.
  std::function<void(int topic)> openHelp;
  // Starts the restarter after a language change; false when it could not start.
  std::function<bool()> startRestarter;
  // Where the file-type catalogue is read from.
  std::string fileFilterPath;
  // Where the device pages find the machine's disks and volumes.
  std::shared_ptr<DeviceSource> deviceSource;
  // Asks for an existing file; empty when cancelled.
  std::function<QString(QWidget* owner, const QString& caption, const QString& filter)> chooseOpenFile;
  // Asks for a file to write, new or existing (asking before an existing
  // one is replaced); empty when cancelled.
  std::function<QString(QWidget* owner, const QString& caption, const QString& proposed, const QString& filter)>
      chooseSaveFile;
  // Writes an image of the device and returns its path; empty when none was written.
  std::function<std::string(QWidget* owner, IStorageDevice* source, const std::string& description,
                            std::uint32_t deviceType)>
      createDiskImage;
  // Lets the user pick (and repair) an image's index file: its path, the
  // description of its source and the source's device type; false when
  // none was chosen. Without it, Open Disk Image asks for any image file.
  std::function<bool(QWidget* owner, std::string& path, std::string& description, std::uint32_t& deviceType)>
      openDiskImage;
  // How the device pages open an image file as a device (null when it
  // does not open); plain image files when not set.
  std::function<std::unique_ptr<IStorageDevice>(const std::string& path)> openImageDevice;
  // What an image file tells of its source: the description and device
  // type a compressed image keeps; false (nothing told) for a raw image.
  std::function<bool(const std::string& path, std::string& description, std::uint32_t& deviceType)>
      describeImage;
};

// The production services: the desktop's browser, the help window, the
// restarter beside the program or on PATH.
WizardServices DefaultWizardServices();

class WizardContext {
public:
  WizardContext(Prompter& prompter, AppSettings& settings, WizardServices services = DefaultWizardServices());
  ~WizardContext();
  WizardContext(const WizardContext&) = delete;
  WizardContext& operator=(const WizardContext&) = delete;

  // The current context (the most recent one alive); null when none.
  static WizardContext* instance();

  Prompter& prompter() { return prompter_; }
  AppSettings& settings() { return settings_; }
  WizardServices& services() { return services_; }

  // The sheet, made on first call (its pages and controllers linked).
  CWizardSheet& sheet();
  bool HasSheet() const { return sheet_ != nullptr; }

  CRecoveryModeSelectController& modeController() { return *mode_; }
  CTypeOfFileToRecoveryController& typeController() { return *type_; }
  CDeleteRecoveryPartitionDeviceSelectController& deleteDeviceController() { return *deleteDevice_; }
  CCompleteRecoveryPartitionDeviceSelectController& completeDeviceController() { return *completeDevice_; }
  CLostRecoveryDiskDeviceSelectController& lostDiskController() { return *lostDisk_; }
  CSaveFileController& saveFileController() { return *saveFile_; }
  CSaveResultController& saveResultController() { return *saveResult_; }
  CFileSelectController& fileSelectController() { return *fileSelect_; }
  CLostRecoveryPartitionDeviceSelectController& lostPartitionController() { return *lostPartition_; }
  CCompleteRecoveryScanPartitionDeviceSelectController& completeScanController() { return *completeScan_; }
  CLostRecoveryScanPartitionDeviceSelectController& lostScanController() { return *lostScan_; }

private:
  Prompter& prompter_;
  AppSettings& settings_;
  WizardServices services_;
  WizardContext* previous_;
  std::unique_ptr<CRecoveryModeSelectController> mode_;
  std::unique_ptr<CTypeOfFileToRecoveryController> type_;
  std::unique_ptr<CDeleteRecoveryPartitionDeviceSelectController> deleteDevice_;
  std::unique_ptr<CCompleteRecoveryPartitionDeviceSelectController> completeDevice_;
  std::unique_ptr<CLostRecoveryDiskDeviceSelectController> lostDisk_;
  std::unique_ptr<CSaveFileController> saveFile_;
  std::unique_ptr<CSaveResultController> saveResult_;
  std::unique_ptr<CFileSelectController> fileSelect_;
  std::unique_ptr<CLostRecoveryPartitionDeviceSelectController> lostPartition_;
  std::unique_ptr<CCompleteRecoveryScanPartitionDeviceSelectController> completeScan_;
  std::unique_ptr<CLostRecoveryScanPartitionDeviceSelectController> lostScan_;
  std::unique_ptr<CWizardSheet> sheet_;
};

} // namespace qm
