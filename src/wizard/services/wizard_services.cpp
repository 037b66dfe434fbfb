#include "wizard/services/wizard_services.h"

#include <QtCore/QProcess>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>

#include "app/file_dialog_folder.h"
#include "app/file_type_catalogue.h"
#include "app/help_viewer.h"
#include "platform/child_process.h"
#include "platform/ipc_names.h"
#include "wizard/services/device_source.h"

namespace qm {

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

} // namespace qm
