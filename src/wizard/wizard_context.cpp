#include "wizard/wizard_context.h"

#include <QtCore/QProcess>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>

#include "app/file_dialog_folder.h"
#include "app/file_type_catalogue.h"
#include "app/help_viewer.h"
#include "platform/child_process.h"
#include "platform/ipc_names.h"
#include "platform/log.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/services/device_source.h"
#include "wizard/steps/file_select_controller.h"
#include "wizard/steps/lost_partition_controllers.h"
#include "wizard/steps/recovery_mode_controller.h"
#include "wizard/steps/save_file_controller.h"
#include "wizard/steps/save_result_controller.h"
#include "wizard/steps/scan_partition_controllers.h"
#include "wizard/steps/type_of_file_controller.h"
#include "wizard/wizard_sheet.h"

namespace qm {
namespace {

WizardContext* g_current = nullptr;

} // namespace

WizardServices DefaultWizardServices() {
  WizardServices services;
  services.openUrl = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
  services.openHelp = [](int topic) { OpenHelpTopic(nullptr, static_cast<unsigned>(topic)); };
  services.startRestarter = [] {
    const std::optional<std::string> path = FindProgram(ipc::kRestarterProgram);
    return path.has_value() && QProcess::startDetached(QString::fromStdString(*path), {});
  };
  services.fileFilterPath = FileFilterPath();
  services.deviceSource = std::make_shared<LinuxDeviceSource>();
  services.chooseOpenFile = ChooseOpenFileInFolder;
  services.chooseSaveFile = ChooseSaveFileInFolder;
  return services;
}

WizardContext::WizardContext(Prompter& prompter, AppSettings& settings, WizardServices services)
    : prompter_(prompter), settings_(settings), services_(std::move(services)), previous_(g_current) {
  g_current = this;
  mode_ = std::make_unique<CRecoveryModeSelectController>();
  type_ = std::make_unique<CTypeOfFileToRecoveryController>();
  deleteDevice_ = std::make_unique<CDeleteRecoveryPartitionDeviceSelectController>();
  completeDevice_ = std::make_unique<CCompleteRecoveryPartitionDeviceSelectController>();
  lostDisk_ = std::make_unique<CLostRecoveryDiskDeviceSelectController>();
  saveFile_ = std::make_unique<CSaveFileController>();
  saveResult_ = std::make_unique<CSaveResultController>();
  fileSelect_ = std::make_unique<CFileSelectController>();
  lostPartition_ = std::make_unique<CLostRecoveryPartitionDeviceSelectController>();
  completeScan_ = std::make_unique<CCompleteRecoveryScanPartitionDeviceSelectController>();
  lostScan_ = std::make_unique<CLostRecoveryScanPartitionDeviceSelectController>();
}

WizardContext::~WizardContext() {
  // The sheet's pages point at the controllers: the sheet goes first.
  // The later steps hold trees and windows on the device steps' devices:
  // they go before the device steps.
  lostScan_.reset();
  completeScan_.reset();
  lostPartition_.reset();
  sheet_.reset();
  if (g_current == this) {
    g_current = previous_;
  }
}

WizardContext* WizardContext::instance() { return g_current; }

CWizardSheet& WizardContext::sheet() {
  if (sheet_ == nullptr) {
    sheet_ = std::make_unique<CWizardSheet>(*this);
  }
  return *sheet_;
}

} // namespace qm
