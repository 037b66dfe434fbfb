#include "wizard/steps/page_controller.h"

#include "dialogs/advance_setting_dlg.h"
#include "storage/app_settings.h"
#include "wizard/wizard_context.h"

namespace qm {

void RunAdvancedSettings(bool allowRawOnly, QWidget* parent) {
  WizardContext* context = WizardContext::instance();
  AppSettings& settings = context != nullptr ? context->settings() : *GetAppSettings();
  CAdvanceSettingMasterDlg dialog(allowRawOnly, parent, settings);
  dialog.exec();
}

void IWizardPageController::ShowAdvancedSettings() { RunAdvancedSettings(false, nullptr); }

} // namespace qm
