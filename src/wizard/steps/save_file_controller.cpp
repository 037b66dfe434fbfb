#include "wizard/steps/save_file_controller.h"

#include <QtCore/QCoreApplication>
#include <QtWidgets/QApplication>

#include <algorithm>
#include <cstdint>

#include "app/log_report.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/volume_file_system.h"
#include "filemodel/file_system_node.h"
#include "platform/log.h"
#include "wizard/pages/save_file_page.h"
#include "wizard/services/save_target_check.h"
#include "wizard/steps/save_result_step.h"

namespace qm {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("CSaveFileController", text); }

} // namespace

void CSaveFileController::SetFileSelection(CFileSystemNode* root, IStorageDevice* source) {
  root_ = root;
  source_ = source;
  SelectionSummary summary;
  if (root != nullptr) root->GetSelectionSummary(&summary);
  if (page_ != nullptr) page_->SetSelectionSize(summary.checkedFiles, summary.checkedBytes);
}

void CSaveFileController::Activate() { env_.navigator.SetActivePage(kPageSaveFile); }

void CSaveFileController::Home() {
  Leave();
  if (previous_ != nullptr) previous_->Home();
}

void CSaveFileController::Back() {
  Leave();
  if (previous_ != nullptr) previous_->Back();
}

StateVariant* CSaveFileController::GetDeviceSelection(StateVariant* out) {
  if (previous_ != nullptr) return previous_->GetDeviceSelection(out);
  return IWizardPageController::GetDeviceSelection(out);
}

std::string CSaveFileController::GetCreatedFolder(int index) {
  return index >= 0 && static_cast<std::size_t>(index) < created_.size()
             ? created_[static_cast<std::size_t>(index)]
             : std::string();
}

bool CSaveFileController::ValidateTargetFolder() {
  if (page_ == nullptr) return false;
  Prompter& prompter = env_.prompter;
  const std::string target = page_->GetTargetPath().toStdString();
  QWidget* owner = QApplication::activeWindow();
  const QString caption = LoadAppString(346);
  if (const int code = CheckTargetFolder(target); code != kTargetOk) {
    prompter.Inform(owner, LoadAppString(TargetCheckMessageId(code)), caption,
                    TargetCheckIsWarning(code) ? PromptIcon::Warning : PromptIcon::Information);
    return false;
  }
  switch (FindTargetPlace(target, source_)) {
  case TargetPlace::kSameVolume:
    // Every file written there may land on the very clusters that still
    // hold the deleted data being recovered.
    prompter.Inform(
        owner,
        Tr(QT_TRANSLATE_NOOP(
            "CSaveFileController",
            "The recovered files cannot be saved to the drive they are recovered from. Please select "
            "a folder on another drive.")),
        caption, PromptIcon::Warning);
    return false;
  case TargetPlace::kSameDisk:
    if (!prompter.AskYesNo(page_, LoadAppString(147), caption, false)) return false;
    break;
  case TargetPlace::kElsewhere:
    break;
  }
  SelectionSummary summary;
  if (root_ == nullptr || root_->GetSelectionSummary(&summary) == 0) return false;
  if (summary.checkedEncryptedFiles > 0 && IsNtfsVolume(NearestExistingFolder(target).c_str()) == 0) {
    prompter.Inform(owner, LoadAppString(161), caption, PromptIcon::Information);
    return false;
  }
  return page_->CheckFreeSpace(prompter);
}

bool CSaveFileController::Next() {
  target_ = page_ != nullptr ? page_->GetTargetPath().toStdString() : std::string();
  LogRecoveryMode(7);
  CRecoveringDlg dialog(root_, source_, target_, env_.prompter);
  if (hook_) hook_(dialog);
  dialog.exec();
  outcome_ = dialog.Outcome();
  created_ = dialog.CreatedFolders();
  LogRecoverSummary(static_cast<int>(std::min<std::uint64_t>(outcome_.selected, INT32_MAX)),
                    static_cast<int>(std::min<std::uint64_t>(outcome_.Recovered(), INT32_MAX)),
                    target_.c_str());
  if (outcome_.stopped) LogInfo("Recovery stopped by the user");
  if (outcome_.failed != 0)
    LogInfo("%llu of %llu files could not be recovered", static_cast<unsigned long long>(outcome_.failed),
            static_cast<unsigned long long>(outcome_.files));
  ISaveResultController& result = *env_.steps.saveResult;
  result.SetPrevController(this);
  result.Activate();
  return true;
}

void CSaveFileController::ShowAdvancedSettings() { RunAdvancedSettings(false, nullptr, env_.settings); }

} // namespace qm
