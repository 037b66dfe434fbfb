#include "reporter/already_running_box.h"

#include "launcher/launcher_language.h"

namespace qm {

std::unique_ptr<QMessageBox> MakeAlreadyRunningBox() {
  return std::make_unique<QMessageBox>(
      QMessageBox::Information, launcher::LauncherText(launcher::kTitleString),
      launcher::LauncherText(launcher::kAlreadyRunningString), QMessageBox::Ok);
}

} // namespace qm
