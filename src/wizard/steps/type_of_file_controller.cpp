#include "wizard/steps/type_of_file_controller.h"

#include <algorithm>
#include <cstdio>

#include "app/usage_events.h"
#include "controls/file_type_tree.h"
#include "filemodel/file_type_map.h"
#include "filemodel/raw_type_ids.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "wizard/pages/type_of_file_page.h"

namespace qm {

void ApplyFileTypeChoice(const CTypeOfFileToRecoveryTreeCtrl& tree, AppSettings& settings)
{
    CFileTypeMap& map = CFileTypeMap::GetInstance();
    BuildFileTypeMap(map, tree.Catalogue(), tree.IsTreeChecked() ? 1 : 0);
    const bool narrowed = map.HasExtensions();
    auto chosen = [&](int id) {
        if (!narrowed) {
            return true;
        }
        char name[16];
        std::snprintf(name, sizeof name, ".%s", kBuiltInRawTypeNames[id]);
        return map.IsFileTypeInList(name) != 0;
    };
    std::vector<int> types;
    if (settings.bPhotoRecovery != 0) {
        // Photo recovery carves photo types only, whatever else is chosen.
        for (int id : kPhotoRawTypes) {
            if (chosen(id)) {
                types.push_back(id);
            }
        }
        std::sort(types.begin(), types.end());
    } else if (narrowed) {
        for (int id = 1; id <= kLastBuiltInRawType; ++id) {
            if (chosen(id)) {
                types.push_back(id);
            }
        }
    } else {
        types = AppSettings::AllRawTypes();
    }
    settings.vecRawTypes = std::move(types);
}

void CTypeOfFileToRecoveryController::Activate()
{
    activated_.start();
    env_.navigator.SetActivePage(kPageTypeOfFile);
}

void CTypeOfFileToRecoveryController::Home()
{
    Leave();
    if (previous_ != nullptr) {
        previous_->Home();
    }
}

void CTypeOfFileToRecoveryController::Back()
{
    Leave();
    if (previous_ != nullptr) {
        previous_->Activate();
    }
}

bool CTypeOfFileToRecoveryController::Next() {
  if (page_ != nullptr) {
    ApplyFileTypeChoice(page_->Tree(), env_.settings);
  }
  const auto elapsed = static_cast<std::uint32_t>(activated_.isValid() ? activated_.elapsed() : 0);
  IWizardPageController* next = nullptr;
  switch (mode_) {
  case 0:
    LogInfo("\r\n%s", "Performing Deleted File Recovery...");
    ReportTimedUsageEvent(8195, elapsed);
    next = env_.steps.deviceOfMode[0];
    break;
  case 1:
    LogInfo("\r\n%s", "Performing Complete File Recovery...");
    ReportTimedUsageEvent(8214, elapsed);
    next = env_.steps.deviceOfMode[1];
    break;
  case 2:
    LogInfo("\r\n%s", "Performing Partition Recovery...");
    ReportTimedUsageEvent(8241, elapsed);
    next = env_.steps.deviceOfMode[2];
    break;
  default:
    break;
  }
  if (next != nullptr) {
    next->SetPrevController(this);
    next->Activate();
  }
  return true;
}

void CTypeOfFileToRecoveryController::ShowAdvancedSettings() {
  RunAdvancedSettings(false, nullptr, env_.settings);
}

}  // namespace qm
