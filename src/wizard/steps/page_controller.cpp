#include "wizard/steps/page_controller.h"

#include "dialogs/advance_setting_dlg.h"
#include "storage/app_settings.h"

namespace qm {

void RunAdvancedSettings(bool allowRawOnly, QWidget* parent, AppSettings& settings) {
  CAdvanceSettingMasterDlg dialog(allowRawOnly, parent, settings);
  dialog.exec();
}

void IWizardPageController::ShowAdvancedSettings() { RunAdvancedSettings(false, nullptr, *GetAppSettings()); }

} // namespace qm
